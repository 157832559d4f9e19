#pragma once
// What the notification window loads and runs, without the window: the profile the host names,
// the sound device, the notes inbox and the service that shows each record. The window starts it
// once it shows, and releases it when it unloads; tests drive it on its own.

#include <memory>
#include <string>

#include "FileLib.h"
#include "NoteService.h"
#include "NotesInbox.h"
#include "Platform.h"
#include "SoundPlayer.h"
#include "VtInit.h"

namespace cadro {

// The local path of Vtnote.dat in the logs folder a profile names (a host path or a local one).
std::string NotesFilePath(const std::string& dirLogs);

class NoteViewer {
public:
  NoteViewer(const Services& services, FileLib& fileLib, SoundPlayer& sound, std::string programVersion,
             std::string programTitle, NoteService::Stamp stamp);

  // The load: reads the profile name from the host's settings, loads (or creates) that profile and
  // opens the notes file it names. Runs once; later calls do nothing.
  void Start();
  bool Started() const { return service_ != nullptr; }
  // What a claimed notes file still holds is shown, then the profile is released (written when it
  // changed). The number of notes the finish showed.
  int Unload();

  NoteService& Service() { return *service_; }
  NotesInbox& Inbox() { return *inbox_; }
  VtInit& Profile() { return *ini_; }

private:
  const Services& services_;
  FileLib& fileLib_;
  SoundPlayer& sound_;
  std::string programVersion_;
  std::string programTitle_;
  NoteService::Stamp stamp_;
  std::unique_ptr<VtDevice> device_;
  std::unique_ptr<VtInit> ini_;
  std::unique_ptr<NotesInbox> inbox_;
  std::unique_ptr<NoteService> service_;
  bool unloaded_ = false;
};

}  // namespace cadro
