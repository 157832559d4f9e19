#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "HostPath.h"
#include "TestKit.h"

using namespace cadro;
namespace fs = std::filesystem;

namespace {
// A Wine prefix with drive C, as Wine lays it out: dosdevices/c: links to ../drive_c.
struct FakePrefix {
  FakePrefix() {
    fs::create_directories(dir.path() / "drive_c" / "VData" / "Logs");
    fs::create_directories(dir.path() / "dosdevices");
    fs::create_directory_symlink("../drive_c", dir.path() / "dosdevices" / "c:");
    ::setenv("WINEPREFIX", dir.str().c_str(), 1);
  }
  ~FakePrefix() { ::unsetenv("WINEPREFIX"); }
  cadro::testing::TempDir dir;
};
}  // namespace

TEST(HostPath, DrivePathsLandInTheWinePrefix) {
  FakePrefix prefix;
  const std::string p = HostPath("C:\\VData");
  EXPECT_EQ(p, (prefix.dir.path() / "dosdevices" / "c:" / "VData").string());
  EXPECT_TRUE(fs::is_directory(p));
  // Windows paths ignore case; the existing folder is found whatever the case written.
  EXPECT_TRUE(fs::is_directory(HostPath("c:\\vdata\\LOGS")));
  // Two entries that differ only in case (Linux allows it): the one written exactly is taken.
  fs::create_directories(prefix.dir.path() / "drive_c" / "VData" / "LOGS");
  const std::string c = (prefix.dir.path() / "dosdevices" / "c:").string();
  EXPECT_EQ(HostPath("C:\\VData\\LOGS"), c + "/VData/LOGS");
  EXPECT_EQ(HostPath("C:\\VData\\Logs"), c + "/VData/Logs");
  EXPECT_EQ(HostPath("C:\\VData\\new.txt"),
            (prefix.dir.path() / "dosdevices" / "c:" / "VData" / "new.txt").string());
}

TEST(HostPath, NativeAndRelativePaths) {
  EXPECT_EQ(HostPath("/opt/x/y"), "/opt/x/y");
  EXPECT_EQ(HostPath("logs\\today.log"), "logs/today.log");
  EXPECT_EQ(HostPath(""), "");
}

TEST(HostPath, WritesBackInTheHostsForm) {
  FakePrefix prefix;
  EXPECT_EQ(ToHostForm((prefix.dir.path() / "drive_c" / "VData" / "Logs").string()), "C:\\VData\\Logs");
  EXPECT_EQ(ToHostForm("/srv/data"), "Z:\\srv\\data");
}

TEST(HostPath, PerUserDataFolderFollowsXdg) {
  ::setenv("XDG_DATA_HOME", "/tmp/xdg-here", 1);
  EXPECT_EQ(PerUserDataFolder(), "/tmp/xdg-here");
  ::unsetenv("XDG_DATA_HOME");
  ::setenv("HOME", "/home/op", 1);
  EXPECT_EQ(PerUserDataFolder(), "/home/op/.local/share");
}

TEST(HostPath, EmptyVariablesCountAsUnset) {
  ::setenv("HOME", "/home/op", 1);
  ::setenv("WINEPREFIX", "", 1);
  EXPECT_EQ(WinePrefix(), "/home/op/.wine");
  ::unsetenv("WINEPREFIX");
  EXPECT_EQ(WinePrefix(), "/home/op/.wine");
  ::setenv("HOME", "", 1);
  EXPECT_FALSE(HomeFolder().empty());  // the password database's home, never ""
  ::setenv("HOME", "/home/op", 1);
}

TEST(HostPath, DriveZIsTheRootEvenWithoutWine) {
  cadro::testing::TempDir empty;
  ::setenv("WINEPREFIX", empty.str().c_str(), 1);
  EXPECT_EQ(HostPath(ToHostForm("/srv/data/logs")), "/srv/data/logs");
  ::unsetenv("WINEPREFIX");

  // Only then: a prefix that maps Z: to a folder of its own is followed there.
  FakePrefix prefix;
  fs::create_directories(prefix.dir.path() / "zroot" / "x");
  fs::create_directory_symlink("../zroot", prefix.dir.path() / "dosdevices" / "z:");
  EXPECT_EQ(HostPath("Z:\\x"), (prefix.dir.path() / "dosdevices" / "z:" / "x").string());
}

TEST(HostPath, AccentedHostPathsNameTheLocalFiles) {
  FakePrefix prefix;
  // The host writes Windows-1252; the file system holds UTF-8 names.
  fs::create_directories(prefix.dir.path() / "drive_c" / "Données" / "Café");
  const std::string local = HostPath(
      "C:\\Donn\xe9"
      "es\\caf\xc9");
  EXPECT_EQ(local, (prefix.dir.path() / "dosdevices" / "c:" / "Données" / "Café").string());
  EXPECT_TRUE(fs::is_directory(local));
  EXPECT_EQ(HostPath("Caf\xe9.profile"), "Café.profile");
  EXPECT_EQ(HostPath("/srv/Donn\xe9"
                     "es"),
            "/srv/Données");
  // And back into the host's form, in its code page.
  EXPECT_EQ(ToHostForm((prefix.dir.path() / "drive_c" / "Données").string()),
            "C:\\Donn\xe9"
            "es");
  EXPECT_EQ(ToHostForm("/srv/Données"),
            "Z:\\srv\\Donn\xe9"
            "es");
}

TEST(HostPath, CaseFoldsThroughTheHostsCodePage) {
  FakePrefix prefix;
  const std::string c = (prefix.dir.path() / "dosdevices" / "c:").string();
  fs::create_directories(prefix.dir.path() / "drive_c" / "Škoda");
  fs::create_directories(prefix.dir.path() / "drive_c" / "Œuvres");
  fs::create_directories(prefix.dir.path() / "drive_c" / "Žatec");
  fs::create_directories(prefix.dir.path() / "drive_c" / "2×3");
  // The capitals above 0x80 that have small letters in the host's code page fold to them.
  EXPECT_EQ(HostPath("C:\\\x9a"
                     "koda"),
            c + "/Škoda");
  EXPECT_EQ(HostPath("C:\\\x9c"
                     "uvres"),
            c + "/Œuvres");
  EXPECT_EQ(HostPath("C:\\\x9e"
                     "atec"),
            c + "/Žatec");
  // The multiplication sign sits among the capitals but is no letter: the division sign is not
  // its small form, so a name written with one never finds a file named with the other.
  EXPECT_EQ(HostPath("C:\\2\xf7"
                     "3"),
            c + "/2÷3");
}

TEST(HostPath, PathsStayOnTheirDrive) {
  FakePrefix prefix;
  const std::string c = (prefix.dir.path() / "dosdevices" / "c:").string();
  // Windows stops ".." at the drive's root.
  EXPECT_EQ(HostPath("C:\\..\\..\\x"), c + "/x");
  EXPECT_EQ(HostPath("C:\\..\\x"), c + "/x");  // one ".." alone, which nothing pops again
  EXPECT_EQ(HostPath("C:\\VData\\..\\..\\..\\VData\\.\\Logs"), c + "/VData/Logs");
  // A rooted path without a drive letter is on the host's drive C, not at the Linux root.
  EXPECT_EQ(HostPath("\\VData"), c + "/VData");
  EXPECT_EQ(HostPath("\\Vtnote.dat"), c + "/Vtnote.dat");
  EXPECT_EQ(HostPath("\\"), c + "/");

  // The drive's own prefix without its slash still keeps every letter of what follows it; the
  // drive's current folder is not known here, so the name is taken from the drive's root.
  EXPECT_EQ(HostPath("C:VData"), c + "/VData");
  EXPECT_EQ(HostPath("c:VData\\Logs"), c + "/VData/Logs");
  EXPECT_EQ(HostPath("C:..\\VData"), c + "/VData");
  EXPECT_EQ(HostPath("C:"), c);
  EXPECT_EQ(HostPath("C:\\"), c + "/");
  EXPECT_EQ(HostPath("C:\\VData\\"), c + "/VData/");
  // A network share is on no drive: it is not to be looked for on drive C.
  EXPECT_EQ(HostPath("\\\\server\\share\\x"), "//server/share/x");
  // A colon after something other than a letter makes no drive.
  EXPECT_EQ(HostPath("1:\\x"), "1:/x");

  EXPECT_TRUE(IsPlainHostFileName("Field Day.profile"));
  EXPECT_TRUE(IsPlainHostFileName("Caf\xe9"));
  for (const char* bad : {"", ".", "..", "../../../../tmp/x", "..\\x", "C:x", "a/b", "a\\b"})
    EXPECT_FALSE(IsPlainHostFileName(bad)) << bad;
}

TEST(HostPath, TheClosestDriveNamesALocalPath) {
  FakePrefix prefix;
  // Drive D: is a folder inside drive C's folder; its files are D: files to the host.
  fs::create_directories(prefix.dir.path() / "drive_c" / "data" / "logs");
  fs::create_directory_symlink("../drive_c/data", prefix.dir.path() / "dosdevices" / "d:");
  EXPECT_EQ(ToHostForm((prefix.dir.path() / "drive_c" / "data" / "logs").string()), "D:\\logs");
  EXPECT_EQ(ToHostForm((prefix.dir.path() / "drive_c" / "VData").string()), "C:\\VData");
  EXPECT_EQ(ToHostForm((prefix.dir.path() / "drive_c" / "data").string()), "D:\\");
  // A drive holds whole folder names: "drive_c2" is not inside "drive_c".
  fs::create_directories(prefix.dir.path() / "drive_c2" / "x");
  EXPECT_EQ(ToHostForm((prefix.dir.path() / "drive_c2" / "x").string()).rfind("Z:\\", 0), 0u);
  // Two drives on one folder: the first letter names it, whichever the folder lists first.
  fs::create_directory_symlink("../drive_c", prefix.dir.path() / "dosdevices" / "g:");
  fs::create_directory_symlink("../drive_c", prefix.dir.path() / "dosdevices" / "e:");
  EXPECT_EQ(ToHostForm((prefix.dir.path() / "drive_c" / "VData").string()), "C:\\VData");
}
