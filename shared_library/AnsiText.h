#pragma once
// Files shared with the host are ANSI text (Windows-1252). The core keeps them as bytes and
// never re-encodes; windows convert at the widget boundary with these two functions.

#include <string>
#include <string_view>

namespace cadro {

// Appends one code point as UTF-8. Surrogates and values past U+10FFFF, which UTF-8 cannot
// carry, become "?".
void AppendUtf8(std::string& out, char32_t codePoint);

// Windows-1252 bytes to UTF-8. The five bytes the code page leaves undefined map to the C1
// controls of the same value, as Windows does, so every byte survives a round trip.
std::string AnsiToUtf8(std::string_view ansi);

// UTF-8 to Windows-1252. A character the code page cannot hold becomes "?", and so does each
// byte of a malformed UTF-8 sequence: nothing is dropped silently.
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace cadro
