#include "EntryFormPort.h"

#include "Platform.h"
#include "ProgramIdentity.h"

namespace cadro {

void EntryFormNotInstalled::StartForm(const std::string& eventRecord) {
  const std::string what = eventRecord == "NEW" ? "a new report" : "report " + eventRecord;
  prompts_.Message("The report entry form is not part of this version yet, so " + what + " cannot be opened.",
                   kProgramTitle, PromptIcon::Information);
}

}  // namespace cadro
