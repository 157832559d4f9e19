#include "ReportSession.h"

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

bool ReportSession::Load(const std::string& commandLine) {
  view_.ShowProgress(std::string("Starting up ") + kProgramTitle + ", v" + kProgramVersion + "\r\n");
  view_.SetPreviewEnabled(false);
  view_.SetPrintEnabled(false);

  const ParsedCommandLine parsed = ParseCommandLine(commandLine);
  options_ = parsed.options;
  view_.ShowProgress("Parsed Commands\r\n");
  view_.ShowProgress(parsed.listing + "\r\n");

  global_ = std::make_unique<VtGlobal>(JoinPath(programFolder_, "Vantrel.glo"), kProgramVersion,
                                       printers_.DefaultPrinter(), services_.eventLog);
  CheckPrinter();
  log_.SetupLog(false);

  // A missing file is named as such; any other failure is quoted as its run-time error.
  const auto buildFailed = [this](const std::string& what, int error) {
    services_.prompts.Message("Could not build " + what + " Definition Array;\r\n" +
                                  (error == err::kFileNotFound ? what + " file not found"
                                                               : std::string(MakeRunError(error).what())),
                              kProgramTitle);
    return false;
  };

  const BuildResult form = BuildFDFarray(options_.formFileName, form_);
  if (!form.ok()) return buildFailed("Forms", form.error);
  view_.ShowProgress("Form File found and loaded\r\n");
  view_.SetPreviewEnabled(true);
  view_.SetPrintEnabled(printerInstalled_);

  const BuildResult data = BuildDataArray(options_.dataFileName, data_);
  if (!data.ok()) return buildFailed("Data", data.error);
  view_.ShowProgress("Message text found and loaded\r\n");
  if (options_.applyAutoPrint) {
    if (printerInstalled_) {
      PrintReport();
    } else {
      view_.ShowProgress("No printer installed: the report was not printed\r\n");
    }
  }
  return options_.closeWhenDone;
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

void ReportSession::PrintReport() {
  const std::string failure =
      printers_.PrintPage([this](DrawingTarget& target) { RenderReport(target, form_, data_); });
  if (!failure.empty()) {
    view_.ShowProgress("Printing failed on " + printers_.CurrentPrinter() + ": " + failure + "\r\n");
    services_.eventLog.Error(failure + "; Cadrorpt:cmdPrint_Click, Printer = " + printers_.CurrentPrinter());
    return;
  }
  log_.WriteLog("Printing --> " + ReportSummary(data_));
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
