#include "CadroLogLib.h"

#include <new>

#include "CadroVersion.h"
#include "FileIO.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro {
namespace {

constexpr std::string_view kRule = "---------------------------------------------------";

std::string WithoutCrLfPairs(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    out += text[i];
  }
  return out;
}

}  // namespace

SessionLog::SessionLog(std::string programFolder, Services& services)
    : programFolder_(std::move(programFolder)), services_(services) {}

std::string SessionLog::TimeStamp(const LocalTime& t, const UserLocale& locale) {
  return TwoDigits(t.day) + "-" + locale.MonthAbbrev(t.month) + "-" + TwoDigits(t.year) + " " +
         TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

void SessionLog::SetupLog(bool withHeader) {
  enabled_ = false;
  try {
    const LocalTime now = services_.clock.Now();
    path_ = JoinPath(JoinPath(programFolder_, "logs"),
                     "Cadro_" + TwoDigits(now.year) + TwoDigits(now.month) + TwoDigits(now.day) + ".log");
    std::string header;
    if (withHeader) {
      header.append(kRule).append("\r\n");
      header.append(TimeStamp(now, services_.locale))
          .append(": Cadro v")
          .append(kProgramVersion)
          .append("\r\n");
      header.append(kRule).append("\r\n");
    }
    AppendToFile(path_, header);  // also creates the file when there is no header to write
    enabled_ = true;
  } catch (...) {
    const RunError e = CurrentRunError();
    services_.prompts.Message(
        "SetupLog Error " + e.NumberAndDescription() + "Could not start Addclient logging", {},
        PromptIcon::Exclamation);
  }
}

void SessionLog::WriteLog(std::string_view text) {
  if (!enabled_) return;
  try {
    std::string line = TimeStamp(services_.clock.Now(), services_.locale) + ": " + WithoutCrLfPairs(text);
    line = std::string(TrimSpaces(line)) + "\r\n";
    AppendToFile(path_, line);
  } catch (...) {
    enabled_ = false;
    const RunError e = CurrentRunError();
    services_.prompts.Message("SetupLog Error " + e.NumberAndDescription() +
                                  "; Could not write to the session log file; disabled session logging",
                              {}, PromptIcon::Exclamation);
  }
}

}  // namespace cadro
