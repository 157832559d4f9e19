// Any bytes as Cadrocts.ini: reading must never crash, and what it reads must survive a
// write-and-read round trip unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "CadroIni.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const char separator : {'.', ','}) {
    cadro::StationSettings read;
    cadro::ApplyIni(text, read, separator);
    // Text values holding a line break cannot come out of one line, so the round trip holds.
    cadro::StationSettings again;
    cadro::ApplyIni(cadro::ComposeIni(read, separator), again, separator);
    if (!(again == read)) std::abort();
  }
  return 0;
}
