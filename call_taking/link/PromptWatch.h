#pragma once
// What the client remembers of the server's answers between two sends: everything received
// since the last send started, and whether the awaited prompt has been among it. A prompt may
// arrive split over several reads, so recognition works on the accumulated text, not on one
// read. The text kept is bounded: a server that streams without end cannot exhaust memory, and
// the tail that could still begin a prompt is never dropped.

#include <cstddef>
#include <string>
#include <string_view>

namespace cadro {

class PromptWatch {
public:
  // The prompt that acknowledges an envelope; exact case.
  static constexpr std::string_view kPrompt = "OK>";
  // Past this size only the last few bytes are kept (enough to finish a split prompt).
  static constexpr std::size_t kMaxKept = 64 * 1024;

  // Forgets what was received (a new send starts).
  void Clear() {
    received_.clear();
    seen_ = false;
  }

  // Appends what arrived. True when everything received since Clear() contains the prompt; only
  // the part that could include new bytes is searched, so a long answer costs time in proportion
  // to its size.
  bool Feed(std::string_view arrived);

  const std::string& Received() const { return received_; }

private:
  std::string received_;
  bool seen_ = false;
};

}  // namespace cadro
