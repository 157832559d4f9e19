// The loader's run from command line to outcome, against a fake Wine prefix and a recording view.
#include "LoaderSession.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>
#include <filesystem>

#include "CommandLine.h"
#include "FakeHost.h"
#include "HostFiles.h"
#include "TestKit.h"

namespace cadro::addlaunch {
namespace {

using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;
using testing::FakeHost;
using testing::kSample;

const std::string kRule(51, '-');
const std::string kStartBlock = kRule + "\r\n07-Dec 08:30:05: Addlaunch 9.8.7\r\n" + kRule + "\r\n";
const std::string kQuestion =
    "Integrate this Add-on with Vantrel on this PC?\r\n\r\nPress 'Yes' to update Vantrel's Launch.Local "
    "file.\r\nPress 'No' to run this program standalone.";

class RecordingView final : public LoaderView {
public:
  void SetCaption(const std::string& c) override { caption = c; }
  void ClearOutput() override { output.clear(); }
  void AppendOutput(const std::string& line) override { output.push_back(line); }
  std::string ChooseProgramPath(const std::string& dirs) override {
    offered.push_back(dirs);
    return choice;
  }
  std::string GetVantrelDirName() override {
    ++pickerShown;
    return picked;
  }

  std::string caption;
  std::vector<std::string> output;
  std::vector<int> pauses;
  int closeAtPause = 0;  // 1-based pause at which the user closes the window
  std::vector<std::string> offered;
  std::string choice;
  int pickerShown = 0;
  std::string picked;
};

class LoaderSessionTest : public ::testing::Test {
protected:
  // Drives the run stage by stage as the window's timers would, closing the window at the pause
  // `view.closeAtPause` asks for.
  ExitStatus Run(const std::string& commandLine) {
    LoaderSession session(ts.services, view, host.programFolder(), "9.8.7");
    LoaderNext next = session.Start(commandLine);
    while (!next.finished) {
      view.pauses.push_back(next.pauseMilliseconds);
      if (view.closeAtPause == static_cast<int>(view.pauses.size())) {
        const ExitStatus status = session.Close();
        EXPECT_TRUE(session.finished());
        step = session.step();
        return status;
      }
      next = session.Resume();
    }
    EXPECT_TRUE(session.finished());
    step = session.step();
    return next.status;
  }
  std::string LoaderArg() { return host.WriteSampleLoader(); }
  std::string Log() const { return ReadFileBytes(host.logFile()); }
  static std::string L(const std::string& text) { return "07-Dec 08:30:05: " + text + "\r\n"; }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& p : ts.prompts.shown) texts.push_back(p.text);
    return texts;
  }

  FakeHost host;
  cadro::testing::TestServices ts;
  RecordingView view;
  std::int16_t step = 0;
};

TEST_F(LoaderSessionTest, InstallWithOneHostDirectoryRunsStraightThrough) {
  host.InstallHost("C:\\Program Files (x86)\\Wrenco Packet", host.StandardConf());
  const std::string loader = LoaderArg();
  ts.prompts.answers = {true};

  EXPECT_EQ(Run(" install , " + loader), ExitStatus::kDone);

  EXPECT_EQ(view.caption, "Launch.Local Loader v9.8.7");
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, kQuestion);
  EXPECT_EQ(ts.prompts.shown[0].title, "Integrate with Vantrel");
  EXPECT_TRUE(view.offered.empty());
  EXPECT_EQ(view.pickerShown, 0);
  EXPECT_EQ(view.pauses, (std::vector<int>{500, 500, 500, 3000}));

  const std::string dir = "C:\\Program Files (x86)\\Wrenco Packet";
  const std::vector<std::string> output = {"** Installing Add-on **",
                                           "Found loader File: " + loader,
                                           "Searching for installed Vantrel program... ",
                                           "Program Path: " + dir,
                                           "Retrieving Vantrel data directory...",
                                           "Data Path: C:\\VData",
                                           "Updating: C:\\VData\\Launch.local",
                                           "Reading: C:\\VData\\Launch.local",
                                           "Reading: " + loader,
                                           ">>>Finding: " + kSample,
                                           "Reading: C:\\VData\\Launch.local",
                                           "Added this Addon to Launch.Local"};
  EXPECT_EQ(view.output, output);
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n" + kSample + "\r\n");
  EXPECT_EQ(Log(), kStartBlock + L("Starting Launch.local update process") +
                       L("Found loader file: " + loader) + L("Found Vantrel program directory at " + dir) +
                       L("Found Vantrel data directory at C:\\VData") +
                       L("Starting Update to C:\\VData\\Launch.local") +
                       L("Update outcome: Added this Addon to Launch.Local"));

  // The same again: already there, still a success for the installer.
  ts.prompts.answers = {true};
  EXPECT_EQ(Run("install," + loader), ExitStatus::kDone);
  EXPECT_EQ(view.output.back(), "Addon already correctly configured on Launch.Local");
}

TEST_F(LoaderSessionTest, AnsweringNoLeavesTheHostAlone) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  ts.prompts.answers = {false};
  EXPECT_EQ(Run("install,C:\\Addons\\X.local"), ExitStatus::kDone);
  EXPECT_EQ(Log(), kStartBlock + L("Starting Launch.local update process") +
                       L("Found loader file: C:\\Addons\\X.local") +
                       L("Setting up as a stand-alone program"));
  EXPECT_FALSE(std::filesystem::exists(host.launchFile()));
  EXPECT_TRUE(view.pauses.empty());
}

TEST_F(LoaderSessionTest, AWrongCommandLineShowsTheHelpAndEnds) {
  EXPECT_EQ(Run("install,a,b"), ExitStatus::kBadCommandLine);
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(
      ts.prompts.shown[0].text,
      "Only 3 Command Line arguments found.  Format is:\r\n1. install | uinstall\r\n2. loader File Name");
  EXPECT_EQ(ts.prompts.shown[0].title, "Addlaunch");
  EXPECT_EQ(step, 41);
  EXPECT_EQ(Log(), kStartBlock + L("Starting Launch.local update process") +
                       L("Missing Launch file on command line."));

  EXPECT_EQ(Run(""), ExitStatus::kBadCommandLine);
  EXPECT_EQ(ts.prompts.shown.back().text.rfind("Only 0 Command", 0), 0u);
}

TEST_F(LoaderSessionTest, UninstallAsksNothingAndRemovesTheBlock) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  WriteFileBytes(host.launchFile(), "[Other-1]\r\nX=1\r\n/ [EOA]\r\n" + kSample);
  EXPECT_EQ(Run("Install," + LoaderArg()), ExitStatus::kDone);  // capital I: uninstall
  EXPECT_TRUE(ts.prompts.shown.empty());
  EXPECT_EQ(view.output.front(), "** Uninstalling Add-on **");
  EXPECT_EQ(view.output.back(), "Addon settings removed from Launch.Local");
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "[Other-1]\r\nX=1\r\n/ [EOA]\r\n");

  // "uninstall" holds "install" but is not it: the block goes, and nobody is asked.
  WriteFileBytes(host.launchFile(), "[Other-1]\r\nX=1\r\n/ [EOA]\r\n" + kSample);
  view.output.clear();
  EXPECT_EQ(Run("uninstall," + LoaderArg()), ExitStatus::kDone);
  EXPECT_TRUE(ts.prompts.shown.empty());
  EXPECT_EQ(view.output.front(), "** Uninstalling Add-on **");
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "[Other-1]\r\nX=1\r\n/ [EOA]\r\n");
  for (const char* other : {"uninstall", "reinstall", "installer", "Install", "INSTALL", ""})
    EXPECT_FALSE(IsInstallAction(other)) << other;
  EXPECT_TRUE(IsInstallAction("install"));

  // An old block without its terminator before another add-on's block: the window and the log
  // say where the old block was taken to end, just before the outcome.
  WriteFileBytes(host.launchFile(), "[Sample-1.2]\r\nExe=sample.exe\r\n[Other-1]\r\nX=1\r\n/ [EOA]\r\n");
  EXPECT_EQ(Run("remove," + LoaderArg()), ExitStatus::kDone);
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "[Other-1]\r\nX=1\r\n/ [EOA]\r\n");
  const std::string note =
      "The old block [Sample-1.2] on line 1 had no \"/ [EOA]\" line of its own: it was ended at line 3, "
      "where "
      "[Other-1] begins";
  ASSERT_GE(view.output.size(), 2u);
  EXPECT_EQ(view.output[view.output.size() - 2], note);
  EXPECT_NE(Log().find(L(note) + L("Update outcome: Addon settings removed from Launch.Local")),
            std::string::npos);
}

TEST_F(LoaderSessionTest, DiscoveryFindsTheDefaultFoldersInOrder) {
  EXPECT_EQ(FindHostDirs(), "");
  host.InstallHost("C:\\Program Files (x86)\\Vantrel", "DATADIR=C:\\VData\r\n");
  host.InstallHost("C:\\Program Files\\Wrenco Packet", "");  // no Vantrel.conf: not a host
  EXPECT_EQ(FindHostDirs(), "C:\\Program Files (x86)\\Vantrel");
  host.InstallHost("C:\\Program Files\\Vantrel", "DATADIR=C:\\VData\r\n");
  EXPECT_EQ(FindHostDirs(), "C:\\Program Files\\Vantrel\r\nC:\\Program Files (x86)\\Vantrel");
  // A hidden file does not count, nor does a folder of that name.
  std::filesystem::create_directories(host.Local("C:\\Program Files\\Wrenco Packet\\Vantrel.conf"));
  EXPECT_EQ(FindHostDirs(), "C:\\Program Files\\Vantrel\r\nC:\\Program Files (x86)\\Vantrel");
}

TEST_F(LoaderSessionTest, CancellingTheChoiceFallsBackToThePicker) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  host.InstallHost("C:\\Program Files (x86)\\Vantrel", host.StandardConf());
  view.choice = "";
  view.picked = "";
  EXPECT_EQ(Run("remove,x"), ExitStatus::kNoProgramDir);
  EXPECT_EQ(view.pickerShown, 1);
  const std::vector<std::string> boxes = {
      "No Vantrel directory was found.  After pressing OK,\r\nnavigate to select the 'Program Directory' (it "
      "will show empty),\r\nand then press Save.",
      "No Vantrel program directory was selected.  Verify that\r\nVantrel is correctly installed or your "
      "selected path is correct."};
  EXPECT_EQ(BoxTexts(), boxes);
  EXPECT_NE(Log().find(L("No Vantrel program directory was found or selected; quiting")), std::string::npos);
}

TEST_F(LoaderSessionTest, APickedFolderWithoutUsableConfIsReported) {
  host.InstallHost("C:\\Tools\\Host", "");
  view.picked = "C:\\Tools\\Host";
  EXPECT_EQ(Run("remove,x"), ExitStatus::kNoDataDir);
  ASSERT_EQ(ts.prompts.shown.size(), 2u);
  EXPECT_EQ(ts.prompts.shown[1].title, "Launch.local Update");
  EXPECT_EQ(
      ts.prompts.shown[1].text,
      "Could not find Vantrel.conf in directory C:\\Tools\\Host .\r\nPlease confirm that the path is correct "
      "and that Vantrel is correctly installed.");
  EXPECT_NE(Log().find(L("Could not find Vantrel.conf in directory C:\\Tools\\Host; quiting")),
            std::string::npos);

  // A Vantrel.conf without DATADIR ends the same way, after saying where it looked.
  host.InstallHost("C:\\Tools\\Host", "[Vantrel]\r\nINSTANCE=2\r\n");
  ts.prompts.shown.clear();
  EXPECT_EQ(Run("remove,x"), ExitStatus::kNoDataDir);
  EXPECT_EQ(view.output.back(), "Data Path: ");
  EXPECT_EQ(ts.prompts.shown.back().title, "Launch.local Update");
}

// A DATADIR that climbs above drive C with ".." stays on the drive, as on Windows: Launch.local
// is never written into a folder outside Wine's drive that happens to have the same name.
TEST_F(LoaderSessionTest, ADataFolderThatClimbsAboveTheDriveStaysOnIt) {
  const std::string conf = host.StandardConf();  // makes C:\VData
  host.InstallHost("C:\\Program Files\\Vantrel", "[Vantrel]\r\nDATADIR=C:\\..\\VData\r\n");
  const std::string outside = host.root() + "/wine/VData";  // in the prefix, above drive C's folder
  std::filesystem::create_directories(outside);
  WriteFileBytes(host.launchFile(), "[Other-1]\r\nX=1\r\n/ [EOA]\r\n" + kSample);
  EXPECT_EQ(Run("remove," + LoaderArg()), ExitStatus::kDone);
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "[Other-1]\r\nX=1\r\n/ [EOA]\r\n");
  EXPECT_FALSE(std::filesystem::exists(outside + "/Launch.local"));
}

// A host installed outside Wine's drives is named by its native folder, and its files are found
// there: the conf and Launch.local are joined to it with "/", never with a backslash.
TEST_F(LoaderSessionTest, AHostOutsideWinesDrivesIsFoundInItsNativeFolder) {
  const std::string program = host.root() + "/native/Vantrel";
  const std::string data = host.root() + "/native/data";
  std::filesystem::create_directories(program);
  std::filesystem::create_directories(data);
  WriteFileBytes(program + "/Vantrel.conf", "[Vantrel]\r\nDATADIR=" + data + "\r\n");
  WriteFileBytes(data + "/Launch.local", "[Other-1]\r\nX=1\r\n/ [EOA]\r\n" + kSample);
  view.picked = HostFormOfFolder(program);
  EXPECT_EQ(view.picked, program);
  EXPECT_EQ(Run("remove," + LoaderArg()), ExitStatus::kDone);
  EXPECT_EQ(view.pickerShown, 1);
  EXPECT_EQ(ReadFileBytes(data + "/Launch.local"), "[Other-1]\r\nX=1\r\n/ [EOA]\r\n");
  EXPECT_EQ(JoinHostPath(program + "/", "Launch.local"), program + "/Launch.local");
  EXPECT_EQ(JoinHostPath("C:\\VData", "Launch.local"), "C:\\VData\\Launch.local");
  EXPECT_EQ(JoinHostPath("C:\\", "Launch.local"), "C:\\Launch.local");
  // A folder on one of Wine's drives is still named in the host's form.
  EXPECT_EQ(HostFormOfFolder(host.Local("C:\\VData")), "C:\\VData");
}

TEST_F(LoaderSessionTest, ABrokenConfIsReportedWithItsError) {
  host.InstallHost("C:\\Program Files\\Vantrel", "INSTANCE=many\r\nDATADIR=C:\\VData\r\n");
  EXPECT_EQ(Run("remove,x"), ExitStatus::kError);
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "Error -2147221491, Type mismatch, Step = 3");
  EXPECT_EQ(
      ts.eventLog.entries.front().rfind("Type mismatch FileLib:GetPathFromConf, Step = 3, FileName = ", 0),
      0u);
}

TEST_F(LoaderSessionTest, ClosingTheWindowBeforeTheUpdateChangesNothing) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  WriteFileBytes(host.launchFile(), kSample);
  for (int closeAt = 1; closeAt <= 3; ++closeAt) {
    view = RecordingView();
    view.closeAtPause = closeAt;
    EXPECT_EQ(Run("remove," + LoaderArg()), ExitStatus::kClosed) << closeAt;
    EXPECT_EQ(view.pauses.size(), static_cast<std::size_t>(closeAt));
    EXPECT_EQ(ReadFileBytes(host.launchFile()), kSample);
  }
  // Closed during the last pause: the update is done and stands.
  view = RecordingView();
  view.closeAtPause = 4;
  EXPECT_EQ(Run("remove," + LoaderArg()), ExitStatus::kDone);
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n");
}

TEST_F(LoaderSessionTest, AFailedUpdateGivesAFailureStatus) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  WriteFileBytes(host.launchFile(), "[Sample-1.0]\r\n/ [EOA]\r\n");
  ::chmod(host.launchFile().c_str(), 0444);
  ts.prompts.answers = {true};
  EXPECT_EQ(Run("install," + LoaderArg()), ExitStatus::kUpdateFailed);
  EXPECT_EQ(view.output.back(), "Result = 70");
  EXPECT_NE(Log().find(L("Update outcome: Result = 70")), std::string::npos);

  // A missing loader file: reported in a box, and the result is 0.
  ts.prompts.answers = {true};
  EXPECT_EQ(Run("install," + host.root() + "/none.local"), ExitStatus::kUpdateFailed);
  EXPECT_EQ(view.output.back(), "Result = 0");
  EXPECT_EQ(ts.prompts.shown.back().text,
            "Error at Step: 203\r\n>>>RegID=, Pos1=0, pos2=0, pos3=0, AppName=, AppRev=\r\nThe loader file " +
                host.root() + "/none.local was not found.");
}

TEST_F(LoaderSessionTest, LogProblemsAreToldOnceAndTheRunGoesOn) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  std::filesystem::remove_all(host.programFolder() + "/logs");
  EXPECT_EQ(Run("remove," + LoaderArg()), ExitStatus::kDone);
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "SetupLog Error 76, Path not foundCould not start Session logging");
  EXPECT_FALSE(std::filesystem::exists(host.programFolder() + "/logs"));
}

TEST(LoaderLogTest, AWriteFailureSwitchesLoggingOff) {
  cadro::testing::TempDir dir;
  cadro::testing::TestServices ts;
  LoaderLog log(dir.File("Addlaunch.log"), ts.clock, ts.locale, ts.prompts);
  log.SetupLog("1.0.0");
  log.WriteLog("  first  ");
  std::filesystem::remove(dir.File("Addlaunch.log"));
  std::filesystem::create_directory(dir.File("Addlaunch.log"));  // now it cannot be appended to
  log.WriteLog("second");
  log.WriteLog("third");
  EXPECT_FALSE(log.enabled());
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text.rfind("SetupLog Error ", 0), 0u);
  EXPECT_NE(
      ts.prompts.shown[0].text.find("; Could not write to the session log file; disabled session logging"),
      std::string::npos);
}

}  // namespace
}  // namespace cadro::addlaunch
