#include "StationRules.h"

#include <cmath>

#include "StringLib.h"
#include "WholeNumber.h"

namespace cadro {
namespace {

unsigned char U(char c) {
  return static_cast<unsigned char>(c);
}

bool IsWordBreak(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

// The dialogs' numbers are digits only, with blanks around them allowed.
template <typename Int>
std::optional<Int> ParseRange(std::string_view text, long long lo, long long hi) {
  const WholeNumber n = ReadWholeNumber(text, {.min = lo, .max = hi, .allowSign = false});
  if (!n) return std::nullopt;
  return static_cast<Int>(n.value);
}

}  // namespace

char AnsiLower(char c) {
  const unsigned char u = U(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  if (u == 0x8A || u == 0x8C || u == 0x8E) return static_cast<char>(u + 16);  // Š Œ Ž
  if (u == 0x9F) return static_cast<char>(0xFF);                              // Ÿ
  return c;
}

std::string UpperCaseAnsi(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AnsiUpper(c);
  return out;
}

std::string ProperCase(std::string_view text) {
  std::string out(text);
  bool startOfWord = true;
  for (char& c : out) {
    if (IsWordBreak(c)) {
      startOfWord = true;
      continue;
    }
    c = startOfWord ? AnsiUpper(c) : AnsiLower(c);
    startOfWord = false;
  }
  return out;
}

StationBoxKind StationBoxKindOf(int box) {
  switch (box) {
    case 1:
    case 3: return StationBoxKind::UpperCaseFiltered;
    case 4: return StationBoxKind::DigitsOnly;
    default: return StationBoxKind::AnyText;
  }
}

std::optional<char> StationBoxKey(int box, char typed) {
  if (typed == '\b') return typed;
  switch (StationBoxKindOf(box)) {
    case StationBoxKind::AnyText: return typed;
    case StationBoxKind::UpperCaseFiltered: {
      const char upper = AnsiUpper(typed);
      const std::string allowed = UpperCaseAnsi(kStationIdChars);
      if (allowed.find(upper) == std::string::npos) return std::nullopt;
      return upper;
    }
    case StationBoxKind::DigitsOnly:
      if (kDigitChars.find(typed) == std::string_view::npos) return std::nullopt;
      return typed;
  }
  return std::nullopt;
}

std::string FormatEventNumber(std::int32_t eno) {
  std::string digits = std::to_string(eno < 0 ? -static_cast<long long>(eno) : eno);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return eno < 0 ? "-" + digits : digits;
}

std::optional<std::int32_t> ParseEventNumber(std::string_view text) {
  return ParseRange<std::int32_t>(text, 0, kHighestEventNumber);
}

std::optional<std::int16_t> ParseTimeout(std::string_view text) {
  return ParseRange<std::int16_t>(text, kLowestTimeout, kHighestTimeout);
}

std::optional<int> ParsePort(std::string_view text) {
  return ParseRange<int>(text, 1, 65535);
}

std::string ConfigPanelText(const StationSettings& s) {
  return "Name: " + ProperCase(s.Nam) + " -- " + "UID: " + s.Uid + " -- " + "LOC: " + s.Loc;
}

float ClampListFont(float size) {
  if (!std::isfinite(size)) return kDefaultListFont;
  if (size < kSmallestListFont) return kSmallestListFont;
  if (size > kLargestListFont) return kLargestListFont;
  return size;
}

int TwipsToPixels(long twips, double dotsPerInch) {
  return static_cast<int>(std::lround(static_cast<double>(twips) * dotsPerInch / 1440.0));
}

long PixelsToTwips(int pixels, double dotsPerInch) {
  if (dotsPerInch <= 0) dotsPerInch = 96.0;
  return std::lround(static_cast<double>(pixels) * 1440.0 / dotsPerInch);
}

}  // namespace cadro
