#include "TypingRules.h"

#include <cmath>
#include <cstdio>

#include "WholeNumber.h"

namespace cadro::form {
namespace {

constexpr std::string_view kIssueChars = "abcdefghijklmnopqrstuvwxyz0123456789+-&%.,;/\\(){}[]<>?'-=_ ";
constexpr std::string_view kAddressChars = "abcdefghijklmnopqrstuvwxyz0123456789+-&%.,;/\\(){}[]<>? ";
constexpr std::string_view kPlateChars = "abcdefghijklmnopqrstuvwxyz0123456789+-&%.,;/\\(){}[]<>? *";

// A number as an operator types it for minutes: optional blanks, an optional sign, digits with
// an optional fraction, rounded to whole minutes; nothing when the text is anything else or too
// long to be meant as minutes.
std::optional<long long> ParseMinutes(std::string_view text) {
  const WholeNumber n =
      ReadWholeNumber(text, {.min = -999999999999, .max = 999999999999, .decimalSeparator = '.'});
  if (!n) return std::nullopt;
  return n.value;
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
