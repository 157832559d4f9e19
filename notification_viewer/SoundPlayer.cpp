#include "SoundPlayer.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "FileIO.h"
#include "HostPath.h"

extern char** environ;

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

// Starts `argv` detached: a short-lived shell puts the player in the background and ends, so the
// viewer neither waits for the sound nor leaves a child behind.
bool SpawnDetached(const std::vector<std::string>& argv) {
  std::vector<std::string> args = {"/bin/sh", "-c", "\"$@\" </dev/null >/dev/null 2>&1 &", "sh"};
  args.insert(args.end(), argv.begin(), argv.end());
  std::vector<char*> raw;
  for (std::string& a : args) raw.push_back(a.data());
  raw.push_back(nullptr);
  pid_t pid = 0;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, raw.data(), environ) != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

SystemSoundPlayer::SystemSoundPlayer(std::vector<std::string> searchFolders)
    : folders_(std::move(searchFolders)) {}

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
        const std::string candidate = HostPath(JoinPath(folder, local));
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
  if (!OutputExists()) return false;
  const std::string file = Resolve(soundFile);
  if (file.empty()) return false;
  for (const char* program : {"pw-play", "paplay", "aplay"}) {
    const std::string found = FindProgram(program);
    if (found.empty()) continue;
    std::vector<std::string> argv = {found};
    if (std::string(program) == "aplay") argv.push_back("-q");
    argv.push_back(file);
    return SpawnDetached(argv);
  }
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
