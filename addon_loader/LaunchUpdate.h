#pragma once
// Registering an add-on in the host's Launch.local and taking the registration away again.
//
// An add-on ships a loader file: its first line is the registration header "[Name-Rev]", the
// lines after it are the add-on's launch settings, by custom closed with a "/ [EOA]" line.
// Launch.local is a sequence of such blocks. This code never interprets the settings; it finds,
// copies and drops whole blocks, and only ever touches the blocks of the add-on at hand.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform.h"

namespace cadro {
class FileLib;
}

namespace cadro::addlaunch {

// Outcome codes handed back to the window. Any other value is the error number of a failed
// write, or 0 after a failure that was already reported in a box.
namespace outcome {
inline constexpr std::int16_t kAdded = -2;
inline constexpr std::int16_t kAlreadyConfigured = -3;
inline constexpr std::int16_t kUpdated = -4;
inline constexpr std::int16_t kRemoved = -5;
inline constexpr std::int16_t kReportedFailure = 0;
}  // namespace outcome

// The text the window shows and logs for an outcome code.
std::string OutcomeText(std::int16_t code);

// True for the codes that mean Launch.local now says what the installer asked for.
bool IsSuccessfulOutcome(std::int16_t code);

// The registration header of a loader file. Positions count from 1 and are 0 when absent, as
// the failure report shows them.
struct RegistrationHeader {
  std::string regId;  // the trimmed first line
  std::string appName;
  std::string appRev;
  int pos1 = 0;  // first "["
  int pos2 = 0;  // first "-": the name ends there, so a name never holds a hyphen
  int pos3 = 0;  // first "]"
  bool valid = false;
};

RegistrationHeader ParseHeader(std::string_view firstLine);

// Line tests on Launch.local. All compare the line with its surrounding spaces removed.
bool IsBlockHeaderLine(std::string_view line);                               // "[x-y]" of any add-on
bool IsAddonHeaderLine(std::string_view line, const RegistrationHeader& h);  // "[Name-" of this one
bool IsSameRevisionLine(std::string_view line, const RegistrationHeader& h);
bool IsBlockTerminator(std::string_view line);  // holds "/ [EOA]"

// The lines of a text. CR LF, a lone CR and a lone LF each end a line, as editors on either
// platform leave them; a text that ends with a line end has an empty last line.
std::vector<std::string_view> TextLines(std::string_view text);
// The first line of `text` by the same rule; `text` keeps what follows its line end.
std::string_view TakeFirstLine(std::string_view& text);

// The loader text as the window echoes it: whole when short, else its start and "...".
std::string LoaderEcho(std::string_view loaderText);

// The pure text transformations behind AddAddon and RemoveAddon. `launchText` is the current
// content of Launch.local, `loaderRest` the loader file after its header line (as
// TakeFirstLine left it). `newText` is empty when nothing is to be written.
struct UpdatePlan {
  std::int16_t outcome = outcome::kReportedFailure;
  bool write = false;
  std::string newText;
  int foundAt = 0;  // 1-based offset of this add-on's first header line in the text, 0 if none
  // One sentence per dropped old block that had no terminator of its own, saying where it ended.
  std::vector<std::string> notes;
};
UpdatePlan PlanInstall(std::string_view launchText, const RegistrationHeader& header,
                       std::string_view loaderRest);
UpdatePlan PlanRemove(std::string_view launchText, const RegistrationHeader& header);

// The update as the window runs it: reads both files, reports progress lines, keeps `step`
// current for failure reports, writes Launch.local atomically. Paths are as the host names them
// (drive paths go through HostPath; native absolute paths are used as they are).
class LaunchUpdate {
public:
  using ProgressSink = std::function<void(const std::string& line)>;

  // `notice` hears what the operator should know beyond the progress (an old block that had to
  // be bounded without its terminator); the window also logs it. Without one, notices are
  // progress lines.
  LaunchUpdate(std::string loaderFile, FileLib& files, Prompts& prompts, EventLog& eventLog,
               ProgressSink progress, std::int16_t& step, ProgressSink notice = {});

  std::int16_t AddAddon(const std::string& launchPath);
  std::int16_t RemoveAddon(const std::string& launchPath);

private:
  std::int16_t Write(const std::string& launchPath, const std::string& text);
  void Tell(const UpdatePlan& plan);
  void ReportFailure(const std::string& operation, const std::string& what, const RegistrationHeader& h,
                     int pos1);
  RegistrationHeader ReadHeader(std::string_view loaderText, std::string_view& rest);
  std::string ReadFile(const std::string& hostPath);

  std::string loaderFile_;
  FileLib& files_;
  Prompts& prompts_;
  EventLog& eventLog_;
  ProgressSink progress_;
  std::int16_t& step_;
  ProgressSink notice_;
};

}  // namespace cadro::addlaunch
