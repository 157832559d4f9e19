#include "VtnoteUserSettings.h"

namespace cadro {

bool VtnoteUserSettings::Flag(const char* key) const {
  // Anything but an explicit "0" keeps the feature on: a damaged value must not silence alerts.
  const auto value = store_.Get(kApp, kSection, key);
  return !value || *value != "0";
}

void VtnoteUserSettings::SetFlag(const char* key, bool on) {
  store_.Set(kApp, kSection, key, on ? "1" : "0");
}

}  // namespace cadro
