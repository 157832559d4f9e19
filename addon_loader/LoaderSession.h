#pragma once
// What Addlaunch does from the moment its window loads until it ends: take the command line,
// ask whether to integrate (install only), find the host's program and data directories,
// update Launch.local and report the outcome. The window only shows and collects; it plugs in
// as a LoaderView.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FileLib.h"
#include "LoaderLog.h"
#include "Platform.h"

namespace cadro::addlaunch {

// The program's exit status, for the installer that ran it.
enum class ExitStatus : int {
  kDone = 0,            // Launch.local updated, already right, or the user chose stand-alone
  kBadCommandLine = 1,  // not exactly two values on the command line
  kNoProgramDir = 2,    // no host program directory found or picked
  kNoDataDir = 3,       // no Vantrel.conf, or no DATADIR in it
  kUpdateFailed = 4,    // the update failed (a write error or a reported failure)
  kClosed = 5,          // the window was closed before Launch.local was touched
  kError = 6,           // an unexpected error, reported in a box
};

class LoaderView {
public:
  virtual ~LoaderView() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void ClearOutput() = 0;
  // Appends one progress line (the view ends it with CR LF).
  virtual void AppendOutput(const std::string& line) = 0;
  // Lets the user pick one of several program directories (CR LF separated); empty on cancel.
  virtual std::string ChooseProgramPath(const std::string& candidateDirs) = 0;
  // The folder picker: a host path, or empty when the user cancelled.
  virtual std::string GetVantrelDirName() = 0;
};

// What the run asks of whoever drives it once a stage is done: a pause of the given length
// (during which the window stays responsive and may be closed), or the end with a status.
struct LoaderNext {
  bool finished = false;
  int pauseMilliseconds = 0;
  ExitStatus status = ExitStatus::kDone;

  static LoaderNext Pause(int milliseconds) { return {false, milliseconds, ExitStatus::kDone}; }
  static LoaderNext Finish(ExitStatus status) { return {true, 0, status}; }
};

// The entries the program-path chooser lists: the lines of `candidateDirs`, trimmed, without
// empty lines and lines starting with "/".
std::vector<std::string> PathLookupItems(std::string_view candidateDirs);

// The run in stages, one between two pauses, so that nothing waits on the stack: Start runs the
// window's load up to the first pause, Resume goes on after each pause, and Close ends the run
// when the window is closed during a pause.
class LoaderSession {
public:
  LoaderSession(const Services& services, LoaderView& view, std::string programFolder,
                std::string loaderVersion);

  LoaderNext Start(std::string_view commandLine);
  LoaderNext Resume();
  // The status the run ends with when the window is closed now.
  ExitStatus Close();
  bool finished() const { return stage_ == Stage::kFinished; }

  bool GetCommandLine(std::string_view text);

  std::int16_t step() const { return step_; }
  const std::string& action() const { return action_; }
  const std::string& loaderFile() const { return loaderFile_; }
  const std::string& candidateDirs() const { return candidateDirs_; }
  const std::string& chosenDir() const { return chosenDir_; }
  const std::string& dataDir() const { return dataDir_; }
  std::int16_t outcome() const { return outcome_; }
  const std::string& logFile() const { return log_.file(); }

private:
  enum class Stage { kNotStarted, kSearching, kReadingConf, kUpdating, kShowingOutcome, kFinished };

  // Each stage runs to its pause or to the end of the run.
  LoaderNext Load(std::string_view commandLine);
  LoaderNext FindProgramDirectory();
  LoaderNext ReadDataDirectory();
  LoaderNext UpdateLaunchFile();
  template <typename StageFn>
  LoaderNext Guarded(StageFn stage);
  LoaderNext PauseBefore(Stage next, int milliseconds);
  LoaderNext Finish(ExitStatus status);
  void ReportError(long number, const std::string& description);

  const Services& services_;
  LoaderView& view_;
  std::string programFolder_;
  std::string loaderVersion_;
  LoaderLog log_;
  FileLib files_;
  Stage stage_ = Stage::kNotStarted;
  std::int16_t step_ = 0;
  bool install_ = false;
  std::string action_;
  std::string loaderFile_;
  std::string candidateDirs_;
  std::string chosenDir_;
  std::string directory_;
  std::string dataDir_;
  std::string launchPath_;
  std::int16_t outcome_ = 0;
  ExitStatus outcomeStatus_ = ExitStatus::kDone;
};

}  // namespace cadro::addlaunch
