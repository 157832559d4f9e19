// Two checks of the user.reg reader on arbitrary bytes:
//  - the bytes as a whole registry file: the reader returns or finds nothing, never anything else;
//  - the bytes as a value (Windows-1252): written the way Wine writes a string value, they read
//    back exactly, whatever controls, quotes, backslashes or accented letters they hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "AnsiText.h"
#include "WineRegistry.h"

namespace {

// A string as Wine saves it: controls by their letter escapes, other controls and everything past
// ASCII as \x with hex digits (four when a hex digit follows), backslash and quote escaped.
std::string WineEscaped(const std::u32string& text) {
  static const char escapes[33] = ".......abtnvfr.............e....";
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (c < 32 && escapes[c] != '.') {
      out += '\\';
      out += escapes[c];
    } else if (c < 32 || c > 126) {
      const char32_t next = i + 1 < text.size() ? text[i + 1] : 0;
      const bool hexFollows =
          (next >= '0' && next <= '9') || (next >= 'a' && next <= 'f') || (next >= 'A' && next <= 'F');
      char buf[16];
      std::snprintf(buf, sizeof buf, hexFollows ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
      out += buf;
    } else {
      if (c == '\\' || c == '"') out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::u32string CodePoints(const std::string& utf8) {
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = n == 1 ? b : b & (0x3F >> (n - 1));
    for (int k = 1; k < n && i + k < utf8.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out += c;
    i += static_cast<std::size_t>(n);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string key = cadro::ProgramSettingsKey("Vantrel Packet Message Manager", "Settings");
  (void)cadro::FindWineRegistryString(bytes, key, "ProfName");

  // Wine holds no line breaks inside a value line, and the host's value is ANSI text.
  const std::string value = bytes;
  const std::string reg =
      "WINE REGISTRY Version 2\n\n"
      "[Software\\\\VB and VBA Program Settings\\\\Vantrel Packet Message Manager\\\\Settings] 1\n"
      "\"ProfName\"=\"" +
      WineEscaped(CodePoints(cadro::AnsiToUtf8(value))) + "\"\n";
  const auto read = cadro::FindWineRegistryString(reg, key, "ProfName");
  if (!read || *read != value) std::abort();
  return 0;
}
