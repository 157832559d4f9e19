#pragma once
// The single-instance test: is there a top-level window with exactly this title?

#include <memory>
#include <string>

namespace cadro {

class WindowFinder {
public:
  virtual ~WindowFinder() = default;
  // True when a top-level window of any program is titled exactly `title`.
  virtual bool FindTopLevelWindow(const std::string& title) = 0;
};

// Asks the X server (the display in DISPLAY): every top-level window and, under a window manager
// that frames them, the windows inside the frames. Null when no X server answers.
std::unique_ptr<WindowFinder> MakeX11WindowFinder();

// Where there is no X server, a per-user lock named after the title stands for the window: the
// first process to ask takes the lock and keeps it for its lifetime, later ones find it taken.
class LockWindowFinder final : public WindowFinder {
public:
  explicit LockWindowFinder(std::string lockFolder = DefaultLockFolder());
  ~LockWindowFinder() override;
  LockWindowFinder(const LockWindowFinder&) = delete;
  LockWindowFinder& operator=(const LockWindowFinder&) = delete;
  bool FindTopLevelWindow(const std::string& title) override;

  // $XDG_RUNTIME_DIR, else the system's temporary folder (the lock name carries the user id).
  static std::string DefaultLockFolder();

private:
  std::string folder_;
  int fd_ = -1;
};

// The X11 finder where an X server runs, the lock otherwise.
std::unique_ptr<WindowFinder> MakeWindowFinder(bool x11Display);

}  // namespace cadro
