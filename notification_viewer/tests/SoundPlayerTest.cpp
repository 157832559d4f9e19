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

class RecordingLauncher final : public SoundLauncher {
public:
  bool Busy() const override { return busy; }
  void Launch(const std::string& program, const std::vector<std::string>& arguments) override {
    launched.push_back(program);
    launched.insert(launched.end(), arguments.begin(), arguments.end());
    ++starts;
  }
  bool busy = false;
  int starts = 0;
  std::vector<std::string> launched;
};

// A sound output and a player program of the test's own.
struct SoundWorld {
  SoundWorld() {
    fs::create_directories(dir.path() / "bin");
    fs::create_directories(dir.path() / "program");
    cadro::testing::WriteFileBytes(dir.File("program/bell.wav"), "RIFF");
    savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PULSE_SERVER", "unix:/nowhere", 1);
    ::setenv("PATH", dir.File("bin").c_str(), 1);
  }
  ~SoundWorld() {
    ::unsetenv("PULSE_SERVER");
    ::setenv("PATH", savedPath.c_str(), 1);
  }
  void AddPlayer(const std::string& name) const {
    cadro::testing::WriteFileBytes(dir.File("bin/" + name), "#!/bin/sh\n");
    fs::permissions(dir.path() / "bin" / name, fs::perms::owner_all);
  }
  cadro::testing::TempDir dir;
  std::string savedPath;
};
}  // namespace

TEST(SystemSoundPlayer, StartsThePlayerItselfOneSoundAtATime) {
  SoundWorld world;
  world.AddPlayer("paplay");
  RecordingLauncher launcher;
  cadro::testing::RecordingEventLog log;
  SystemSoundPlayer player({world.dir.File("program")}, launcher, log);
  EXPECT_TRUE(player.PlayAsync("bell.wav"));
  // The player program with the file as its argument: no shell between them.
  EXPECT_EQ(launcher.launched,
            (std::vector<std::string>{world.dir.File("bin/paplay"), world.dir.File("program/bell.wav")}));
  launcher.busy = true;  // still playing: the next sound does not start over it
  EXPECT_TRUE(player.PlayAsync("bell.wav"));
  EXPECT_EQ(launcher.starts, 1);
  EXPECT_TRUE(log.entries.empty());
}

TEST(SystemSoundPlayer, EachReasonASoundCannotPlayIsLoggedOnce) {
  SoundWorld world;  // no player program on the PATH
  RecordingLauncher launcher;
  cadro::testing::RecordingEventLog log;
  SystemSoundPlayer player({world.dir.File("program")}, launcher, log);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(player.PlayAsync("bell.wav"));
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_NE(log.entries[0].find("no player program"), std::string::npos);
  EXPECT_EQ(launcher.starts, 0);

  // No sound server and (on this machine) no sound card: the entry says so, whole.
  ::unsetenv("PULSE_SERVER");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedRuntime = runtime ? runtime : "";
  ::setenv("XDG_RUNTIME_DIR", world.dir.File("program").c_str(), 1);
  if (!SystemSoundPlayer::OutputExists()) {
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(player.PlayAsync("bell.wav"));
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(
        log.entries[1],
        "VtDevice:WinPlaySound, cannot play bell.wav: this machine has no sound output (no PulseAudio or "
        "PipeWire server, no sound card); the beep stands in");
  }
  if (runtime) {
    ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
  } else {
    ::unsetenv("XDG_RUNTIME_DIR");
  }
}

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
  RecordingLauncher launcher;
  cadro::testing::RecordingEventLog log;
  SystemSoundPlayer player({dir.File("program")}, launcher, log);
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
