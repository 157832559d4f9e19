#pragma once
// Appends notification records to the host's notes file the way the host does: one
// "level|message" line each, CR LF, the file opened for appending (created when missing),
// written and closed again.
//
// As plain as the host: no lock, and no check that the file it opened is still the notes file.
// The host may keep the file open for a while before and after it writes, write one record in
// several pieces, or keep it open for minutes and append now and then; the options and
// HeldNotesFile do each of these, so a reader is tested against what the host really does.

#include <chrono>
#include <string>
#include <string_view>

namespace cadro::standin {

using Steady = std::chrono::steady_clock;

// "level|message" with CR LF. A line break in the message is written as backslash-n, as the host
// does, so one record stays on one line.
std::string NoteRecord(int level, std::string_view message);

// The notes file inside a logs folder.
std::string NotesFileIn(const std::string& logsFolder);

struct WriteOptions {
  std::chrono::milliseconds afterOpen{0};    // open, then this long before the first byte
  std::chrono::milliseconds beforeClose{0};  // last byte, then this long before the close
  int pieces = 1;                            // the record in this many writes
  std::chrono::milliseconds betweenPieces{0};
};

// Opens `notesFile`, appends `record` (already terminated) and closes it. Throws
// std::runtime_error on failure. Returns the moment the close came back.
Steady::time_point AppendNote(const std::string& notesFile, std::string_view record,
                              const WriteOptions& options = {});

// The notes file held open by a writer that appends to it now and then.
class HeldNotesFile {
public:
  explicit HeldNotesFile(const std::string& notesFile);  // opens (creates) it; throws on failure
  ~HeldNotesFile();
  HeldNotesFile(const HeldNotesFile&) = delete;
  HeldNotesFile& operator=(const HeldNotesFile&) = delete;

  // Appends `record` in `pieces` writes; returns when the last one came back.
  Steady::time_point Append(std::string_view record, int pieces = 1,
                            std::chrono::milliseconds betweenPieces = {});
  Steady::time_point Close();
  // Whether the file held is still the one under the notes name (nobody took it away).
  bool StillTheNotesFile() const;

private:
  std::string file_;
  int fd_ = -1;
};

}  // namespace cadro::standin
