#pragma once
// The walker behind RunWalk: the station, the model of what the operator did and was told, the
// steps that act on the station and the rules checked after each of them (WalkRules.cpp).

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "FormRules.h"
#include "Walk.h"
#include "WalkStation.h"

namespace cadro::walk {

using form::FormContent;

// A report as the walk reads it from the message folder, apart from the program.
struct DiskReport {
  std::string file;  // name without .911
  int state = 0;
  std::string tag;  // AD2
  FormContent content;
};

// A delivery the walk saw start, until it ends.
struct Pending {
  std::string id;
  std::string tag;
  FormContent content;
  QElapsedTimer started;
  ServerMode mode = ServerMode::Answer;
  int lateMs = 0;
  bool worldChanged = false;  // the server or the disks changed while it ran
  bool cancelled = false;
  std::size_t boxesAtStart = 0;
  std::size_t envelopesAtStart = 0;
  long long boundMs = 0;
};

// What the operator last stored under one event number.
struct Expected {
  FormContent content;
  bool mayBeGone = false;     // removed from the Deleted folder
  bool updateHeader = false;  // saved as an update: its details start with an "UPDATE for" line
};

class Walker {
public:
  explicit Walker(const WalkOptions& options) : options_(options), station_(options.promptWaitMs) {}

  WalkResult Run(const std::vector<Step>& steps);

private:
  // Steps.
  void Do(const Step& s);
  void NewReport();
  void Fill(const Step& s);
  void TypeInto(const char* name, const std::string& utf8, bool replace);
  bool ClickIfEnabled(const char* name);
  void Save(bool deleting);
  void Submit();
  void WaitDelivery(int extraMs);
  void DeleteList(const Step& s);
  void Open(const Step& s);
  void Exit(const Step& s);
  void Restart();
  void ExportLog(const Step& s);
  void Station(const Step& s);
  void Prefs(const Step& s);
  void Settle();

  // Checks.
  void Check();
  void CheckDeliveryEnded();
  void CheckDisk();
  void CheckEnvelopes();
  void CheckForm();
  void CheckHint();
  void Fail(const std::string& rule, const std::string& detail);
  // A report stored for the first time is the one a duplicate hint may speak of.
  void NoteStored(const std::string& id) {
    if (!ownerOnDisk_.count(id) && !expected_.count(id)) lastStored_ = id;
  }
  std::vector<DiskReport> ReadDisk();
  long long DeliveryBoundMs() const;

  template <typename T = QWidget>
  T* FormChild(const char* name) const {
    return station_.Form() ? station_.Form()->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  }
  bool FormShown() const { return station_.Form() && station_.Form()->isVisible(); }
  bool Delivering() const { return station_.Form() && station_.Form()->DeliveryRunning(); }
  std::vector<ToldBox> BoxesSince(std::size_t from) const {
    const auto& all = station_.prompts.boxes;
    return {all.begin() + static_cast<long>(std::min(from, all.size())), all.end()};
  }
  static bool AnyMessage(const std::vector<ToldBox>& boxes) {
    for (const ToldBox& b : boxes)
      if (b.kind == ToldBox::Kind::Message) return true;
    return false;
  }

  const WalkOptions& options_;
  WalkStation station_;
  WalkResult result_;
  int stepIndex_ = 0;
  int serial_ = 0;
  std::optional<Pending> pending_;
  std::map<std::string, Expected> expected_;
  std::map<std::string, std::string> ownerOnDisk_;  // event number -> mark of its report
  std::map<std::string, std::string> ownerSent_;
  std::map<std::string, int> sendsAllowed_;  // extra sends the operator agreed to, or updates
  std::string lastStored_;                   // the report the form stored last
  bool stop_ = false;
};

// Where two contents differ in what a report file keeps; empty when they agree.
std::string Difference(const FormContent& want, const FormContent& got);
// Line breaks and outer spaces as a report file keeps them.
std::string Normalised(std::string text);

}  // namespace cadro::walk
