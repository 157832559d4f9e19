#include "LaunchUpdate.h"

#include <exception>
#include <stdexcept>
#include <utility>
#include <vector>

#include "FileLib.h"
#include "HostFiles.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro::addlaunch {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kTerminator = "/ [EOA]";

// A loader file the update cannot use, with what the operator has to mend.
struct LoaderProblem : std::runtime_error {
  LoaderProblem(RegistrationHeader h, const std::string& what)
      : std::runtime_error(what), header(std::move(h)) {}
  RegistrationHeader header;
};

// What the window echoes of a loader file; the file itself is always used whole.
constexpr std::size_t kEchoLimit = 2048;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// 1-based position of `what` in `text`, 0 when absent.
int Position(std::string_view text, char what) {
  const std::size_t at = text.find(what);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

// The header up to and including its first "]": what says which revision a block is.
std::string_view HeaderKey(std::string_view trimmedLine) {
  const std::size_t close = trimmedLine.find(']');
  return close == std::string_view::npos ? trimmedLine : trimmedLine.substr(0, close + 1);
}

std::string AddonPrefix(const RegistrationHeader& h) {
  return "[" + h.appName + "-";
}

void AppendLine(std::string& out, std::string_view line) {
  out.append(line);
  out.append(kCrLf);
}

// Empty lines vanish, every kept line ends with CR LF, the file ends with exactly one CR LF.
std::string FinishRewrite(std::string_view text) {
  std::string out = TrimTrailingNewlines(text);
  out.append(kCrLf);
  return out;
}

// An old block without a terminator: its header line, and the first line after it (the line
// count when it ran to the end).
struct OpenBlock {
  std::size_t header;
  std::size_t end;
};

// The lines of Launch.local that belong to blocks picked by `isStart`, where those begin, and
// the blocks that had no terminator of their own.
struct BlockScan {
  std::vector<bool> dropped;
  std::vector<std::size_t> starts;
  std::vector<OpenBlock> open;
};

// A block runs from its header to its "/ [EOA]" line. While one is skipped, any header line ends
// it: another add-on's header is kept with its block, this add-on's begins a block of its own.
// A header-shaped line inside an old block may have been one of its settings, or the start of a
// block whose predecessor lost its terminator; the file cannot tell which, and dropping a
// registration is the worse mistake, so the line stays.
template <typename IsStart>
BlockScan ScanBlocks(const std::vector<std::string_view>& lines, IsStart isStart) {
  const std::size_t n = lines.size();
  BlockScan scan;
  scan.dropped.assign(n, false);
  bool skipping = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::string_view line = lines[i];
    if (skipping) {
      if (IsBlockHeaderLine(line)) {
        scan.open.push_back({start, i});
        skipping = false;
      } else {
        scan.dropped[i] = true;
        if (IsBlockTerminator(line)) skipping = false;
        continue;
      }
    }
    if (isStart(line)) {
      scan.starts.push_back(i);
      scan.dropped[i] = true;
      skipping = !IsBlockTerminator(line);
      start = i;
    }
  }
  if (skipping) scan.open.push_back({start, n});
  return scan;
}

// A line of Launch.local as a message quotes it: trimmed, and cut short when long.
std::string Quoted(std::string_view line) {
  constexpr std::size_t kLimit = 100;
  const std::string_view t = TrimSpaces(line);
  return t.size() <= kLimit ? std::string(t) : std::string(t.substr(0, kLimit)) + "...";
}

// What the log and the window say about each old block that had no terminator of its own.
std::vector<std::string> OpenBlockNotes(const std::vector<std::string_view>& lines,
                                        const std::vector<OpenBlock>& open) {
  std::vector<std::string> notes;
  for (const OpenBlock& b : open) {
    std::string note = "The old block " + Quoted(lines[b.header]) + " on line " +
                       std::to_string(b.header + 1) + " had no \"/ [EOA]\" line of its own: it was ended ";
    note += b.end < lines.size()
                ? "at line " + std::to_string(b.end + 1) + ", where " + Quoted(lines[b.end]) + " begins"
                : std::string("at the end of the file");
    notes.push_back(std::move(note));
  }
  return notes;
}

// 1-based offset in `text` of the "[" that opens the given line (a view into `text`).
int OffsetOfHeader(std::string_view text, std::string_view line) {
  const std::size_t lineAt = static_cast<std::size_t>(line.data() - text.data());
  const std::size_t bracket = line.find('[');
  return static_cast<int>(lineAt + (bracket == std::string_view::npos ? 0 : bracket)) + 1;
}

int FirstAddonHeaderOffset(std::string_view launchText, const std::vector<std::string_view>& lines,
                           const RegistrationHeader& h) {
  for (std::string_view line : lines) {
    if (IsAddonHeaderLine(line, h)) return OffsetOfHeader(launchText, line);
  }
  return 0;
}

}  // namespace

std::string OutcomeText(std::int16_t code) {
  switch (code) {
    case outcome::kAdded: return "Added this Addon to Launch.Local";
    case outcome::kAlreadyConfigured: return "Addon already correctly configured on Launch.Local";
    case outcome::kUpdated: return "Updating Launch.Local with the latest Addon setting";
    case outcome::kRemoved: return "Addon settings removed from Launch.Local";
    default: return "Result = " + std::to_string(code);
  }
}

bool IsSuccessfulOutcome(std::int16_t code) {
  return code <= outcome::kAdded && code >= outcome::kRemoved;
}

RegistrationHeader ParseHeader(std::string_view firstLine) {
  RegistrationHeader h;
  h.regId = std::string(TrimSpaces(firstLine));
  h.pos1 = Position(h.regId, '[');
  h.pos2 = Position(h.regId, '-');
  h.pos3 = Position(h.regId, ']');
  const int nameLength = h.pos2 - h.pos1 - 1;
  const int revLength = h.pos3 - h.pos2 - 1;
  if (nameLength >= 0 && revLength >= 0) {
    h.appName = h.regId.substr(static_cast<std::size_t>(h.pos1), static_cast<std::size_t>(nameLength));
    h.appRev = h.regId.substr(static_cast<std::size_t>(h.pos2), static_cast<std::size_t>(revLength));
  }
  // Blocks are found by their "[Name-" header, so a header must start that way and name something;
  // anything else could only be matched by guessing, and a wrong guess deletes another add-on.
  h.valid = nameLength > 0 && revLength >= 0 && h.pos1 == 1;
  return h;
}

bool IsBlockHeaderLine(std::string_view line) {
  const std::string_view t = TrimSpaces(line);
  if (t.empty() || t.front() != '[') return false;
  const std::size_t hyphen = t.find('-');
  const std::size_t close = t.find(']');
  return hyphen != std::string_view::npos && close != std::string_view::npos && hyphen < close;
}

bool IsAddonHeaderLine(std::string_view line, const RegistrationHeader& h) {
  return h.valid && IsBlockHeaderLine(line) && StartsWith(TrimSpaces(line), AddonPrefix(h));
}

bool IsSameRevisionLine(std::string_view line, const RegistrationHeader& h) {
  return IsAddonHeaderLine(line, h) && HeaderKey(TrimSpaces(line)) == HeaderKey(h.regId);
}

bool IsBlockTerminator(std::string_view line) {
  return line.find(kTerminator) != std::string_view::npos;
}

std::vector<std::string_view> TextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  if (text.empty()) return lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    const bool pair = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    start = end + (pair ? 2 : 1);
  }
}

std::string_view TakeFirstLine(std::string_view& text) {
  const std::size_t end = text.find_first_of("\r\n");
  const std::string_view first = text.substr(0, end);
  if (end == std::string_view::npos) {
    text = {};
  } else {
    const bool pair = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    text.remove_prefix(end + (pair ? 2 : 1));
  }
  return first;
}

std::string LoaderEcho(std::string_view loaderText) {
  if (loaderText.size() <= kEchoLimit) return std::string(loaderText);
  return std::string(loaderText.substr(0, kEchoLimit)) + "...";
}

UpdatePlan PlanInstall(std::string_view launchText, const RegistrationHeader& header,
                       std::string_view loaderRest) {
  UpdatePlan plan;
  const std::vector<std::string_view> lines = TextLines(launchText);
  const std::vector<std::string_view> settings = TextLines(loaderRest);
  const BlockScan scan =
      ScanBlocks(lines, [&](std::string_view line) { return IsAddonHeaderLine(line, header); });
  plan.foundAt = FirstAddonHeaderOffset(launchText, lines, header);

  if (scan.starts.empty()) {
    // First install: the file keeps its lines and the block goes at its end, one CR LF per line
    // (a final line break in the loader leaves one empty line after the block).
    plan.outcome = outcome::kAdded;
    plan.write = true;
    plan.newText.reserve(launchText.size() + lines.size() + header.regId.size() + loaderRest.size() +
                         settings.size() + 8);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) plan.newText.append(kCrLf);
      plan.newText.append(lines[i]);
    }
    AppendLine(plan.newText, header.regId);
    for (std::string_view line : settings) AppendLine(plan.newText, line);
    return plan;
  }

  if (scan.starts.size() == 1 && IsSameRevisionLine(lines[scan.starts.front()], header)) {
    plan.outcome = outcome::kAlreadyConfigured;
    return plan;
  }

  // Another revision, or more than one block of this add-on: the new block takes the first one's
  // place and the others go, since the host would start the add-on once for each.
  std::string block = header.regId;
  block.append(kCrLf);
  std::size_t count = settings.size();
  if (count > 0 && settings.back().empty()) --count;  // the loader's final line break
  for (std::size_t i = 0; i < count; ++i) AppendLine(block, settings[i]);

  std::string out;
  out.reserve(launchText.size() + block.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i == scan.starts.front()) out.append(block);
    if (!scan.dropped[i] && !lines[i].empty()) AppendLine(out, lines[i]);
  }
  plan.outcome = outcome::kUpdated;
  plan.write = true;
  plan.newText = FinishRewrite(out);
  plan.notes = OpenBlockNotes(lines, scan.open);
  return plan;
}

UpdatePlan PlanRemove(std::string_view launchText, const RegistrationHeader& header) {
  UpdatePlan plan;
  const std::vector<std::string_view> lines = TextLines(launchText);
  const BlockScan scan =
      ScanBlocks(lines, [&](std::string_view line) { return IsSameRevisionLine(line, header); });
  plan.foundAt = FirstAddonHeaderOffset(launchText, lines, header);
  plan.notes = OpenBlockNotes(lines, scan.open);
  std::string out;
  out.reserve(launchText.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!scan.dropped[i] && !lines[i].empty()) AppendLine(out, lines[i]);
  }
  plan.outcome = outcome::kRemoved;
  plan.write = true;
  plan.newText = FinishRewrite(out);
  return plan;
}

LaunchUpdate::LaunchUpdate(std::string loaderFile, FileLib& files, Prompts& prompts, EventLog& eventLog,
                           ProgressSink progress, std::int16_t& step, ProgressSink notice)
    : loaderFile_(std::move(loaderFile)),
      files_(files),
      prompts_(prompts),
      eventLog_(eventLog),
      progress_(std::move(progress)),
      step_(step),
      notice_(notice ? std::move(notice) : progress_) {}

void LaunchUpdate::Tell(const UpdatePlan& plan) {
  for (const std::string& note : plan.notes) notice_(note);
}

std::int16_t LaunchUpdate::AddAddon(const std::string& launchPath) {
  RegistrationHeader header;
  int pos1Shown = 0;
  try {
    step_ = 201;
    progress_("Reading: " + launchPath);
    const std::string launchText = ReadFile(launchPath) + std::string(kCrLf);

    progress_("Reading: " + loaderFile_);
    step_ = 202;
    const std::string loaderText = ReadFile(loaderFile_);
    progress_(">>>Finding: " + LoaderEcho(loaderText));

    step_ = 203;
    std::string_view loaderRest = loaderText;
    header = ReadHeader(loaderText, loaderRest);
    pos1Shown = header.pos1;

    step_ = 204;
    progress_("Reading: " + launchPath);
    UpdatePlan plan = PlanInstall(launchText, header, loaderRest);
    pos1Shown = plan.foundAt;
    if (plan.outcome == outcome::kAdded) {
      step_ = 205;
    } else if (plan.outcome == outcome::kAlreadyConfigured) {
      step_ = 206;
    } else {
      step_ = 207;
    }
    if (!plan.write) return plan.outcome;
    Tell(plan);
    const std::int16_t written = Write(launchPath, plan.newText);
    return written == 0 ? plan.outcome : written;
  } catch (const LoaderProblem& e) {
    ReportFailure("AddAddon", e.what(), e.header, e.header.pos1);
  } catch (const RunError& e) {
    ReportFailure("AddAddon", e.description, header, pos1Shown);
  } catch (const std::exception& e) {
    ReportFailure("AddAddon", e.what(), header, pos1Shown);
  }
  return outcome::kReportedFailure;
}

std::int16_t LaunchUpdate::RemoveAddon(const std::string& launchPath) {
  RegistrationHeader header;
  int pos1Shown = 0;
  try {
    step_ = 301;
    progress_("Reading: " + launchPath);
    const std::string launchText = ReadFile(launchPath);

    progress_("Reading: " + loaderFile_);
    step_ = 302;
    const std::string loaderText = ReadFile(loaderFile_);

    step_ = 303;
    std::string_view loaderRest = loaderText;
    header = ReadHeader(loaderText, loaderRest);
    pos1Shown = header.pos1;

    step_ = 304;
    const UpdatePlan plan = PlanRemove(launchText, header);
    pos1Shown = plan.foundAt;
    step_ = 305;
    Tell(plan);
    const std::int16_t written = Write(launchPath, plan.newText);
    return written == 0 ? plan.outcome : written;
  } catch (const LoaderProblem& e) {
    ReportFailure("RemoveAddon", e.what(), e.header, e.header.pos1);
  } catch (const RunError& e) {
    ReportFailure("RemoveAddon", e.description, header, pos1Shown);
  } catch (const std::exception& e) {
    ReportFailure("RemoveAddon", e.what(), header, pos1Shown);
  }
  return outcome::kReportedFailure;
}

// The header of the loader text; `rest` is left holding the settings after it. A loader that
// is missing, empty or headless is reported with what the operator has to mend.
RegistrationHeader LaunchUpdate::ReadHeader(std::string_view loaderText, std::string_view& rest) {
  RegistrationHeader header = ParseHeader(TakeFirstLine(rest));
  if (header.valid) return header;
  if (loaderText.empty()) {
    const bool present = HostFileExists(loaderFile_);
    throw LoaderProblem(header,
                        "The loader file " + loaderFile_ + (present ? " is empty." : " was not found."));
  }
  throw LoaderProblem(header, "The first line of the loader file " + loaderFile_ +
                                  " must be its header, such as [Name-1.0].");
}

std::string LaunchUpdate::ReadFile(const std::string& hostPath) {
  try {
    return files_.ReadTextFileContents(LocalPath(hostPath));
  } catch (const RunError& e) {
    throw LoaderProblem({}, "Could not read " + hostPath + ": " + e.description);
  }
}

// 0 when written; else the error number, which the caller passes up as the outcome. The write
// is a replace (temporary file, then rename), so a failure leaves the old file as it was.
std::int16_t LaunchUpdate::Write(const std::string& launchPath, const std::string& text) {
  const std::int16_t result = WriteTextFileContents(LocalPath(launchPath), text);
  return result == -1 ? 0 : result;
}

void LaunchUpdate::ReportFailure(const std::string& operation, const std::string& what,
                                 const RegistrationHeader& h, int pos1) {
  eventLog_.Error(what + " in Addlaunch:" + operation + ", Step = " + std::to_string(step_));
  prompts_.Message("Error at Step: " + std::to_string(step_) + "\r\n>>>RegID=" + h.regId +
                   ", Pos1=" + std::to_string(pos1) + ", pos2=" + std::to_string(h.pos2) +
                   ", pos3=" + std::to_string(h.pos3) + ", AppName=" + h.appName + ", AppRev=" + h.appRev +
                   "\r\n" + what);
}

}  // namespace cadro::addlaunch
