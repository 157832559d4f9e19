// Launch.local and loader files as anyone may have edited them. Input: the loader file, a NUL
// byte, then Launch.local. Whatever they hold, the update must keep other add-ons' blocks, find
// its own block again after installing it, leave none of it after removing it, read every
// kind of line end alike and write CR LF only.
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
  for (std::string_view line : TextLines(text)) {
    if (IsBlockHeaderLine(line) && keep(line)) lines.emplace_back(cadro::TrimSpaces(line));
  }
  return lines;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  std::size_t at = 0;
  for (const std::string& line : whole) {
    if (at < part.size() && part[at] == line) ++at;
  }
  return at == part.size();
}

// Every CR is followed by LF and every LF follows a CR.
bool OnlyCrLf(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

// The same lines with every line end made `end`.
std::string WithLineEnds(std::string_view text, std::string_view end) {
  std::string out;
  const std::vector<std::string_view> lines = TextLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out.append(end);
    out.append(lines[i]);
  }
  return out;
}

// A block of this add-on that holds a header-shaped line up to its terminator: whether that line
// is a setting or an unterminated block's successor cannot be told from the text, and the update
// takes the terminator's word for it. Everywhere else other add-ons' headers must all stay.
bool HeaderInsideOwnBlock(std::string_view text, const RegistrationHeader& h) {
  bool open = false;
  bool foreignSeen = false;
  for (std::string_view line : TextLines(text)) {
    if (IsAddonHeaderLine(line, h)) {
      open = !IsBlockTerminator(line);
      foreignSeen = false;
    } else if (open && IsBlockTerminator(line)) {
      // A terminator shaped like a header ("[X-1] / [EOA]") ends the block and goes with it.
      if (foreignSeen || IsBlockHeaderLine(line)) return true;
      open = false;
    } else if (open && IsBlockHeaderLine(line)) {
      foreignSeen = true;
    }
  }
  return false;
}

// Rewritten files: every line ends with CR LF, none is empty, and the file ends with one CR LF.
void CheckNormalForm(const std::string& text) {
  Check(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0);
  Check(OnlyCrLf(text));
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
  const RegistrationHeader header = ParseHeader(TakeFirstLine(rest));
  if (!header.valid) return 0;
  const auto foreign = [&](std::string_view line) { return !IsAddonHeaderLine(line, header); };
  const auto notThisRevision = [&](std::string_view line) { return !IsSameRevisionLine(line, header); };
  bool ownInSettings = false;
  for (std::string_view line : TextLines(rest))
    ownInSettings = ownInSettings || IsAddonHeaderLine(line, header);
  const bool ambiguous = HeaderInsideOwnBlock(launch, header);

  const UpdatePlan install = PlanInstall(launch + "\r\n", header, rest);
  Check(install.outcome == outcome::kAdded || install.outcome == outcome::kAlreadyConfigured ||
        install.outcome == outcome::kUpdated);
  Check(install.write == (install.outcome != outcome::kAlreadyConfigured));
  if (install.write) {
    Check(OnlyCrLf(install.newText));
    // The spliced block keeps the loader's own empty lines; only the file's end is normalised.
    if (install.outcome == outcome::kUpdated) Check(install.newText.ends_with("\r\n"));
    if (!ownInSettings) {
      const auto kept = HeaderLines(install.newText, foreign);
      const auto before = HeaderLines(launch, foreign);
      const auto added = HeaderLines(rest, foreign);
      std::vector<std::string> expected = before;
      if (install.outcome == outcome::kAdded) expected.insert(expected.end(), added.begin(), added.end());
      if (install.outcome == outcome::kAdded) {
        Check(kept == expected);
      } else if (added.empty()) {
        Check(IsSubsequence(kept, before));
        if (!ambiguous) Check(kept == before);
      }
      // One block of the add-on is left, and it is this revision: installing again changes nothing.
      const UpdatePlan again = PlanInstall(install.newText + "\r\n", header, rest);
      Check(again.outcome == outcome::kAlreadyConfigured && !again.write);
    }
  }

  const UpdatePlan removal = PlanRemove(launch, header);
  Check(removal.outcome == outcome::kRemoved && removal.write);
  CheckNormalForm(removal.newText);
  const auto keptOthers = HeaderLines(removal.newText, notThisRevision);
  const auto othersBefore = HeaderLines(launch, notThisRevision);
  Check(IsSubsequence(keptOthers, othersBefore));
  if (!ambiguous) Check(keptOthers == othersBefore);
  Check(HeaderLines(removal.newText, [&](std::string_view l) { return !notThisRevision(l); }).empty());

  // LF, CR and CR LF are one and the same line end: the results do not depend on which is used.
  for (std::string_view end : {std::string_view("\n"), std::string_view("\r")}) {
    const std::string otherLaunch = WithLineEnds(launch, end);
    const std::string otherRest = WithLineEnds(rest, end);
    const UpdatePlan installOther = PlanInstall(otherLaunch + "\r\n", header, otherRest);
    Check(installOther.outcome == install.outcome && installOther.newText == install.newText);
    Check(PlanRemove(otherLaunch, header).newText == removal.newText);
  }
  return 0;
}
