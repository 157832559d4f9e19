#pragma once
// The whole Vtnote program: the start-up procedure and the window with its alerts, until the
// window closes. The installed program runs it with the watch on; a build of the same program
// with the poll alone lets the tests drive that path on its own.

namespace cadro {

int RunVtnote(int argc, char** argv, const char* programVersion, bool watch);

}  // namespace cadro
