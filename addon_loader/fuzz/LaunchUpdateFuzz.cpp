// Launch.local and loader files as anyone may have edited them. Input: the loader file, a NUL
// byte, then Launch.local. Whatever they hold, the update must keep other add-ons' blocks, find
// its own block again after installing it, and leave none of it after removing it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "LaunchUpdate.h"
#include "StringLib.h"

namespace {

using namespace cadro::addlaunch;

void Check(bool condition) {
  if (!condition) std::abort();
}

template <typename Keep>
std::vector<std::string> HeaderLines(std::string_view text, Keep keep) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::string line = cadro::GetLine(text);
    if (IsBlockHeaderLine(line) && keep(line)) lines.emplace_back(cadro::TrimSpaces(line));
  }
  return lines;
}

bool HasBlockHeader(std::string_view text) {
  return !HeaderLines(text, [](const std::string&) { return true; }).empty();
}

// Rewritten files: every line ends with CR LF, none is empty, and the file ends with one CR LF.
void CheckNormalForm(const std::string& text) {
  Check(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
  if (text == "\r\n") return;
  Check(text.find("\r\n\r\n") == std::string::npos && text.rfind("\r\n", 0) != 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view loader = input.substr(0, nul);
  const std::string launch(nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1));

  std::string_view rest = loader;
  const RegistrationHeader header = ParseHeader(cadro::GetLine(rest));
  if (!header.valid) return 0;
  const auto foreign = [&](const std::string& line) { return !IsAddonHeaderLine(line, header); };
  const auto notThisRevision = [&](const std::string& line) { return !IsSameRevisionLine(line, header); };
  const bool plainSettings = !HasBlockHeader(rest);

  const UpdatePlan install = PlanInstall(launch + "\r\n", header, rest);
  Check(install.outcome == outcome::kAdded || install.outcome == outcome::kAlreadyConfigured ||
        install.outcome == outcome::kUpdated);
  Check(install.write == (install.outcome != outcome::kAlreadyConfigured));
  if (install.write) {
    // The spliced block is the loader's text as it is; only the file's end is normalised.
    if (install.outcome == outcome::kUpdated) Check(install.newText.ends_with("\r\n"));
    if (plainSettings) Check(HeaderLines(install.newText, foreign) == HeaderLines(launch, foreign));
    const UpdatePlan again = PlanInstall(install.newText + "\r\n", header, rest);
    Check(again.outcome == outcome::kAlreadyConfigured && !again.write);
  }

  const UpdatePlan removal = PlanRemove(launch, header);
  Check(removal.outcome == outcome::kRemoved && removal.write);
  CheckNormalForm(removal.newText);
  Check(HeaderLines(removal.newText, notThisRevision) == HeaderLines(launch, notThisRevision));
  Check(HeaderLines(removal.newText, [&](const std::string& l) { return !notThisRevision(l); }).empty());
  return 0;
}
