#include "LoaderRunner.h"

#include <QTimer>
#include <cmath>
#include <utility>

namespace cadro::addlaunch {

LoaderRunner::LoaderRunner(LoaderSession& session, QObject* parent)
    : QObject(parent), session_(session), tmrPause(new QTimer(this)) {
  tmrPause->setObjectName(QStringLiteral("tmrPause"));
  tmrPause->setSingleShot(true);
  // A coarse timer may fire up to 5% early; the closing pause is a promise of three seconds.
  tmrPause->setTimerType(Qt::PreciseTimer);
  connect(tmrPause, &QTimer::timeout, this, [this] { RunStage(false); });
}

void LoaderRunner::Start(std::string commandLine) {
  if (running_ || session_.finished()) return;
  running_ = true;
  commandLine_ = std::move(commandLine);
  QTimer::singleShot(0, this, [this] { RunStage(true); });
}

void LoaderRunner::Close() {
  if (!running_) return;
  if (inStage_) {
    closeRequested_ = true;
    return;
  }
  tmrPause->stop();
  End(session_.Close());
}

void LoaderRunner::RunStage(bool first) {
  if (!running_) return;
  inStage_ = true;
  const LoaderNext next = first ? session_.Start(commandLine_) : session_.Resume();
  inStage_ = false;
  Follow(next);
}

void LoaderRunner::Follow(const LoaderNext& next) {
  if (next.finished) {
    End(next.status);
  } else if (closeRequested_) {
    End(session_.Close());
  } else {
    tmrPause->start(static_cast<int>(std::lround(next.pauseMilliseconds * pauseScale_)));
  }
}

void LoaderRunner::End(ExitStatus status) {
  running_ = false;
  emit finished(static_cast<int>(status));
}

}  // namespace cadro::addlaunch
