#include "CommandLine.h"

#include "StringLib.h"

namespace cadro::addlaunch {

CommandLineValues SplitCommandLine(std::string_view text) {
  CommandLineValues values;
  if (text.empty()) return values;
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  values.count = static_cast<int>(parts.size());
  if (values.ok()) {
    values.action = std::string(TrimSpaces(parts[0]));
    values.loaderFile = std::string(TrimSpaces(parts[1]));
  }
  return values;
}

std::string CommandLineHelp(int count) {
  return "Only " + std::to_string(count) +
         " Command Line arguments found.  Format is:\r\n1. install | uinstall\r\n2. loader File Name";
}

bool IsInstallAction(std::string_view action) {
  return action == "install";
}

std::string InstallerCommandText(const std::vector<std::string>& arguments) {
  std::string text;
  for (const std::string& a : arguments) {
    if (!text.empty()) text += ' ';
    text += a;
  }
  return text;
}

}  // namespace cadro::addlaunch
