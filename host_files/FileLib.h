#pragma once
// Path and file helpers shared with the host: finding the host's data folder through its
// Vantrel.conf, whole-file reads and writes of its text files, the existence test the host's
// platform uses, and the APP_PATH / DATA_PATH tokens of its profiles.
//
// Paths given to these helpers are local file names; a path read from a host file becomes one
// through HostPath (HostPath.h) first. The data folder and the program folder are local paths.
//
// The helpers that raise keep one step counter per FileLib object and, on a failure, write an
// error entry to the event log and raise a RunError whose number carries the object-error base,
// whose source is "FileLib:<operation>" and whose description ends in ", Step = <step>".

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Platform.h"

namespace cadro {

// True when `path` names a normal file: not a folder, not a device, and not hidden (on Linux a
// name starting with "." counts as hidden). Wildcards "*" and "?" in the last component are
// true when any normal file matches. Never raises; every error answers false.
bool FileExists(const std::string& path);

// Replaces `path` with `contents` as they are (no terminator added), atomically. Returns -1 on
// success, otherwise the error number (a read-only target fails with 70 and is left as it was).
// Never raises.
std::int16_t WriteTextFileContents(const std::string& path, std::string_view contents);

class FileLib {
public:
  // Reads a whole file; replaceable so tests can make a present file unreadable (root reads
  // everything, so permissions cannot).
  using FileReader = std::function<std::string(const std::string& localPath)>;
  // Looks up an environment variable ("APPDATA"); replaceable for tests.
  using EnvironmentLookup = std::function<std::optional<std::string>(const std::string& name)>;

  explicit FileLib(EventLog& eventLog, std::string programFolder = DefaultProgramFolder());

  // The last component of the program folder ("" for the root).
  std::string WhereAmI();
  // The host data folder as a local path: DATADIR of `confName` beside the program; else
  // $APPDATA/<appFolder>; else the per-user data folder/<appFolder>. Nothing is created.
  std::string DefineDataPath(const std::string& appFolder, const std::string& confName);
  // What DefineDataPath falls back to when no configuration names a data folder.
  std::string AppDataFallback(const std::string& appFolder) const;
  // The value of the last DATADIR of a Vantrel.conf exactly as the host wrote it (a host path;
  // give it to HostPath for a local one), or "" when the file names none.
  std::string GetPathFromConf(const std::string& confPath);
  // The whole file, or "" when FileExists says it is absent.
  std::string ReadTextFileContents(const std::string& path);
  // Expands one token: every "APP_PATH", or else every "DATA_PATH" (exact case), into the
  // program folder or the data folder in the host's own form, because the result is stored
  // back into host files.
  std::string RealPath(const std::string& path);

  // The data folder RealPath expands DATA_PATH to, and profiles live in (local path).
  void SetDataPath(std::string localPath) { dataPath_ = std::move(localPath); }
  const std::string& DataPath() const { return dataPath_; }
  const std::string& ProgramFolderPath() const { return programFolder_; }

  int Step() const { return step_; }
  // After a raise: the file the failing operation was reading ("" when none) and what in it must
  // be mended ("" when the error says it all). Both also end the event log entry.
  const std::string& FailedFile() const { return fileName_; }
  const std::string& Hint() const { return hint_; }

  void SetFileReaderForTests(FileReader reader) { reader_ = std::move(reader); }
  void SetEnvironmentForTests(EnvironmentLookup env) { env_ = std::move(env); }

  static std::string DefaultProgramFolder();

private:
  // Logs and re-raises the failure of `operation` at the current step.
  [[noreturn]] void Raise(const char* operation);
  std::string ReadLocal(const std::string& localPath) const;

  EventLog& log_;
  std::string programFolder_;
  std::string dataPath_;
  int step_ = 0;
  std::string fileName_;
  std::string hint_;
  FileReader reader_;
  EnvironmentLookup env_;
};

// The locale-aware conversion of a whole number the host's files rely on: surrounding spaces
// allowed, an optional sign, digits, and a fraction after `decimalSeparator` rounded to the
// nearest whole number (halves to the even one). Throws RunError 13 for text that is not a
// number and 6 for a number outside [min, max].
long long ToWholeNumber(std::string_view text, char decimalSeparator, long long min, long long max);

}  // namespace cadro
