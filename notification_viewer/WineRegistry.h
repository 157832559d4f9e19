#pragma once
// Per-user settings read from the host's own registry when the host runs under Wine.
//
// The host keeps the name of the user's current profile among its per-user program settings in
// the registry. Under Wine that registry is the text file user.reg in the prefix; reading it
// directly lets the viewer follow the profile the operator chose in the host. Values the host
// never wrote (no prefix, no such key) come from the fallback store.

#include <optional>
#include <string>
#include <string_view>

#include "Platform.h"

namespace cadro {

class WineRegistrySettings final : public SettingsStore {
public:
  // `userReg` is the local path of the prefix's user.reg.
  WineRegistrySettings(std::string userReg, SettingsStore& fallback);

  std::optional<std::string> Get(const std::string& app, const std::string& section,
                                 const std::string& key) const override;
  // Writes go to the fallback store: the host's registry belongs to the host.
  void Set(const std::string& app, const std::string& section, const std::string& key,
           const std::string& value) override;

private:
  std::string userReg_;
  SettingsStore& fallback_;
};

// The string value `name` under registry key `keyPath` (backslash-separated, matched without
// regard to case) in the text of a Wine registry file, as ANSI bytes; none when absent or not a
// string.
std::optional<std::string> FindWineRegistryString(std::string_view regText, std::string_view keyPath,
                                                  std::string_view name);

// Where the host's runtime keeps the program settings of `app`, `section`.
std::string ProgramSettingsKey(const std::string& app, const std::string& section);

}  // namespace cadro
