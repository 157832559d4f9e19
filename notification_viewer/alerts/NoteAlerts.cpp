#include "NoteAlerts.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "VtnoteIcon.h"
#include "frmNote.h"

namespace cadro {

QString NoteAlerts::InstalledIconPath() {
  const QFileInfo icon(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/icons/vtnote.svg"));
  return icon.exists() ? icon.canonicalFilePath() : QString();
}

NoteAlerts::NoteAlerts(frmNote& window, SettingsStore& userSettings, EventLog& eventLog, QDBusConnection bus,
                       bool watch)
    : QObject(&window),
      window_(window),
      settings_(userSettings),
      notifier_(std::move(bus), eventLog, InstalledIconPath(), VtnoteIconImage(64)) {
  window_.setWindowIcon(VtnoteIcon());
  notifier_.SetEnabled(settings_.DesktopNotifications());
  tray_.SetEnabled(settings_.TrayIcon());
  BuildMenu();

  connect(&window_, &frmNote::noteShown, this, &NoteAlerts::NoteShown);
  connect(&window_, &frmNote::notesShown, this, &NoteAlerts::PollShown);
  connect(&tray_, &TrayBadge::raiseRequested, this, &NoteAlerts::RaiseWindow);
  window_.installEventFilter(this);

  settle_.setSingleShot(true);
  connect(&settle_, &QTimer::timeout, this, &NoteAlerts::ReadNow);
  if (watch) {
    const QString notesFile = QFile::decodeName(QByteArray::fromStdString(window_.Inbox().NotesFile()));
    watch_ = std::make_unique<NotesWatch>(notesFile);
    connect(watch_.get(), &NotesWatch::changed, this, &NoteAlerts::ReadSoon);
    // A folder that appears, or comes back, is watched from the next tick of the poll on; a file
    // the poll took is deleted soon after, too.
    connect(&window_.Timer(), &QTimer::timeout, this, [this] {
      watch_->Rearm();
      SettleSoon();
    });
    // A note that arrived before the watch was in place is not left for the poll.
    ReadSoon();
  }
}

void NoteAlerts::BuildMenu() {
  QMenu* options = window_.menuBar()->addMenu(tr("&Options"));
  options->setObjectName(QStringLiteral("mnuOptions"));
  options->menuAction()->setObjectName(QStringLiteral("mnuOptions"));
  desktopAction_ = options->addAction(tr("&Desktop notifications"));
  desktopAction_->setObjectName(QStringLiteral("mnuDesktopNotifications"));
  desktopAction_->setCheckable(true);
  desktopAction_->setChecked(settings_.DesktopNotifications());
  connect(desktopAction_, &QAction::toggled, this, [this](bool on) {
    settings_.SetDesktopNotifications(on);
    notifier_.SetEnabled(on);
  });
  trayAction_ = options->addAction(tr("&Tray icon"));
  trayAction_->setObjectName(QStringLiteral("mnuTrayIcon"));
  trayAction_->setCheckable(true);
  trayAction_->setChecked(settings_.TrayIcon());
  connect(trayAction_, &QAction::toggled, this, [this](bool on) {
    settings_.SetTrayIcon(on);
    tray_.SetEnabled(on);
  });
}

void NoteAlerts::ReadSoon() {
  // The events of one append (created, written, closed) arrive together: one read serves them all.
  if (readScheduled_) return;
  readScheduled_ = true;
  QTimer::singleShot(0, this, &NoteAlerts::ReadNow);
}

void NoteAlerts::ReadNow() {
  readScheduled_ = false;
  window_.GetNote();
  SettleSoon();
}

void NoteAlerts::SettleSoon() {
  // A taken file goes after its grace; a fresh one is taken once left alone. Without this the
  // watch alone would leave either for the next note.
  if (settle_.isActive()) return;
  const NotesInbox& inbox = window_.Inbox();
  if (inbox.TakePending()) {
    settle_.start(static_cast<int>(NotesInbox::kTakeGrace.count()) + 10);
  } else if (const auto due = inbox.TakeDueIn(); due.count() > 0) {
    settle_.start(static_cast<int>(due.count()) + 10);
  }
}

void NoteAlerts::NoteShown(int level, const QString& message) {
  notifier_.Add(static_cast<std::int16_t>(level), message);
  tray_.Add(1);
}

void NoteAlerts::PollShown() {
  if (watch_) watch_->Rearm();  // the folder may have appeared since
  // Notes that arrive while the operator is looking at the window are seen at once.
  if (window_.isActiveWindow()) MarkSeen();
}

void NoteAlerts::MarkSeen() {
  tray_.Seen();
  notifier_.Seen();
}

void NoteAlerts::RaiseWindow() {
  if (window_.isMinimized()) window_.showNormal();
  window_.show();
  window_.raise();
  window_.activateWindow();
}

bool NoteAlerts::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::WindowActivate) MarkSeen();
  return QObject::eventFilter(watched, event);
}

}  // namespace cadro
