#pragma once
// The Linux implementations of the core's platform interfaces, on Qt and the OS.

#include <QString>
#include <string>

#include "Platform.h"

class QWidget;

class QAbstractButton;
class QKeySequence;

namespace cadro {

// Error entries go to syslog(3) at LOG_ERR under the program's name.
class SyslogEventLog final : public EventLog {
public:
  explicit SyslogEventLog(std::string ident);
  ~SyslogEventLog() override;
  void Error(const std::string& text) override;

private:
  std::string ident_;
};

// Message boxes on the active window; the beep through the desktop.
class QtPrompts final : public Prompts {
public:
  explicit QtPrompts(QString defaultTitle) : defaultTitle_(std::move(defaultTitle)) {}
  void Message(const std::string& text, const std::string& title, PromptIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& title, PromptIcon icon) override;
  bool AskYesNoDefaultNo(const std::string& text, const std::string& title, PromptIcon icon) override;
  SaveChoice AskSaveDiscardCancel(const std::string& text, const std::string& title) override;
  void Beep() override;

private:
  QString defaultTitle_;
};

class SystemClock final : public Clock {
public:
  LocalTime Now() const override;
};

// Month names and the decimal separator of the user's locale, as ANSI bytes.
class SystemLocale final : public UserLocale {
public:
  std::string MonthAbbrev(int month) const override;
  char DecimalSeparator() const override;
};

// Per-user values in Qt's settings store, one file per application.
class QtSettingsStore final : public SettingsStore {
public:
  std::optional<std::string> Get(const std::string& app, const std::string& section,
                                 const std::string& key) const override;
  void Set(const std::string& app, const std::string& section, const std::string& key,
           const std::string& value) override;
  // Text as it is written; a name that is no UTF-8 is kept as its bytes. Older versions stored
  // file names through Set, so their bytes came back as Windows-1252 characters ("FormulÃ¡rios"):
  // GetText recognises such a value and returns the bytes it was made from.
  std::optional<std::string> GetText(const std::string& app, const std::string& section,
                                     const std::string& key) const override;
  void SetText(const std::string& app, const std::string& section, const std::string& key,
               const std::string& value) override;
};

// ANSI bytes <-> widget text.
QString FromAnsi(const std::string& ansi);
std::string ToAnsi(const QString& text);

// A caption shown as it stands, with `key` underlined as its access key (the first letter that
// matches, preferring the same case). Ampersands of the caption itself stay visible.
QString WithAccessKey(const QString& caption, QChar key);

// Presses `button` (when it is enabled) on `keys` anywhere in its window. A button's own
// setShortcut() would take the place of the access key its caption underlines, so Alt+letter
// would stop working; this keeps both.
void AddShortcut(QAbstractButton* button, const QKeySequence& keys);

// All product implementations in one bundle, owned by a program's main().
struct ProductServices {
  explicit ProductServices(const std::string& programName);
  SyslogEventLog eventLog;
  QtPrompts prompts;
  SystemClock clock;
  SystemLocale locale;
  QtSettingsStore settings;
  Services services{eventLog, prompts, clock, locale, settings};
};

}  // namespace cadro
