#pragma once
// The station the alert tests open the viewer on: a program folder, a data folder whose profile
// keeps the logs (and the notes file) in data/logs, and a sound that plays nothing.

#include <QLocale>
#include <filesystem>
#include <string>

#include "FileLib.h"
#include "SoundPlayer.h"
#include "TestKit.h"

namespace cadro::testing {

class QuietPlayer final : public SoundPlayer {
public:
  bool PlayAsync(const std::string&) override { return true; }
};

// Lays the station out in `dir` for `lib`; captions and dates in US English, whatever the
// machine's locale.
inline void LayOutAlertsStation(const TempDir& dir, FileLib& lib) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  std::filesystem::create_directories(dir.path() / "program");
  std::filesystem::create_directories(dir.path() / "data" / "logs");
  lib.SetDataPath(dir.File("data"));
  WriteFileBytes(dir.File("data/Vantrel.profile"), "Version=3.4.0 c5\r\nDirLogs=+DATA_PATH\\logs\r\n");
}

}  // namespace cadro::testing
