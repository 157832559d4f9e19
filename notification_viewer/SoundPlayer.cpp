#include "SoundPlayer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "FileIO.h"
#include "HostPath.h"

namespace cadro {
namespace {

bool IsFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path && *path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = JoinPath(dir.empty() ? "." : dir, name);
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

}  // namespace

SystemSoundPlayer::SystemSoundPlayer(std::vector<std::string> searchFolders, SoundLauncher& launcher,
                                     EventLog& eventLog)
    : folders_(std::move(searchFolders)), launcher_(launcher), eventLog_(eventLog) {}

void SystemSoundPlayer::LogOnce(const std::string& text) {
  for (const std::string& done : logged_) {
    if (done == text) return;
  }
  logged_.push_back(text);
  eventLog_.Error(text);
}

bool SystemSoundPlayer::OutputExists() {
  if (const char* server = std::getenv("PULSE_SERVER"); server && *server) return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) {
    struct stat st {};
    for (const char* socket : {"/pulse/native", "/pipewire-0"}) {
      if (::stat((std::string(runtime) + socket).c_str(), &st) == 0) return true;
    }
  }
  std::ifstream cards("/proc/asound/cards");
  std::string first;
  return cards && std::getline(cards, first) && first.find("no soundcards") == std::string::npos &&
         !first.empty();
}

std::string SystemSoundPlayer::Resolve(const std::string& soundFile) const {
  if (!soundFile.empty()) {
    const std::string local = HostPath(soundFile);
    if (IsFile(local)) return local;
    const bool bareName = local.find('/') == std::string::npos;
    if (bareName) {
      std::vector<std::string> folders = folders_;
      folders.push_back(HostPath("C:\\windows\\Media"));
      for (const std::string& folder : folders) {
        const std::string candidate = JoinPath(folder, local);  // both local already
        if (IsFile(candidate)) return candidate;
      }
    }
  }
  // The system's default sound stands in for one that cannot be found.
  for (const char* fallback :
       {"/usr/share/sounds/alsa/Front_Center.wav", "/usr/share/sounds/sound-icons/prompt.wav"}) {
    if (IsFile(fallback)) return fallback;
  }
  return {};
}

bool SystemSoundPlayer::PlayAsync(const std::string& soundFile) {
  if (!OutputExists()) {
    LogOnce("VtDevice:WinPlaySound, cannot play " +
            (soundFile.empty() ? std::string("(no sound named)") : soundFile) +
            ": this machine has no sound output (no PulseAudio or PipeWire server, no sound card); the beep "
            "stands "
            "in");
    return false;
  }
  const std::string file = Resolve(soundFile);
  if (file.empty()) {
    LogOnce("VtDevice:WinPlaySound, the sound " + soundFile + " was not found");
    return false;
  }
  // One sound at a time: a burst does not pile sounds on top of each other.
  if (launcher_.Busy()) return true;
  for (const char* program : {"pw-play", "paplay", "aplay"}) {
    const std::string found = FindProgram(program);
    if (found.empty()) continue;
    std::vector<std::string> arguments;
    if (std::string(program) == "aplay") arguments.push_back("-q");
    arguments.push_back(file);
    launcher_.Launch(found, arguments);
    return true;
  }
  LogOnce("VtDevice:WinPlaySound, no player program (pw-play, paplay, aplay) to play " + soundFile);
  return false;
}

bool VtDevice::WinPlaySound(const std::string& soundFile) {
  bool played = false;
  try {
    played = player_.PlayAsync(soundFile);
  } catch (...) {
    played = false;
  }
  if (!played) prompts_.Beep();
  return played;
}

}  // namespace cadro
