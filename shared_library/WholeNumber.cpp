#include "WholeNumber.h"

#include "RunError.h"

namespace cadro {

WholeNumber ReadWholeNumber(std::string_view text, const WholeNumberRules& rules) {
  const auto fail = [](int error) { return WholeNumber{0, error}; };
  if (rules.trimBlanks) {
    const std::size_t first = text.find_first_not_of(' ');
    text = first == std::string_view::npos ? std::string_view()
                                           : text.substr(first, text.find_last_not_of(' ') - first + 1);
  }
  std::size_t i = 0;
  bool negative = false;
  if (rules.allowSign && i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Large enough for every long long, small enough that one more digit cannot overflow.
  constexpr unsigned long long kCap = 1'000'000'000'000'000'000ULL;
  unsigned long long whole = 0;
  bool huge = false;
  bool anyDigit = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    anyDigit = true;
    if (whole >= kCap) {
      huge = true;
    } else {
      whole = whole * 10 + static_cast<unsigned>(text[i] - '0');
    }
  }
  int firstFraction = -1;
  bool restNonZero = false;
  if (rules.decimalSeparator != '\0' && i < text.size() && text[i] == rules.decimalSeparator) {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      anyDigit = true;
      if (firstFraction < 0) {
        firstFraction = text[i] - '0';
      } else if (text[i] != '0') {
        restNonZero = true;
      }
    }
  }
  if (!anyDigit || i != text.size()) return fail(err::kTypeMismatch);
  if (huge) return fail(err::kOverflow);
  if (firstFraction > 5 || (firstFraction == 5 && (restNonZero || whole % 2 == 1))) ++whole;
  // |LLONG_MIN| is one more than LLONG_MAX; whole is below 10^19 here, so the sum stays exact.
  if (negative ? whole > static_cast<unsigned long long>(std::numeric_limits<long long>::max()) + 1
               : whole > static_cast<unsigned long long>(std::numeric_limits<long long>::max())) {
    return fail(err::kOverflow);
  }
  const long long value = negative ? static_cast<long long>(0ULL - whole) : static_cast<long long>(whole);
  if (value < rules.min || value > rules.max) return fail(err::kOverflow);
  return WholeNumber{value, 0};
}

}  // namespace cadro
