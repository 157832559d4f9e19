#include <gtest/gtest.h>

#include <string>

#include "RunError.h"
#include "WholeNumber.h"

using namespace cadro;

namespace {
long long Value(std::string_view text, const WholeNumberRules& rules = {}) {
  const WholeNumber n = ReadWholeNumber(text, rules);
  EXPECT_TRUE(n) << "'" << text << "' was refused with " << n.error;
  return n.value;
}
int Error(std::string_view text, const WholeNumberRules& rules = {}) {
  return ReadWholeNumber(text, rules).error;
}
}  // namespace

TEST(ReadWholeNumber, TakesOneSignDigitsAndBlanksAround) {
  EXPECT_EQ(Value("0"), 0);
  EXPECT_EQ(Value("  42 "), 42);
  EXPECT_EQ(Value("+7"), 7);
  EXPECT_EQ(Value("-1"), -1);
  EXPECT_EQ(Value("-0"), 0);
  EXPECT_EQ(Value("000123"), 123);
  EXPECT_EQ(Value("9223372036854775807"), std::numeric_limits<long long>::max());
  EXPECT_EQ(Value("-9223372036854775808"), std::numeric_limits<long long>::min());
}

// A second sign once slipped through every reader that dropped a "+" and then asked a library
// for a signed number: "+-1" became -1 and an event number or a printed position went negative.
TEST(ReadWholeNumber, RefusesEverythingThatIsNotExactlyANumber) {
  for (const char* bad : {"", " ", "+", "-", "+-1", "-+1", "--1", "++1", "1x", "x1", "1 2", "1-", "0x10",
                          "1e3", "\t1", "1.", ".5", "1,000", "١"}) {
    EXPECT_EQ(Error(bad), err::kTypeMismatch) << "'" << bad << "'";
  }
  EXPECT_EQ(Error("+-1", {.decimalSeparator = '.'}), err::kTypeMismatch);
  EXPECT_EQ(Error("- 1"), err::kTypeMismatch);
  EXPECT_EQ(Error("1.2.3", {.decimalSeparator = '.'}), err::kTypeMismatch);
  EXPECT_EQ(Error(".", {.decimalSeparator = '.'}), err::kTypeMismatch);
}

TEST(ReadWholeNumber, RangesAndHugeNumbersOverflow) {
  const WholeNumberRules int16{.min = -32768, .max = 32767};
  EXPECT_EQ(Value("32767", int16), 32767);
  EXPECT_EQ(Value("-32768", int16), -32768);
  EXPECT_EQ(Error("32768", int16), err::kOverflow);
  EXPECT_EQ(Error("-32769", int16), err::kOverflow);
  EXPECT_EQ(Error("9223372036854775808"), err::kOverflow);
  EXPECT_EQ(Error("-9223372036854775809"), err::kOverflow);
  EXPECT_EQ(Error(std::string(400, '9')), err::kOverflow);
  EXPECT_EQ(Error(std::string(400, '9') + "x"), err::kTypeMismatch) << "not a number before too big";
  EXPECT_EQ(ReadWholeNumber("7", {.min = 10, .max = 20}).ValueOr(15), 15);
  EXPECT_EQ(ReadWholeNumber("abc").ValueOr(100), 100);
}

TEST(ReadWholeNumber, OptionsNarrowOrWidenOnlyWhatTheyName) {
  const WholeNumberRules digitsOnly{.allowSign = false};
  EXPECT_EQ(Value("12", digitsOnly), 12);
  EXPECT_EQ(Error("+12", digitsOnly), err::kTypeMismatch);
  EXPECT_EQ(Error("-12", digitsOnly), err::kTypeMismatch);
  const WholeNumberRules exact{.trimBlanks = false};
  EXPECT_EQ(Error(" 12", exact), err::kTypeMismatch);
  EXPECT_EQ(Error("12 ", exact), err::kTypeMismatch);

  // Fractions round half to even, on either side of zero, with the separator given.
  const WholeNumberRules point{.decimalSeparator = '.'};
  EXPECT_EQ(Value("2.5", point), 2);
  EXPECT_EQ(Value("3.5", point), 4);
  EXPECT_EQ(Value("2.50001", point), 3);
  EXPECT_EQ(Value("-2.5", point), -2);
  EXPECT_EQ(Value("-2.7", point), -3);
  EXPECT_EQ(Value(".4", point), 0);
  EXPECT_EQ(Value("5.", point), 5);
  EXPECT_EQ(Value("-2,7", {.decimalSeparator = ','}), -3);
  EXPECT_EQ(Error("2.5", {.decimalSeparator = ','}), err::kTypeMismatch);
  EXPECT_EQ(Error("32767.5", {.min = -32768, .max = 32767, .decimalSeparator = '.'}), err::kOverflow);
  // Rounding up can carry the largest number past what the type holds.
  EXPECT_EQ(Error("9223372036854775807.5", point), err::kOverflow);
  EXPECT_EQ(Error("9223372036854775807.6", point), err::kOverflow);
  EXPECT_EQ(Value("-9223372036854775807.5", point), std::numeric_limits<long long>::min());
  EXPECT_EQ(Error("-9223372036854775808.6", point), err::kOverflow);
}
