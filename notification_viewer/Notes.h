#pragma once
// Notification records as the host writes them, and the log text the window shows.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cadro {

struct NoteRecord {
  std::int16_t level = 0;
  std::string message;
};

// One "level|message" line of Vtnote.dat. Backslash-n anywhere stands for a line break (CR LF);
// the level converts like every number of the host's files. A line without "|" or with a level
// that is not a number in range is no record.
std::optional<NoteRecord> ParseNoteRecord(std::string_view line, char decimalSeparator);

// "<stamp> -- (N<level>) <message>"
std::string DisplayLine(const std::string& stamp, std::int16_t level, const std::string& message);

// The text of the log window and its counter. The text stays a little over 8 KB: before a line
// is added to a text longer than 8192 characters, its first 4095 characters go (the cut may fall
// inside a line). The counter stops at 32767.
class NoteLog {
public:
  static constexpr std::size_t kCutAbove = 8192;
  static constexpr std::size_t kDropped = 4095;
  static constexpr std::int16_t kMaxCount = 32767;

  void Add(const std::string& displayLine);
  void Clear();
  const std::string& Text() const { return text_; }
  std::int16_t Count() const { return count_; }
  // "Notifications Logged: <count>"
  std::string CountText() const;

private:
  std::string text_;
  std::int16_t count_ = 0;
};

}  // namespace cadro
