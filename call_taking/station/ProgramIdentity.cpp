#include "ProgramIdentity.h"

namespace cadro {

std::string ProgramVersion() {
  return CADRO_PROGRAM_VERSION;
}

std::string MainCaption() {
  return std::string(kProgramTitle) + " v" + ProgramVersion();
}

}  // namespace cadro
