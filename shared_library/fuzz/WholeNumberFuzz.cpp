// Reads arbitrary bytes as whole numbers under every combination of rules and checks what the
// reader promises: a number it takes is within the range and reads back the same when written
// out plainly, a text with two signs or any stray character is never a number, and a plain
// number without fraction agrees with the standard library.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "WholeNumber.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool IsPlainInteger(std::string_view t) {
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) t.remove_prefix(1);
  return !t.empty() && t.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte picks the rules, the rest is the text.
  const std::uint8_t choice = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  cadro::WholeNumberRules rules;
  rules.allowSign = (choice & 1) != 0;
  rules.trimBlanks = (choice & 2) != 0;
  rules.decimalSeparator = (choice & 4) != 0 ? '.' : ((choice & 8) != 0 ? ',' : '\0');
  if ((choice & 16) != 0) {
    rules.min = -32768;
    rules.max = 32767;
  }
  const cadro::WholeNumber n = cadro::ReadWholeNumber(text, rules);
  Check(n.error == 0 || n.error == 13 || n.error == 6);
  if (!n) return 0;
  Check(n.value >= rules.min && n.value <= rules.max);
  const std::string back = std::to_string(n.value);
  const cadro::WholeNumber again = cadro::ReadWholeNumber(back, rules);
  Check(n.value < 0 && !rules.allowSign ? !again : (again && again.value == n.value));
  // Never two signs, never a stray character.
  std::string_view t = text;
  if (rules.trimBlanks) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  }
  Check(t.find_first_not_of("0123456789+-.,") == std::string_view::npos);
  if (t.size() >= 2) Check(!((t[0] == '+' || t[0] == '-') && (t[1] == '+' || t[1] == '-')));
  if (IsPlainInteger(t)) {
    if (t.front() == '+') t.remove_prefix(1);
    long long expected = 0;
    const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), expected);
    Check(ec == std::errc() && end == t.data() + t.size() && expected == n.value);
  }
  return 0;
}
