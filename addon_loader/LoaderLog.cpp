#include "LoaderLog.h"

#include "FileIO.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro::addlaunch {
namespace {

const std::string kRule(51, '-');

}  // namespace

std::string LogStamp(const LocalTime& t, const UserLocale& locale) {
  return TwoDigits(t.day) + "-" + locale.MonthAbbrev(t.month) + " " + TwoDigits(t.hour) + ":" +
         TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

LoaderLog::LoaderLog(std::string logFile, const Clock& clock, const UserLocale& locale, Prompts& prompts)
    : logFile_(std::move(logFile)), clock_(clock), locale_(locale), prompts_(prompts) {}

void LoaderLog::SetupLog(const std::string& loaderVersion) {
  enabled_ = false;
  try {
    const std::string block = kRule + "\r\n" + LogStamp(clock_.Now(), locale_) + ": Addlaunch " +
                              loaderVersion + "\r\n" + kRule + "\r\n";
    AppendToFile(logFile_, block);
    enabled_ = true;
  } catch (const RunError& e) {
    prompts_.Message("SetupLog Error " + std::to_string(e.number) + ", " + e.description +
                     "Could not start Session logging");
  }
}

void LoaderLog::WriteLog(std::string_view routine) {
  if (!enabled_) return;
  try {
    const std::string line = LogStamp(clock_.Now(), locale_) + ": " + std::string(TrimSpaces(routine));
    AppendToFile(logFile_, std::string(TrimSpaces(line)) + "\r\n");
  } catch (const RunError& e) {
    enabled_ = false;
    prompts_.Message("SetupLog Error " + std::to_string(e.number) + ", " + e.description +
                     "; Could not write to the session log file; disabled session logging");
  }
}

}  // namespace cadro::addlaunch
