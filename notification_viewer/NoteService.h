#pragma once
// What the notification window does on each tick and for each record, without the window:
// poll the notes file, show each record (log line, counter, sound, journal).

#include <functional>
#include <string>

#include "Notes.h"
#include "NotesInbox.h"
#include "SoundPlayer.h"
#include "VtInit.h"

namespace cadro {

class NoteService {
public:
  // `stamp` gives the current date and time as the display line shows it.
  using Stamp = std::function<std::string()>;

  NoteService(VtInit& ini, VtDevice& device, NotesInbox& inbox, std::string journalFile, Stamp stamp,
              char decimalSeparator);

  // One poll of the notes file; the number of notifications shown.
  int GetNote();
  // Shows one notification.
  void ShowNote(std::int16_t level, const std::string& message);
  // Takes in what a claimed notes file still holds, for closing the window.
  int Finish();
  // Called after each notification shown (for alerts outside the window).
  void OnShown(std::function<void(std::int16_t, const std::string&)> shown) { shown_ = std::move(shown); }

  const NoteLog& Log() const { return log_; }

private:
  int ShowLines(const std::vector<std::string>& lines);
  int Poll(bool finish);
  void PlaySound();
  void Journal(const std::string& lines);

  VtInit& ini_;
  VtDevice& device_;
  NotesInbox& inbox_;
  std::string journalFile_;
  Stamp stamp_;
  char decimalSeparator_;
  NoteLog log_;
  std::function<void(std::int16_t, const std::string&)> shown_;
};

}  // namespace cadro
