// The run on the event loop without any widget: its pauses are timers the loop keeps turning
// through, its end comes three seconds after the outcome, and closing the window ends it at once
// or, while a box or dialog is open, as soon as that is answered.
#include "LoaderRunner.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "FakeHost.h"
#include "TestKit.h"

namespace cadro::addlaunch {
namespace {

using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;
using testing::FakeHost;
using testing::kSample;

class TimedView final : public LoaderView {
public:
  TimedView() { clock.start(); }
  void SetCaption(const std::string&) override {}
  void ClearOutput() override {}
  void AppendOutput(const std::string& line) override {
    lines.push_back(line);
    at.push_back(clock.elapsed());
  }
  std::string ChooseProgramPath(const std::string& dirs) override {
    if (onChoose) onChoose();
    return std::string(dirs.substr(0, dirs.find('\r')));
  }
  std::string GetVantrelDirName() override {
    if (onPick) onPick();
    return {};
  }

  QElapsedTimer clock;
  std::vector<std::string> lines;
  std::vector<qint64> at;
  std::function<void()> onChoose;
  std::function<void()> onPick;
};

class LoaderRunnerTest : public ::testing::Test {
protected:
  LoaderRunnerTest() {
    host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
    host.WriteSampleLoader();
    WriteFileBytes(host.launchFile(), kSample);
  }
  std::string Remove() const { return "remove," + host.sampleLoader(); }
  // Waits for the end; the status, or -1 when the run never ended.
  static int WaitForEnd(QSignalSpy& done) {
    if (done.isEmpty() && !done.wait(15000)) return -1;
    return done.front().front().toInt();
  }

  FakeHost host;
  cadro::testing::TestServices ts;
  TimedView view;
  LoaderSession session{ts.services, view, host.programFolder(), "1.0.0"};
  LoaderRunner runner{session};
};

TEST_F(LoaderRunnerTest, PausesKeepTheLoopTurningAndTheEndComesThreeSecondsAfterTheOutcome) {
  int ticks = 0;
  QTimer other;
  QObject::connect(&other, &QTimer::timeout, [&] { ++ticks; });
  other.start(50);
  QSignalSpy done(&runner, &LoaderRunner::finished);
  runner.Start(Remove());
  EXPECT_TRUE(done.isEmpty());  // it starts once the loop turns, not inside Start

  EXPECT_EQ(WaitForEnd(done), static_cast<int>(ExitStatus::kDone));
  const qint64 ended = view.clock.elapsed();
  ASSERT_EQ(view.lines.back(), "Addon settings removed from Launch.Local");
  EXPECT_GE(ended - view.at.back(), 2900);
  EXPECT_GE(view.at.back(), 1400);  // three half-second pauses before the update
  EXPECT_GE(ticks, 20);             // the loop served others all along
  EXPECT_EQ(done.count(), 1);
  // Nothing is left ticking once the run is over.
  EXPECT_FALSE(runner.findChild<QTimer*>(QStringLiteral("tmrPause"))->isActive());
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n");
}

TEST_F(LoaderRunnerTest, ClosingDuringTheClosingPauseEndsAtOnceWithTheOutcome) {
  QSignalSpy done(&runner, &LoaderRunner::finished);
  runner.Start(Remove());
  QTimer poll;  // the user closes the window once the outcome shows
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!view.lines.empty() && view.lines.back() == "Addon settings removed from Launch.Local") {
      poll.stop();
      runner.Close();
    }
  });
  poll.start(5);
  EXPECT_EQ(WaitForEnd(done), static_cast<int>(ExitStatus::kDone));
  EXPECT_LT(view.clock.elapsed() - view.at.back(), 1000);
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n");
  runner.Close();  // nothing left to end
  EXPECT_EQ(done.count(), 1);
}

TEST_F(LoaderRunnerTest, ClosingWhileADialogIsOpenEndsTheRunWhenItIsAnswered) {
  host.InstallHost("C:\\Program Files (x86)\\Vantrel", host.StandardConf());
  runner.SetPauseScaleForTests(0);
  view.onChoose = [&] { runner.Close(); };
  QSignalSpy done(&runner, &LoaderRunner::finished);
  runner.Start(Remove());
  EXPECT_EQ(WaitForEnd(done), static_cast<int>(ExitStatus::kClosed));
  EXPECT_EQ(done.count(), 1);
  EXPECT_EQ(ReadFileBytes(host.launchFile()), kSample);
  EXPECT_NE(ReadFileBytes(host.logFile()).find("Window closed; Launch.local was not changed"),
            std::string::npos);
  EXPECT_FALSE(runner.running());
}

// The window closed while the folder picker was open: nothing was picked, so the run ends with
// that failure, which stands; it is not turned into a plain close.
TEST_F(LoaderRunnerTest, AFailureTheLastStageEndsWithStandsWhenTheWindowClosedMeanwhile) {
  std::filesystem::remove_all(host.Local("C:\\Program Files\\Vantrel"));
  runner.SetPauseScaleForTests(0);
  view.onPick = [&] { runner.Close(); };
  QSignalSpy done(&runner, &LoaderRunner::finished);
  runner.Start(Remove());
  EXPECT_EQ(WaitForEnd(done), static_cast<int>(ExitStatus::kNoProgramDir));
  EXPECT_EQ(done.count(), 1);
  EXPECT_EQ(ReadFileBytes(host.launchFile()), kSample);
  EXPECT_FALSE(runner.running());
}

// A second start while the run goes on (the window shown again) neither restarts the session
// nor ends the run early with an error.
TEST_F(LoaderRunnerTest, AStartDuringTheRunIsIgnored) {
  runner.SetPauseScaleForTests(0);
  QSignalSpy done(&runner, &LoaderRunner::finished);
  runner.Start(Remove());
  runner.Start(Remove());
  EXPECT_EQ(WaitForEnd(done), static_cast<int>(ExitStatus::kDone));
  QCoreApplication::processEvents();
  EXPECT_EQ(done.count(), 1);
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n");
}

TEST_F(LoaderRunnerTest, ClosingBeforeTheStartEndsWithoutRunning) {
  QSignalSpy done(&runner, &LoaderRunner::finished);
  runner.Start(Remove());
  runner.Close();
  ASSERT_EQ(done.count(), 1);
  EXPECT_EQ(done.front().front().toInt(), static_cast<int>(ExitStatus::kClosed));
  QCoreApplication::processEvents();  // the queued start finds the run over
  EXPECT_EQ(done.count(), 1);
  EXPECT_TRUE(view.lines.empty());
  EXPECT_EQ(ReadFileBytes(host.launchFile()), kSample);
}

}  // namespace
}  // namespace cadro::addlaunch
