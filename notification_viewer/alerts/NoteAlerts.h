#pragma once
// What puts a new note in front of the operator at once, attached to the notification window:
// the watch on the notes file (read as soon as it changes; the window's poll stays the
// fallback), the desktop notification, the tray icon with the count not yet seen, and the
// Options menu that turns the last two on and off for this user.

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <memory>

#include "DesktopNotifier.h"
#include "NotesWatch.h"
#include "TrayBadge.h"
#include "VtnoteUserSettings.h"

class QAction;

namespace cadro {

class frmNote;

class NoteAlerts : public QObject {
  Q_OBJECT
public:
  // Belongs to `window` (create it with new). `userSettings` is the user's own settings store
  // (never the host's); `watch` false leaves the window on its poll alone.
  NoteAlerts(frmNote& window, SettingsStore& userSettings, EventLog& eventLog, QDBusConnection bus,
             bool watch = true);

  NotesWatch* Watch() { return watch_.get(); }
  DesktopNotifier& Notifier() { return notifier_; }
  TrayBadge& Tray() { return tray_; }

  // Where the installed desktop entry keeps the program's icon, when it is there.
  static QString InstalledIconPath();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BuildMenu();
  void ReadSoon();
  void ReadNow();
  void SettleSoon();
  void NoteShown(int level, const QString& message);
  void PollShown();
  void MarkSeen();
  void RaiseWindow();

  frmNote& window_;
  VtnoteUserSettings settings_;
  std::unique_ptr<NotesWatch> watch_;
  DesktopNotifier notifier_;
  TrayBadge tray_;
  QAction* desktopAction_ = nullptr;
  QAction* trayAction_ = nullptr;
  QTimer settle_;
  bool readScheduled_ = false;
};

}  // namespace cadro
