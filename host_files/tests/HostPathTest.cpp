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

TEST(HostPath, DriveZIsTheRootEvenWithoutWine) {
  cadro::testing::TempDir empty;
  ::setenv("WINEPREFIX", empty.str().c_str(), 1);
  EXPECT_EQ(HostPath(ToHostForm("/srv/data/logs")), "/srv/data/logs");
  ::unsetenv("WINEPREFIX");
}
