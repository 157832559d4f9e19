#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

#include "NoteViewer.h"
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
                ", Please check it\r\nError=-2147221491, Type mismatch, Step = 3\r\n"
                "In that file, the line INSTANCE=many needs a whole number from -32768 to 32767.\r\n"
                "Until it is mended the host data folder is taken as " +
                dir.File("roaming") + "/Vantrel.");
  EXPECT_EQ(ts.eventLog.entries.size(), 2u);  // the reader's entry and the caller's

  cadro::testing::WriteFileBytes(dir.File("Vantrel/Vantrel.conf"), "DATADIR=/srv/vdata\r\n");
  EXPECT_EQ(StartupDataPath(lib, ts.prompts, "Vtnotification"), "/srv/vdata");
  EXPECT_EQ(ts.prompts.shown.size(), 1u);
}

TEST(Startup, AnAccentedDataFolderIsFound) {
  cadro::testing::TempDir dir;
  std::filesystem::create_directories(dir.path() / "wine" / "drive_c" / "Données");
  std::filesystem::create_directories(dir.path() / "wine" / "dosdevices");
  std::filesystem::create_directory_symlink("../drive_c", dir.path() / "wine" / "dosdevices" / "c:");
  ::setenv("WINEPREFIX", dir.File("wine").c_str(), 1);
  std::filesystem::create_directories(dir.path() / "Vantrel");
  // The host writes its configuration in Windows-1252.
  cadro::testing::WriteFileBytes(dir.File("Vantrel/Vantrel.conf"),
                                 "DATADIR=C:\\Donn\xe9"
                                 "es\r\n");
  cadro::testing::TestServices ts;
  FileLib lib(ts.eventLog, dir.File("Vantrel"));
  const std::string data = StartupDataPath(lib, ts.prompts, "Vtnotification");
  EXPECT_TRUE(std::filesystem::is_directory(data)) << data;
  EXPECT_EQ(data, dir.File("wine/dosdevices/c:/Données"));
  EXPECT_TRUE(ts.prompts.shown.empty());
  ::unsetenv("WINEPREFIX");
}

TEST(Startup, ABadConfGivesOneBoxEvenWhenTheStandInFolderIsMissing) {
  cadro::testing::TempDir dir;
  std::filesystem::create_directories(dir.path() / "Vantrel");
  cadro::testing::WriteFileBytes(dir.File("Vantrel/Vantrel.conf"), "INSTANCE=x\r\nDATADIR=C:\\VData\r\n");
  cadro::testing::TestServices ts;
  ViewerPrompts prompts(ts.prompts);
  const Services services{ts.eventLog, prompts, ts.clock, ts.locale, ts.settings};
  FileLib lib(ts.eventLog, dir.File("Vantrel"));
  lib.SetEnvironmentForTests(
      [&dir](const std::string&) -> std::optional<std::string> { return dir.File("no-roaming"); });
  StartupDataPath(lib, services.prompts, "Vtnotification");
  prompts.StartupDone();
  // The profile cannot be created in a folder that is not there, now or at the close.
  class Silent final : public SoundPlayer {
    bool PlayAsync(const std::string&) override { return false; }
  } sound;
  NoteViewer viewer(services, lib, sound, "3.4.0 c5", "Vtnotification", [] { return std::string("now"); });
  viewer.Start();
  viewer.Unload();
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text.rfind("Module1:Main, Step=3\r\n", 0), 0u);
  // What was not boxed is in the event log, with the folder to create.
  bool logged = false;
  for (const std::string& e : ts.eventLog.entries) logged |= e.find("VtIni:Write") != std::string::npos;
  EXPECT_TRUE(logged);
}
