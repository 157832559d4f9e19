#include "HostFiles.h"

#include "AnsiText.h"
#include "FileLib.h"
#include "HostPath.h"

namespace cadro::addlaunch {

std::string LocalPath(std::string_view hostPath) {
  return HostPath(hostPath);
}

std::string JoinHostPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  const char separator = (!out.empty() && out.front() == '/') ? '/' : '\\';
  if (out.empty() || out.back() != separator) out += separator;
  out.append(name);
  return out;
}

std::string HostFormOfFolder(std::string_view localFolder) {
  const std::string host = ToHostForm(localFolder);
  // Wine reaches every native path through drive Z:, but a Z: path only resolves where a real
  // prefix maps Z: to "/"; the native form is understood everywhere.
  if (host.size() >= 2 && (host[0] == 'Z' || host[0] == 'z') && host[1] == ':') {
    return Utf8ToAnsi(localFolder);
  }
  return host;
}

bool HostFileExists(std::string_view hostPath) {
  return !hostPath.empty() && FileExists(LocalPath(hostPath));
}

std::string FindHostDirs() {
  std::string found;
  for (std::string_view dir : kDefaultHostDirs) {
    if (!HostFileExists(JoinHostPath(dir, "Vantrel.conf"))) continue;
    if (!found.empty()) found += "\r\n";
    found += dir;
  }
  return found;
}

}  // namespace cadro::addlaunch
