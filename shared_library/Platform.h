#pragma once
// What the programs need from the desktop and the operating system. The core calls these; the
// programs plug in the Qt/OS implementations from platform/, tests plug in the recorders from
// testkit/. Texts crossing these interfaces are ANSI bytes, like the files (see AnsiText.h).

#include <optional>
#include <string>

namespace cadro {

struct LocalTime {
  int year = 2000;  // four digits
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int DayOfYear() const;          // 1..366
  std::string ClockText() const;  // "hh:mm:ss"
};

class Clock {
public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

// The user's language and number format where a file or a log line depends on them.
class UserLocale {
public:
  virtual ~UserLocale() = default;
  virtual std::string MonthAbbrev(int month) const = 0;  // "Dec" in English
  virtual char DecimalSeparator() const = 0;             // '.' or ','
};

// Error entries for the system log.
class EventLog {
public:
  virtual ~EventLog() = default;
  virtual void Error(const std::string& text) = 0;
};

enum class PromptIcon { None, Information, Exclamation, Critical, Question };

// The answer to "keep what was typed?" when a window that holds unsaved work is about to go.
enum class SaveChoice { Save, Discard, Cancel };

// Message boxes and the beep. Tests answer from a script, so no test ever waits on a box.
class Prompts {
public:
  virtual ~Prompts() = default;
  virtual void Message(const std::string& text, const std::string& title = {},
                       PromptIcon icon = PromptIcon::None) = 0;
  virtual bool AskYesNo(const std::string& text, const std::string& title = {},
                        PromptIcon icon = PromptIcon::Question) = 0;
  virtual void Beep() = 0;
  // The same question with No as the default button, for a Yes that cannot be undone (a file
  // replaced): Enter or Escape without a look keeps things as they are. A prompt without
  // buttons of its own asks as AskYesNo does.
  virtual bool AskYesNoDefaultNo(const std::string& text, const std::string& title = {},
                                 PromptIcon icon = PromptIcon::Question) {
    return AskYesNo(text, title, icon);
  }
  // Save, Discard or Cancel, with Cancel (nothing happens) as the default button. A prompt that
  // cannot ask keeps the work and the window: Cancel.
  virtual SaveChoice AskSaveDiscardCancel(const std::string& text, const std::string& title = {}) {
    (void)text;
    (void)title;
    return SaveChoice::Cancel;
  }
};

// Per-user values addressed by application, section and key (the registry on the original
// platform).
class SettingsStore {
public:
  virtual ~SettingsStore() = default;
  virtual std::optional<std::string> Get(const std::string& app, const std::string& section,
                                         const std::string& key) const = 0;
  virtual void Set(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) = 0;
  // The same for values that are the system's own text rather than the code page's: file names,
  // as their bytes (UTF-8, or whatever the file system holds). A store that keeps text keeps
  // them as the text they are.
  virtual std::optional<std::string> GetText(const std::string& app, const std::string& section,
                                             const std::string& key) const {
    return Get(app, section, key);
  }
  virtual void SetText(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& value) {
    Set(app, section, key, value);
  }
};

// The services a program hands to its parts. Each program owns the implementations.
struct Services {
  EventLog& eventLog;
  Prompts& prompts;
  Clock& clock;
  UserLocale& locale;
  SettingsStore& settings;
};

}  // namespace cadro
