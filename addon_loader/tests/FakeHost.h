#pragma once
// A throwaway Wine prefix with a drive C, a program folder for the loader (with its logs
// folder) and helpers to lay out host installations in it. WINEPREFIX points at it for the
// fixture's lifetime.

#include <optional>
#include <string>
#include <string_view>

#include "TestKit.h"

namespace cadro::addlaunch::testing {

// The loader file most tests install: one add-on, one revision.
inline const std::string kSample = "[Sample-1.2]\r\nExe=sample.exe\r\n/ [EOA]\r\n";

class FakeHost {
public:
  FakeHost();
  ~FakeHost();
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  // The local path of a "C:\..." path inside the fake prefix.
  std::string Local(std::string_view windowsPath) const;
  // Creates the folder and, unless `conf` is empty, its Vantrel.conf.
  void InstallHost(std::string_view windowsDir, const std::string& conf) const;
  // A Vantrel.conf naming C:\VData, which is created.
  std::string StandardConf() const;

  std::string programFolder() const { return root_.File("Addlaunch"); }
  std::string logFile() const { return root_.File("Addlaunch/logs/Addlaunch.log"); }
  std::string launchFile() const { return Local("C:\\VData\\Launch.local"); }
  std::string root() const { return root_.str(); }
  // Sample.local beside the prefix, holding kSample once WriteSampleLoader has run.
  std::string sampleLoader() const { return root() + "/Sample.local"; }
  // Writes kSample to sampleLoader(); its path, for the command line.
  std::string WriteSampleLoader() const;

private:
  cadro::testing::TempDir root_;
  std::optional<std::string> oldPrefix_;
};

}  // namespace cadro::addlaunch::testing
