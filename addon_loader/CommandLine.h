#pragma once
// The loader's command line: one text holding the action and the loader file, separated by a
// comma ("install,C:\Addons\Sample.local").

#include <string>
#include <string_view>
#include <vector>

namespace cadro::addlaunch {

struct CommandLineValues {
  int count = 0;  // values found; an empty text holds none
  std::string action;
  std::string loaderFile;
  bool ok() const { return count == 2; }
};

// Splits at every ",". With exactly two values, both are taken with their surrounding spaces
// removed.
CommandLineValues SplitCommandLine(std::string_view text);

// The help box shown when the count is wrong.
std::string CommandLineHelp(int count);

// Only the exact word registers the add-on; anything else ("Install", "remove") takes it away.
bool IsInstallAction(std::string_view action);

// The program's arguments as the single text an installer meant: a path with spaces arrives
// split into several arguments, and joining them with one space restores it.
std::string InstallerCommandText(const std::vector<std::string>& arguments);

}  // namespace cadro::addlaunch
