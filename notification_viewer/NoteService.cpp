#include "NoteService.h"

#include "FileIO.h"

namespace cadro {

NoteService::NoteService(VtInit& ini, VtDevice& device, NotesInbox& inbox, std::string journalFile,
                         Stamp stamp, char decimalSeparator)
    : ini_(ini),
      device_(device),
      inbox_(inbox),
      journalFile_(std::move(journalFile)),
      stamp_(std::move(stamp)),
      decimalSeparator_(decimalSeparator) {}

int NoteService::ShowLines(const std::vector<std::string>& lines) {
  int shown = 0;
  for (const std::string& line : lines) {
    if (auto record = ParseNoteRecord(line, decimalSeparator_)) {
      ShowNote(record->level, record->message);
      ++shown;
    }
  }
  return shown;
}

int NoteService::GetNote() {
  return ShowLines(inbox_.Poll());
}

int NoteService::Finish() {
  return ShowLines(inbox_.Finish());
}

void NoteService::ShowNote(std::int16_t level, const std::string& message) {
  const std::string line = DisplayLine(stamp_(), level, message);
  log_.Add(line);
  // A sound or journal that fails costs that sound or journal line, never the notification.
  try {
    if (ini_.PlayOnNotif() == 1) device_.WinPlaySound(ini_.FilePON());
  } catch (...) {
  }
  try {
    AppendToFile(journalFile_, line + "\r\n");
  } catch (...) {
  }
  if (shown_) shown_(level, message);
}

}  // namespace cadro
