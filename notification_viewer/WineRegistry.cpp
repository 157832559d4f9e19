#include "WineRegistry.h"

#include "AnsiText.h"
#include "FileIO.h"
#include "HostPath.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro {
namespace {

// Reads a quoted, escaped string starting at text[pos] == '"' into UTF-8; pos ends after the
// closing quote. False when the string is not closed.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& utf8) {
  if (pos >= text.size() || text[pos] != '"') return false;
  ++pos;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == '"') return true;
    if (c != '\\' || pos >= text.size()) {
      utf8 += c;
      continue;
    }
    // The escapes Wine writes for control characters, as it reads them back.
    const char e = text[pos++];
    switch (e) {
      case 'a': utf8 += '\a'; break;
      case 'b': utf8 += '\b'; break;
      case 'e': utf8 += '\x1b'; break;
      case 'f': utf8 += '\f'; break;
      case 'n': utf8 += '\n'; break;
      case 'r': utf8 += '\r'; break;
      case 't': utf8 += '\t'; break;
      case 'v': utf8 += '\v'; break;
      case 'x': {
        unsigned long cp = 0;
        int digits = 0;
        for (int d; digits < 4 && pos < text.size() && (d = HexDigitValue(text[pos])) >= 0; ++digits, ++pos)
          cp = cp * 16 + d;
        AppendUtf8(utf8, static_cast<char32_t>(digits ? cp : 'x'));
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          unsigned long cp = static_cast<unsigned long>(e - '0');
          for (int digits = 1; digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7';
               ++digits) {
            cp = cp * 8 + static_cast<unsigned long>(text[pos++] - '0');
          }
          AppendUtf8(utf8, static_cast<char32_t>(cp));
        } else {
          utf8 += e;  // \\ and \" and anything else stand for themselves
        }
    }
  }
  return false;
}

}  // namespace

std::string ProgramSettingsKey(const std::string& app, const std::string& section) {
  return "Software\\VB and VBA Program Settings\\" + app + "\\" + section;
}

std::optional<std::string> FindWineRegistryString(std::string_view regText, std::string_view keyPath,
                                                  std::string_view name) {
  // Key names are written with each backslash doubled.
  std::string wantedKey;
  for (const char c : keyPath) wantedKey += c == '\\' ? std::string("\\\\") : std::string(1, c);
  wantedKey = AsciiLower(wantedKey);
  const std::string wantedName = AsciiLower(name);
  bool inKey = false;
  std::optional<std::string> found;
  while (!regText.empty()) {
    const std::size_t nl = regText.find('\n');
    std::string_view line = regText.substr(0, nl);
    regText = nl == std::string_view::npos ? std::string_view() : regText.substr(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.rfind(']');
      inKey = close != std::string_view::npos && AsciiLower(line.substr(1, close - 1)) == wantedKey;
      continue;
    }
    if (!inKey || line.empty() || line.front() != '"') continue;
    std::size_t pos = 0;
    std::string valueName;
    if (!ReadQuoted(line, pos, valueName) || AsciiLower(Utf8ToAnsi(valueName)) != wantedName) continue;
    if (pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    std::string value;
    if (pos < line.size() && line[pos] == '"' && ReadQuoted(line, pos, value)) found = Utf8ToAnsi(value);
  }
  return found;
}

WineRegistrySettings::WineRegistrySettings(std::string userReg, SettingsStore& fallback)
    : userReg_(std::move(userReg)), fallback_(fallback) {}

std::optional<std::string> WineRegistrySettings::Get(const std::string& app, const std::string& section,
                                                     const std::string& key) const {
  try {
    if (PathExists(userReg_)) {
      if (auto value =
              FindWineRegistryString(ReadWholeFile(userReg_), ProgramSettingsKey(app, section), key)) {
        return value;
      }
    }
  } catch (const RunError&) {
    // An unreadable registry is as good as none: the fallback answers.
  }
  return fallback_.Get(app, section, key);
}

void WineRegistrySettings::Set(const std::string& app, const std::string& section, const std::string& key,
                               const std::string& value) {
  fallback_.Set(app, section, key, value);
}

}  // namespace cadro
