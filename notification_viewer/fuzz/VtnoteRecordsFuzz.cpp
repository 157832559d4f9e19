// Arbitrary bytes as the host's notes file: the inbox must hand out every non-empty line once,
// whole and in order, while a writer that holds the file open writes them in two pieces, and the
// record parser must accept or refuse each line without failing.
#include <fcntl.h>
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
  // The take itself is what is fuzzed here, not the wait for a file left alone.
  cadro::NotesInbox inbox(notes, log, {}, std::chrono::milliseconds(0));
  // A writer holds the file open across two polls; the first piece may end inside a line.
  const int writer = ::open(notes.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (writer < 0) std::abort();
  const std::size_t half = size / 2;
  if (::write(writer, text.data(), half) != static_cast<ssize_t>(half)) std::abort();
  std::vector<std::string> got = inbox.Poll();
  if (::write(writer, text.data() + half, size - half) != static_cast<ssize_t>(size - half)) std::abort();
  for (int i = 0; i < 2; ++i) {
    const auto more = inbox.Poll();
    got.insert(got.end(), more.begin(), more.end());
  }
  ::close(writer);
  const auto rest = inbox.Finish();
  got.insert(got.end(), rest.begin(), rest.end());
  // Only whole lines while the file was held: every line comes out as it went in.
  if (got != Expected(text) || !log.entries.empty() || std::filesystem::exists(notes)) std::abort();
  for (const auto& line : got) {
    if (auto record = cadro::ParseNoteRecord(line, '.'))
      (void)cadro::DisplayLine("now", record->level, record->message);
  }
  return 0;
}
