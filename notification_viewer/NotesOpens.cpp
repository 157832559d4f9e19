#include "NotesOpens.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

namespace cadro {
namespace {

// Renames and deletions count too: a file that changes its name during a look may have been
// opened under the other one.
constexpr std::uint32_t kMask = IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_CREATE | IN_DELETE |
                                IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct Account {
  unsigned long uid = 0;
  std::vector<unsigned long> gids;
  unsigned long long capabilities = 0;
};

// The account a process opens files as: its file-system uid and gid, its groups, its effective
// capabilities. False when the process is gone.
bool AccountOf(const std::string& pid, Account& account) {
  std::ifstream status("/proc/" + pid + "/status");
  if (!status) return false;
  std::string line;
  bool uid = false;
  while (std::getline(status, line)) {
    std::istringstream fields(line);
    std::string key;
    fields >> key;
    unsigned long value = 0;
    if (key == "Uid:") {
      for (int i = 0; i < 4 && fields >> value; ++i) account.uid = value;  // the last is the fs uid
      uid = true;
    } else if (key == "Gid:") {
      for (int i = 0; i < 4 && fields >> value; ++i) {
        if (i == 3) account.gids.push_back(value);
      }
    } else if (key == "Groups:") {
      while (fields >> value) account.gids.push_back(value);
    } else if (key == "CapEff:") {
      std::string hex;
      fields >> hex;
      account.capabilities = std::strtoull(hex.c_str(), nullptr, 16);
    }
  }
  return uid;
}

// Whether a process of that account could have the file open for writing. The file is the
// host's: it made it, so it owns it, and another account holds it only through the permission
// bits. Root goes by the bits too: root can open anything, but a file owned by someone else
// is not a root host's file.
bool MayWrite(const Account& account, const struct stat& file) {
  constexpr unsigned long long kDacOverride = 1ULL << 1;
  if (account.uid == file.st_uid)
    return (file.st_mode & S_IWUSR) != 0 || (account.capabilities & kDacOverride);
  if (std::find(account.gids.begin(), account.gids.end(), file.st_gid) != account.gids.end())
    return (file.st_mode & S_IWGRP) != 0;
  return (file.st_mode & S_IWOTH) != 0;
}

bool IsNumber(const char* name) {
  if (*name == '\0') return false;
  for (; *name; ++name)
    if (*name < '0' || *name > '9') return false;
  return true;
}

}  // namespace

NotesOpens::NotesOpens(std::string folder, std::string prefix)
    : folder_(std::move(folder)), prefix_(std::move(prefix)) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  Update();
}

NotesOpens::~NotesOpens() {
  if (fd_ >= 0) ::close(fd_);
}

void NotesOpens::Forget() {
  // Anything may have happened meanwhile.
  ++lost_;
}

void NotesOpens::Update() {
  if (fd_ < 0) {
    ++lost_;
    return;
  }
  if (wd_ < 0) {
    wd_ = ::inotify_add_watch(fd_, folder_.c_str(), kMask);
    Forget();
    if (wd_ < 0) return;
  }
  alignas(struct inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        Forget();
        continue;
      }
      if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
        // The folder went (or moved): watched again at the next update.
        if (wd_ >= 0) ::inotify_rm_watch(fd_, wd_);
        wd_ = -1;
        Forget();
        continue;
      }
      if (event->len == 0) continue;  // the folder itself
      const std::string name(event->name);
      if (name.compare(0, prefix_.size(), prefix_) == 0) ++events_[name];
    }
  }
}

std::uint64_t NotesOpens::Events(const std::string& name) const {
  const auto it = events_.find(name);
  return lost_ + (it == events_.end() ? 0 : it->second);
}

NotesOpens::Scan NotesOpens::ScanProcesses(int fd, const std::vector<int>& ownFds) {
  struct stat file {};
  if (::fstat(fd, &file) != 0) return Scan::CannotTell;
  // Where /proc hides other accounts' processes, not even their number is known.
  if (::geteuid() != 0 && ::access("/proc/1", F_OK) != 0) return Scan::CannotTell;
  DIR* proc = ::opendir("/proc");
  if (!proc) return Scan::CannotTell;
  const std::string self = std::to_string(::getpid());
  Scan result = Scan::Free;
  while (const struct dirent* entry = ::readdir(proc)) {
    if (!IsNumber(entry->d_name)) continue;
    const std::string pid = entry->d_name;
    const std::string fdFolder = "/proc/" + pid + "/fd";
    DIR* fds = ::opendir(fdFolder.c_str());
    if (!fds) {
      if (errno == ENOENT) continue;  // ended meanwhile
      Account account;
      if (AccountOf(pid, account) && MayWrite(account, file)) result = Scan::CannotTell;
      continue;
    }
    while (const struct dirent* fdEntry = ::readdir(fds)) {
      if (!IsNumber(fdEntry->d_name)) continue;
      if (pid == self) {
        const int number = std::atoi(fdEntry->d_name);
        if (number == ::dirfd(fds) || std::find(ownFds.begin(), ownFds.end(), number) != ownFds.end())
          continue;
      }
      struct stat held {};
      if (::stat((fdFolder + "/" + fdEntry->d_name).c_str(), &held) == 0 && held.st_dev == file.st_dev &&
          held.st_ino == file.st_ino) {
        ::closedir(fds);
        ::closedir(proc);
        return Scan::Held;
      }
    }
    ::closedir(fds);
  }
  ::closedir(proc);
  return result;
}

}  // namespace cadro
