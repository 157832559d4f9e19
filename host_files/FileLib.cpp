#include "FileLib.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <system_error>

#include "AnsiText.h"
#include "FileIO.h"
#include "HostPath.h"
#include "RunError.h"
#include "StringLib.h"
#include "WholeNumber.h"

namespace cadro {
namespace fs = std::filesystem;
namespace {

constexpr int kSubscriptOutOfRange = 9;

bool IsNormalFile(const std::string& localPath) {
  struct stat st {};
  return ::stat(localPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The host's platform reads "[" literally in a pattern and lets "*.*" match names without a dot.
std::string ToFnmatchPattern(const std::string& pattern) {
  if (pattern == "*.*") return "*";
  std::string out;
  for (const char c : pattern) {
    if (c == '[') {
      out += "[[]";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

bool FileExists(const std::string& path) {
  try {
    if (path.empty()) return false;
    const fs::path local(path);
    const std::string name = local.filename().string();
    if (name.empty() || name.front() == '.') return false;
    if (name.find_first_of("*?") == std::string::npos) return IsNormalFile(local.string());

    const std::string pattern = ToFnmatchPattern(name);
    const fs::path folder = local.has_parent_path() ? local.parent_path() : fs::path(".");
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string candidate = it->path().filename().string();
      if (candidate.empty() || candidate.front() == '.') continue;
      if (::fnmatch(pattern.c_str(), candidate.c_str(), 0) == 0 && IsNormalFile(it->path().string())) {
        return true;
      }
    }
    return false;
  } catch (...) {
    return false;
  }
}

std::int16_t WriteTextFileContents(const std::string& path, std::string_view contents) {
  try {
    WriteFileAtomic(path, contents);
    return -1;
  } catch (const RunError& e) {
    return static_cast<std::int16_t>(e.number);
  } catch (const std::bad_alloc&) {
    return err::kOutOfMemory;
  } catch (...) {
    return err::kPathFileAccess;
  }
}

FileLib::FileLib(EventLog& eventLog, std::string programFolder)
    : log_(eventLog), programFolder_(std::move(programFolder)) {}

std::string FileLib::DefaultProgramFolder() {
  return ProgramFolder();
}

void FileLib::Raise(const char* operation) {
  const RunError e = CurrentRunError(err::kPathFileAccess);
  const std::string step = std::to_string(step_);
  std::string entry = e.description + " FileLib:" + operation + ", Step = " + step;
  if (!fileName_.empty()) entry += ", FileName = " + Utf8ToAnsi(fileName_);
  if (!hint_.empty()) entry += "; " + hint_;
  log_.Error(entry);
  // An error raised by another helper of this module on the way already carries the base and
  // its step: it passes on as it is, only its source names the outer operation.
  if (e.number < 0) throw RunError(e.number, e.description, std::string("FileLib:") + operation);
  throw RunError(e.number + err::kObjectErrorBase, e.description + ", Step = " + step,
                 std::string("FileLib:") + operation);
}

std::string FileLib::ReadLocal(const std::string& localPath) const {
  return reader_ ? reader_(localPath) : ReadWholeFile(localPath);
}

std::string FileLib::WhereAmI() {
  fileName_.clear();
  hint_.clear();
  try {
    step_ = 1;
    const std::size_t slash = programFolder_.rfind('/');
    step_ = 2;
    if (slash == std::string::npos) return programFolder_;
    return programFolder_.substr(slash + 1);
  } catch (...) {
    Raise("WhereAmI");
  }
}

std::string FileLib::AppDataFallback(const std::string& appFolder) const {
  std::optional<std::string> appData;
  if (env_) {
    appData = env_("APPDATA");
  } else if (const char* value = std::getenv("APPDATA")) {
    appData = value;
  }
  // Without APPDATA (the normal case outside Wine) the platform's per-user data folder stands
  // in, rather than a folder at the root of the file system.
  const std::string base =
      appData && !appData->empty() ? HostPath(Utf8ToAnsi(*appData)) : PerUserDataFolder();
  return JoinPath(base, appFolder);
}

std::string FileLib::DefineDataPath(const std::string& appFolder, const std::string& confName) {
  fileName_.clear();
  hint_.clear();
  try {
    const std::string conf = JoinPath(programFolder_, confName);
    std::string result;
    step_ = 1;
    if (FileExists(conf)) result = GetPathFromConf(conf);
    if (!result.empty()) return HostPath(result);
    step_ = 2;
    return AppDataFallback(appFolder);
  } catch (...) {
    Raise("DefineDataPath");
  }
}

std::string FileLib::GetPathFromConf(const std::string& confPath) {
  fileName_ = confPath;
  hint_.clear();
  try {
    std::string result;
    const std::string& local = confPath;
    step_ = 1;
    struct stat st {};
    if (::stat(local.c_str(), &st) != 0) throw ErrorFromErrno(errno, local);
    step_ = 2;
    const std::string contents = ReadLocal(local);
    step_ = 3;
    std::string_view buffer(contents);
    while (!buffer.empty()) {
      const std::string line = GetLine(buffer);
      if (line.empty() || line.front() == '[') continue;
      const std::size_t eq = line.find('=');
      const std::string key = AsciiUpper(TrimSpaces(std::string_view(line).substr(0, eq)));
      if (key != "DATADIR" && key != "INSTANCE") continue;
      if (eq == std::string::npos) {
        hint_ = "the line " + line + " needs \"=\" and a value";
        throw RunError(kSubscriptOutOfRange, "Subscript out of range");
      }
      const std::string value = line.substr(eq + 1);
      if (key == "DATADIR") {
        result = value;
      } else {
        hint_ = "the line " + line + " needs a whole number from -32768 to 32767";
        ToWholeNumber(value, '\0', -32768, 32767);
        hint_.clear();
      }
    }
    fileName_.clear();
    return result;
  } catch (...) {
    Raise("GetPathFromConf");
  }
}

std::string FileLib::ReadTextFileContents(const std::string& path) {
  fileName_ = path;
  hint_.clear();
  try {
    step_ = 1;
    if (!FileExists(path)) return {};
    step_ = 2;
    std::string contents = ReadLocal(path);
    fileName_.clear();
    return contents;
  } catch (...) {
    Raise("ReadTextFileContents");
  }
}

std::string FileLib::RealPath(const std::string& path) {
  fileName_.clear();
  hint_.clear();
  try {
    std::string result = path;
    step_ = 1;
    if (result.find("APP_PATH") != std::string::npos) {
      ReplaceAll(result, "APP_PATH", ToHostForm(programFolder_));
      return result;
    }
    if (result.find("DATA_PATH") != std::string::npos) {
      step_ = 2;
      ReplaceAll(result, "DATA_PATH", dataPath_.empty() ? std::string() : ToHostForm(dataPath_));
    }
    return result;
  } catch (...) {
    Raise("RealPath");
  }
}

long long ToWholeNumber(std::string_view text, char decimalSeparator, long long min, long long max) {
  const WholeNumber n = ReadWholeNumber(text, {.min = min, .max = max, .decimalSeparator = decimalSeparator});
  if (!n) throw MakeRunError(n.error);
  return n.value;
}

}  // namespace cadro
