#pragma once
// Recorders and fakes for the platform interfaces, and a throwaway folder. Tests build a
// TestServices, script the answers they expect to be asked for, and read back what was shown.

#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "Platform.h"

namespace cadro::testing {

class RecordingEventLog final : public EventLog {
public:
  void Error(const std::string& text) override { entries.push_back(text); }
  std::vector<std::string> entries;
};

struct ShownPrompt {
  std::string text;
  std::string title;
  PromptIcon icon;
  bool question;
  bool defaultNo = false;  // asked with No as the default button
};

// Records every box. Questions take their answers from `answers` in order; a question with no
// scripted answer fails the running test and answers No, so a test never hangs on a box.
class ScriptedPrompts final : public Prompts {
public:
  void Message(const std::string& text, const std::string& title, PromptIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& title, PromptIcon icon) override;
  bool AskYesNoDefaultNo(const std::string& text, const std::string& title, PromptIcon icon) override;
  // Unscripted, it fails the running test and answers Cancel.
  SaveChoice AskSaveDiscardCancel(const std::string& text, const std::string& title) override;
  void Beep() override { ++beeps; }

  std::vector<ShownPrompt> shown;
  std::deque<bool> answers;
  std::deque<SaveChoice> saveAnswers;
  int beeps = 0;
};

class FixedClock final : public Clock {
public:
  FixedClock() = default;
  explicit FixedClock(LocalTime t) : now(t) {}
  LocalTime Now() const override { return now; }
  void AdvanceSeconds(int seconds);
  LocalTime now{2026, 12, 7, 8, 30, 5};
};

class FixedLocale final : public UserLocale {
public:
  std::string MonthAbbrev(int month) const override;
  char DecimalSeparator() const override { return decimal; }
  char decimal = '.';
};

class MemorySettingsStore final : public SettingsStore {
public:
  std::optional<std::string> Get(const std::string& app, const std::string& section,
                                 const std::string& key) const override;
  void Set(const std::string& app, const std::string& section, const std::string& key,
           const std::string& value) override;
  std::map<std::tuple<std::string, std::string, std::string>, std::string> values;
};

struct TestServices {
  RecordingEventLog eventLog;
  ScriptedPrompts prompts;
  FixedClock clock;
  FixedLocale locale;
  MemorySettingsStore settings;
  Services services{eventLog, prompts, clock, locale, settings};
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
  std::filesystem::path path_;
};

// Test-side file helpers: these are not the code under test, so they may assert freely.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace cadro::testing
