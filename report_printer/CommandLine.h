#pragma once
// The report printer's command line: option words, each optionally followed by a bare word or a
// text in double quotes ("~" and two hex digits inside quotes stand for one character).

#include <string>
#include <vector>

namespace cadro {

struct CommandLineOptions {
  std::string formFileName;     // -fdf
  std::string dataFileName;     // -ddf
  std::string targetPrinter;    // -ptr; empty means the default printer
  bool applyAutoPrint = false;  // -apt
  bool closeWhenDone = false;   // -cwd
};

struct ParsedCommandLine {
  CommandLineOptions options;
  std::string listing;  // one "option => value" line (CR LF) per option word, for the progress box
};

// Never rejects anything: unknown options and their values are ignored, a missing value leaves
// the setting empty, option names are matched exactly (capitals are not recognised).
ParsedCommandLine ParseCommandLine(const std::string& commandLine);

// "~" and the two characters after it become the character of that hexadecimal code (leading hex
// digits count; none gives code 0).
std::string DecodeEscapes(const std::string& text);

// Rebuilds one command line from a program's arguments: an argument that holds a blank, a
// double quote or nothing at all is quoted, with "~", the quote and bytes that cannot stand in
// a line written as escapes, so that the parser gives back exactly that argument.
std::string JoinArguments(const std::vector<std::string>& arguments);

}  // namespace cadro
