// The stand-in program as ./dev run starts it: a child process on a port it picks and prints,
// recording each envelope in a folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTest>

#include "RunSession.h"
#include "TestKit.h"
#include "VtdirectSession.h"

namespace cadro {
namespace {

TEST(StandinProgram, RecordsTheDeliveredEnvelopeAndRefusesUnknownModes) {
  testing::TempDir dir;
  QProcess server;
  server.start(VTDIRECT_STANDIN_PROGRAM,
               {"--port", "0", "--record", QString::fromStdString(dir.File("received"))});
  ASSERT_TRUE(server.waitForStarted(5000));
  QByteArray banner;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        banner += server.readAllStandardOutput();
        return banner.contains('\n');
      },
      5000));
  const QByteArray first = banner.left(banner.indexOf('\n'));
  ASSERT_TRUE(first.startsWith("vtdirect-standin listening on 127.0.0.1:")) << first.toStdString();
  const std::string port = first.mid(first.lastIndexOf(':') + 1).toStdString();

  testing::ScriptedPrompts prompts;
  VtdirectSession session(prompts, {});
  LinkSettings settings;
  settings.Prt = port;
  settings.promptWaitMs = 2000;
  session.SetSettings(settings);
  const std::string envelope = "<AOAON>CADRO</AOAON><AOSUB>s</AOSUB><AOMSG>A=1\r\nB=2</AOMSG>!/ADDON!";
  EXPECT_TRUE(testing::Deliver(session, envelope, "s"));

  const QDir received(QString::fromStdString(dir.File("received")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return received.entryList(QDir::Files).size() == 1; }, 3000));
  EXPECT_EQ(testing::ReadFileBytes(received.filePath(received.entryList(QDir::Files)[0]).toStdString()),
            envelope);
  server.kill();
  server.waitForFinished(3000);

  QProcess bad;
  bad.start(VTDIRECT_STANDIN_PROGRAM, {"--port", "0", "--mode", "chatty"});
  ASSERT_TRUE(bad.waitForFinished(5000));
  EXPECT_EQ(bad.exitCode(), 2);
  EXPECT_TRUE(bad.readAllStandardError().contains("unknown mode 'chatty'"));
}

}  // namespace
}  // namespace cadro
