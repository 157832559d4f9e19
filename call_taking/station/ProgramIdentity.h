#pragma once
// Who the call-taking program is: its title names the per-user settings, heads Cadrocts.ini and
// starts the main window's caption; its version goes into captions, log headers and files.

#include <string>

namespace cadro {

inline constexpr const char* kProgramTitle = "Cadro Call Taking System";
inline constexpr const char* kIniFileName = "Cadrocts.ini";

// "3.4.5": major, minor and revision of this build.
std::string ProgramVersion();

// Program title + " v" + version: the main window's caption.
std::string MainCaption();

}  // namespace cadro
