#include "GeneralLib.h"

#include "StringLib.h"

namespace cadro {

char AnsiUpper(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
  // Latin-1 letters; 0xF7 is the division sign and 0xFF has its capital at 0x9F.
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
  switch (u) {
    case 0x9A: return static_cast<char>(0x8A);  // s caron
    case 0x9C: return static_cast<char>(0x8C);  // oe
    case 0x9E: return static_cast<char>(0x8E);  // z caron
    case 0xFF: return static_cast<char>(0x9F);  // y diaeresis
    default: return c;
  }
}

int FilterKey(int keyCode, std::string_view allowed, bool allowBackspace, Prompts& prompts) {
  constexpr int kBackspace = 8;
  if (keyCode == kBackspace && allowBackspace) return keyCode;
  if (keyCode > 0 && keyCode < 256) {
    const char typed = AnsiUpper(static_cast<char>(keyCode));
    for (const char c : allowed) {
      if (AnsiUpper(c) == typed) return keyCode;
    }
  }
  prompts.Beep();
  return 0;
}

std::string WrapLines(std::string_view text) {
  constexpr std::size_t kLongest = 78;
  constexpr std::size_t kPiece = 77;
  std::string out;
  out.reserve(text.size() + text.size() / kPiece * 3 + 2);
  while (!text.empty()) {
    const std::string line = GetLine(text);
    if (line.size() <= kLongest) {
      out += line;
      out += "\r\n";
      continue;
    }
    for (std::size_t pos = 0; pos < line.size(); pos += kPiece) {
      const std::string_view piece = std::string_view(line).substr(pos, kPiece);
      out += piece;
      out += piece.size() == kPiece ? "=\r\n" : "\r\n";
    }
  }
  return TrimTrailingNewlines(out);
}

}  // namespace cadro
