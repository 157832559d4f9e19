#include "WalkStation.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "FileIO.h"
#include "frmStationID.h"

namespace cadro::walk {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFiller = ".walk-filler";

// The text of an envelope line "KEY=value", with the wrapping's soft line breaks taken out.
std::string EnvelopeField(std::string envelope, const std::string& key, const std::string& endMark) {
  for (std::size_t at; (at = envelope.find("=\r\n")) != std::string::npos;) envelope.erase(at, 3);
  std::size_t at = envelope.find(key + "=");
  if (at == std::string::npos) return {};
  at += key.size() + 1;
  const std::size_t end = envelope.find(endMark, at);
  return envelope.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

bool Mount(const std::string& where, const char* options) {
  return ::mount("tmpfs", where.c_str(), "tmpfs", 0, options) == 0;
}

}  // namespace

// ---- The fake operator's answers ----

void WalkPrompts::Message(const std::string& text, const std::string&, PromptIcon) {
  boxes.push_back({ToldBox::Kind::Message, text, 0, step});
}

bool WalkPrompts::AskYesNo(const std::string& text, const std::string&, PromptIcon) {
  const bool yes = rng ? ((*rng)() % 2) == 0 : false;
  boxes.push_back({ToldBox::Kind::YesNo, text, yes ? 1 : 0, step});
  return yes;
}

SaveChoice WalkPrompts::AskSaveDiscardCancel(const std::string& text, const std::string&) {
  SaveChoice choice = SaveChoice::Cancel;
  if (nextSaveChoice) {
    choice = *nextSaveChoice;
  } else if (rng) {
    choice = static_cast<SaveChoice>((*rng)() % 3);
  }
  boxes.push_back({ToldBox::Kind::SaveDiscardCancel, text, static_cast<int>(choice), step});
  return choice;
}

const char* ServerModeName(ServerMode mode) {
  switch (mode) {
    case ServerMode::Answer: return "Answer";
    case ServerMode::Silent: return "Silent";
    case ServerMode::Late: return "Late";
    case ServerMode::Refuse: return "Refuse";
    case ServerMode::CloseAfterEnvelope: return "CloseAfterEnvelope";
    case ServerMode::Reset: return "Reset";
    case ServerMode::CloseOnConnect: return "CloseOnConnect";
  }
  return "?";
}

// ---- The station ----

WalkStation::WalkStation(int promptWaitMs) : promptWaitMs_(promptWaitMs) {
  folder_ = dir_.File("Cadro");
  fs::create_directories(folder_);
  // Small file systems of their own, so that the disk can fill and the message folder can be
  // made read-only in a way that binds even a root user. Without the right to mount, plain
  // folders and their permission bits stand in (the disk then never fills).
  mounted_ = Mount(folder_, "size=4m,mode=0755");
  fs::create_directories(MessageFolder());
  fs::create_directories(folder_ + "/logs");
  fs::create_directories(folder_ + "/export");
  if (mounted_ && !Mount(MessageFolder(), "size=192k,mode=0755")) {
    setupError_ = std::string("cannot mount the message folder: ") + std::strerror(errno);
  }
  if (!mounted_ && ::geteuid() == 0) {
    setupError_ =
        std::string("running as root without the right to mount: read-only folders would not bind (") +
        std::strerror(errno) + ")";
  }
  testing::WriteFileBytes(
      folder_ + "/Cadrocts.ini",
      "Nam=Ann Lee\r\nUid=K6ABC\r\nLoc=Station 3\r\nLid=XYZ\r\nEno=100\r\nCty=Springfield\r\n");
  Listen();
}

WalkStation::~WalkStation() {
  Kill();
  server_.reset();
  if (iniBound_) ::umount2((folder_ + "/Cadrocts.ini").c_str(), MNT_DETACH);
  if (mounted_) {
    ::umount2(MessageFolder().c_str(), MNT_DETACH);
    ::umount2(folder_.c_str(), MNT_DETACH);
  } else {
    ::chmod(MessageFolder().c_str(), 0755);
    ::chmod((folder_ + "/Cadrocts.ini").c_str(), 0644);
  }
}

bool WalkStation::Ready(std::string& why) const {
  why = setupError_;
  if (why.empty() && port_ == 0) why = "the stand-in server cannot listen";
  return why.empty();
}

std::string WalkStation::MessageFolder() const {
  return folder_ + "/msg.d";
}

void WalkStation::Start() {
  if (list_) return;
  ini_ = std::make_unique<CadroIni>(folder_ + "/Cadrocts.ini", services);
  log_ = std::make_unique<SessionLog>(folder_, services);
  list_ = std::make_unique<frmCadromain>(services, *ini_, *log_, folder_);
  list_->SetModalRunner([this](QDialog& d) { return RunModal(d); });
  list_->SetDocumentOpener([](const QString&) { return true; });
  link_ = std::make_unique<VtdirectSession>(
      services.prompts, LinkHooks{[this](const std::string& line) { log_->WriteLog(line); }, {}});
  list_->SetLinkTest([this](const StationSettings& typed) {
    RunLinkTestFromPreferences(*link_, typed.Hst, typed.Prt, services.prompts);
  });
  delivery_ = std::make_unique<form::VtdirectDelivery>(*link_, *ini_, promptWaitMs_);
  form_ = std::make_unique<form::frmCadrocts>(services, *ini_, folder_, delivery_.get());
  QObject::connect(form_.get(), &form::frmCadrocts::listMustBeRebuilt, list_.get(),
                   &frmCadromain::BuildNewMsgList);
  list_->SetEntryForm(form_.get());
  list_->Startup();
  list_->show();
}

bool WalkStation::Ended() const {
  return list_ && !list_->isVisible();
}

void WalkStation::Kill() {
  // The order main() ends them in.
  form_.reset();
  delivery_.reset();
  link_.reset();
  list_.reset();
  log_.reset();
  ini_.reset();
}

int WalkStation::RunModal(QDialog& dialog) {
  dialog.show();
  if (nextDialog) {
    auto act = std::move(nextDialog);
    nextDialog = nullptr;
    act(dialog);
  } else if (auto* station = qobject_cast<frmStationID*>(&dialog)) {
    // The first start asks for the station; it is confirmed as the file holds it.
    station->cmdOK_Click();
  } else {
    dialog.reject();
  }
  dialog.hide();
  return dialog.result();
}

// ---- The world ----

void WalkStation::Listen() {
  server_.reset();
  if (mode_ == ServerMode::Refuse) return;
  standin::StandinOptions options;
  options.silent = mode_ == ServerMode::Silent;
  options.slow = mode_ == ServerMode::Late;
  options.delayMs = lateMs_;
  options.closeAfterEnvelope = mode_ == ServerMode::CloseAfterEnvelope;
  options.resetAfterEnvelope = mode_ == ServerMode::Reset;
  options.closeOnConnect = mode_ == ServerMode::CloseOnConnect;
  server_ = std::make_unique<standin::VtdirectStandin>(options);
  server_->SetOutput([this](const std::string& line) { OnServerOutput(line); });
  QObject::connect(server_.get(), &standin::VtdirectStandin::envelopeReceived, [this](int index) {
    const std::string& envelope = server_->Envelopes().at(static_cast<std::size_t>(index));
    envelopes_.push_back(
        {EnvelopeField(envelope, "EVNT", "</AOMSG>"), EnvelopeField(envelope, "LOC2", "\r\n"), false, step});
    lastEnvelopeOpen_ = true;
  });
  if (!server_->Listen(port_)) {
    // The port of the server before may linger for a moment.
    for (int i = 0; i < 20 && !server_->Listen(port_); ++i) QTest::qWait(50);
  }
  if (port_ == 0) {
    port_ = server_->Port();
    std::string ini = testing::ReadFileBytes(folder_ + "/Cadrocts.ini");
    ini += "Hst=127.0.0.1\r\nPrt=" + std::to_string(port_) + "\r\n";
    testing::WriteFileBytes(folder_ + "/Cadrocts.ini", ini);
  }
}

void WalkStation::OnServerOutput(const std::string& line) {
  if (line.rfind("answered OK>", 0) == 0 && lastEnvelopeOpen_ && !envelopes_.empty()) {
    envelopes_.back().acknowledged = true;
    lastEnvelopeOpen_ = false;
  }
}

void WalkStation::SetServer(ServerMode mode, int lateMs) {
  mode_ = mode;
  lateMs_ = lateMs;
  lastEnvelopeOpen_ = false;
  Listen();
}

void WalkStation::SetMessageFolderWritable(bool writable) {
  if (writable == msgWritable_) return;
  if (mounted_) {
    const unsigned long flags = writable ? MS_REMOUNT : (MS_REMOUNT | MS_RDONLY);
    if (::mount(nullptr, MessageFolder().c_str(), nullptr, flags, nullptr) != 0) return;
  } else {
    ::chmod(MessageFolder().c_str(), writable ? 0755 : 0555);
  }
  msgWritable_ = writable;
}

void WalkStation::SetIniWritable(bool writable) {
  if (writable == iniWritable_) return;
  const std::string ini = folder_ + "/Cadrocts.ini";
  if (mounted_) {
    if (writable) {
      if (::umount2(ini.c_str(), MNT_DETACH) != 0) return;
      iniBound_ = false;
    } else {
      // The file mounted over itself, read-only: writes fail as on a write-protected file, and so
      // does a replacement by rename.
      if (!PathExists(ini) || ::mount(ini.c_str(), ini.c_str(), nullptr, MS_BIND, nullptr) != 0) return;
      iniBound_ = true;
      if (::mount(nullptr, ini.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        ::umount2(ini.c_str(), MNT_DETACH);
        iniBound_ = false;
        return;
      }
    }
  } else {
    ::chmod(ini.c_str(), writable ? 0644 : 0444);
  }
  iniWritable_ = writable;
}

void WalkStation::SetDiskFull(bool full) {
  if (!mounted_ || full == diskFull_ || !msgWritable_) return;
  const std::string filler = MessageFolder() + "/" + kFiller;
  if (!full) {
    ::unlink(filler.c_str());
    diskFull_ = false;
    return;
  }
  FILE* f = std::fopen(filler.c_str(), "wb");
  if (!f) return;
  const std::string block(4096, 'x');
  while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) {
  }
  std::fflush(f);
  while (std::fwrite("x", 1, 1, f) == 1 && std::fflush(f) == 0) {
  }
  std::fclose(f);
  diskFull_ = true;
}

void WalkStation::EditIniFile(const std::string& key, const std::string& value) {
  if (!iniWritable_) return;
  const std::string path = folder_ + "/Cadrocts.ini";
  std::string text = PathExists(path) ? testing::ReadFileBytes(path) : std::string();
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    if (line.rfind(key + "=", 0) != 0 && !line.empty()) out += line + "\r\n";
    start = end + 2;
  }
  out += key + "=" + value + "\r\n";
  testing::WriteFileBytes(path, out);
}

}  // namespace cadro::walk
