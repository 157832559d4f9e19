#pragma once
// CadroIni: the station settings of Cadrocts and their file Cadrocts.ini in the program folder.
// One object per running program holds the program-wide values; the windows, the entry form and
// the direct link read them from here.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

namespace cadro {

struct StationSettings {
  std::string Nam;                // operator's name
  std::string Uid;                // operator's user ID / call sign, stamped into reports
  std::string Loc;                // this station's location, stamped into reports
  std::string Cty;                // city of this station
  std::string Lid;                // location ID (at most 3 characters) for event IDs
  std::int32_t Eno = 100;         // next event number
  float Lvf = 10.0F;              // incident list font size, points
  std::string Hst = "127.0.0.1";  // direct-entry server host
  std::string Prt = "9334";       // its TCP port, kept as text
  std::int16_t Nto = 5000;        // network time-out, milliseconds
  std::string Enc = "BASE64";     // message encoding: "NONE" or "BASE64"

  bool operator==(const StationSettings&) const = default;
};

// A line of the file that was skipped because its value could not be used.
struct SkippedIniLine {
  int lineNumber;   // 1-based
  int errorNumber;  // 5 no "=", 13 not a number, 6 out of range
  std::string key;
  std::string line;  // as written
};

// The file's bytes for `s`, every line ending in CR LF. `Lvf` uses the user's decimal separator.
std::string ComposeIni(const StationSettings& s, char decimalSeparator);

// Applies every known "key=value" line of `text` to `s`. A known key whose line has no "=", or
// whose number does not parse or fit, leaves the value as it was and is listed in the result.
std::vector<SkippedIniLine> ApplyIni(std::string_view text, StationSettings& s, char decimalSeparator);

// `Lvf` text in the shortest decimal form ("10", "10.5" or "10,5").
std::string FormatFontSize(float size, char decimalSeparator);

// The one owner of the station settings. Windows read them through Values() and hand back what
// an operator confirmed through the setters; each setter changes only the values its dialog
// edits, so two windows cannot undo each other's changes. The file is written at the moments
// listed at WriteIni's callers, never by a setter.
class CadroIni {
public:
  CadroIni(std::string iniPath, Services& services);

  const StationSettings& Values() const { return values_; }

  // The station dialog's values: Nam, Uid, Loc, Cty, Lid and Eno.
  void SetIdentity(const StationSettings& from);
  // The preferences dialog's values: Hst, Prt, Nto and Enc.
  void SetLinkSettings(const StationSettings& from);
  void SetListFontSize(float size) { values_.Lvf = size; }
  // Every value at once (a restored or prepared set).
  void SetValues(const StationSettings& values) { values_ = values; }

  const std::string& path() const { return path_; }

  void SetIniDefaults();

  // Defaults, then the file: created with the defaults when missing. Malformed lines are skipped
  // (one event-log entry each); an unreadable file keeps the defaults and is reported.
  void ReadIni();

  // What the last ReadIni could not use, one line of text each: the setting as written and the
  // value used in its place ("Eno=abc (line 6) could not be read; 100 is used"). Empty when
  // every line was usable.
  const std::vector<std::string>& UnreadableSettings() const { return unreadable_; }

  // Rewrites the file whole from `values`. A failure goes to the event log every time and to the
  // operator once per run, and the program carries on; false then.
  bool WriteIni();

  // The current `Eno`, after which `Eno` grows by one and the file is written. An `Eno` outside
  // 0..32767 cannot become an event number: it is reported, left as it is, and nothing is
  // returned, so the caller must not start a report.
  std::optional<std::int16_t> NextEventNumber();
  // The same, passing over every number for which `taken` is true (a report with the event ID it
  // would form exists). When no number up to 32767 is free, that is reported and nothing is
  // returned.
  std::optional<std::int16_t> NextEventNumber(const std::function<bool(std::int16_t)>& taken);

private:
  void ReportWriteFailure(const std::string& numberAndDescription, int step);
  // The value of `key` now, as the file would hold it (texts in quotes).
  std::string UsedValueText(std::string_view key) const;

  StationSettings values_;
  std::string path_;
  Services& services_;
  bool writeFailureShown_ = false;
  std::vector<std::string> unreadable_;
};

}  // namespace cadro
