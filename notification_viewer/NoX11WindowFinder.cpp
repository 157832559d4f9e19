// Built where libxcb is missing: no X11 lookup, so the per-user lock decides.
#include "WindowFinder.h"

namespace cadro {
std::unique_ptr<WindowFinder> MakeX11WindowFinder() {
  return nullptr;
}
}  // namespace cadro
