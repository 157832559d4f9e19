// The Vtnote program with its one-second poll alone (no watch), so that the tests can show the
// poll losing nothing on its own.
#include "VtnoteProgram.h"

int main(int argc, char** argv) {
  return cadro::RunVtnote(argc, argv, "3.4.0 c5", false);
}
