#pragma once
// What frmCadrorpt does, without the window: the start-up sequence with its progress lines, the
// printer check, loading both definition files, the automatic print, and the two ways of
// printing (the Print button and the Print menu with its dialog). The window implements
// ReportView and forwards its events here, so every rule can be tested without pressing a button.

#include <memory>
#include <optional>
#include <string>

#include "CadroLogLib.h"
#include "CommandLine.h"
#include "DefinitionFiles.h"
#include "Platform.h"
#include "PrinterModel.h"
#include "VtGlobal.h"
#include "VtPrintDlg.h"

namespace cadro {

inline constexpr const char* kProgramTitle = "Cadrorpt";

// How a run that ends by itself (-cwd) ends, as the program's exit status.
enum class RunStatus : int {
  Done = 0,         // both files loaded; with -apt the printer took the page
  FormFailed = 1,   // the form definition file was missing, unreadable or held no items
  DataFailed = 2,   // the same for the data definition file
  NoPrinter = 3,    // -apt with no printer installed
  PrintFailed = 4,  // -apt and the printer refused the page, or it could not be made
};

class ReportView {
public:
  virtual ~ReportView() = default;
  virtual void ShowProgress(const std::string& text) = 0;
  virtual void SetPrintEnabled(bool enabled) = 0;
  virtual void SetPreviewEnabled(bool enabled) = 0;
  virtual void SetPrintToolTip(const std::string& tip) = 0;
};

class ReportSession {
public:
  ReportSession(Services& services, Printers& printers, std::string programFolder, ReportView& view);
  ~ReportSession();

  // The start-up sequence after the window is shown. The command line holds file names as the
  // system's own bytes (UTF-8); only what is shown or compared with printer names is converted.
  // Returns the exit status when the program is to end now: with -cwd, once both files loaded
  // (and the automatic print was made), or once the box that reports why not was dismissed.
  std::optional<RunStatus> Load(const std::string& commandLine);

  // cmdPrint_Click: one page on the current printer, then the "Printing --> " log line. A page
  // that cannot be printed is reported in the progress box, the event log and the session log
  // ("Printing failed --> "), and not logged as printed. True when the printer took the page.
  bool PrintReport();

  // mnuPrint_Click: one print through the Print dialog; the printer and its settings are put back
  // afterwards.
  void PrintWithDialog(PrintDialogBackend& dialog);

  // Form_Unload: releases the global settings (writing Vantrel.glo when it changed).
  void Unload();

  const FormDefinition& Form() const { return form_; }
  const DataDefinition& Data() const { return data_; }

  static std::string WindowCaption();

private:
  void CheckPrinter();
  // Ends a -cwd run that could not do what it was asked: the session log says why, when a print
  // was asked for.
  std::optional<RunStatus> Failed(RunStatus status, const std::string& why);
  void LogPrintFailed(const std::string& why);

  Services& services_;
  Printers& printers_;
  std::string programFolder_;
  ReportView& view_;
  SessionLog log_;
  std::unique_ptr<VtGlobal> global_;
  CommandLineOptions options_;
  FormDefinition form_;
  DataDefinition data_;
  bool printerInstalled_ = false;
};

}  // namespace cadro
