#pragma once
// The host runs under Wine and speaks Windows paths in its own code page. These helpers are the
// one boundary between the two worlds: a path read from a host file (Windows-1252 bytes) becomes
// a local file name (UTF-8), and a local path becomes the host's form for writing into its files.
// Every program that touches a host path goes through them.

#include <string>
#include <string_view>

namespace cadro {

// Wine's prefix: $WINEPREFIX, else ~/.wine.
std::string WinePrefix();

// A host path as the host's files hold it (Windows-1252 bytes) -> a local file name (UTF-8).
// "C:\VData\logs" -> "<prefix>/dosdevices/c:/VData/logs"; each component that does not exist with
// that exact case is matched case-insensitively against what is on disk, as the host would see it.
// "." and ".." are resolved as Windows does: ".." never climbs above the drive's root. A rooted
// path without a drive letter ("\x", "\") is on drive C, the host's own drive. An absolute native
// path ("/...") keeps its place; other backslashes become "/".
std::string HostPath(std::string_view hostPath);

// The reverse, for paths written back into host files: a path on one of Wine's drives becomes
// "X:\..." (the drive whose folder holds it most closely, when drives nest); any other absolute
// path is given through drive Z:, which Wine maps to "/". The result is Windows-1252 bytes.
std::string ToHostForm(std::string_view localPath);

// True when `name` (host bytes) can only name a file in the folder it is joined to: not empty,
// no "\", "/" or ":", and not "." or "..".
bool IsPlainHostFileName(std::string_view name);

// The per-user data folder that stands in for APPDATA: $XDG_DATA_HOME, else ~/.local/share.
std::string PerUserDataFolder();

// $HOME, or the password database's home when HOME is unset.
std::string HomeFolder();

}  // namespace cadro
