#include "CommandLine.h"

#include <algorithm>
#include <cstdio>

#include "StringLib.h"

namespace cadro {
namespace {

std::string RemoveQuotes(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c != '"') out.push_back(c);
  }
  return out;
}

}  // namespace

std::string DecodeEscapes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '~') {
      out.push_back(text[i]);
      continue;
    }
    int code = 0;
    const std::size_t taken = std::min<std::size_t>(2, text.size() - i - 1);
    for (std::size_t k = 0; k < taken; ++k) {
      const int d = HexDigitValue(text[i + 1 + k]);
      if (d < 0) break;
      code = code * 16 + d;
    }
    out.push_back(static_cast<char>(code));
    i += taken;
  }
  return out;
}

ParsedCommandLine ParseCommandLine(const std::string& commandLine) {
  ParsedCommandLine parsed;
  CommandLineOptions& o = parsed.options;
  std::string_view rest(commandLine);
  while (!rest.empty()) {
    const std::string word = GetWord(rest);
    if (TrimSpaces(word).substr(0, 1) != "-") continue;  // a stray word is skipped
    rest = TrimSpaces(rest);
    std::string value;
    std::string line;
    if (!rest.empty() && rest.front() == '-') {
      line = word + " => <blank>";
    } else if (!rest.empty() && rest.front() == '"') {
      const std::size_t close = rest.find('"', 1);
      if (close != std::string_view::npos) {
        value = DecodeEscapes(std::string(rest.substr(0, close + 1)));
        rest.remove_prefix(close + 1);
      }
      line = word + " => " + value;
    } else {
      value = GetWord(rest);
      line = word + " => " + value;
    }
    value = std::string(TrimSpaces(RemoveQuotes(value)));
    if (word == "-fdf") o.formFileName = value;
    if (word == "-ddf") o.dataFileName = value;
    if (word == "-ptr") o.targetPrinter = value;
    if (word == "-apt") o.applyAutoPrint = true;
    if (word == "-cwd") o.closeWhenDone = true;
    parsed.listing += line + "\r\n";
  }
  return parsed;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& arg : arguments) {
    if (!line.empty()) line += ' ';
    const bool plain = !arg.empty() && arg.find_first_of(" \"\t\r\n") == std::string::npos;
    if (plain) {
      line += arg;
      continue;
    }
    line += '"';
    for (const char c : arg) {
      const auto u = static_cast<unsigned char>(c);
      if (c == '~' || c == '"' || u < 0x20) {
        char escape[4];
        std::snprintf(escape, sizeof escape, "~%02X", u);
        line += escape;
      } else {
        line += c;
      }
    }
    line += '"';
  }
  return line;
}

}  // namespace cadro
