#pragma once
// The start-up of the viewer before its window: where the host keeps its data.

#include <string>

#include "FileLib.h"
#include "Platform.h"

namespace cadro {

// The host data folder for a viewer in `fileLib`'s program folder, stored in `fileLib` too. A
// Vantrel.conf that cannot be read is reported in one message box (FileLib has logged it), and
// the viewer goes on with the folder it takes when no configuration names one.
std::string StartupDataPath(FileLib& fileLib, Prompts& prompts, const std::string& programTitle);

// The message boxes of the viewer after the start-up: when the start-up has already told the
// operator that the data folder is a stand-in, the failures that follow from it (a profile that
// cannot be written there) go to the event log only, where their owners write them anyway, and
// the operator sees one box, not one per attempt.
class ViewerPrompts final : public Prompts {
public:
  explicit ViewerPrompts(Prompts& target) : target_(target) {}
  // After the start-up: quiet from now on when it showed a box.
  void StartupDone() { quiet_ = shown_ > 0; }
  void Message(const std::string& text, const std::string& title, PromptIcon icon) override {
    if (quiet_) return;
    ++shown_;
    target_.Message(text, title, icon);
  }
  bool AskYesNo(const std::string& text, const std::string& title, PromptIcon icon) override {
    return target_.AskYesNo(text, title, icon);
  }
  void Beep() override { target_.Beep(); }

private:
  Prompts& target_;
  bool quiet_ = false;
  int shown_ = 0;
};

}  // namespace cadro
