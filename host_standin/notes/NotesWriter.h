#pragma once
// Appends notification records to the host's notes file the way the host does: one
// "level|message" line each, CR LF, the file opened for appending and closed again.
//
// A cooperating writer also takes an exclusive lock on the file while it appends and checks
// that the file it holds is still the one under the notes name; a reader that renamed the file
// away meanwhile makes it start over on the new file, so no record lands in a file that is
// about to be deleted.

#include <string>
#include <string_view>

namespace cadro::standin {

// "level|message" with CR LF. A line break in the message is written as backslash-n, as the host
// does, so one record stays on one line.
std::string NoteRecord(int level, std::string_view message);

// Appends `record` (already terminated) to `notesFile`. Throws std::runtime_error on failure.
void AppendNote(const std::string& notesFile, std::string_view record);

// The notes file inside a logs folder.
std::string NotesFileIn(const std::string& logsFolder);

}  // namespace cadro::standin
