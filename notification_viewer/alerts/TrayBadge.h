#pragma once
// A tray icon that counts the notes the operator has not seen yet (seen: the window was active
// after they arrived). Clicking it asks for the window. Where the desktop has no tray, nothing
// is shown and the window works as before.

#include <QObject>
#include <QSystemTrayIcon>

namespace cadro {

class TrayBadge : public QObject {
  Q_OBJECT
public:
  explicit TrayBadge(QObject* parent = nullptr);

  // Shows the icon when on and the desktop has a tray.
  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }
  bool Shown() const { return tray_.isVisible(); }

  void Add(int notes);
  void Seen();
  int Unseen() const { return unseen_; }
  QString ToolTip() const;

  QSystemTrayIcon& Icon() { return tray_; }

signals:
  void raiseRequested();

private:
  void Update();

  QSystemTrayIcon tray_;
  bool enabled_ = true;
  int unseen_ = 0;
  int drawn_ = -1;  // the count the icon shows
};

}  // namespace cadro
