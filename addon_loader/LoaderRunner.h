#pragma once
// Drives a LoaderSession on the event loop: each stage runs from a timer tick, and the pauses
// between stages are single-shot timers, so nothing waits on the stack and the window stays
// responsive. The run starts once the event loop turns (after the window has shown) and
// reports its end once, through `finished`.

#include <QObject>
#include <string>

#include "LoaderSession.h"

class QTimer;

namespace cadro::addlaunch {

class LoaderRunner final : public QObject {
  Q_OBJECT
public:
  explicit LoaderRunner(LoaderSession& session, QObject* parent = nullptr);

  // Queues the start; the run begins when control returns to the event loop.
  void Start(std::string commandLine);
  // The window was closed: a pause ends the run at once; inside a stage (a box or dialog open)
  // the run ends when that stage returns.
  void Close();

  bool running() const { return running_; }
  // Tests shorten the pauses (0 still lets the event loop turn once).
  void SetPauseScaleForTests(double scale) { pauseScale_ = scale; }

signals:
  // The run is over; `status` is an ExitStatus.
  void finished(int status);

private:
  void RunStage(bool first);
  void Follow(const LoaderNext& next);
  void End(ExitStatus status);

  LoaderSession& session_;
  QTimer* tmrPause;
  std::string commandLine_;
  bool running_ = false;
  bool inStage_ = false;
  bool closeRequested_ = false;
  double pauseScale_ = 1.0;
};

}  // namespace cadro::addlaunch
