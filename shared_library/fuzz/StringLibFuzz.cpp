// Splits arbitrary bytes with GetLine, GetWord and GetBuffer and wraps them with WrapLines,
// checking what each promises: nothing is lost or invented, the buffer always shrinks, the view
// and string forms agree, and no wrapped line is longer than 78 characters. The same bytes, read
// as UTF-8, go to the host's code page: no plain ASCII byte comes out that was not typed as one
// (a disguised "/" or NUL in a file name), and the code page's text always comes back whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "AnsiText.h"
#include "GeneralLib.h"
#include "StringLib.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckLines(std::string_view input) {
  std::string withoutLf;
  std::remove_copy(input.begin(), input.end(), std::back_inserter(withoutLf), '\n');
  std::string_view view = input;
  std::string str(input);
  std::string joined;  // each line and the CR that ended it, if one did
  while (!view.empty()) {
    const std::size_t before = view.size();
    const bool endsAtCr = view.find('\r') != std::string_view::npos;
    const std::string line = cadro::GetLine(view);
    Check(cadro::GetLine(str) == line && str == view);
    Check(view.size() < before);
    Check(line.find_first_of("\r\n") == std::string::npos);
    joined += line;
    if (endsAtCr) joined += '\r';
  }
  Check(joined == withoutLf);
}

void CheckWords(std::string_view input) {
  std::string withoutSpaces;
  std::remove_copy(input.begin(), input.end(), std::back_inserter(withoutSpaces), ' ');
  std::string_view view = input;
  std::string str(input);
  std::string joined;
  while (!view.empty()) {
    const std::size_t before = view.size();
    const std::string word = cadro::GetWord(view);
    Check(cadro::GetWord(str) == word && str == view);
    Check(word.find(' ') == std::string::npos);
    Check(view.empty() || view.front() == ' ');
    Check(view.size() < before || word.empty());
    if (word.empty()) Check(view.empty());
    joined += word;
  }
  Check(joined == withoutSpaces);
}

void CheckBuffer(std::string_view input, std::ptrdiff_t count) {
  std::string_view view = input;
  const std::string piece = cadro::GetBuffer(count, view);
  Check(piece.size() == std::min<std::size_t>(input.size(), count < 0 ? 0 : static_cast<std::size_t>(count)));
  Check(piece + std::string(view) == std::string(input));
}

void CheckWrap(std::string_view input) {
  const std::string wrapped = cadro::WrapLines(input);
  Check(wrapped.empty() || (wrapped.back() != '\r' && wrapped.back() != '\n'));
  std::string_view rest = wrapped;
  while (!rest.empty()) {
    const std::size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    Check(line.size() <= 78);
    Check(line.find('\r') == std::string_view::npos && line.find('\n') == std::string_view::npos);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
  }
}

void CheckCodePage(std::string_view input) {
  const std::string ansi = cadro::Utf8ToAnsi(input);
  Check(ansi.size() <= input.size());
  std::size_t typed[128] = {};
  std::size_t given[128] = {};
  for (const char c : input)
    if (static_cast<unsigned char>(c) < 0x80) ++typed[static_cast<unsigned char>(c)];
  for (const char c : ansi)
    if (static_cast<unsigned char>(c) < 0x80) ++given[static_cast<unsigned char>(c)];
  for (int c = 0; c < 128; ++c)
    if (c != '?') Check(given[c] == typed[c]);
  Check(cadro::Utf8ToAnsi(cadro::AnsiToUtf8(input)) == std::string(input));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckLines(input);
  CheckWords(input);
  CheckBuffer(input, size == 0 ? 0 : static_cast<std::int8_t>(data[0]));
  CheckWrap(input);
  CheckCodePage(input);
  return 0;
}
