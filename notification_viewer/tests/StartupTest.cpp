#include <gtest/gtest.h>

#include <filesystem>

#include "Startup.h"
#include "TestKit.h"

using namespace cadro;

TEST(Startup, AnUnreadableConfIsReportedOnceAndTheViewerGoesOn) {
  cadro::testing::TempDir dir;
  std::filesystem::create_directories(dir.path() / "Vantrel");
  cadro::testing::WriteFileBytes(dir.File("Vantrel/Vantrel.conf"), "DATADIR=C:\\VData\r\nINSTANCE=many\r\n");
  cadro::testing::TestServices ts;
  FileLib lib(ts.eventLog, dir.File("Vantrel"));
  lib.SetEnvironmentForTests(
      [&dir](const std::string&) -> std::optional<std::string> { return dir.File("roaming"); });
  EXPECT_EQ(StartupDataPath(lib, ts.prompts, "Vtnotification"), dir.File("roaming") + "/Vantrel");
  EXPECT_EQ(lib.DataPath(), dir.File("roaming") + "/Vantrel");
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].title, "Vtnotification");
  EXPECT_EQ(ts.prompts.shown[0].text,
            "Module1:Main, Step=3\r\nProblems reading " + dir.File("Vantrel/Vantrel.conf") +
                ", Please check it\r\nError=-2147221491, Type mismatch, Step = 3, Step = 3");
  EXPECT_EQ(ts.eventLog.entries.size(), 2u);  // the reader's entry and the caller's

  cadro::testing::WriteFileBytes(dir.File("Vantrel/Vantrel.conf"), "DATADIR=/srv/vdata\r\n");
  EXPECT_EQ(StartupDataPath(lib, ts.prompts, "Vtnotification"), "/srv/vdata");
  EXPECT_EQ(ts.prompts.shown.size(), 1u);
}
