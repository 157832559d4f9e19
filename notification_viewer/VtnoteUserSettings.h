#pragma once
// The viewer's own per-user choices (desktop notifications, tray icon). They live in the user's
// settings store beside other programs' layouts, never in the host's profile or registry, so
// the host never sees a key it did not write.

#include "Platform.h"

namespace cadro {

class VtnoteUserSettings {
public:
  explicit VtnoteUserSettings(SettingsStore& store) : store_(store) {}

  // Both are on until the user turns them off.
  bool DesktopNotifications() const { return Flag(kDesktopKey); }
  bool TrayIcon() const { return Flag(kTrayKey); }
  void SetDesktopNotifications(bool on) { SetFlag(kDesktopKey, on); }
  void SetTrayIcon(bool on) { SetFlag(kTrayKey, on); }

  static constexpr const char* kApp = "Vtnote";
  static constexpr const char* kSection = "Alerts";
  static constexpr const char* kDesktopKey = "DesktopNotifications";
  static constexpr const char* kTrayKey = "TrayIcon";

private:
  bool Flag(const char* key) const;
  void SetFlag(const char* key, bool on);

  SettingsStore& store_;
};

}  // namespace cadro
