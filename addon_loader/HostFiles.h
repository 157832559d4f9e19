#pragma once
// Paths as the host names them, and where the loader looks for the host.
//
// The loader speaks the host's language: the folders it finds and shows are Windows paths
// ("C:\Program Files\Vantrel"), and so are the data directory from Vantrel.conf and the loader
// file an installer names. Only at the moment a file is touched does such a path become a
// local one. Strings are ANSI bytes like the rest of the core; the file system wants UTF-8.

#include <array>
#include <string>
#include <string_view>

namespace cadro::addlaunch {

// The local file-system path of a host path (through Wine's drive links for "X:\..." paths;
// a native absolute path stays as it is).
std::string LocalPath(std::string_view hostPath);

// `folder` & "\" & `name` in the folder's own style: a native folder gets "/".
std::string JoinHostPath(std::string_view folder, std::string_view name);

// A local folder as the host would name it: "C:\..." on one of Wine's drives; any other
// folder keeps its native form, which LocalPath maps back unchanged.
std::string HostFormOfFolder(std::string_view localFolder);

// FileExists for a host path: a normal file, not a folder, not hidden.
bool HostFileExists(std::string_view hostPath);

// The folders the host's installer uses, in the order they are searched.
inline constexpr std::array<std::string_view, 4> kDefaultHostDirs = {
    "C:\\Program Files\\Vantrel",
    "C:\\Program Files (x86)\\Vantrel",
    "C:\\Program Files\\Wrenco Packet",
    "C:\\Program Files (x86)\\Wrenco Packet",
};

// Every default folder that holds a Vantrel.conf, joined with CR LF, in search order.
std::string FindHostDirs();

}  // namespace cadro::addlaunch
