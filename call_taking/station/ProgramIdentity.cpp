#include "ProgramIdentity.h"

#include "CadroVersion.h"

namespace cadro {

std::string ProgramVersion() {
  return kProgramVersion;
}

std::string MainCaption() {
  return std::string(kProgramTitle) + " v" + ProgramVersion();
}

}  // namespace cadro
