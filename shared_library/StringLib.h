#pragma once
// Helpers that consume a text buffer piece by piece. The view overloads shorten the view in
// place, so splitting a whole file costs time in proportion to its size; the std::string
// overloads keep the in/out-buffer style for callers that hold a string.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace cadro {

// The first line of the buffer: it ends at the first CR, which is consumed; LF characters are
// dropped wherever they stand in that line. Without a CR the whole buffer is the line.
std::string GetLine(std::string_view& buffer);
std::string GetLine(std::string& buffer);

// Every line of a whole text by GetLine. What follows the last CR is a line only when something
// is left of it once its LF characters are dropped, so "a\r\n" is one line and "a\r\r" two.
std::vector<std::string> GetLines(std::string_view text);

// The first word: leading spaces are skipped, then characters are taken up to the next space.
// The buffer keeps that space; without a further space it becomes empty.
std::string GetWord(std::string_view& buffer);
std::string GetWord(std::string& buffer);

// The first `count` characters (fewer when the buffer is shorter); the buffer loses them.
std::string GetBuffer(std::ptrdiff_t count, std::string_view& buffer);
std::string GetBuffer(std::ptrdiff_t count, std::string& buffer);

// The text without the CR and LF characters at its end.
std::string TrimTrailingNewlines(std::string_view text);

// Leading and trailing spaces (the space character only) removed.
std::string_view TrimSpaces(std::string_view text);

// ASCII letters only: file keys, keywords and tokens compare this way whatever the code page.
std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// The last two decimal digits of `n`, with a leading zero: the fields of every date and time
// stamp ("07", "26" for 2026).
std::string TwoDigits(int n);

// The value of one hexadecimal digit, or -1 when the character is none.
int HexDigitValue(char c);

// Every occurrence of `from` replaced by `to`, left to right; the replacement is not rescanned.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to);

}  // namespace cadro
