#include "ProfileKeys.h"

#include <string>
#include <unordered_map>

namespace cadro {

std::optional<ProfileKey> FindProfileKey(std::string_view trimmedKey) {
  static const std::unordered_map<std::string_view, ProfileKey> index = [] {
    std::unordered_map<std::string_view, ProfileKey> map;
    for (std::size_t i = 0; i < kProfileKeyCount; ++i) {
      map.emplace(kProfileKeys[i].name, static_cast<ProfileKey>(i));
      if (!kProfileKeys[i].alias.empty()) map.emplace(kProfileKeys[i].alias, static_cast<ProfileKey>(i));
    }
    return map;
  }();
  const auto it = index.find(trimmedKey);
  if (it == index.end()) return std::nullopt;
  return it->second;
}

}  // namespace cadro
