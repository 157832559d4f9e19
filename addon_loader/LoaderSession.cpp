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

ExitStatus LoaderSession::Load(std::string_view commandLine) {
  view_.ClearOutput();
  view_.SetCaption("Launch.Local Loader v" + loaderVersion_);
  step_ = 3;
  try {
    log_.SetupLog(loaderVersion_);
    log_.WriteLog("Starting Launch.local update process");
    if (!GetCommandLine(commandLine)) {
      log_.WriteLog("Missing Launch file on command line.");
      return ExitStatus::kBadCommandLine;
    }
    view_.AppendOutput(IsInstallAction(action_) ? "** Installing Add-on **" : "** Uninstalling Add-on **");
    log_.WriteLog("Found loader file: " + loaderFile_);
    view_.AppendOutput("Found loader File: " + loaderFile_);
    return RunUpdate(action_);
  } catch (const RunError& e) {
    ReportError(e.number, e.description);
  } catch (const std::exception& e) {
    ReportError(err::kPathFileAccess, e.what());
  }
  return ExitStatus::kError;
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

ExitStatus LoaderSession::RunUpdate(const std::string& action) {
  const bool install = IsInstallAction(action);
  if (install && !services_.prompts.AskYesNo("Integrate this Add-on with Vantrel on this PC?\r\n\r\n"
                                             "Press 'Yes' to update Vantrel's Launch.Local file.\r\n"
                                             "Press 'No' to run this program standalone.",
                                             "Integrate with Vantrel")) {
    log_.WriteLog("Setting up as a stand-alone program");
    return ExitStatus::kDone;
  }

  view_.AppendOutput("Searching for installed Vantrel program... ");
  if (!view_.Pause(500)) return Closed();

  const std::string found = FindHostDirs();
  std::string directory;
  const int count = CountLines(found);
  if (count > 1) {
    candidateDirs_ = found;
    chosenDir_ = view_.ChooseProgramPath(candidateDirs_);
    directory = chosenDir_;
  } else if (count == 1) {
    directory = std::string(TrimSpaces(found));
  }

  if (directory.empty()) {
    services_.prompts.Message(
        "No Vantrel directory was found.  After pressing OK,\r\n"
        "navigate to select the 'Program Directory' (it will show empty),\r\n"
        "and then press Save.");
    directory = view_.GetVantrelDirName();
    if (directory.empty()) {
      log_.WriteLog(std::string("No Vantrel program directory was found or selected") + "; quiting");
      services_.prompts.Message(
          "No Vantrel program directory was selected.  Verify that\r\n"
          "Vantrel is correctly installed or your selected path is correct.");
      return ExitStatus::kNoProgramDir;
    }
  }

  log_.WriteLog("Found Vantrel program directory at " + directory);
  view_.AppendOutput("Program Path: " + directory);

  dataDir_.clear();
  view_.AppendOutput("Retrieving Vantrel data directory...");
  if (!view_.Pause(500)) return Closed();

  const std::string confPath = JoinHostPath(directory, "Vantrel.conf");
  if (HostFileExists(confPath)) {
    dataDir_ = files_.GetPathFromConf(LocalPath(confPath));
    log_.WriteLog("Found Vantrel data directory at " + dataDir_);
    view_.AppendOutput("Data Path: " + dataDir_);
  }

  if (dataDir_.empty()) {
    log_.WriteLog("Could not find Vantrel.conf in directory " + directory + "; quiting");
    services_.prompts.Message("Could not find Vantrel.conf in directory " + directory +
                                  " .\r\nPlease confirm that the path is correct and that Vantrel is "
                                  "correctly installed.",
                              "Launch.local Update");
    return ExitStatus::kNoDataDir;
  }

  const std::string launchPath = JoinHostPath(dataDir_, "Launch.local");
  log_.WriteLog("Starting Update to " + launchPath);
  view_.AppendOutput("Updating: " + launchPath);
  if (!view_.Pause(500)) return Closed();

  LaunchUpdate update(
      loaderFile_, files_, services_.prompts, services_.eventLog,
      [this](const std::string& line) { view_.AppendOutput(line); }, step_);
  outcome_ = install ? update.AddAddon(launchPath) : update.RemoveAddon(launchPath);
  const std::string text = OutcomeText(outcome_);
  log_.WriteLog("Update outcome: " + text);
  view_.AppendOutput(text);
  // The outcome stands whether or not the user waits for the pause to end.
  view_.Pause(3000);
  return IsSuccessfulOutcome(outcome_) ? ExitStatus::kDone : ExitStatus::kUpdateFailed;
}

ExitStatus LoaderSession::Closed() {
  log_.WriteLog("Window closed; Launch.local was not changed");
  return ExitStatus::kClosed;
}

void LoaderSession::ReportError(long number, const std::string& description) {
  const std::string text = "Error " + std::to_string(number) + ", " + description;
  log_.WriteLog(text);
  services_.prompts.Message(text);
}

}  // namespace cadro::addlaunch
