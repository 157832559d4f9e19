#pragma once
// Starts the sound player program as a child the event loop watches: no shell, and the window
// never waits for it. A player that cannot start or ends with an error is logged once.

#include <QProcess>
#include <string>
#include <vector>

#include "Platform.h"
#include "SoundPlayer.h"

namespace cadro {

class QtSoundLauncher final : public SoundLauncher {
public:
  explicit QtSoundLauncher(EventLog& eventLog);
  ~QtSoundLauncher() override;
  bool Busy() const override;
  void Launch(const std::string& program, const std::vector<std::string>& arguments) override;

private:
  void LogOnce(const std::string& text);

  EventLog& eventLog_;
  QProcess process_;
  std::vector<std::string> logged_;
};

}  // namespace cadro
