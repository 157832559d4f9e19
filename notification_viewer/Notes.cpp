#include "Notes.h"

#include "FileLib.h"
#include "RunError.h"

namespace cadro {

std::optional<NoteRecord> ParseNoteRecord(std::string_view line, char decimalSeparator) {
  std::string text;
  text.reserve(line.size() + 8);
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 'n') {
      text += "\r\n";
      ++i;
    } else {
      text += line[i];
    }
  }
  const std::size_t bar = text.find('|');
  if (bar == std::string::npos) return std::nullopt;
  try {
    NoteRecord record;
    record.level = static_cast<std::int16_t>(
        ToWholeNumber(std::string_view(text).substr(0, bar), decimalSeparator, -32768, 32767));
    record.message = text.substr(bar + 1);
    return record;
  } catch (const RunError&) {
    return std::nullopt;
  }
}

std::string DisplayLine(const std::string& stamp, std::int16_t level, const std::string& message) {
  return stamp + " -- (N" + std::to_string(level) + ") " + message;
}

void NoteLog::Add(const std::string& displayLine) {
  if (text_.size() > kCutAbove) text_.erase(0, kDropped);
  text_ += displayLine;
  text_ += "\r\n";
  if (count_ < kMaxCount) ++count_;
}

void NoteLog::Clear() {
  text_.clear();
  count_ = 0;
}

std::string NoteLog::CountText() const {
  return "Notifications Logged: " + std::to_string(count_);
}

}  // namespace cadro
