#pragma once
// Hands the notes the viewer shows to the desktop's notification service on the session bus.
//
// One desktop notification stands for everything not yet seen: a burst of notes becomes one
// notification ("7 new notifications", newest text first) that is replaced as more arrive,
// never a pile of them. Calls are asynchronous, so a slow or hung service never holds up the
// window, and while one call is out the notes that follow wait for its answer and go in one
// replacing call. Without a bus or service nothing breaks: the failure is logged once, and
// again only after a call has succeeded in between.

#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <deque>

#include "Platform.h"

class QDBusPendingCallWatcher;

namespace cadro {

class DesktopNotifier : public QObject {
  Q_OBJECT
public:
  static constexpr int kBodyLines = 5;  // newest texts in the body; the rest are counted

  // `iconPath` names the program's icon file for the service (may be empty); `icon` is sent
  // along as image data for services that cannot read the file.
  DesktopNotifier(QDBusConnection bus, EventLog& eventLog, QString iconPath, QImage icon,
                  QObject* parent = nullptr);

  void SetEnabled(bool on);
  bool Enabled() const { return enabled_; }

  // One note shown. Notes added in the same turn of the event loop go out in one call.
  void Add(std::int16_t level, const QString& message);
  // The operator has looked at the window: the next note starts a new count.
  void Seen();

  // The notification's text for `count` notes whose newest texts are `newestFirst`.
  static QString Summary(int count);
  // `markup`: the service reads the body as markup, so the note's own "<" and "&" are escaped.
  static QString Body(int count, const QStringList& newestFirst, bool markup = true);
  // The service's urgency (0 low, 1 normal, 2 critical) for a note level.
  static std::uint8_t Urgency(std::int16_t level);

  // What the next call sends, for tests and the screenshot tool.
  int Count() const { return count_; }
  std::uint32_t NotificationId() const { return id_; }
  bool CallOut() const { return inFlight_; }
  bool Markup() const { return markup_; }

signals:
  // After each answer of the service (or failure to reach it).
  void delivered(bool ok);

private:
  void Schedule();
  void Send();
  void Answered(QDBusPendingCallWatcher* call);
  void Failed(const QString& what);

  QDBusConnection bus_;
  EventLog& eventLog_;
  QString iconPath_;
  QVariant imageData_;
  bool enabled_ = true;
  bool scheduled_ = false;
  bool inFlight_ = false;
  bool dirty_ = false;       // notes arrived while a call was out
  bool failedOnce_ = false;  // a failure is logged; quiet until a call succeeds
  bool fresh_ = false;       // the next note starts a new count
  bool markup_ = true;       // what most services do, until the service says otherwise
  int count_ = 0;
  std::uint8_t urgency_ = 0;
  std::deque<QString> newest_;  // newest first, at most kBodyLines
  std::uint32_t id_ = 0;
};

}  // namespace cadro
