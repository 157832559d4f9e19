#include "FakeHost.h"

#include <cstdlib>
#include <filesystem>

#include "HostPath.h"

namespace cadro::addlaunch::testing {
namespace fs = std::filesystem;

FakeHost::FakeHost() {
  if (const char* old = std::getenv("WINEPREFIX")) oldPrefix_ = old;
  const fs::path prefix = root_.path() / "wine";
  fs::create_directories(prefix / "drive_c");
  fs::create_directories(prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
  fs::create_directories(root_.path() / "Addlaunch" / "logs");
  ::setenv("WINEPREFIX", prefix.c_str(), 1);
}

FakeHost::~FakeHost() {
  if (oldPrefix_) {
    ::setenv("WINEPREFIX", oldPrefix_->c_str(), 1);
  } else {
    ::unsetenv("WINEPREFIX");
  }
}

std::string FakeHost::Local(std::string_view windowsPath) const {
  return HostPath(windowsPath);
}

void FakeHost::InstallHost(std::string_view windowsDir, const std::string& conf) const {
  const std::string dir = Local(windowsDir);
  fs::create_directories(dir);
  if (!conf.empty()) cadro::testing::WriteFileBytes(dir + "/Vantrel.conf", conf);
}

std::string FakeHost::StandardConf() const {
  fs::create_directories(Local("C:\\VData"));
  return "[Vantrel]\r\nINSTANCE=1\r\nDATADIR=C:\\VData\r\n";
}

std::string FakeHost::WriteSampleLoader() const {
  cadro::testing::WriteFileBytes(sampleLoader(), kSample);
  return sampleLoader();
}

}  // namespace cadro::addlaunch::testing
