#include "NoteViewer.h"

#include "FileIO.h"
#include "HostPath.h"

namespace cadro {

std::string NotesFilePath(const std::string& dirLogs) {
  // An empty DirLogs names the root of the host's drive, as "\Vtnote.dat" does for the host.
  if (dirLogs.empty()) return HostPath("\\Vtnote.dat");
  return JoinPath(HostPath(dirLogs), "Vtnote.dat");
}

NoteViewer::NoteViewer(const Services& services, FileLib& fileLib, SoundPlayer& sound,
                       std::string programVersion, std::string programTitle, NoteService::Stamp stamp)
    : services_(services),
      fileLib_(fileLib),
      sound_(sound),
      programVersion_(std::move(programVersion)),
      programTitle_(std::move(programTitle)),
      stamp_(std::move(stamp)) {}

void NoteViewer::Start() {
  if (Started() || unloaded_) return;
  std::string profName =
      services_.settings.Get("Vantrel Packet Message Manager", "Settings", "ProfName").value_or("Vantrel");
  // A name that would put the profile outside the data folder names no profile of the host's.
  if (!IsPlainHostFileName(profName)) {
    services_.eventLog.Error("frmNote:Form_Load, ProfName = " + profName +
                             " is no profile name; the profile Vantrel is used");
    profName = "Vantrel";
  }
  device_ = std::make_unique<VtDevice>(sound_, services_.prompts);
  ini_ = std::make_unique<VtInit>(fileLib_, services_, programVersion_, programTitle_);
  ini_->StartClass(profName + ".profile", "");
  const std::string journal = JoinPath(fileLib_.DataPath(), "Srnote.tmp");
  inbox_ = std::make_unique<NotesInbox>(NotesFilePath(ini_->DirLogs()), services_.eventLog, journal);
  service_ = std::make_unique<NoteService>(*ini_, *device_, *inbox_, journal, stamp_,
                                           services_.locale.DecimalSeparator());
}

int NoteViewer::Unload() {
  if (unloaded_) return 0;
  unloaded_ = true;
  if (!Started()) return 0;
  const int shown = service_->Finish();
  device_.reset();
  ini_->Release();
  return shown;
}

}  // namespace cadro
