// The command line and the chooser's list come from outside: whatever they hold, splitting them
// must not crash and must keep its promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "CommandLine.h"
#include "LoaderSession.h"

namespace {
void Check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace cadro::addlaunch;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const CommandLineValues values = SplitCommandLine(text);
  std::size_t commas = 0;
  for (const char c : text) commas += c == ',';
  Check(values.count == (text.empty() ? 0 : static_cast<int>(commas) + 1));
  if (values.ok()) {
    for (const std::string& v : {values.action, values.loaderFile}) {
      Check(v.find(',') == std::string::npos);
      Check(v.empty() || (v.front() != ' ' && v.back() != ' '));
    }
  } else {
    Check(values.action.empty() && values.loaderFile.empty());
  }
  Check(CommandLineHelp(values.count).find(std::to_string(values.count)) != std::string::npos);

  for (const std::string& item : PathLookupItems(text)) {
    Check(!item.empty() && item.front() != '/' && item.front() != ' ' && item.back() != ' ');
    Check(item.find_first_of("\r\n") == std::string::npos);
  }
  return 0;
}
