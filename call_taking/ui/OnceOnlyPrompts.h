#pragma once
// Boxes that the list would otherwise show again on every rebuild. A bad report file fails to
// load each time a folder is chosen; the operator needs to hear of it once, not be stopped by
// the same box on every click. Questions and beeps pass straight through.

#include <set>
#include <string>

#include "Platform.h"

namespace cadro {

class OnceOnlyPrompts final : public Prompts {
public:
  explicit OnceOnlyPrompts(Prompts& shown) : shown_(shown) {}
  void Message(const std::string& text, const std::string& title, PromptIcon icon) override {
    if (seen_.insert(title + '\n' + text).second) shown_.Message(text, title, icon);
  }
  bool AskYesNo(const std::string& text, const std::string& title, PromptIcon icon) override {
    return shown_.AskYesNo(text, title, icon);
  }
  bool AskYesNoDefaultNo(const std::string& text, const std::string& title, PromptIcon icon) override {
    return shown_.AskYesNoDefaultNo(text, title, icon);
  }
  SaveChoice AskSaveDiscardCancel(const std::string& text, const std::string& title) override {
    return shown_.AskSaveDiscardCancel(text, title);
  }
  void Beep() override { shown_.Beep(); }

private:
  Prompts& shown_;
  std::set<std::string> seen_;
};

}  // namespace cadro
