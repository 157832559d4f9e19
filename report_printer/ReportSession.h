#pragma once
// What frmCadrorpt does, without the window: the start-up sequence with its progress lines, the
// printer check, loading both definition files, the automatic print, and the two ways of
// printing (the Print button and the Print menu with its dialog). The window implements
// ReportView and forwards its events here, so every rule can be tested without pressing a button.

#include <memory>
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

  // The start-up sequence after the window is shown. Returns true when the program is to end
  // now (-cwd with both files loaded).
  bool Load(const std::string& commandLine);

  // cmdPrint_Click: one page on the current printer, then the "Printing --> " log line. A page
  // that cannot be printed is reported in the progress box and the event log, and not logged as
  // printed.
  void PrintReport();

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
