#include "QtPlatform.h"

#include <syslog.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QGridLayout>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QStringDecoder>

#include "AnsiText.h"

namespace cadro {

SyslogEventLog::SyslogEventLog(std::string ident) : ident_(std::move(ident)) {
  // Without a system logger (a bare container) syslog drops entries silently; copy them to
  // standard error then, so an error entry is never lost without trace.
  const bool loggerThere = ::access("/dev/log", W_OK) == 0;
  ::openlog(ident_.c_str(), LOG_PID | (loggerThere ? 0 : LOG_PERROR), LOG_USER);
}

SyslogEventLog::~SyslogEventLog() {
  ::closelog();
}

void SyslogEventLog::Error(const std::string& text) {
  ::syslog(LOG_ERR, "%s", text.c_str());
}

namespace {

QMessageBox::Icon ToQtIcon(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Exclamation: return QMessageBox::Warning;
    case PromptIcon::Critical: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

// Message texts use CR LF between lines like the files do; Qt wants LF.
QString BoxText(const std::string& ansi) {
  return FromAnsi(ansi).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A box sizes itself to its text, so a short text ("No Printer Installed") gives a box too narrow
// for its title, which the window manager then cuts. Room for the title is kept across the box.
void MakeRoomForTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  constexpr int kTitleBarExtrasPx = 120;  // icon and the close/maximise buttons of the title bar
  const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kTitleBarExtrasPx;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0,
                1, grid->columnCount());
}

}  // namespace

void QtPrompts::Message(const std::string& text, const std::string& title, PromptIcon icon) {
  QMessageBox box(ToQtIcon(icon), title.empty() ? defaultTitle_ : FromAnsi(title), BoxText(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  MakeRoomForTitle(box);
  box.exec();
}

bool QtPrompts::AskYesNo(const std::string& text, const std::string& title, PromptIcon icon) {
  QMessageBox box(ToQtIcon(icon), title.empty() ? defaultTitle_ : FromAnsi(title), BoxText(text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  MakeRoomForTitle(box);
  return box.exec() == QMessageBox::Yes;
}

bool QtPrompts::AskYesNoDefaultNo(const std::string& text, const std::string& title, PromptIcon icon) {
  QMessageBox box(ToQtIcon(icon), title.empty() ? defaultTitle_ : FromAnsi(title), BoxText(text),
                  QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  MakeRoomForTitle(box);
  return box.exec() == QMessageBox::Yes;
}

SaveChoice QtPrompts::AskSaveDiscardCancel(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::Warning, title.empty() ? defaultTitle_ : FromAnsi(title), BoxText(text),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                  QApplication::activeWindow());
  // Each answer has its own access key, as every other button of the program does.
  box.button(QMessageBox::Save)->setText(QStringLiteral("&Save"));
  box.button(QMessageBox::Discard)->setText(QStringLiteral("&Discard"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("&Cancel"));
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save: return SaveChoice::Save;
    case QMessageBox::Discard: return SaveChoice::Discard;
    default: return SaveChoice::Cancel;
  }
}

void QtPrompts::Beep() {
  QApplication::beep();
}

LocalTime SystemClock::Now() const {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return LocalTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}

std::string SystemLocale::MonthAbbrev(int month) const {
  return ToAnsi(QLocale::system().monthName(month, QLocale::ShortFormat).left(3));
}

char SystemLocale::DecimalSeparator() const {
  const QString sep = QLocale::system().decimalPoint();
  return sep.size() == 1 && sep.at(0).unicode() < 0x80 ? static_cast<char>(sep.at(0).unicode()) : '.';
}

std::optional<std::string> QtSettingsStore::Get(const std::string& app, const std::string& section,
                                                const std::string& key) const {
  QSettings s(QStringLiteral("Cadro"), FromAnsi(app));
  const QString k = FromAnsi(section) + QLatin1Char('/') + FromAnsi(key);
  if (!s.contains(k)) return std::nullopt;
  return ToAnsi(s.value(k).toString());
}

void QtSettingsStore::Set(const std::string& app, const std::string& section, const std::string& key,
                          const std::string& value) {
  QSettings s(QStringLiteral("Cadro"), FromAnsi(app));
  s.setValue(FromAnsi(section) + QLatin1Char('/') + FromAnsi(key), FromAnsi(value));
}

namespace {

bool IsUtf8(const QByteArray& bytes) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString decoded = decoder.decode(bytes);  // decodes only once made a QString
  return !decoder.hasError();
}

}  // namespace

std::optional<std::string> QtSettingsStore::GetText(const std::string& app, const std::string& section,
                                                    const std::string& key) const {
  QSettings s(QStringLiteral("Cadro"), FromAnsi(app));
  const QString k = FromAnsi(section) + QLatin1Char('/') + FromAnsi(key);
  if (!s.contains(k)) return std::nullopt;
  const QVariant value = s.value(k);
  if (value.typeId() == QMetaType::QByteArray) return value.toByteArray().toStdString();
  const QString text = value.toString();
  // Written by an older version: every character is one of the code page's, and the bytes they
  // stand for are UTF-8 with at least one character beyond ASCII. A name typed that way on
  // purpose ("Ã¡" in a folder name) would be taken for one; no real name looks so.
  const std::string bytes = ToAnsi(text);
  const QByteArray asWritten = text.toUtf8();
  if (FromAnsi(bytes) == text && bytes != asWritten.toStdString() && IsUtf8(QByteArray::fromStdString(bytes)))
    return bytes;
  return asWritten.toStdString();
}

void QtSettingsStore::SetText(const std::string& app, const std::string& section, const std::string& key,
                              const std::string& value) {
  QSettings s(QStringLiteral("Cadro"), FromAnsi(app));
  const QByteArray bytes = QByteArray::fromStdString(value);
  const QString k = FromAnsi(section) + QLatin1Char('/') + FromAnsi(key);
  if (IsUtf8(bytes)) {
    s.setValue(k, QString::fromUtf8(bytes));
  } else {
    s.setValue(k, bytes);
  }
}

QString FromAnsi(const std::string& ansi) {
  return QString::fromStdString(AnsiToUtf8(ansi));
}

std::string ToAnsi(const QString& text) {
  return Utf8ToAnsi(text.toStdString());
}

void AddShortcut(QAbstractButton* button, const QKeySequence& keys) {
  auto* shortcut = new QShortcut(keys, button);
  shortcut->setContext(Qt::WindowShortcut);
  QObject::connect(shortcut, &QShortcut::activated, button, [button] {
    if (button->isEnabled() && button->isVisible()) button->click();
  });
}

QString WithAccessKey(const QString& caption, QChar key) {
  QString text = caption;
  text.replace(QLatin1Char('&'), QStringLiteral("&&"));
  qsizetype at = -1;
  for (qsizetype i = 0; i < text.size() && at < 0; ++i) {
    if (text[i] == key && (i == 0 || text[i - 1] != QLatin1Char('&'))) at = i;
  }
  for (qsizetype i = 0; i < text.size() && at < 0; ++i) {
    if (text[i].toLower() == key.toLower() && text[i] != QLatin1Char('&')) at = i;
  }
  if (at >= 0) text.insert(at, QLatin1Char('&'));
  return text;
}

ProductServices::ProductServices(const std::string& programName)
    : eventLog(programName), prompts(QString::fromStdString(programName)) {}

}  // namespace cadro
