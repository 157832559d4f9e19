#include "QtSoundLauncher.h"

#include <QStringList>

namespace cadro {

QtSoundLauncher::QtSoundLauncher(EventLog& eventLog) : eventLog_(eventLog) {
  process_.setStandardInputFile(QProcess::nullDevice());
  process_.setStandardOutputFile(QProcess::nullDevice());
  process_.setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(&process_, &QProcess::errorOccurred, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart)
      LogOnce("VtDevice:WinPlaySound, the player " + process_.program().toStdString() + " could not start");
  });
  QObject::connect(&process_, &QProcess::finished, [this](int exitCode, QProcess::ExitStatus status) {
    if (status != QProcess::NormalExit || exitCode != 0)
      LogOnce("VtDevice:WinPlaySound, the player " + process_.program().toStdString() +
              " failed (exit code " + std::to_string(exitCode) + ")");
  });
}

QtSoundLauncher::~QtSoundLauncher() {
  // A sound still playing when the viewer ends is cut short rather than waited for.
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(1000);
  }
}

bool QtSoundLauncher::Busy() const {
  return process_.state() != QProcess::NotRunning;
}

void QtSoundLauncher::Launch(const std::string& program, const std::vector<std::string>& arguments) {
  QStringList args;
  for (const std::string& a : arguments) args << QString::fromStdString(a);
  process_.start(QString::fromStdString(program), args);
}

void QtSoundLauncher::LogOnce(const std::string& text) {
  for (const std::string& done : logged_) {
    if (done == text) return;
  }
  logged_.push_back(text);
  eventLog_.Error(text);
}

}  // namespace cadro
