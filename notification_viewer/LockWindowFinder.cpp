#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>

#include "FileIO.h"
#include "WindowFinder.h"

namespace cadro {

LockWindowFinder::LockWindowFinder(std::string lockFolder) : folder_(std::move(lockFolder)) {}

LockWindowFinder::~LockWindowFinder() {
  if (fd_ >= 0) ::close(fd_);
}

std::string LockWindowFinder::DefaultLockFolder() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
  std::error_code ec;
  const auto tmp = std::filesystem::temp_directory_path(ec);
  return ec ? std::string("/tmp") : tmp.string();
}

bool LockWindowFinder::FindTopLevelWindow(const std::string& title) {
  if (fd_ >= 0) return false;  // this process holds the window already
  std::string name;
  for (const char c : title) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  const std::string path =
      JoinPath(folder_, "cadro-window-" + std::to_string(::getuid()) + "-" + name + ".lock");
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;  // no lock to be had: better a second window than none
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return true;
  }
  fd_ = fd;
  return false;
}

std::unique_ptr<WindowFinder> MakeWindowFinder(bool x11Display) {
  if (x11Display) {
    if (auto finder = MakeX11WindowFinder()) return finder;
  }
  return std::make_unique<LockWindowFinder>();
}

}  // namespace cadro
