#pragma once
// The one reader of whole numbers written as text: settings files, reports, the host's files,
// dialog boxes and stored window layouts all go through it, so "+-1", "--1", "1x" or "1 2" mean
// the same thing everywhere (nothing) and every format differs only in the few rules below.
//
//   ReadWholeNumber(" 42 ")                               -> 42
//   ReadWholeNumber("+-1")                                -> error 13, not -1
//   ReadWholeNumber("70000", {.min = -32768, .max = 32767}) -> error 6
//   ReadWholeNumber("2.5", {.decimalSeparator = '.'})    -> 2 (halves go to the even number)

#include <limits>
#include <string_view>

namespace cadro {

struct WholeNumberRules {
  long long min = std::numeric_limits<long long>::min();
  long long max = std::numeric_limits<long long>::max();
  // One leading "+" or "-". Without it only digits are a number.
  bool allowSign = true;
  // Spaces before and after the number. Without it the text must be the number alone.
  bool trimBlanks = true;
  // When set, a fraction after this character is taken and rounded half to even, as the classic
  // conversion of the files' own platform does ("2.5" -> 2, "3.5" -> 4, ".4" -> 0).
  char decimalSeparator = '\0';
};

struct WholeNumber {
  long long value = 0;
  // 0 when the text is a number within the rules' range; 13 (type mismatch) when it is not a
  // number at all; 6 (overflow) when it is one outside the range.
  int error = 0;
  explicit operator bool() const { return error == 0; }
  long long ValueOr(long long fallback) const { return error == 0 ? value : fallback; }
};

WholeNumber ReadWholeNumber(std::string_view text, const WholeNumberRules& rules = {});

}  // namespace cadro
