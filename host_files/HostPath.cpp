#include "HostPath.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "StringLib.h"

namespace cadro {
namespace fs = std::filesystem;
namespace {

bool IsDrivePath(std::string_view p) {
  return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

// Appends one component to `base`, preferring an existing entry that differs only in case.
fs::path AppendComponent(const fs::path& base, const std::string& name) {
  fs::path exact = base / name;
  std::error_code ec;
  if (name == "." || name == ".." || fs::exists(exact, ec)) return exact;
  const std::string want = AsciiLower(name);
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    if (AsciiLower(it->path().filename().string()) == want) return it->path();
  }
  return exact;
}

}  // namespace

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string WinePrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
  return (fs::path(HomeFolder()) / ".wine").string();
}

std::string PerUserDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
  return (fs::path(HomeFolder()) / ".local" / "share").string();
}

std::string HostPath(std::string_view hostPath) {
  if (!hostPath.empty() && hostPath.front() == '/') return std::string(hostPath);
  std::string rest(hostPath);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  if (!IsDrivePath(rest)) return rest;

  fs::path result = fs::path(WinePrefix()) / "dosdevices" / AsciiLower(rest.substr(0, 2));
  // Drive Z: is Wine's view of "/"; without a prefix (no Wine installed) it still means "/", so a
  // local path written into a host file in the host's form finds its way back.
  std::error_code zec;
  if (AsciiLower(rest.substr(0, 2)) == "z:" && !fs::exists(result, zec)) result = "/";
  std::size_t pos = 2;
  while (pos <= rest.size()) {
    const std::size_t slash = rest.find('/', pos);
    const std::string part = rest.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
    if (!part.empty()) result = AppendComponent(result, part);
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  std::string out = result.string();
  if (rest.size() > 2 && rest.back() == '/' && out.back() != '/') out += '/';
  return out;
}

std::string ToHostForm(std::string_view localPath) {
  std::error_code ec;
  const fs::path local = fs::weakly_canonical(fs::path(localPath), ec);
  const std::string localText = ec ? std::string(localPath) : local.string();
  const fs::path devices = fs::path(WinePrefix()) / "dosdevices";
  for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string drive = it->path().filename().string();
    if (drive.size() != 2 || drive[1] != ':' || drive == "z:") continue;
    std::error_code ec2;
    const std::string root = fs::canonical(it->path(), ec2).string();
    if (ec2 || root.empty()) continue;
    if (localText == root || localText.rfind(root + "/", 0) == 0) {
      std::string tail = localText.substr(root.size());
      std::replace(tail.begin(), tail.end(), '/', '\\');
      std::string letter(1, static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0]))));
      return letter + ":" + (tail.empty() ? "\\" : tail);
    }
  }
  std::string tail = localText;
  std::replace(tail.begin(), tail.end(), '/', '\\');
  return "Z:" + tail;
}

}  // namespace cadro
