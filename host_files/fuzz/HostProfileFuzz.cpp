// Loads arbitrary bytes as a host profile, changes one value and rewrites the file over the
// host's text. A profile that loaded cleanly must load cleanly again with the change kept.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "FileLib.h"
#include "TestKit.h"
#include "VtInit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = [] {
    const auto dir = std::filesystem::temp_directory_path() / ("fuzz-profile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
  }();
  cadro::testing::TestServices ts;
  cadro::FileLib lib(ts.eventLog, folder);
  lib.SetDataPath(folder);
  cadro::testing::WriteFileBytes(folder + "/Fuzz.profile",
                                 std::string(reinterpret_cast<const char*>(data), size));
  {
    cadro::VtInit ini(lib, ts.services, "3.4.0 c5", "Vtnotification");
    ini.StartClass("Fuzz.profile", "Fuzz");
    if (!ts.prompts.shown.empty()) return 0;
    ini.SetNumber(cadro::ProfileKey::MRC, 7);
    ini.SetText(cadro::ProfileKey::DirLogs, "C:\\fuzz\\logs");
    ini.Release();
  }
  cadro::VtInit again(lib, ts.services, "3.4.0 c5", "Vtnotification");
  again.StartClass("Fuzz.profile", "Fuzz");
  if (!ts.prompts.shown.empty() || again.Number(cadro::ProfileKey::MRC) != 7 ||
      again.DirLogs() != "C:\\fuzz\\logs") {
    std::abort();
  }
  return 0;
}
