#pragma once
// The start-up of the viewer before its window: where the host keeps its data.

#include <string>

#include "FileLib.h"
#include "Platform.h"

namespace cadro {

// The host data folder for a viewer in `fileLib`'s program folder, stored in `fileLib` too. A
// Vantrel.conf that cannot be read is reported in one message box (FileLib has logged it), and
// the viewer goes on with the folder it takes when no configuration names one.
std::string StartupDataPath(FileLib& fileLib, Prompts& prompts, const std::string& programTitle);

}  // namespace cadro
