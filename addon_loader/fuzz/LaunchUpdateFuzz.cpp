// Launch.local and loader files as anyone may have edited them. Input: the loader file, a NUL
// byte, then Launch.local. Whatever they hold, the update keeps every other add-on's block byte
// for byte and every line it cannot place, leaves one block of the add-on after installing and
// none after removing, reads every kind of line end alike and writes CR LF only.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "LaunchInvariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view loader = input.substr(0, nul);
  const std::string_view launch = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
  const std::string problem = cadro::addlaunch::testing::LaunchUpdateViolation(loader, launch);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    std::abort();
  }
  return 0;
}
