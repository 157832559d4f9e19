#include "ReportSession.h"

#include "AnsiText.h"
#include "CadroVersion.h"
#include "FileIO.h"
#include "RunError.h"

namespace cadro {

ReportSession::ReportSession(Services& services, Printers& printers, std::string programFolder,
                             ReportView& view)
    : services_(services),
      printers_(printers),
      programFolder_(std::move(programFolder)),
      view_(view),
      log_(programFolder_, services) {}

ReportSession::~ReportSession() {
  Unload();
}

std::string ReportSession::WindowCaption() {
  return std::string(kProgramTitle) + " v" + kProgramVersion;
}

std::optional<RunStatus> ReportSession::Load(const std::string& commandLine) {
  view_.ShowProgress(std::string("Starting up ") + kProgramTitle + ", v" + kProgramVersion + "\r\n");
  view_.SetPreviewEnabled(false);
  view_.SetPrintEnabled(false);

  const ParsedCommandLine parsed = ParseCommandLine(commandLine);
  options_ = parsed.options;
  // Printer names are compared in the code page the printer list uses; file names stay bytes.
  options_.targetPrinter = Utf8ToAnsi(options_.targetPrinter);
  view_.ShowProgress("Parsed Commands\r\n");
  view_.ShowProgress(Utf8ToAnsi(parsed.listing) + "\r\n");

  global_ = std::make_unique<VtGlobal>(JoinPath(programFolder_, "Vantrel.glo"), kProgramVersion,
                                       printers_.DefaultPrinter(), services_.eventLog);
  CheckPrinter();
  global_->ReplaceMissingPrinter(printers_.InstalledPrinters(),
                                 printerInstalled_ ? printers_.CurrentPrinter() : "");
  log_.SetupLog(false);

  const auto buildFailed = [this](const std::string& what, const std::string& reason, RunStatus status) {
    services_.prompts.Message("Could not build " + what + " Definition Array;\r\n" + what + " file " + reason,
                              kProgramTitle);
    return Failed(status, what + " file " + reason);
  };

  // A form or a message with no items would print a blank page: that is a failure too. A folder
  // named in place of a file says so, as a device or a pipe does, rather than that it is empty.
  const auto nothingRead = [](const BuildResult& read) {
    return BuildResult{err::kPathFileAccess, read.folder ? "is not a plain file" : "holds no items"};
  };
  BuildResult form = BuildFDFarray(options_.formFileName, form_);
  if (form.ok() && form_.items.empty()) form = nothingRead(form);
  if (!form.ok()) return buildFailed("Forms", form.reason, RunStatus::FormFailed);
  view_.ShowProgress("Form File found and loaded\r\n");
  view_.SetPreviewEnabled(true);
  view_.SetPrintEnabled(printerInstalled_);

  BuildResult data = BuildDataArray(options_.dataFileName, data_);
  if (data.ok() && data_.empty()) data = nothingRead(data);
  if (!data.ok()) return buildFailed("Data", data.reason, RunStatus::DataFailed);
  view_.ShowProgress("Message text found and loaded\r\n");
  if (options_.applyAutoPrint) {
    if (!printerInstalled_) {
      view_.ShowProgress("No printer installed: the report was not printed\r\n");
      return Failed(RunStatus::NoPrinter, "No Printer Installed");
    }
    if (!PrintReport()) return Failed(RunStatus::PrintFailed, {});
  }
  if (options_.closeWhenDone) return RunStatus::Done;
  return std::nullopt;
}

std::optional<RunStatus> ReportSession::Failed(RunStatus status, const std::string& why) {
  // A failed print has already said why (PrintReport); the other failures say it here.
  if (options_.applyAutoPrint && !why.empty()) LogPrintFailed(why);
  if (options_.closeWhenDone) return status;
  return std::nullopt;
}

void ReportSession::LogPrintFailed(const std::string& why) {
  log_.WriteLog("Printing failed --> " + ReportSummary(data_) + "; " + why);
}

void ReportSession::CheckPrinter() {
  printerInstalled_ = !printers_.InstalledPrinters().empty();
  if (!printerInstalled_) {
    services_.prompts.Message("No Printer Installed", kProgramTitle);
    view_.SetPrintEnabled(false);
    view_.SetPrintToolTip("Printer not Installed");
    return;
  }
  if (options_.targetPrinter.empty()) options_.targetPrinter = printers_.CurrentPrinter();
  SelectPrinter(printers_, options_.targetPrinter);
  view_.SetPrintToolTip(PrintToolTip(printers_, false));
}

bool ReportSession::PrintReport() {
  const std::string failure =
      printers_.PrintPage([this](DrawingTarget& target) { RenderReport(target, form_, data_); });
  if (!failure.empty()) {
    const std::string printer = printers_.CurrentPrinter();
    view_.ShowProgress("Printing failed on " + printer + ": " + failure + "\r\n");
    services_.eventLog.Error(failure + "; Cadrorpt:cmdPrint_Click, Printer = " + printer);
    LogPrintFailed(printer + ": " + failure);
    // The operator (or whoever started an unattended run) is waiting on this print: like every
    // other failure, it is shown in a box before anything else happens; the logs above already
    // hold it should nobody dismiss the box.
    services_.prompts.Message("Could not print the report;\r\n" + printer + ": " + failure, kProgramTitle);
    return false;
  }
  log_.WriteLog("Printing --> " + ReportSummary(data_));
  return true;
}

void ReportSession::PrintWithDialog(PrintDialogBackend& dialog) {
  const std::string deviceName = printers_.CurrentPrinter();
  const std::optional<int> orientation = printers_.Get(PrinterSetting::Orientation);
  const std::optional<int> copies = printers_.Get(PrinterSetting::Copies);
  const std::optional<int> duplex = printers_.Get(PrinterSetting::Duplex);

  bool confirmed = false;
  try {
    confirmed = ShowPrintDialog(dialog, printers_, kPrintMenuDialogFlags);
  } catch (const std::exception&) {
    return;
  }
  if (!confirmed) return;
  PrintReport();

  // Put the printer back for the Print button, even when the print failed, so one landscape
  // print through the dialog never leaves the next ones landscape.
  SelectPrinter(printers_, deviceName);
  if (orientation) printers_.Set(PrinterSetting::Orientation, *orientation);
  if (copies) printers_.Set(PrinterSetting::Copies, *copies);
  if (duplex) printers_.Set(PrinterSetting::Duplex, *duplex);
  view_.SetPrintToolTip(PrintToolTip(printers_, true));
}

void ReportSession::Unload() {
  global_.reset();
}

}  // namespace cadro
