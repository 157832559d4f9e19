#pragma once
// The loader's window: it narrates the run in lblOut and answers the run's requests (the
// program-path chooser, the folder picker). The run itself is LoaderSession's, driven by a
// LoaderRunner once the window shows.

#include <QWidget>
#include <string>

#include "LoaderRunner.h"
#include "LoaderSession.h"

class QLabel;
class QScrollArea;

namespace cadro::addlaunch {

class FolderPicker;

class frmAddlaunch final : public QWidget, public LoaderView {
  Q_OBJECT
public:
  frmAddlaunch(const Services& services, FolderPicker& picker, std::string programFolder,
               std::string loaderVersion, QWidget* parent = nullptr);

  // The window's load: shows the window; the job starts once the event loop turns, and
  // `finished` reports its end with the status for the installer.
  void Form_Load(const std::string& commandLine);

  // LoaderView
  void SetCaption(const std::string& caption) override;
  void ClearOutput() override;
  void AppendOutput(const std::string& line) override;
  std::string ChooseProgramPath(const std::string& candidateDirs) override;
  std::string GetVantrelDirName() override;

  // Tests shorten the pauses (0 still lets the window handle its events once).
  void SetPauseScaleForTests(double scale) { runner_.SetPauseScaleForTests(scale); }
  const LoaderSession& session() const { return session_; }

signals:
  // The job is over and the window hidden; `status` is an ExitStatus.
  void finished(int status);

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  QScrollArea* scroll_;
  QLabel* lblOut;
  FolderPicker& picker_;
  LoaderSession session_;
  LoaderRunner runner_;
  std::string output_;
};

}  // namespace cadro::addlaunch
