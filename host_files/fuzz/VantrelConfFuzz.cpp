// Feeds arbitrary bytes to the Vantrel.conf reader as the file's contents. The reader may raise
// its RunError; anything else (a crash, another exception, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FileLib.h"
#include "RunError.h"

namespace {
class NullLog final : public cadro::EventLog {
public:
  void Error(const std::string&) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static NullLog log;
  cadro::FileLib lib(log, "/nonexistent/Vantrel");
  const std::string contents(reinterpret_cast<const char*>(data), size);
  lib.SetFileReaderForTests([&contents](const std::string&) { return contents; });
  try {
    // The file itself must exist for the size step; the reader hands over the bytes.
    lib.GetPathFromConf("/dev/null");
  } catch (const cadro::RunError&) {
  }
  return 0;
}
