// Arbitrary bytes as the host's notes file: the inbox must hand out every non-empty line once,
// in order, whether the bytes arrive in one piece or split across two polls, and the record
// parser must accept or refuse each line without failing.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Notes.h"
#include "NotesInbox.h"
#include "TestKit.h"

namespace {
std::vector<std::string> Expected(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (const char c : text) {
    if (c == '\r') {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    } else if (c != '\n') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = [] {
    const auto dir = std::filesystem::temp_directory_path() / ("fuzz-notes-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string notes = folder + "/Vtnote.dat";
  cadro::testing::RecordingEventLog log;
  cadro::NotesInbox inbox(notes, log);
  // The first half lands before a poll, the rest in the claimed file before the next one.
  const std::size_t half = size / 2;
  if (half > 0) cadro::testing::WriteFileBytes(notes, text.substr(0, half));
  std::vector<std::string> got = inbox.Poll();
  if (inbox.Claimed()) {
    cadro::testing::WriteFileBytes(inbox.ClaimedFile(), text);
  } else {
    cadro::testing::WriteFileBytes(notes, text);
  }
  for (int i = 0; i < 2; ++i) {
    const auto more = inbox.Poll();
    got.insert(got.end(), more.begin(), more.end());
  }
  const auto rest = inbox.Finish();
  got.insert(got.end(), rest.begin(), rest.end());
  // Splitting a CR LF pair across the two polls only moves where a line is cut, never drops text.
  std::string joinedGot;
  for (const auto& l : got) joinedGot += l;
  std::string joinedWant;
  for (const auto& l : Expected(text)) joinedWant += l;
  if (joinedGot != joinedWant || !log.entries.empty()) std::abort();
  for (const auto& line : got) {
    if (auto record = cadro::ParseNoteRecord(line, '.'))
      (void)cadro::DisplayLine("now", record->level, record->message);
  }
  std::filesystem::remove(notes);
  return 0;
}
