#pragma once
// The loader's own log, logs/Addlaunch.log beside the program: a start-up block per run, then
// one stamped line per event. The file is opened and closed for every line, so a crash loses
// nothing; a failure switches logging off for the rest of the run after telling the user once.

#include <string>
#include <string_view>

#include "Platform.h"

namespace cadro::addlaunch {

// "07-Dec 08:24:37"
std::string LogStamp(const LocalTime& t, const UserLocale& locale);

class LoaderLog {
public:
  LoaderLog(std::string logFile, const Clock& clock, const UserLocale& locale, Prompts& prompts);

  // Writes the start-up block; logging stays off when that fails (the folder is never created).
  void SetupLog(const std::string& loaderVersion);
  void WriteLog(std::string_view routine);

  bool enabled() const { return enabled_; }
  const std::string& file() const { return logFile_; }

private:
  std::string logFile_;
  const Clock& clock_;
  const UserLocale& locale_;
  Prompts& prompts_;
  bool enabled_ = false;
};

}  // namespace cadro::addlaunch
