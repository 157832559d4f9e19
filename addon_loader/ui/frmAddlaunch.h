#pragma once
// The loader's window: it narrates the run in lblOut and answers the run's requests (pauses,
// the program-path chooser, the folder picker). The run itself is LoaderSession's.

#include <QWidget>
#include <string>

#include "LoaderSession.h"

class QLabel;
class QScrollArea;
class QTimer;

namespace cadro::addlaunch {

class FolderPicker;

class frmAddlaunch final : public QWidget, public LoaderView {
  Q_OBJECT
public:
  frmAddlaunch(const Services& services, FolderPicker& picker, std::string programFolder,
               std::string loaderVersion, QWidget* parent = nullptr);

  // The window's load: shows the window and runs the whole job; returns when the program is
  // to end, with the status for the installer.
  ExitStatus Form_Load(const std::string& commandLine);

  // LoaderView
  void SetCaption(const std::string& caption) override;
  void ClearOutput() override;
  void AppendOutput(const std::string& line) override;
  bool Pause(int milliseconds) override;
  std::string ChooseProgramPath(const std::string& candidateDirs) override;
  std::string GetVantrelDirName() override;

  // Tests shorten the pauses (0 still lets the window handle its events once).
  void SetPauseScaleForTests(double scale) { pauseScale_ = scale; }
  const LoaderSession& session() const { return session_; }

signals:
  void closed();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void tmrPause_Timer();

  QScrollArea* scroll_;
  QLabel* lblOut;
  QTimer* tmrPause;
  FolderPicker& picker_;
  LoaderSession session_;
  std::string output_;
  bool closed_ = false;
  double pauseScale_ = 1.0;
};

}  // namespace cadro::addlaunch
