// Any bytes as a form definition file and as a data definition file, then rendered onto a
// recording target: nothing may crash, hang or throw.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "../tests/RecordingTarget.h"
#include "CadroPrint.h"
#include "DefinitionFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  cadro::FormDefinition form;
  cadro::ParseFormDefinition(bytes, form);
  cadro::DataDefinition items;
  cadro::ParseDataDefinition(bytes, items);
  cadro::testing::RecordingTarget target;
  cadro::RenderReport(target, form, items);
  return 0;
}
