#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>

#include "FileLib.h"
#include "HostPath.h"
#include "RunError.h"
#include "TestKit.h"

using namespace cadro;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;
using cadro::testing::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

constexpr long kBase = err::kObjectErrorBase;

// A program folder with a Vantrel.conf beside it, a throwaway Wine prefix with drive C, and
// a controlled APPDATA.
struct HostFixture : ::testing::Test {
  HostFixture() {
    fs::create_directories(program);
    fs::create_directories(dir.path() / "wine" / "drive_c" / "VData");
    fs::create_directories(dir.path() / "wine" / "dosdevices");
    fs::create_directory_symlink("../drive_c", dir.path() / "wine" / "dosdevices" / "c:");
    ::setenv("WINEPREFIX", (dir.path() / "wine").c_str(), 1);
    lib.SetEnvironmentForTests([this](const std::string& name) -> std::optional<std::string> {
      if (name == "APPDATA" && appData) return *appData;
      return std::nullopt;
    });
  }
  ~HostFixture() override { ::unsetenv("WINEPREFIX"); }

  void WriteConf(const std::string& bytes) { WriteFileBytes((program / "Vantrel.conf").string(), bytes); }
  std::string Conf() const { return (program / "Vantrel.conf").string(); }

  // Runs `call`, expecting it to raise; returns what was raised.
  template <class F>
  RunError Raised(F&& call) {
    try {
      call();
    } catch (const RunError& e) {
      return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return RunError(0, "");
  }

  TempDir dir;
  fs::path program = dir.path() / "Program Files" / "Vantrel";
  cadro::testing::RecordingEventLog log;
  FileLib lib{log, program.string()};
  std::optional<std::string> appData;
};

}  // namespace

TEST_F(HostFixture, ConfReaderFollowsTheHostsLineRules) {
  // Keys in any case with spaces around them; the value keeps its spaces and further "=".
  WriteConf("[Main]\r\ndatadir = D:\\Data \r\n");
  EXPECT_EQ(lib.GetPathFromConf(Conf()), " D:\\Data ");
  WriteConf("[A]\r\nDATADIR=C:\\first\r\n\r\n[B]\r\nOther=x\r\nDATADIR=C:\\a=b\r\nnoise line\r\n");
  EXPECT_EQ(lib.GetPathFromConf(Conf()), "C:\\a=b");
  // LF-only: one single line, so only a key on the first line counts and runs to the end.
  WriteConf("DATADIR=C:\\VData\nINSTANCE=1\n");
  EXPECT_EQ(lib.GetPathFromConf(Conf()), "C:\\VDataINSTANCE=1");
  WriteConf("[Main]\nDATADIR=C:\\VData\n");
  EXPECT_EQ(lib.GetPathFromConf(Conf()), "");
  WriteConf("INSTANCE= -32768 \r\nDATADIR=\r\n");
  EXPECT_EQ(lib.GetPathFromConf(Conf()), "");
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(HostFixture, ConfFailuresAreLoggedAndRaisedWithTheBase) {
  WriteConf("DATADIR=C:\\VData\r\nINSTANCE=two\r\n");
  RunError e = Raised([&] { lib.GetPathFromConf(Conf()); });
  EXPECT_EQ(e.number, kBase + err::kTypeMismatch);
  EXPECT_EQ(e.source, "FileLib:GetPathFromConf");
  EXPECT_EQ(e.description, "Type mismatch, Step = 3");
  ASSERT_EQ(log.entries.size(), 1u);
  // The entry names the file and the line to mend.
  EXPECT_EQ(log.entries[0], "Type mismatch FileLib:GetPathFromConf, Step = 3, FileName = " + Conf() +
                                "; the line INSTANCE=two needs a whole number from -32768 to 32767");
  EXPECT_EQ(lib.FailedFile(), Conf());

  WriteConf("INSTANCE=32768\r\n");
  EXPECT_EQ(Raised([&] { lib.GetPathFromConf(Conf()); }).number, kBase + err::kOverflow);
  WriteConf("INSTANCE=1.5\r\n");
  EXPECT_EQ(Raised([&] { lib.GetPathFromConf(Conf()); }).number, kBase + err::kTypeMismatch);
  WriteConf(" datadir \r\n");
  EXPECT_EQ(Raised([&] { lib.GetPathFromConf(Conf()); }).number, kBase + 9);
  EXPECT_EQ(lib.Step(), 3);
  EXPECT_EQ(Raised([&] { lib.GetPathFromConf((program / "missing.conf").string()); }).description,
            "File not found, Step = 1");
}

TEST_F(HostFixture, DataPathComesFromTheConfThroughWine) {
  WriteConf("[Main]\r\nDATADIR=C:\\vdata\r\n");
  const std::string data = lib.DefineDataPath(lib.WhereAmI(), "Vantrel.conf");
  EXPECT_TRUE(fs::equivalent(data, dir.path() / "wine" / "drive_c" / "VData")) << data;
  EXPECT_EQ(lib.WhereAmI(), "Vantrel");

  // ".." stops at the drive's root, as on Windows: a folder of the same name in the prefix, above
  // drive C's folder, is never the host's data folder.
  fs::create_directories(dir.path() / "wine" / "VData");
  WriteConf("[Main]\r\nDATADIR=C:\\VData\\..\\..\\VData\r\n");
  const std::string climbed = lib.DefineDataPath(lib.WhereAmI(), "Vantrel.conf");
  EXPECT_TRUE(fs::equivalent(climbed, dir.path() / "wine" / "drive_c" / "VData")) << climbed;
}

TEST_F(HostFixture, DataPathFallsBackToAppDataThenThePerUserFolder) {
  appData = "/home/op/AppData";
  EXPECT_EQ(lib.DefineDataPath("Vantrel", "Vantrel.conf"), "/home/op/AppData/Vantrel");
  WriteConf("[Main]\r\nINSTANCE=2\r\n");
  EXPECT_EQ(lib.DefineDataPath("Vantrel", "Vantrel.conf"), "/home/op/AppData/Vantrel");
  appData.reset();
  ::setenv("XDG_DATA_HOME", "/home/op/.share", 1);
  EXPECT_EQ(lib.DefineDataPath("Vantrel", "Vantrel.conf"), "/home/op/.share/Vantrel");
  appData = "";  // set but empty is no folder either, and certainly not the root
  EXPECT_EQ(lib.DefineDataPath("Vantrel", "Vantrel.conf"), "/home/op/.share/Vantrel");
  appData.reset();
  ::unsetenv("XDG_DATA_HOME");
  // A hidden configuration is no configuration.
  fs::rename(Conf(), program / ".Vantrel.conf");
  appData = "C:\\Users\\op\\AppData\\Roaming";
  EXPECT_EQ(lib.DefineDataPath("Vantrel", ".Vantrel.conf"),
            HostPath("C:\\Users\\op\\AppData\\Roaming") + "/Vantrel");
}

TEST_F(HostFixture, AnUnreadableConfIsLoggedTwiceThroughTheSharedStep) {
  WriteConf("DATADIR=C:\\VData\r\n");
  lib.SetFileReaderForTests(
      [](const std::string&) -> std::string { throw MakeRunError(err::kPermissionDenied); });
  const RunError e = Raised([&] { lib.DefineDataPath("Vantrel", "Vantrel.conf"); });
  EXPECT_EQ(e.source, "FileLib:DefineDataPath");
  EXPECT_EQ(e.number, kBase + err::kPermissionDenied);  // the base is added once
  ASSERT_EQ(log.entries.size(), 2u);
  EXPECT_EQ(log.entries[0], "Permission denied FileLib:GetPathFromConf, Step = 2, FileName = " + Conf());
  EXPECT_EQ(log.entries[1],
            "Permission denied, Step = 2 FileLib:DefineDataPath, Step = 2, FileName = " + Conf());
  EXPECT_EQ(e.description, "Permission denied, Step = 2");  // the step is told once

  const RunError r = Raised([&] { lib.ReadTextFileContents(Conf()); });
  EXPECT_EQ(r.source, "FileLib:ReadTextFileContents");
  EXPECT_EQ(r.description, "Permission denied, Step = 2");
}

TEST_F(HostFixture, OnlyVisibleNormalFilesExist) {
  const std::string data = (dir.path() / "wine" / "drive_c" / "VData").string();
  WriteFileBytes(data + "/Vtnote.dat", "1|a\r\n");
  WriteFileBytes(data + "/.hidden.dat", "secret");
  EXPECT_TRUE(FileExists(data + "/Vtnote.dat"));
  EXPECT_TRUE(FileExists(HostPath("C:\\VDATA\\vtnote.dat")));  // a host path, any case
  EXPECT_FALSE(FileExists(data + "/.hidden.dat"));
  EXPECT_FALSE(FileExists(data));
  EXPECT_FALSE(FileExists(data + "/nothing"));
  EXPECT_FALSE(FileExists(""));
  EXPECT_TRUE(FileExists(data + "/*.dat"));
  EXPECT_TRUE(FileExists(data + "/Vtnote.d?t"));
  EXPECT_TRUE(FileExists(data + "/*.*"));
  EXPECT_FALSE(FileExists(data + "/*.txt"));
  EXPECT_FALSE(FileExists(data + "/.hid*"));
  EXPECT_EQ(lib.ReadTextFileContents(data + "/.hidden.dat"), "");
  // Each pattern rule alone, in a folder where nothing else can answer for it.
  const std::string only = (dir.path() / "only").string();
  fs::create_directories(only);
  WriteFileBytes(only + "/.secret.cfg", "x");
  EXPECT_FALSE(FileExists(only + "/*.cfg"));  // a hidden file is no match for a wildcard
  EXPECT_FALSE(FileExists(only + "/*"));
  WriteFileBytes(only + "/README", "x");
  EXPECT_TRUE(FileExists(only + "/*.*"));  // "*.*" also takes names without a dot
  EXPECT_FALSE(FileExists(only + "/*.cfg"));
  WriteFileBytes(only + "/a1.log", "x");
  EXPECT_FALSE(FileExists(only + "/a[1].*"));  // "[" is a plain character, not a set
  WriteFileBytes(only + "/a[1].log", "x");
  EXPECT_TRUE(FileExists(only + "/a[1].*"));
  EXPECT_EQ(lib.ReadTextFileContents(data + "/Vtnote.dat"), "1|a\r\n");
}

TEST_F(HostFixture, WriterReturnsNumbersAndLeavesReadOnlyFilesAlone) {
  const std::string file = dir.File("Launch.local");
  EXPECT_EQ(WriteTextFileContents(file, "a\r\nb"), -1);
  EXPECT_EQ(ReadFileBytes(file), "a\r\nb");
  EXPECT_EQ(WriteTextFileContents(file, ""), -1);
  EXPECT_EQ(ReadFileBytes(file), "");
  WriteFileBytes(file, "old");
  ::chmod(file.c_str(), 0444);
  EXPECT_EQ(WriteTextFileContents(file, "new"), err::kPermissionDenied);
  EXPECT_EQ(ReadFileBytes(file), "old");
  EXPECT_EQ(WriteTextFileContents(dir.File("no/such/folder.txt"), "x"), err::kPathNotFound);
}

TEST_F(HostFixture, RealPathExpandsOneTokenInTheHostsForm) {
  lib.SetDataPath((dir.path() / "wine" / "drive_c" / "VData").string());
  EXPECT_EQ(lib.RealPath("DATA_PATH\\a"), "C:\\VData\\a");
  EXPECT_EQ(lib.RealPath("APP_PATH\\sound.wav"), ToHostForm(program.string()) + "\\sound.wav");
  EXPECT_EQ(lib.RealPath("app_path\\sound.wav"), "app_path\\sound.wav");
  EXPECT_EQ(lib.RealPath("APP_PATH\\DATA_PATH"), ToHostForm(program.string()) + "\\DATA_PATH");
  EXPECT_EQ(lib.RealPath("sound136.wav"), "sound136.wav");
}

TEST(FileLibWhereAmI, LastComponentOfTheProgramFolder) {
  cadro::testing::RecordingEventLog log;
  EXPECT_EQ(FileLib(log, "/opt/host/Vantrel").WhereAmI(), "Vantrel");
  EXPECT_EQ(FileLib(log, "/").WhereAmI(), "");
  EXPECT_EQ(FileLib(log, "here").WhereAmI(), "here");
}

TEST(WholeNumber, ConvertsLikeTheHost) {
  EXPECT_EQ(ToWholeNumber(" 12 ", '.', -32768, 32767), 12);
  EXPECT_EQ(ToWholeNumber("-1", '.', -32768, 32767), -1);
  EXPECT_EQ(ToWholeNumber("+7", '.', -32768, 32767), 7);
  EXPECT_EQ(ToWholeNumber("2.5", '.', -32768, 32767), 2);  // halves go to the even one
  EXPECT_EQ(ToWholeNumber("3.5", '.', -32768, 32767), 4);
  EXPECT_EQ(ToWholeNumber("2.51", '.', -32768, 32767), 3);
  EXPECT_EQ(ToWholeNumber("-2,7", ',', -32768, 32767), -3);
  EXPECT_EQ(ToWholeNumber(".4", '.', -32768, 32767), 0);
  EXPECT_EQ(ToWholeNumber("32767", '.', -32768, 32767), 32767);
  for (const char* bad : {"", " ", "-", "1x", "x1", "1.2.3", "1 2", "0x10", "2,5"}) {
    try {
      ToWholeNumber(bad, '.', -32768, 32767);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const RunError& e) {
      EXPECT_EQ(e.number, err::kTypeMismatch) << bad;
    }
  }
  for (const char* big : {"32768", "-32769", "99999999999999999999999", "32767.5"}) {
    try {
      ToWholeNumber(big, '.', -32768, 32767);
      ADD_FAILURE() << "accepted '" << big << "'";
    } catch (const RunError& e) {
      EXPECT_EQ(e.number, err::kOverflow) << big;
    }
  }
}
