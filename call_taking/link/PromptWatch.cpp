#include "PromptWatch.h"

namespace cadro {

bool PromptWatch::Feed(std::string_view arrived) {
  const std::size_t overlap = kPrompt.size() - 1;
  const std::size_t from = received_.size() > overlap ? received_.size() - overlap : 0;
  received_.append(arrived);
  if (received_.find(kPrompt, from) != std::string::npos) seen_ = true;
  if (received_.size() > kMaxKept) received_.erase(0, received_.size() - overlap);
  return seen_;
}

}  // namespace cadro
