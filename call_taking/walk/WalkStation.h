#pragma once
// The call-taking station as an operator meets it, for walks through long random sequences of
// actions: the list window and the entry form wired as the program wires them, the stand-in host
// server on a real socket, and a program folder on small file systems of its own that can be made
// read-only or full. Every box goes to a fake that records it and answers from the allowed
// answers, so nothing ever waits on a person.

#include <QDialog>
#include <QElapsedTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "CadroIni.h"
#include "CadroLogLib.h"
#include "Platform.h"
#include "TestKit.h"
#include "VtdirectDelivery.h"
#include "VtdirectSession.h"
#include "VtdirectStandin.h"
#include "frmCadrocts.h"
#include "frmCadromain.h"

namespace cadro::walk {

// One box the program showed, and what the fake operator answered.
struct ToldBox {
  enum class Kind { Message, YesNo, SaveDiscardCancel };
  Kind kind = Kind::Message;
  std::string text;
  int answer = 0;  // YesNo: 1 yes; SaveDiscardCancel: the SaveChoice as a number
  int step = 0;    // the walk step during which it was shown
};

// Answers every question at random from its allowed answers, with a generator the running step
// seeds, so a step answers alike wherever it stands in a walk.
class WalkPrompts final : public Prompts {
public:
  void Message(const std::string& text, const std::string& title, PromptIcon icon) override;
  bool AskYesNo(const std::string& text, const std::string& title, PromptIcon icon) override;
  SaveChoice AskSaveDiscardCancel(const std::string& text, const std::string& title) override;
  void Beep() override { ++beeps; }

  std::mt19937* rng = nullptr;
  std::optional<SaveChoice> nextSaveChoice;  // the Exit step's answer
  int step = 0;
  std::vector<ToldBox> boxes;
  int beeps = 0;
};

// How the host's server behaves from now on.
enum class ServerMode { Answer, Silent, Late, Refuse, CloseAfterEnvelope, Reset, CloseOnConnect };
const char* ServerModeName(ServerMode mode);

// One envelope the server received, with what the server did about it.
struct ReceivedEnvelope {
  std::string eventId;  // its EVNT line
  std::string tag;      // its LOC2 line: the walk's own mark of the report it came from
  bool acknowledged = false;
  int step = 0;
};

class WalkStation {
public:
  // `promptWaitMs` bounds each delivery's wait for the server's answer.
  explicit WalkStation(int promptWaitMs);
  ~WalkStation();
  WalkStation(const WalkStation&) = delete;
  WalkStation& operator=(const WalkStation&) = delete;

  // False, with the reason, when the station cannot be set up here.
  bool Ready(std::string& why) const;

  // The program: started on the station's folder, ended as the operator's Exit ends it, or
  // torn down as a crash or power loss would.
  void Start();
  void Kill();
  bool Running() const { return list_ != nullptr; }
  frmCadromain* List() const { return list_.get(); }
  form::frmCadrocts* Form() const { return form_.get(); }
  VtdirectSession* Link() const { return link_.get(); }
  CadroIni& Ini() const { return *ini_; }
  // The program has ended after its main window closed; the walk starts it again.
  bool Ended() const;

  // What the list window runs modally next; when none is set, dialogs are dismissed.
  std::function<void(QDialog&)> nextDialog;

  // World.
  void SetServer(ServerMode mode, int lateMs);
  ServerMode Server() const { return mode_; }
  int LateMs() const { return lateMs_; }
  void SetMessageFolderWritable(bool writable);
  void SetIniWritable(bool writable);
  void SetDiskFull(bool full);
  bool MessageFolderWritable() const { return msgWritable_; }
  bool DiskFull() const { return diskFull_; }
  // Writes a setting into Cadrocts.ini behind the program's back, as an administrator would.
  void EditIniFile(const std::string& key, const std::string& value);
  bool CanMakeDiskFull() const { return mounted_; }

  const std::vector<ReceivedEnvelope>& Envelopes() const { return envelopes_; }
  const std::string& Folder() const { return folder_; }
  std::string MessageFolder() const;

  testing::RecordingEventLog eventLog;
  WalkPrompts prompts;
  testing::FixedClock clock;
  testing::FixedLocale locale;
  testing::MemorySettingsStore settings;
  Services services{eventLog, prompts, clock, locale, settings};
  int step = 0;

private:
  void Listen();
  void OnServerOutput(const std::string& line);
  int RunModal(QDialog& dialog);

  testing::TempDir dir_;
  std::string folder_;  // the program folder
  bool mounted_ = false;
  bool msgWritable_ = true;
  bool iniWritable_ = true;
  bool iniBound_ = false;
  bool diskFull_ = false;
  int promptWaitMs_;
  std::string setupError_;

  ServerMode mode_ = ServerMode::Answer;
  int lateMs_ = 0;
  quint16 port_ = 0;
  std::unique_ptr<standin::VtdirectStandin> server_;
  std::vector<ReceivedEnvelope> envelopes_;
  bool lastEnvelopeOpen_ = false;  // the server may still answer the last envelope

  std::unique_ptr<CadroIni> ini_;
  std::unique_ptr<SessionLog> log_;
  std::unique_ptr<frmCadromain> list_;
  std::unique_ptr<VtdirectSession> link_;
  std::unique_ptr<form::VtdirectDelivery> delivery_;
  std::unique_ptr<form::frmCadrocts> form_;
};

}  // namespace cadro::walk
