#pragma once
// The daily session log: <program folder>/logs/Cadro_yymmdd.log, appended to by every run of the
// day (the call-taking program writes a header block at start, the report printer does not).
//
//   SessionLog log(ProgramFolder(), services);
//   log.SetupLog(true);             // fixes today's path, writes the header, enables logging
//   log.WriteLog("Report saved");   // "07-Dec-26 08:30:05: Report saved"
//
// A failure shows its box through Prompts once and switches logging off for the rest of the
// run; nothing is ever thrown to the caller. The path stays the one of the day SetupLog ran.

#include <string>
#include <string_view>

#include "Platform.h"

namespace cadro {

class SessionLog {
public:
  SessionLog(std::string programFolder, Services& services);

  void SetupLog(bool withHeader);
  void WriteLog(std::string_view text);

  bool Enabled() const { return enabled_; }
  const std::string& LogPath() const { return path_; }

  // "dd-mmm-yy hh:mm:ss" with the month abbreviated in the user's language.
  static std::string TimeStamp(const LocalTime& t, const UserLocale& locale);

private:
  std::string programFolder_;
  Services& services_;
  std::string path_;
  bool enabled_ = false;
};

}  // namespace cadro
