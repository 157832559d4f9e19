#pragma once
// Started from the desktop menu, Cadrorpt has no command line: it then asks for the message (the
// data definition file) and its form with two file choosers, and goes on as if both had been
// given with -ddf and -fdf. Started with one file (opened from a file manager), it asks only for
// the other one. The folders last chosen are kept in the user's own settings.

#include <optional>
#include <string>
#include <vector>

#include "Platform.h"

namespace cadro {

enum class DefinitionKind { Data, Form };

class DefinitionFilePicker {
public:
  virtual ~DefinitionFilePicker() = default;
  // The chosen file (the system's bytes), starting in `folder` (may be empty); nullopt when the
  // user cancelled.
  virtual std::optional<std::string> Choose(DefinitionKind kind, const std::string& folder) = 0;
};

// The command line for a start with these arguments (the system's bytes, the program name left
// out): the arguments joined as they are, unless there are none, or only one that is a file name
// (not an option); then the chooser asks for what is missing. nullopt when the user cancelled a
// chooser: there is nothing to print.
std::optional<std::string> StartCommandLine(const std::vector<std::string>& arguments,
                                            DefinitionFilePicker& picker, SettingsStore& settings);

}  // namespace cadro
