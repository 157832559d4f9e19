#pragma once
// Plays the notification sound. The product player starts a wave file on the desktop's sound
// output and reports whether it could; tests record what would have played.

#include <string>
#include <vector>

#include "Platform.h"

namespace cadro {

class SoundPlayer {
public:
  virtual ~SoundPlayer() = default;
  // Starts playing `soundFile` (a host path, a local path or a bare name) without waiting for it
  // to end. True when it started.
  virtual bool PlayAsync(const std::string& soundFile) = 0;
};

// Starts a player program with its arguments: no shell, and no waiting for it to end.
class SoundLauncher {
public:
  virtual ~SoundLauncher() = default;
  // Whether the last sound started is still playing.
  virtual bool Busy() const = 0;
  // Asks for the program to be started; a failure to start is the launcher's to report.
  virtual void Launch(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

// Plays through the first player program found (pw-play, paplay, aplay) when a sound output
// exists. A bare name is looked up in the given folders and then in Wine's media folder; a file
// that is nowhere found is replaced by the desktop's default sound when one exists. A sound
// asked for while the last one still plays is not started over it. Each reason a sound cannot
// play is written to the event log once.
class SystemSoundPlayer final : public SoundPlayer {
public:
  SystemSoundPlayer(std::vector<std::string> searchFolders, SoundLauncher& launcher, EventLog& eventLog);
  bool PlayAsync(const std::string& soundFile) override;

  // The local file a sound name stands for, or "" when there is none.
  std::string Resolve(const std::string& soundFile) const;
  // Whether the machine has somewhere to play to.
  static bool OutputExists();

private:
  void LogOnce(const std::string& text);

  std::vector<std::string> folders_;
  SoundLauncher& launcher_;
  EventLog& eventLog_;
  std::vector<std::string> logged_;
};

// The host's sound device: plays asynchronously, and sounds the standard beep instead when the
// sound cannot be played.
class VtDevice {
public:
  VtDevice(SoundPlayer& player, Prompts& prompts) : player_(player), prompts_(prompts) {}
  bool WinPlaySound(const std::string& soundFile);

private:
  SoundPlayer& player_;
  Prompts& prompts_;
};

}  // namespace cadro
