#pragma once
// The host runs under Wine and speaks Windows paths. These helpers turn a path read from a host
// file into a local one, and a local path back into the host's form for writing into its files.

#include <string>
#include <string_view>

namespace cadro {

// Wine's prefix: $WINEPREFIX, else ~/.wine.
std::string WinePrefix();

// "C:\VData\logs" -> "<prefix>/dosdevices/c:/VData/logs". Each component that does not exist
// with that exact case is matched case-insensitively against what is on disk, as the host would
// see it. An absolute native path ("/...") is returned as it is; other backslashes become "/".
std::string HostPath(std::string_view hostPath);

// The reverse, for paths written back into host files: a path on one of Wine's drives becomes
// "X:\..."; any other absolute path is given through drive Z:, which Wine maps to "/".
std::string ToHostForm(std::string_view localPath);

// The per-user data folder that stands in for APPDATA: $XDG_DATA_HOME, else ~/.local/share.
std::string PerUserDataFolder();

// $HOME, or the password database's home when HOME is unset.
std::string HomeFolder();

}  // namespace cadro
