// The child of the crash-safety test: rewrites one kind of file in a loop, alternating between
// its two versions, until it is killed.
//
//   crash_saver <kind> <folder> <inputs> <ready-fd>
//
// After one save of each version it writes one byte to <ready-fd> and closes it, so the parent
// kills a process that is saving rather than one that is still starting, and one that has
// rewritten the file at least once (the add-on install leaves a file alone that already holds
// the revision it brings). A save that
// fails ends the child with status 3 and the failure report on stderr: the parent expects only
// deaths by its own signal.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Savers.h"
#include "TestKit.h"
#include "WholeNumber.h"

using namespace cadro;
using namespace cadro::reliability;

namespace {

[[noreturn]] void FailWith(const testing::TestServices& t) {
  for (const std::string& entry : t.eventLog.entries) std::fprintf(stderr, "event log: %s\n", entry.c_str());
  for (const auto& box : t.prompts.shown) std::fprintf(stderr, "box: %s\n", box.text.c_str());
  std::_Exit(3);
}

}  // namespace

int main(int argc, char** argv) {
  SaveKind kind{};
  if (argc != 5 || !KindFromName(argv[1], kind)) {
    std::fprintf(stderr, "usage: crash_saver report|ini|profile|launch <folder> <inputs> <ready-fd>\n");
    return 2;
  }
  const int readyFd = static_cast<int>(ReadWholeNumber(argv[4], {.min = 0, .max = 1 << 20}).ValueOr(-1));
  testing::TestServices t;
  const auto saver = MakeSaver(kind, argv[2], argv[3], t.services);
  int version = 1;
  if (!saver->Save(version)) FailWith(t);
  version = 0;
  if (!saver->Save(version)) FailWith(t);
  const char byte = 'R';
  if (::write(readyFd, &byte, 1) != 1) return 4;
  ::close(readyFd);
  for (;;) {
    version = 1 - version;
    if (!saver->Save(version)) FailWith(t);
  }
}
