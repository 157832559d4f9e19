// Any bytes as Vantrel.glo: reading and rewriting must neither crash nor throw.
#include <cstddef>
#include <cstdint>
#include <string>

#include "TestKit.h"
#include "VtGlobal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static cadro::testing::TempDir dir;
  const std::string path = dir.File("Vantrel.glo");
  cadro::testing::WriteFileBytes(path, std::string(reinterpret_cast<const char*>(data), size));
  cadro::testing::RecordingEventLog log;
  { cadro::VtGlobal glo(path, "3.4.5", "Fuzz Printer", log); }
  return 0;
}
