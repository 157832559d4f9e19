#include "CadroIni.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "FileIO.h"
#include "ProgramIdentity.h"
#include "RunError.h"
#include "StringLib.h"
#include "WholeNumber.h"

namespace cadro {
namespace {

constexpr const char* kCrLf = "\r\n";

enum class Key { Nam, Uid, Loc, Cty, Lid, Eno, Lvf, Hst, Prt, Nto, Enc };

std::optional<Key> FindKey(std::string_view k) {
  static constexpr std::pair<std::string_view, Key> kKeys[] = {
      {"Nam", Key::Nam}, {"Uid", Key::Uid}, {"Loc", Key::Loc}, {"Cty", Key::Cty},
      {"Lid", Key::Lid}, {"Eno", Key::Eno}, {"Lvf", Key::Lvf}, {"Hst", Key::Hst},
      {"Prt", Key::Prt}, {"Nto", Key::Nto}, {"Enc", Key::Enc}};
  for (const auto& [name, key] : kKeys) {
    if (name == k) return key;
  }
  return std::nullopt;
}

// A whole number written with optional surrounding spaces and sign. 0 when it parsed; otherwise
// the error number: 13 when it is not a number, 6 when it does not fit.
template <typename Int>
int ParseWhole(std::string_view text, Int& out) {
  const WholeNumber n =
      ReadWholeNumber(text, {.min = std::numeric_limits<Int>::min(), .max = std::numeric_limits<Int>::max()});
  if (n) out = static_cast<Int>(n.value);
  return n.error;
}

// A font size in the user's number format; a point is taken too, since a file may come from a
// station with another format. Only finite sizes above zero are sizes.
int ParseSize(std::string_view text, char decimalSeparator, float& out) {
  std::string t(TrimSpaces(text));
  if (!t.empty() && t.front() == '+') t.erase(0, 1);
  if (decimalSeparator != '.') {
    for (char& c : t) {
      if (c == decimalSeparator) c = '.';
    }
  }
  if (t.empty() || t.find_first_not_of("0123456789.-") != std::string::npos) return err::kTypeMismatch;
  float v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
  if (ec == std::errc::result_out_of_range) return err::kOverflow;
  if (ec != std::errc() || end != t.data() + t.size()) return err::kTypeMismatch;
  if (!std::isfinite(v) || v <= 0) return err::kOverflow;
  out = v;
  return 0;
}

}  // namespace

std::string FormatFontSize(float size, char decimalSeparator) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, size, std::chars_format::fixed);
  std::string text = ec == std::errc() ? std::string(buf, end) : std::string("10");
  for (char& c : text) {
    if (c == '.') c = decimalSeparator;
  }
  return text;
}

std::string ComposeIni(const StationSettings& s, char decimalSeparator) {
  std::string out;
  out.reserve(256);
  const auto line = [&out](std::string_view a, std::string_view b = {}) {
    out.append(a).append(b).append(kCrLf);
  };
  line("[", std::string(kProgramTitle) + "]");
  line("Version=", ProgramVersion());
  line("");
  line("[GENERAL OPTIONS]");
  line("Nam=", s.Nam);
  line("Uid=", s.Uid);
  line("Loc=", s.Loc);
  line("Cty=", s.Cty);
  line("Lid=", s.Lid);
  line("Eno=", std::to_string(s.Eno));
  line("Lvf=", FormatFontSize(s.Lvf, decimalSeparator));
  line("Hst=", s.Hst);
  line("Prt=", s.Prt);
  line("Nto=", std::to_string(s.Nto));
  line("Enc=", s.Enc);
  return out;
}

std::vector<SkippedIniLine> ApplyIni(std::string_view text, StationSettings& s, char decimalSeparator) {
  std::vector<SkippedIniLine> skipped;
  int lineNumber = 0;
  while (!text.empty()) {
    const std::string line = GetLine(text);
    ++lineNumber;
    if (line.empty() || line.front() == '[') continue;
    const std::size_t eq = line.find('=');
    const std::string_view keyText = TrimSpaces(std::string_view(line).substr(0, eq));
    const std::optional<Key> key = FindKey(keyText);
    if (!key) continue;
    if (eq == std::string::npos) {
      skipped.push_back({lineNumber, err::kInvalidArgument, std::string(keyText), line});
      continue;
    }
    const std::string value = line.substr(eq + 1);
    int failure = 0;
    switch (*key) {
      case Key::Nam: s.Nam = value; break;
      case Key::Uid: s.Uid = value; break;
      case Key::Loc: s.Loc = value; break;
      case Key::Cty: s.Cty = value; break;
      case Key::Lid: s.Lid = value; break;
      case Key::Hst: s.Hst = value; break;
      case Key::Prt: s.Prt = value; break;
      case Key::Enc: s.Enc = value; break;
      case Key::Eno: failure = ParseWhole(value, s.Eno); break;
      case Key::Lvf: failure = ParseSize(value, decimalSeparator, s.Lvf); break;
      case Key::Nto: {
        std::int16_t nto = 0;
        failure = ParseWhole(value, nto);
        // A time-out of zero or less would fail every delivery at once.
        if (failure == 0 && nto <= 0) failure = err::kOverflow;
        if (failure == 0) s.Nto = nto;
        break;
      }
    }
    if (failure != 0) skipped.push_back({lineNumber, failure, std::string(keyText), line});
  }
  return skipped;
}

CadroIni::CadroIni(std::string iniPath, Services& services)
    : path_(std::move(iniPath)), services_(services) {}

void CadroIni::SetIdentity(const StationSettings& from) {
  values_.Nam = from.Nam;
  values_.Uid = from.Uid;
  values_.Loc = from.Loc;
  values_.Cty = from.Cty;
  values_.Lid = from.Lid;
  values_.Eno = from.Eno;
}

void CadroIni::SetLinkSettings(const StationSettings& from) {
  values_.Hst = from.Hst;
  values_.Prt = from.Prt;
  values_.Nto = from.Nto;
  values_.Enc = from.Enc;
}

void CadroIni::SetIniDefaults() {
  values_ = StationSettings{};
}

void CadroIni::ReadIni() {
  SetIniDefaults();
  unreadable_.clear();
  if (!PathExists(path_)) {
    WriteIni();
    if (!PathExists(path_)) return;
  }
  std::string text;
  try {
    text = ReadWholeFile(path_);
  } catch (const RunError& e) {
    services_.eventLog.Error(e.NumberAndDescription() + "; CadroIni:ReadIni, FileName = " + path_ +
                             ", Step = 2");
    services_.prompts.Message(std::string("CadroIni:ReadIni, Step=2") + kCrLf + "Problems reading '" + path_ +
                                  "'; the station settings start from their defaults" + kCrLf +
                                  "Error=" + e.NumberAndDescription(),
                              kProgramTitle, PromptIcon::Exclamation);
    return;
  }
  const std::vector<SkippedIniLine> skipped = ApplyIni(text, values_, services_.locale.DecimalSeparator());
  // What stands in for a skipped line is known only once every line is read: a later line of
  // the same key may still set it.
  for (const SkippedIniLine& s : skipped) {
    const std::string used = UsedValueText(s.key);
    services_.eventLog.Error(
        MakeRunError(s.errorNumber).NumberAndDescription() + "; CadroIni:ReadIni, FileName = " + path_ +
        ", Step = 3, Line = " + std::to_string(s.lineNumber) + " (" + s.key + ") skipped, " + used + " used");
    // A line of any length is named by its start; the rest is in the file.
    constexpr std::size_t kShown = 40;
    const std::string shown = s.line.size() > kShown ? s.line.substr(0, kShown) + "..." : s.line;
    unreadable_.push_back(shown + " (line " + std::to_string(s.lineNumber) + ") could not be read; " + used +
                          " is used");
  }
}

std::string CadroIni::UsedValueText(std::string_view key) const {
  switch (FindKey(key).value_or(Key::Nam)) {
    case Key::Eno: return std::to_string(values_.Eno);
    case Key::Lvf: return FormatFontSize(values_.Lvf, services_.locale.DecimalSeparator());
    case Key::Nto: return std::to_string(values_.Nto);
    case Key::Nam: return "\"" + values_.Nam + "\"";
    case Key::Uid: return "\"" + values_.Uid + "\"";
    case Key::Loc: return "\"" + values_.Loc + "\"";
    case Key::Cty: return "\"" + values_.Cty + "\"";
    case Key::Lid: return "\"" + values_.Lid + "\"";
    case Key::Hst: return "\"" + values_.Hst + "\"";
    case Key::Prt: return "\"" + values_.Prt + "\"";
    case Key::Enc: return "\"" + values_.Enc + "\"";
  }
  return {};
}

bool CadroIni::WriteIni() {
  try {
    WriteFileAtomic(path_, ComposeIni(values_, services_.locale.DecimalSeparator()));
    return true;
  } catch (const RunError& e) {
    ReportWriteFailure(e.NumberAndDescription(), 2);
    return false;
  }
}

void CadroIni::ReportWriteFailure(const std::string& numberAndDescription, int step) {
  services_.eventLog.Error(numberAndDescription + "; CadroIni:WriteIni, FileName = " + path_ +
                           ", Step = " + std::to_string(step));
  if (writeFailureShown_) return;
  writeFailureShown_ = true;
  services_.prompts.Message("CadroIni:WriteIni, Step=" + std::to_string(step) + kCrLf + "Problems saving '" +
                                path_ +
                                "'; station settings and event numbers are not kept until it can be "
                                "written again" +
                                kCrLf + "Error=" + numberAndDescription,
                            kProgramTitle, PromptIcon::Exclamation);
}

std::optional<std::int16_t> CadroIni::NextEventNumber() {
  return NextEventNumber([](std::int16_t) { return false; });
}

std::optional<std::int16_t> CadroIni::NextEventNumber(const std::function<bool(std::int16_t)>& taken) {
  if (values_.Eno < 0 || values_.Eno > std::numeric_limits<std::int16_t>::max()) {
    const std::string eno = std::to_string(values_.Eno);
    services_.eventLog.Error(MakeRunError(err::kOverflow).NumberAndDescription() +
                             "; CadroIni:NextEventNumber, Eno = " + eno);
    services_.prompts.Message(std::string("CadroIni:NextEventNumber") + kCrLf + "The next event number " +
                                  eno + " is outside 0 to 32767; no event number was given out" + kCrLf +
                                  "Set the Next Event No in Setup > Location ID",
                              kProgramTitle, PromptIcon::Exclamation);
    return std::nullopt;
  }
  // A number set back (a restored file, a lower number typed, an unreadable or unwritable file)
  // must not hand out an event ID that names a stored report.
  std::int32_t number = values_.Eno;
  while (number <= std::numeric_limits<std::int16_t>::max() && taken(static_cast<std::int16_t>(number)))
    ++number;
  if (number > std::numeric_limits<std::int16_t>::max()) {
    const std::string eno = std::to_string(values_.Eno);
    services_.eventLog.Error(MakeRunError(err::kOverflow).NumberAndDescription() +
                             "; CadroIni:NextEventNumber, Eno = " + eno +
                             ", every number up to 32767 is taken");
    services_.prompts.Message(std::string("CadroIni:NextEventNumber") + kCrLf + "Every event number from " +
                                  eno + " to 32767 names a stored report; no event number was given out" +
                                  kCrLf + "Set the Next Event No in Setup > Location ID",
                              kProgramTitle, PromptIcon::Exclamation);
    return std::nullopt;
  }
  values_.Eno = number + 1;
  WriteIni();
  return static_cast<std::int16_t>(number);
}

}  // namespace cadro
