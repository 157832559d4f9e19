#include "TypingRules.h"

#include <cmath>
#include <cstdio>

namespace cadro::form {
namespace {

constexpr std::string_view kIssueChars = "abcdefghijklmnopqrstuvwxyz0123456789+-&%.,;/\\(){}[]<>?'-=_ ";
constexpr std::string_view kAddressChars = "abcdefghijklmnopqrstuvwxyz0123456789+-&%.,;/\\(){}[]<>? ";
constexpr std::string_view kPlateChars = "abcdefghijklmnopqrstuvwxyz0123456789+-&%.,;/\\(){}[]<>? *";

bool IsWordSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\0';
}

// A number as an operator types it for minutes: optional blanks, an optional sign, digits with
// an optional fraction. Rounded to whole minutes; nothing when the text is anything else or too
// long to be meant as minutes.
std::optional<long long> ParseMinutes(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  bool negative = false;
  if (text.front() == '-' || text.front() == '+') {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  std::string_view whole = text.substr(0, digits);
  std::string_view fraction;
  if (digits < text.size()) {
    if (text[digits] != '.') return std::nullopt;
    fraction = text.substr(digits + 1);
    for (char c : fraction)
      if (c < '0' || c > '9') return std::nullopt;
  }
  if (whole.empty() && fraction.empty()) return std::nullopt;
  if (whole.size() > 12) return std::nullopt;
  double value = 0;
  for (char c : whole) value = value * 10 + (c - '0');
  double scale = 0.1;
  for (char c : fraction.substr(0, 6)) {
    value += (c - '0') * scale;
    scale /= 10;
  }
  const long long rounded = std::llround(value);
  return negative ? -rounded : rounded;
}

}  // namespace

std::optional<std::string_view> AllowedCharacters(BoxId box) {
  if (box.group == BoxGroup::Header) {
    if (box.index == 0) return kIssueChars;
    if (box.index >= 1 && box.index <= 5) return kAddressChars;
  }
  // The plate box tells the operator to write "*" for a character not seen, so it takes "*".
  if (box.group == BoxGroup::Law && box.index == 4) return kPlateChars;
  if (box.group == BoxGroup::Law && box.index >= 1 && box.index <= 5) return kAddressChars;
  return std::nullopt;
}

bool UppercasesTypedKeys(BoxId box) {
  return box.group == BoxGroup::Law && (box.index == 4 || box.index == 5);
}

bool ProperCasesOnLeave(BoxId box) {
  if (box.group == BoxGroup::Header) return (box.index >= 0 && box.index <= 4) || box.index == 8;
  if (box.group == BoxGroup::Law) return box.index == 1 || box.index == 3;
  return false;
}

char UpperAnsi(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
  switch (b) {
    case 0x9A: return static_cast<char>(0x8A);  // s caron
    case 0x9C: return static_cast<char>(0x8C);  // oe
    case 0x9E: return static_cast<char>(0x8E);  // z caron
    case 0xFF: return static_cast<char>(0x9F);  // y diaeresis
    default: return c;
  }
}

char LowerAnsi(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<char>(b + 32);
  switch (b) {
    case 0x8A: return static_cast<char>(0x9A);
    case 0x8C: return static_cast<char>(0x9C);
    case 0x8E: return static_cast<char>(0x9E);
    case 0x9F: return static_cast<char>(0xFF);
    default: return c;
  }
}

std::string ProperCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool wordStart = true;
  for (char c : text) {
    if (IsWordSeparator(c)) {
      wordStart = true;
      out += c;
      continue;
    }
    out += wordStart ? UpperAnsi(c) : LowerAnsi(c);
    wordStart = false;
  }
  return out;
}

std::string LastSeenTime(std::string_view text, const LocalTime& now) {
  if (text.find(':') != std::string_view::npos) return std::string(text);
  const std::optional<long long> minutes = ParseMinutes(text);
  if (!minutes) return std::string(text);
  constexpr long long kDay = 24 * 60;
  long long clock = (now.hour * 60LL + now.minute + *minutes) % kDay;
  if (clock < 0) clock += kDay;
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d", static_cast<int>(clock / 60),
                static_cast<int>(clock % 60));
  return buffer;
}

std::string DetailsForBox(std::string_view stored) {
  std::string out;
  out.reserve(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] == '\\' && i + 1 < stored.size() && stored[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += stored[i];
    }
  }
  return out;
}

std::string DetailsFromBox(std::string_view boxText) {
  std::string out;
  out.reserve(boxText.size());
  for (std::size_t i = 0; i < boxText.size(); ++i) {
    const char c = boxText[i];
    if (c == '\r') {
      if (i + 1 < boxText.size() && boxText[i + 1] == '\n') ++i;
      out += "\\n";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace cadro::form
