#include "HostPath.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "AnsiText.h"
#include "StringLib.h"

namespace cadro {
namespace fs = std::filesystem;
namespace {

bool IsDrivePath(std::string_view p) {
  return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

// A UTF-8 name with its letters folded as the host's file system folds them: through its code
// page, where the accented capitals have their small letters too.
std::string FoldCase(const std::string& utf8) {
  std::string ansi = Utf8ToAnsi(utf8);
  for (char& c : ansi) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7)) {
      c = static_cast<char>(u + 0x20);
    } else if (u == 0x8A || u == 0x8C || u == 0x8E) {
      c = static_cast<char>(u + 0x10);
    } else if (u == 0x9F) {
      c = static_cast<char>(0xFF);
    }
  }
  return ansi;
}

// Appends one component to `base`, preferring an existing entry that differs only in case.
fs::path AppendComponent(const fs::path& base, const std::string& name) {
  fs::path exact = base / name;
  std::error_code ec;
  if (name == "." || name == ".." || fs::exists(exact, ec)) return exact;
  const std::string want = FoldCase(name);
  for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    if (FoldCase(it->path().filename().string()) == want) return it->path();
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
  std::string rest = AnsiToUtf8(hostPath);
  if (!rest.empty() && rest.front() == '/') return rest;
  // A rooted path without a drive ("\logs", or "\" alone) is on the host's own drive.
  if (!rest.empty() && rest.front() == '\\' && (rest.size() < 2 || rest[1] != '\\')) rest = "C:" + rest;
  std::replace(rest.begin(), rest.end(), '\\', '/');
  if (!IsDrivePath(rest)) return rest;

  fs::path root = fs::path(WinePrefix()) / "dosdevices" / AsciiLower(rest.substr(0, 2));
  // Drive Z: is Wine's view of "/"; without a prefix (no Wine installed) it still means "/", so a
  // local path written into a host file in the host's form finds its way back.
  std::error_code zec;
  if (AsciiLower(rest.substr(0, 2)) == "z:" && !fs::exists(root, zec)) root = "/";
  // The components below the drive's root, with "." and ".." resolved as Windows does.
  std::vector<std::string> parts;
  std::size_t pos = 2;
  while (pos <= rest.size()) {
    const std::size_t slash = rest.find('/', pos);
    std::string part = rest.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  fs::path result = root;
  for (const std::string& part : parts) result = AppendComponent(result, part);
  std::string out = result.string();
  if (rest.size() > 2 && rest.back() == '/' && out.back() != '/') out += '/';
  return out;
}

std::string ToHostForm(std::string_view localPath) {
  std::error_code ec;
  const fs::path local = fs::weakly_canonical(fs::path(localPath), ec);
  const std::string localText = ec ? std::string(localPath) : local.string();
  const fs::path devices = fs::path(WinePrefix()) / "dosdevices";
  std::string bestRoot;
  char bestLetter = 0;
  for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string drive = it->path().filename().string();
    if (drive.size() != 2 || drive[1] != ':' || drive == "z:") continue;
    std::error_code ec2;
    std::string root = fs::canonical(it->path(), ec2).string();
    if (ec2 || root.empty()) continue;
    if (root == "/") root.clear();
    const bool inside = localText == root || localText.rfind(root + "/", 0) == 0;
    // Drives may nest (D: inside C:'s folder): the drive closest to the path names it, and of two
    // drives on the same folder the first letter.
    const bool closer = bestLetter == 0 || root.size() > bestRoot.size() ||
                        (root.size() == bestRoot.size() && drive[0] < bestLetter);
    if (inside && closer) {
      bestRoot = root;
      bestLetter = drive[0];
    }
  }
  std::string tail = bestLetter ? localText.substr(bestRoot.size()) : localText;
  std::replace(tail.begin(), tail.end(), '/', '\\');
  const char letter =
      bestLetter ? static_cast<char>(std::toupper(static_cast<unsigned char>(bestLetter))) : 'Z';
  return Utf8ToAnsi(std::string(1, letter) + ":" + (tail.empty() ? "\\" : tail));
}

bool IsPlainHostFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos;
}

}  // namespace cadro
