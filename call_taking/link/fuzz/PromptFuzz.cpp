// Bytes a server may send back, cut into arbitrary arrivals: the watch must recognise the prompt
// exactly when the whole stream holds it, whatever the cuts, and never grow without bound.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "PromptWatch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the arrival sizes, the rest is the stream.
  const std::size_t step = 1 + data[0] % 16;
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  cadro::PromptWatch watch;
  bool seen = false;
  std::size_t cut = 0;
  for (std::size_t at = 0; at < stream.size(); at += cut) {
    cut = std::min(stream.size() - at, step + (at % 3));
    seen = watch.Feed(stream.substr(at, cut));
    if (watch.Received().size() > cadro::PromptWatch::kMaxKept + cut) std::abort();
  }
  if (seen != (stream.find(cadro::PromptWatch::kPrompt) != std::string_view::npos)) std::abort();
  return 0;
}
