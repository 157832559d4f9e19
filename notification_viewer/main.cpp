// Vtnote: shows the host's notifications. The start-up procedure finds the host data folder,
// leaves at once when a "Notifications" window already exists, and otherwise shows the window.
#include "VtnoteProgram.h"

#ifndef VTNOTE_VERSION
#define VTNOTE_VERSION "0.0.0 c0"
#endif

int main(int argc, char** argv) {
  return cadro::RunVtnote(argc, argv, VTNOTE_VERSION, true);
}
