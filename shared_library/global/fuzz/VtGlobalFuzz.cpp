// Any bytes as Vantrel.glo: reading and rewriting must neither crash nor throw, and every line
// that names none of the nine settings comes through a rewrite (the host's own keys).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "StringLib.h"
#include "TestKit.h"
#include "VtGlobal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static cadro::testing::TempDir dir;
  const std::string path = dir.File("Vantrel.glo");
  // Another version last, so the file is rewritten.
  const std::string text = std::string(reinterpret_cast<const char*>(data), size) + "\r\nVersion=0\r\n";
  cadro::testing::WriteFileBytes(path, text);
  cadro::testing::RecordingEventLog log;
  { cadro::VtGlobal glo(path, "3.4.5", "Fuzz Printer", log); }
  const std::string written = cadro::testing::ReadFileBytes(path);
  std::string_view rest(text);
  while (!rest.empty()) {
    const std::string line = cadro::GetLine(rest);
    if (line.empty() || line.front() == '[') continue;
    const std::string_view key = cadro::TrimSpaces(std::string_view(line).substr(0, line.find('=')));
    bool known = false;
    for (const char* k : {"Version", "UseGlobalMsgNum", "ProfSave", "PrinterName", "PtrOrient", "PtrCopies",
                          "PtrDuplex", "FolderLabels", "LstFontSize"})
      known = known || key == k;
    if (!known && written.find("\r\n" + line + "\r\n") == std::string::npos &&
        written.rfind(line + "\r\n", 0) != 0)
      std::abort();
  }
  return 0;
}
