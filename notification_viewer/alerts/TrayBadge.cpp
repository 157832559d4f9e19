#include "TrayBadge.h"

#include <algorithm>
#include <climits>

#include "VtnoteIcon.h"

namespace cadro {

TrayBadge::TrayBadge(QObject* parent) : QObject(parent) {
  connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) emit raiseRequested();
  });
  Update();
}

void TrayBadge::SetEnabled(bool on) {
  enabled_ = on;
  Update();
}

void TrayBadge::Add(int notes) {
  unseen_ = notes > INT_MAX - unseen_ ? INT_MAX : unseen_ + notes;
  Update();
}

void TrayBadge::Seen() {
  if (unseen_ == 0) return;
  unseen_ = 0;
  Update();
}

QString TrayBadge::ToolTip() const {
  if (unseen_ == 0) return QStringLiteral("Notifications: none new");
  if (unseen_ == 1) return QStringLiteral("Notifications: 1 not seen");
  return QStringLiteral("Notifications: %1 not seen").arg(unseen_);
}

void TrayBadge::Update() {
  const int badge = std::min(unseen_, 100);  // every count above 99 looks the same
  if (badge != drawn_) {
    tray_.setIcon(VtnoteBadgeIcon(badge));
    drawn_ = badge;
  }
  tray_.setToolTip(ToolTip());
  const bool show = enabled_ && QSystemTrayIcon::isSystemTrayAvailable();
  if (show != tray_.isVisible()) tray_.setVisible(show);
}

}  // namespace cadro
