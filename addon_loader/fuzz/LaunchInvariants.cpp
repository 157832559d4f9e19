#include "LaunchInvariants.h"

#include <optional>
#include <vector>

#include "LaunchUpdate.h"

namespace cadro::addlaunch::testing {
namespace {

// The file's structure is worked out here on its own terms, not with the update's helpers, so
// that a slip in those cannot hide itself.

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  if (!text.empty()) lines.push_back(text.substr(start));  // after a final line end: an empty line
  return lines;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The add-on a header line ("[Name-Rev]", spaces around it allowed) names; none for other lines.
std::optional<std::string_view> HeaderName(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const std::size_t hyphen = t.find('-');
  const std::size_t close = t.find(']');
  if (hyphen == std::string_view::npos || close == std::string_view::npos || hyphen > close)
    return std::nullopt;
  return t.substr(1, hyphen - 1);
}

// The header up to its first "]": what tells one revision from another.
std::string_view RevisionKey(std::string_view line) {
  const std::string_view t = Trim(line);
  return t.substr(0, t.find(']') + 1);
}

bool IsTerminator(std::string_view line) {
  return line.find("/ [EOA]") != std::string_view::npos;
}

struct Span {
  std::size_t first, last;  // line indices, both inside the block
};

// Blocks whose header `starts` picks: each runs to its terminator, or, without one, to the line
// before the next header line (or the file's end).
template <typename Starts>
std::vector<Span> Blocks(const std::vector<std::string_view>& lines, Starts starts) {
  std::vector<Span> blocks;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!HeaderName(lines[i]) || !starts(lines[i])) continue;
    std::size_t last = i;
    if (!IsTerminator(lines[i])) {
      for (std::size_t k = i + 1; k < lines.size() && !HeaderName(lines[k]); ++k) {
        last = k;
        if (IsTerminator(lines[k])) break;
      }
    }
    blocks.push_back({i, last});
  }
  return blocks;
}

// A block as a result holds it: every line with CR LF, and empty lines gone when `tidied`.
std::string Render(const std::vector<std::string_view>& lines, Span b, bool tidied) {
  std::string out;
  for (std::size_t i = b.first; i <= b.last; ++i) {
    if (tidied && lines[i].empty()) continue;
    out.append(lines[i]);
    out.append("\r\n");
  }
  return out;
}

// Each text in turn, at the start of a line of `result`, none before the end of the previous one.
std::string FindInOrder(const std::vector<std::string>& texts, std::string_view result) {
  std::size_t from = 0;
  for (const std::string& text : texts) {
    std::size_t at = result.find(text, from);
    while (at != std::string_view::npos && at > 0 && result[at - 1] != '\n') at = result.find(text, at + 1);
    if (at == std::string_view::npos) return "the block \"" + text + "\" is missing or out of order";
    from = at + text.size();
  }
  return {};
}

// The lines outside the blocks `owned` picks must all be in `result`, in order.
template <typename Owned>
std::string CheckOthersKept(std::string_view before, std::string_view result, bool tidied, Owned owned,
                            const char* what) {
  const std::vector<std::string_view> lines = Lines(before);
  std::vector<std::string> blocks;
  for (const Span& b : Blocks(lines, [&](std::string_view l) { return !owned(l); }))
    blocks.push_back(Render(lines, b, tidied));
  if (std::string problem = FindInOrder(blocks, result); !problem.empty()) return what + (": " + problem);

  std::vector<bool> dropped(lines.size(), false);
  for (const Span& b : Blocks(lines, owned)) {
    for (std::size_t i = b.first; i <= b.last; ++i) dropped[i] = true;
  }
  const std::vector<std::string_view> after = Lines(result);
  std::size_t at = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (dropped[i] || (tidied && lines[i].empty())) continue;
    while (at < after.size() && after[at] != lines[i]) ++at;
    if (at == after.size()) return what + (": the line \"" + std::string(lines[i]) + "\" was lost");
    ++at;
  }
  return {};
}

// Every CR is followed by LF and every LF follows a CR.
bool OnlyCrLf(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

// Rewritten files: every line ends with CR LF, none is empty, and the file ends with one CR LF.
bool InNormalForm(std::string_view text) {
  if (!text.ends_with("\r\n") || !OnlyCrLf(text)) return false;
  return text == "\r\n" || (text.find("\r\n\r\n") == std::string_view::npos && !text.starts_with("\r\n"));
}

// The same lines with every line end made `end`.
std::string WithLineEnds(std::string_view text, std::string_view end) {
  std::string out;
  const std::vector<std::string_view> lines = Lines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out.append(end);
    out.append(lines[i]);
  }
  return out;
}

}  // namespace

std::string LaunchUpdateViolation(std::string_view loader, std::string_view launchView) {
  const std::string launch(launchView);
  std::string_view rest = loader;
  const RegistrationHeader header = ParseHeader(TakeFirstLine(rest));
  if (!header.valid) return {};
  const auto ownAddon = [&](std::string_view l) { return HeaderName(l) == header.appName; };
  const auto ownRevision = [&](std::string_view l) {
    return ownAddon(l) && RevisionKey(l) == RevisionKey(header.regId);
  };
  bool ownInSettings = false;
  for (std::string_view line : Lines(rest)) ownInSettings = ownInSettings || ownAddon(line);

  const UpdatePlan install = PlanInstall(launch + "\r\n", header, rest);
  if (install.outcome != outcome::kAdded && install.outcome != outcome::kAlreadyConfigured &&
      install.outcome != outcome::kUpdated)
    return "install: outcome " + std::to_string(install.outcome);
  if (install.write != (install.outcome != outcome::kAlreadyConfigured))
    return "install: written when up to date";
  if (install.write) {
    if (!OnlyCrLf(install.newText)) return "install: a line end other than CR LF";
    // A first install appends and keeps the file's lines as they were; a replacement tidies.
    const bool tidied = install.outcome == outcome::kUpdated;
    if (tidied && !install.newText.ends_with("\r\n")) return "install: no line end at the end";
    if (std::string p = CheckOthersKept(launch, install.newText, tidied, ownAddon, "install"); !p.empty())
      return p;
    if (!ownInSettings) {
      const UpdatePlan again = PlanInstall(install.newText + "\r\n", header, rest);
      if (again.outcome != outcome::kAlreadyConfigured || again.write)
        return "install: installing again is not a no-op (outcome " + std::to_string(again.outcome) + ")";
    }
  }

  const UpdatePlan removal = PlanRemove(launch, header);
  if (removal.outcome != outcome::kRemoved || !removal.write) return "remove: outcome or no write";
  if (!InNormalForm(removal.newText)) return "remove: the result is not in normal form";
  if (std::string p = CheckOthersKept(launch, removal.newText, true, ownRevision, "remove"); !p.empty())
    return p;
  for (std::string_view line : Lines(removal.newText)) {
    if (ownRevision(line)) return "remove: a block of this revision is left";
  }

  // LF, CR and CR LF are one and the same line end: the results do not depend on which is used.
  for (std::string_view end : {std::string_view("\n"), std::string_view("\r")}) {
    const std::string otherLaunch = WithLineEnds(launch, end);
    const std::string otherRest = WithLineEnds(rest, end);
    const UpdatePlan installOther = PlanInstall(otherLaunch + "\r\n", header, otherRest);
    if (installOther.outcome != install.outcome || installOther.newText != install.newText)
      return "install: the result depends on the kind of line end";
    if (PlanRemove(otherLaunch, header).newText != removal.newText)
      return "remove: the result depends on the kind of line end";
  }
  return {};
}

}  // namespace cadro::addlaunch::testing
