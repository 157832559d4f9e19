#pragma once
// A station in a scratch folder for the viewer's benchmarks: a program folder, a data folder
// whose profile sends the logs to data/logs, where the notes file is, and a sound that plays
// nothing, so no figure waits on an audio device.

#include <filesystem>
#include <string>

#include "FileLib.h"
#include "SoundPlayer.h"
#include "TestKit.h"

namespace cadro::bench {

class SilentPlayer final : public SoundPlayer {
public:
  bool PlayAsync(const std::string&) override { return true; }
};

struct Station {
  // `profileExtra`: more profile lines, each ending in CR LF.
  explicit Station(const std::string& root, const std::string& profileExtra = {})
      : lib(ts.eventLog, root + "/program") {
    std::filesystem::create_directories(root + "/program");
    std::filesystem::create_directories(root + "/data/logs");
    lib.SetDataPath(root + "/data");
    testing::WriteFileBytes(root + "/data/Vantrel.profile",
                            "Version=3.4.0 c5\r\nDirLogs=" + root + "/data/logs\r\n" + profileExtra);
    notes = root + "/data/logs/Vtnote.dat";
  }
  testing::TestServices ts;
  testing::MemorySettingsStore user;
  FileLib lib;
  SilentPlayer sound;
  std::string notes;
};

}  // namespace cadro::bench
