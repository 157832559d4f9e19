#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "SoundPlayer.h"
#include "TestKit.h"

using namespace cadro;
namespace fs = std::filesystem;

namespace {
class FailingPlayer final : public SoundPlayer {
public:
  bool PlayAsync(const std::string& file) override {
    asked = file;
    return false;
  }
  std::string asked;
};
}  // namespace

TEST(VtDevice, BeepsWhenTheSoundCannotPlay) {
  cadro::testing::ScriptedPrompts prompts;
  FailingPlayer player;
  VtDevice device(player, prompts);
  EXPECT_FALSE(device.WinPlaySound("sound136.wav"));
  EXPECT_EQ(player.asked, "sound136.wav");
  EXPECT_EQ(prompts.beeps, 1);
}

TEST(SystemSoundPlayer, FindsSoundsWhereTheHostWouldLook) {
  cadro::testing::TempDir dir;
  fs::create_directories(dir.path() / "wine" / "drive_c" / "windows" / "Media");
  fs::create_directories(dir.path() / "wine" / "dosdevices");
  fs::create_directory_symlink("../drive_c", dir.path() / "wine" / "dosdevices" / "c:");
  ::setenv("WINEPREFIX", (dir.path() / "wine").c_str(), 1);
  fs::create_directories(dir.path() / "program");
  cadro::testing::WriteFileBytes(dir.File("program/bell.wav"), "RIFF");
  cadro::testing::WriteFileBytes(dir.File("wine/drive_c/windows/Media/sound136.wav"), "RIFF");
  SystemSoundPlayer player({dir.File("program")});
  EXPECT_EQ(player.Resolve("bell.wav"), dir.File("program/bell.wav"));
  EXPECT_TRUE(
      fs::equivalent(player.Resolve("sound136.wav"), dir.File("wine/drive_c/windows/Media/sound136.wav")));
  EXPECT_TRUE(fs::equivalent(player.Resolve("C:\\WINDOWS\\media\\Sound136.wav"),
                             dir.File("wine/drive_c/windows/Media/sound136.wav")));
  // Nowhere to be found: the default sound of the desktop, if it has one, stands in.
  const std::string missing = player.Resolve("nothing.wav");
  EXPECT_TRUE(missing.empty() || missing.rfind("/usr/share/sounds/", 0) == 0) << missing;
  ::unsetenv("WINEPREFIX");
}
