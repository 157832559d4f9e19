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
  // The journal lines of one piece go in with one append: after a crash the journal has all of
  // them or none, which is what the inbox's record of the piece relies on.
  std::string journal;
  std::vector<NoteRecord> shown;
  for (const std::string& line : lines) {
    if (auto record = ParseNoteRecord(line, decimalSeparator_)) {
      const std::string display = DisplayLine(stamp_(), record->level, record->message);
      log_.Add(display);
      journal += display + "\r\n";
      shown.push_back(std::move(*record));
    }
  }
  if (journal.empty()) return 0;
  Journal(journal);
  for (const NoteRecord& record : shown) {
    if (shown_) shown_(record.level, record.message);
  }
  return static_cast<int>(shown.size());
}

int NoteService::Poll(bool finish) {
  int shown = 0;
  const NotesInbox::Show show = [this, &shown](const std::vector<std::string>& lines) {
    shown += ShowLines(lines);
  };
  if (finish) {
    inbox_.Finish(show);
  } else {
    inbox_.Poll(show);
  }
  // A burst sounds once: one sound per poll at most.
  if (shown > 0) PlaySound();
  return shown;
}

int NoteService::GetNote() {
  return Poll(false);
}

int NoteService::Finish() {
  return Poll(true);
}

void NoteService::PlaySound() {
  // A sound that fails costs that sound, never the notification.
  try {
    if (ini_.PlayOnNotif() == 1) device_.WinPlaySound(ini_.FilePON());
  } catch (...) {
  }
}

void NoteService::Journal(const std::string& lines) {
  try {
    AppendToFile(journalFile_, lines);
  } catch (...) {
  }
}

void NoteService::ShowNote(std::int16_t level, const std::string& message) {
  const std::string line = DisplayLine(stamp_(), level, message);
  log_.Add(line);
  PlaySound();
  Journal(line + "\r\n");
  if (shown_) shown_(level, message);
}

}  // namespace cadro
