#include "LaunchUpdate.h"

#include <exception>
#include <utility>

#include "FileLib.h"
#include "HostFiles.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro::addlaunch {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kTerminator = "/ [EOA]";

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

// A block whose terminator never comes ends where the next block begins, so an old block
// without "/ [EOA]" can never swallow the registrations of other add-ons after it.
class BlockSkipper {
public:
  void Start(std::string_view headerLine) { skipping_ = !IsBlockTerminator(headerLine); }
  // True when `line` belongs to the block being skipped and is to be dropped.
  bool Swallows(std::string_view line) {
    if (!skipping_) return false;
    if (IsBlockHeaderLine(line)) {
      skipping_ = false;
      return false;
    }
    if (IsBlockTerminator(line)) skipping_ = false;
    return true;
  }

private:
  bool skipping_ = false;
};

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

int FirstAddonHeaderOffset(std::string_view launchText, const RegistrationHeader& h) {
  std::string_view rest = launchText;
  while (!rest.empty()) {
    const std::size_t offset = launchText.size() - rest.size();
    if (IsAddonHeaderLine(GetLine(rest), h)) {
      const std::string prefix = AddonPrefix(h);
      const std::size_t at = launchText.find(prefix, offset);
      return at == std::string_view::npos ? static_cast<int>(offset) + 1 : static_cast<int>(at) + 1;
    }
  }
  return 0;
}

bool HoldsSameRevision(std::string_view launchText, const RegistrationHeader& h) {
  std::string_view rest = launchText;
  while (!rest.empty()) {
    if (IsSameRevisionLine(GetLine(rest), h)) return true;
  }
  return false;
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

UpdatePlan PlanInstall(std::string_view launchText, const RegistrationHeader& header,
                       std::string_view loaderRest) {
  UpdatePlan plan;
  plan.foundAt = FirstAddonHeaderOffset(launchText, header);

  if (plan.foundAt == 0) {
    // First install: the file stays as it is and the block goes at its end, one CR LF per line.
    plan.outcome = outcome::kAdded;
    plan.write = true;
    plan.newText.reserve(launchText.size() + header.regId.size() + loaderRest.size() + 64);
    plan.newText.append(launchText);
    AppendLine(plan.newText, header.regId);
    std::string_view rest = loaderRest;
    while (!rest.empty()) AppendLine(plan.newText, GetLine(rest));
    return plan;
  }

  if (HoldsSameRevision(launchText, header)) {
    plan.outcome = outcome::kAlreadyConfigured;
    return plan;
  }

  // Another revision: the new block takes the old one's place. A second registration of the
  // same add-on would make the host start it twice, so later ones are dropped.
  std::string block = header.regId;
  block.append(kCrLf);
  // GetLine stops at the header's CR; its LF still leads the rest. It belongs to the header's
  // line break, which is already written, and left in place it would lead the first setting.
  std::string_view settings = loaderRest;
  if (!settings.empty() && settings.front() == '\n') settings.remove_prefix(1);
  block.append(settings);
  // Whatever follows the block must start on a line of its own, also when the loader file
  // lacks its final line break (a trailing LF alone does not end a line for the host).
  const std::size_t lastNonLf = block.find_last_not_of('\n');
  if (lastNonLf == std::string::npos || block[lastNonLf] != '\r') block.append(kCrLf);

  std::string out;
  out.reserve(launchText.size() + block.size());
  BlockSkipper skipper;
  bool placed = false;
  std::string_view rest = launchText;
  while (!rest.empty()) {
    const std::string line = GetLine(rest);
    if (skipper.Swallows(line)) continue;
    if (IsAddonHeaderLine(line, header)) {
      if (!placed) out.append(block);
      placed = true;
      skipper.Start(line);
      continue;
    }
    if (!line.empty()) AppendLine(out, line);
  }
  plan.outcome = outcome::kUpdated;
  plan.write = true;
  plan.newText = FinishRewrite(out);
  return plan;
}

UpdatePlan PlanRemove(std::string_view launchText, const RegistrationHeader& header) {
  UpdatePlan plan;
  plan.foundAt = FirstAddonHeaderOffset(launchText, header);
  std::string out;
  out.reserve(launchText.size());
  BlockSkipper skipper;
  std::string_view rest = launchText;
  while (!rest.empty()) {
    const std::string line = GetLine(rest);
    if (skipper.Swallows(line)) continue;
    if (IsSameRevisionLine(line, header)) {
      skipper.Start(line);
      continue;
    }
    if (!line.empty()) AppendLine(out, line);
  }
  plan.outcome = outcome::kRemoved;
  plan.write = true;
  plan.newText = FinishRewrite(out);
  return plan;
}

LaunchUpdate::LaunchUpdate(std::string loaderFile, FileLib& files, Prompts& prompts, EventLog& eventLog,
                           ProgressSink progress, std::int16_t& step)
    : loaderFile_(std::move(loaderFile)),
      files_(files),
      prompts_(prompts),
      eventLog_(eventLog),
      progress_(std::move(progress)),
      step_(step) {}

std::int16_t LaunchUpdate::AddAddon(const std::string& launchPath) {
  RegistrationHeader header;
  int pos1Shown = 0;
  try {
    step_ = 201;
    progress_("Reading: " + launchPath);
    const std::string launchText = ReadTextFile(launchPath) + std::string(kCrLf);

    progress_("Reading: " + loaderFile_);
    step_ = 202;
    std::string loaderText = ReadTextFile(loaderFile_);
    progress_(">>>Finding: " + loaderText);

    step_ = 203;
    std::string_view loaderRest = loaderText;
    header = ParseHeader(GetLine(loaderRest));
    pos1Shown = header.pos1;
    if (!header.valid) throw MakeRunError(err::kInvalidArgument);

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
    const std::int16_t written = Write(launchPath, plan.newText);
    return written == 0 ? plan.outcome : written;
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
    const std::string launchText = ReadTextFile(launchPath);

    progress_("Reading: " + loaderFile_);
    step_ = 302;
    const std::string loaderText = ReadTextFile(loaderFile_);

    step_ = 303;
    std::string_view loaderRest = loaderText;
    header = ParseHeader(GetLine(loaderRest));
    pos1Shown = header.pos1;
    if (!header.valid) throw MakeRunError(err::kInvalidArgument);

    step_ = 304;
    const UpdatePlan plan = PlanRemove(launchText, header);
    pos1Shown = plan.foundAt;
    step_ = 305;
    const std::int16_t written = Write(launchPath, plan.newText);
    return written == 0 ? plan.outcome : written;
  } catch (const RunError& e) {
    ReportFailure("RemoveAddon", e.description, header, pos1Shown);
  } catch (const std::exception& e) {
    ReportFailure("RemoveAddon", e.what(), header, pos1Shown);
  }
  return outcome::kReportedFailure;
}

std::string LaunchUpdate::ReadTextFile(const std::string& hostPath) {
  return files_.ReadTextFileContents(LocalPath(hostPath));
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
                   ", pos3=" + std::to_string(h.pos3) + ", AppName=" + h.appName + ", AppRev=" + h.appRev);
}

}  // namespace cadro::addlaunch
