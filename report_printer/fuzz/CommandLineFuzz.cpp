// Any bytes as Cadrorpt's command line; and any argument list must come back whole after
// joining and parsing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  cadro::ParseCommandLine(line);
  cadro::DecodeEscapes(line);

  // A form path made of the input survives JoinArguments + ParseCommandLine unchanged, as long as
  // it has no blanks at its ends (values are trimmed) and does not start with "-".
  std::string path = line;
  while (!path.empty() && path.back() == ' ') path.pop_back();
  while (!path.empty() && path.front() == ' ') path.erase(0, 1);
  if (!path.empty() && path.front() != '-' && path.find('"') == std::string::npos) {
    const auto parsed = cadro::ParseCommandLine(cadro::JoinArguments({"-fdf", path, "-apt"}));
    if (parsed.options.formFileName != path || !parsed.options.applyAutoPrint) std::abort();
  }
  return 0;
}
