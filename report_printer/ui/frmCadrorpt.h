#pragma once
// The report printer's main window: progress lines of the start-up, Preview, Print and Close,
// and the File menu with "Print..." (one print through the Print dialog) and "Exit". Every rule
// lives in ReportSession; this window shows and forwards.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

#include "ReportSession.h"
#include "frmRptPreview.h"

class QPlainTextEdit;
class QPushButton;
class QTimer;
class QAction;

namespace cadro {

class frmCadrorpt final : public QMainWindow, public ReportView {
  Q_OBJECT
public:
  using DialogFactory = std::function<std::unique_ptr<PrintDialogBackend>(QWidget* owner)>;

  frmCadrorpt(Services& services, Printers& printers, std::string programFolder, DialogFactory dialogs);
  ~frmCadrorpt() override;

  // Shows the window and runs the start-up sequence. The exit status when the program is to end
  // now (the window is then closed).
  std::optional<RunStatus> Form_Load(const std::string& commandLine);

  // Returns after `milliSeconds` while the window keeps handling its events.
  void Pause(int milliSeconds);

  void cmdPrint_Click();
  void mnuPrint_Click();
  void cmdPreview_Click();
  void cmdClose_Click();
  void mnuExit_Click();

  ReportSession& Session() { return *session_; }
  frmRptPreview* Preview() const { return preview_; }

  // ReportView
  void ShowProgress(const std::string& text) override;
  void SetPrintEnabled(bool enabled) override;
  void SetPreviewEnabled(bool enabled) override;
  void SetPrintToolTip(const std::string& tip) override;

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  QPushButton* cmdPrint_;
  QPushButton* cmdPreview_;
  QPushButton* cmdClose_;
  QPlainTextEdit* txtArea_;
  QTimer* tmrPause_;
  QAction* mnuPrint_;
  DialogFactory dialogs_;
  std::unique_ptr<ReportSession> session_;
  QPointer<frmRptPreview> preview_;
  bool previewPending_ = false;  // inside the pause before a preview is drawn
};

}  // namespace cadro
