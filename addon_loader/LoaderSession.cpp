#include "LoaderSession.h"

#include <exception>

#include "CommandLine.h"
#include "FileIO.h"
#include "HostFiles.h"
#include "LaunchUpdate.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro::addlaunch {
namespace {

constexpr const char* kProgramTitle = "Addlaunch";

int CountLines(std::string_view text) {
  int count = 0;
  while (!text.empty()) {
    if (!TrimSpaces(GetLine(text)).empty()) ++count;
  }
  return count;
}

}  // namespace

std::vector<std::string> PathLookupItems(std::string_view candidateDirs) {
  std::vector<std::string> items;
  while (!candidateDirs.empty()) {
    const std::string line = GetLine(candidateDirs);
    const std::string_view item = TrimSpaces(line);
    if (!item.empty() && item.front() != '/') items.emplace_back(item);
  }
  return items;
}

LoaderSession::LoaderSession(const Services& services, LoaderView& view, std::string programFolder,
                             std::string loaderVersion)
    : services_(services),
      view_(view),
      programFolder_(std::move(programFolder)),
      loaderVersion_(std::move(loaderVersion)),
      log_(JoinPath(JoinPath(programFolder_, "logs"), "Addlaunch.log"), services.clock, services.locale,
           services.prompts),
      files_(services.eventLog, programFolder_) {}

LoaderNext LoaderSession::Start(std::string_view commandLine) {
  if (stage_ != Stage::kNotStarted) return LoaderNext::Finish(ExitStatus::kError);
  return Guarded([&] { return Load(commandLine); });
}

LoaderNext LoaderSession::Resume() {
  switch (stage_) {
    case Stage::kSearching: return Guarded([&] { return FindProgramDirectory(); });
    case Stage::kReadingConf: return Guarded([&] { return ReadDataDirectory(); });
    case Stage::kUpdating: return Guarded([&] { return UpdateLaunchFile(); });
    case Stage::kShowingOutcome: return Finish(outcomeStatus_);
    case Stage::kNotStarted:
    case Stage::kFinished: break;
  }
  return LoaderNext::Finish(ExitStatus::kError);
}

ExitStatus LoaderSession::Close() {
  switch (stage_) {
    case Stage::kSearching:
    case Stage::kReadingConf:
    case Stage::kUpdating:
      log_.WriteLog("Window closed; Launch.local was not changed");
      return Finish(ExitStatus::kClosed).status;
    // The outcome stands whether or not the user waits for the last pause to end.
    case Stage::kShowingOutcome: return Finish(outcomeStatus_).status;
    case Stage::kNotStarted:
    case Stage::kFinished: break;
  }
  stage_ = Stage::kFinished;
  return ExitStatus::kClosed;
}

template <typename StageFn>
LoaderNext LoaderSession::Guarded(StageFn stage) {
  try {
    return stage();
  } catch (const RunError& e) {
    ReportError(e.number, e.description);
  } catch (const std::exception& e) {
    ReportError(err::kPathFileAccess, e.what());
  }
  return Finish(ExitStatus::kError);
}

LoaderNext LoaderSession::PauseBefore(Stage next, int milliseconds) {
  stage_ = next;
  return LoaderNext::Pause(milliseconds);
}

LoaderNext LoaderSession::Finish(ExitStatus status) {
  stage_ = Stage::kFinished;
  return LoaderNext::Finish(status);
}

LoaderNext LoaderSession::Load(std::string_view commandLine) {
  view_.ClearOutput();
  view_.SetCaption("Launch.Local Loader v" + loaderVersion_);
  step_ = 3;
  log_.SetupLog(loaderVersion_);
  log_.WriteLog("Starting Launch.local update process");
  if (!GetCommandLine(commandLine)) {
    log_.WriteLog("Missing Launch file on command line.");
    return Finish(ExitStatus::kBadCommandLine);
  }
  install_ = IsInstallAction(action_);
  view_.AppendOutput(install_ ? "** Installing Add-on **" : "** Uninstalling Add-on **");
  log_.WriteLog("Found loader file: " + loaderFile_);
  view_.AppendOutput("Found loader File: " + loaderFile_);

  if (install_ && !services_.prompts.AskYesNo("Integrate this Add-on with Vantrel on this PC?\r\n\r\n"
                                              "Press 'Yes' to update Vantrel's Launch.Local file.\r\n"
                                              "Press 'No' to run this program standalone.",
                                              "Integrate with Vantrel")) {
    log_.WriteLog("Setting up as a stand-alone program");
    return Finish(ExitStatus::kDone);
  }
  view_.AppendOutput("Searching for installed Vantrel program... ");
  return PauseBefore(Stage::kSearching, 500);
}

bool LoaderSession::GetCommandLine(std::string_view text) {
  try {
    step_ = 41;
    const CommandLineValues values = SplitCommandLine(text);
    if (values.ok()) {
      step_ = 42;
      action_ = values.action;
      loaderFile_ = values.loaderFile;
      return true;
    }
    services_.prompts.Message(CommandLineHelp(values.count), kProgramTitle);
    return false;
  } catch (const std::exception& e) {
    const std::string description = e.what();
    const std::string stepText = ", Step = " + std::to_string(step_);
    services_.eventLog.Error(description + " in Addlaunch:GetCommandLine" + stepText);
    throw RunError(err::kObjectErrorBase + err::kOutOfMemory, description + stepText,
                   "Addlaunch:GetCommandLine");
  }
}

LoaderNext LoaderSession::FindProgramDirectory() {
  const std::string found = FindHostDirs();
  directory_.clear();
  const int count = CountLines(found);
  if (count > 1) {
    candidateDirs_ = found;
    chosenDir_ = view_.ChooseProgramPath(candidateDirs_);
    directory_ = chosenDir_;
  } else if (count == 1) {
    directory_ = std::string(TrimSpaces(found));
  }

  if (directory_.empty()) {
    services_.prompts.Message(
        "No Vantrel directory was found.  After pressing OK,\r\n"
        "navigate to select the 'Program Directory' (it will show empty),\r\n"
        "and then press Save.");
    directory_ = view_.GetVantrelDirName();
    if (directory_.empty()) {
      log_.WriteLog(std::string("No Vantrel program directory was found or selected") + "; quiting");
      services_.prompts.Message(
          "No Vantrel program directory was selected.  Verify that\r\n"
          "Vantrel is correctly installed or your selected path is correct.");
      return Finish(ExitStatus::kNoProgramDir);
    }
  }

  log_.WriteLog("Found Vantrel program directory at " + directory_);
  view_.AppendOutput("Program Path: " + directory_);

  dataDir_.clear();
  view_.AppendOutput("Retrieving Vantrel data directory...");
  return PauseBefore(Stage::kReadingConf, 500);
}

LoaderNext LoaderSession::ReadDataDirectory() {
  const std::string confPath = JoinHostPath(directory_, "Vantrel.conf");
  if (HostFileExists(confPath)) {
    dataDir_ = files_.GetPathFromConf(LocalPath(confPath));
    log_.WriteLog("Found Vantrel data directory at " + dataDir_);
    view_.AppendOutput("Data Path: " + dataDir_);
  }

  if (dataDir_.empty()) {
    log_.WriteLog("Could not find Vantrel.conf in directory " + directory_ + "; quiting");
    services_.prompts.Message("Could not find Vantrel.conf in directory " + directory_ +
                                  " .\r\nPlease confirm that the path is correct and that Vantrel is "
                                  "correctly installed.",
                              "Launch.local Update");
    return Finish(ExitStatus::kNoDataDir);
  }

  launchPath_ = JoinHostPath(dataDir_, "Launch.local");
  log_.WriteLog("Starting Update to " + launchPath_);
  view_.AppendOutput("Updating: " + launchPath_);
  return PauseBefore(Stage::kUpdating, 500);
}

LoaderNext LoaderSession::UpdateLaunchFile() {
  LaunchUpdate update(
      loaderFile_, files_, services_.prompts, services_.eventLog,
      [this](const std::string& line) { view_.AppendOutput(line); }, step_,
      [this](const std::string& note) {
        log_.WriteLog(note);
        view_.AppendOutput(note);
      });
  outcome_ = install_ ? update.AddAddon(launchPath_) : update.RemoveAddon(launchPath_);
  const std::string text = OutcomeText(outcome_);
  log_.WriteLog("Update outcome: " + text);
  view_.AppendOutput(text);
  outcomeStatus_ = IsSuccessfulOutcome(outcome_) ? ExitStatus::kDone : ExitStatus::kUpdateFailed;
  return PauseBefore(Stage::kShowingOutcome, 3000);
}

void LoaderSession::ReportError(long number, const std::string& description) {
  const std::string text = "Error " + std::to_string(number) + ", " + description;
  log_.WriteLog(text);
  services_.prompts.Message(text);
}

}  // namespace cadro::addlaunch
