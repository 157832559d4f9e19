#include "Walk.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

#include "CadroMsg.h"
#include "DuplicateCheck.h"
#include "FileIO.h"
#include "FormRules.h"
#include "FormStates.h"
#include "IncidentList.h"
#include "IncidentListModel.h"
#include "ReportBinding.h"
#include "WalkStation.h"
#include "frmCadroPref.h"
#include "frmExportLog.h"
#include "frmStationID.h"

namespace cadro::walk {
namespace {

namespace fs = std::filesystem;
using form::FormContent;

// The boxes the operator types into, by object name. txtHeader_2 is left out: it carries the
// walk's own mark of each report (see NewReport).
const char* const kBoxes[] = {"txtHeader_0", "txtHeader_1", "txtHeader_3", "txtHeader_4", "txtHeader_5",
                              "txtHeader_6", "txtHeader_7", "txtHeader_8", "txtMed_0",    "txtMed_1",
                              "txtFire_0",   "txtLaw_0",    "txtLaw_1",    "txtLaw_3",    "txtLaw_4"};
constexpr int kBoxCount = static_cast<int>(sizeof kBoxes / sizeof *kBoxes);
const int kFolders[] = {0, 2, 6, 8, 9};
// Event numbers an operator may type into the station dialog, sound and not.
const char* const kEno[] = {"100", "7", "32767", "abc", "+-1", "150", "0", "-5"};
// Connect time-outs, sound and not.
const char* const kNto[] = {"5000", "0", "-1", "2147483647", "99999999999", "300", "abc"};
// Addresses: two calls at the same one are possible duplicates of each other.
const char* const kAddress[] = {"100 north main st", "12 oak ave", "7 elm rd"};
const char* const kIssue[] = {"fire", "noise complaint", "fall", "gas smell"};

// ---- Drawing ----

std::string DrawText(std::mt19937& rng) {
  static const char* const pieces[] = {"smoke",
                                       " seen",
                                       "a=b",
                                       "x|y",
                                       "caf\xC3\xA9",
                                       "na\xC3\xAFve",
                                       " Stra\xC3\x9F"
                                       "e",
                                       "=",
                                       "|",
                                       " 42",
                                       "\xC5\x82"
                                       "odz",
                                       "ok"};
  std::string text;
  const int kind = static_cast<int>(rng() % 10);
  if (kind == 0) {
    // Long text: a few hundred to a couple of thousand characters.
    const int words = 60 + static_cast<int>(rng() % 300);
    for (int i = 0; i < words; ++i) text += (i ? " " : "") + std::string(i % 7 == 0 ? "word=" : "word");
    return text;
  }
  const int n = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < n; ++i) text += pieces[rng() % (sizeof pieces / sizeof *pieces)];
  return text;
}

Step DrawStep(std::mt19937& rng, const std::string& previous) {
  Step s;
  s.seed = rng();
  // Trouble comes while a delivery runs: after a Submit, the world and the operator often act
  // at once.
  static const char* const afterSubmit[] = {"Cancel", "MsgReadOnly",  "DiskFull",
                                            "Wait",   "WaitDelivery", "Server"};
  static const char* const afterTrouble[] = {"Save", "MsgReadOnly", "NewReport", "Submit", "WaitDelivery"};
  std::string forced;
  if (previous == "Submit" && rng() % 2) forced = afterSubmit[rng() % 6];
  if ((previous == "MsgReadOnly" || previous == "WaitDelivery" || previous == "Cancel") && rng() % 3 == 0)
    forced = afterTrouble[rng() % 5];
  // Weights: the operator's common actions often, the world's faults now and then.
  static const std::pair<const char*, int> ops[] = {
      {"NewReport", 10}, {"PickType", 5},   {"Fill", 12},        {"Type", 7},        {"Save", 8},
      {"Submit", 12},    {"Cancel", 5},     {"WaitDelivery", 6}, {"Wait", 5},        {"DeleteForm", 2},
      {"Close", 3},      {"DeleteList", 2}, {"Open", 5},         {"Folder", 3},      {"Search", 2},
      {"ExportLog", 1},  {"Station", 1},    {"Prefs", 2},        {"Exit", 2},        {"Restart", 2},
      {"HintIgnore", 1}, {"HintOpen", 1},   {"Server", 7},       {"MsgReadOnly", 4}, {"IniReadOnly", 1},
      {"DiskFull", 2},   {"IniNto", 1}};
  int total = 0;
  for (const auto& [name, weight] : ops) total += weight;
  int pick = static_cast<int>(rng() % static_cast<unsigned>(total));
  for (const auto& [name, weight] : ops) {
    if (pick < weight) {
      s.op = name;
      break;
    }
    pick -= weight;
  }
  if (!forced.empty()) s.op = forced;
  s.a = static_cast<int>(rng() % 1000);
  s.b = static_cast<int>(rng() % 1000);
  if (s.op == "Type" || s.op == "Search") s.text = DrawText(rng);
  if (s.op == "Search" && rng() % 2) s.text.clear();
  return s;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X\"\"", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// ---- Reading what is on disk, apart from the program ----

std::string Normalised(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
  for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Where two contents differ in what a report file keeps; empty when they agree.
std::string Difference(const FormContent& want, const FormContent& got) {
  std::ostringstream out;
  for (int i = 0; i < 9; ++i) {
    if (Normalised(want.header[i]) != Normalised(got.header[i]))
      out << "txtHeader_" << i << " '" << want.header[i].substr(0, 60) << "' on disk '"
          << got.header[i].substr(0, 60) << "'; ";
  }
  if (want.typeSelected != got.typeSelected) out << "event types differ; ";
  if (want.typeSelected[form::kTypeMed]) {
    for (int i = 0; i < 2; ++i)
      if (Normalised(want.med[i]) != Normalised(got.med[i])) out << "txtMed_" << i << " differs; ";
  }
  if (want.typeSelected[form::kTypeFire] && Normalised(want.fire) != Normalised(got.fire))
    out << "txtFire_0 differs; ";
  if (want.typeSelected[form::kTypeLaw]) {
    for (int i = 0; i < 6; ++i)
      if (Normalised(want.law[i]) != Normalised(got.law[i])) out << "txtLaw_" << i << " differs; ";
  }
  return out.str();
}

struct DiskReport {
  std::string file;  // name without .911
  int state = 0;
  std::string tag;  // AD2
  FormContent content;
};

// ---- The walk ----

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

void Walker::Fail(const std::string& rule, const std::string& detail) {
  Finding f{rule, detail, stepIndex_};
  if (options_.known.count(rule)) {
    for (const Finding& seen : result_.knownSeen)
      if (seen.rule == rule) return;
    result_.knownSeen.push_back(f);
    return;
  }
  if (result_.failures.empty()) result_.failures.push_back(f);
  stop_ = true;
}

WalkResult Walker::Run(const std::vector<Step>& steps) {
  std::string why;
  if (!station_.Ready(why)) {
    result_.skipped = why;
    return result_;
  }
  station_.Start();
  Settle();
  for (stepIndex_ = 0; stepIndex_ < static_cast<int>(steps.size()) && !stop_; ++stepIndex_) {
    const Step& s = steps[static_cast<std::size_t>(stepIndex_)];
    if (options_.verbose) std::printf("  step %d: %s %d %d\n", stepIndex_, s.op.c_str(), s.a, s.b);
    std::mt19937 answers(s.seed);
    station_.prompts.rng = &answers;
    station_.prompts.step = stepIndex_;
    station_.step = stepIndex_;
    Do(s);
    Settle();
    Check();
    if (options_.verbose) {
      auto* status = FormChild<QLabel>("sbrStatus_Status");
      std::printf(
          "    form %s [%s] id %s state %d delivering %d | envelopes %zu boxes %zu%s%s\n",
          FormShown() ? "shown" : "hidden", status ? status->text().toStdString().c_str() : "",
          station_.Form() ? station_.Form()->EventID().c_str() : "-",
          station_.Form() ? station_.Form()->ReportState() : -1, Delivering() ? 1 : 0,
          station_.Envelopes().size(), station_.prompts.boxes.size(),
          station_.prompts.boxes.empty() ? "" : " last: ",
          station_.prompts.boxes.empty() ? "" : station_.prompts.boxes.back().text.substr(0, 100).c_str());
    }
    station_.prompts.rng = nullptr;
    ++result_.stepsRun;
  }
  // What runs on finishes before the station is taken down: a delivery still on its way is a
  // step of its own at the end.
  if (!stop_ && Delivering()) {
    std::mt19937 answers(1);
    station_.prompts.rng = &answers;
    WaitDelivery(0);
    Check();
    station_.prompts.rng = nullptr;
  }
  if (station_.Running()) station_.Kill();
  return result_;
}

void Walker::Settle() {
  QTest::qWait(5);
  if (!station_.Running()) return;
  if (station_.Ended()) {
    // The operator's Exit ended the program; it is started again as the next shift would.
    station_.Kill();
    pending_.reset();
    station_.Start();
  }
  QElapsedTimer t;
  t.start();
  if (!QTest::qWaitFor([this] { return !station_.List()->Listing(); }, 20000))
    Fail("wait-bound", "the list was still reading the message folder after 20 s");
  QApplication::processEvents();
}

void Walker::Do(const Step& s) {
  const std::string& op = s.op;
  if (!station_.Running()) return;
  if (op == "NewReport") {
    NewReport();
  } else if (op == "PickType") {
    ClickIfEnabled(("cmdRtype_" + std::to_string(s.a % 4)).c_str());
  } else if (op == "Fill") {
    Fill(s);
  } else if (op == "Type") {
    TypeInto(kBoxes[s.a % kBoxCount], s.text, false);
  } else if (op == "Save") {
    Save(false);
  } else if (op == "DeleteForm") {
    Save(true);
  } else if (op == "Submit") {
    Submit();
  } else if (op == "Cancel") {
    // At a random moment of the delivery: before the envelope went out, or after.
    if (pending_) (void)QTest::qWaitFor([this] { return !Delivering(); }, s.a % 1200);
    if (pending_ && ClickIfEnabled("cmdCancel")) {
      pending_->cancelled = true;
      ++result_.reached[station_.Envelopes().size() > pending_->envelopesAtStart ? "cancel after envelope"
                                                                                 : "cancel before envelope"];
    }
  } else if (op == "WaitDelivery") {
    WaitDelivery(0);
  } else if (op == "Wait") {
    QTest::qWait(50 + s.a % 1500);
  } else if (op == "Close") {
    if (s.a % 2) {
      ClickIfEnabled("cmdClose");
    } else if (FormShown()) {
      QTest::keyClick(station_.Form(), Qt::Key_Escape);
    }
  } else if (op == "DeleteList") {
    DeleteList(s);
  } else if (op == "Open") {
    Open(s);
  } else if (op == "Folder") {
    station_.List()->cmdFolder_Click(kFolders[s.a % 5]);
  } else if (op == "Search") {
    if (auto* box = station_.List()->findChild<QLineEdit*>("txtSearch"))
      box->setText(QString::fromStdString(s.text));
  } else if (op == "ExportLog") {
    ExportLog(s);
  } else if (op == "Station") {
    Station(s);
  } else if (op == "Prefs") {
    Prefs(s);
  } else if (op == "Exit") {
    Exit(s);
  } else if (op == "Restart") {
    Restart();
  } else if (op == "HintIgnore" || op == "HintOpen") {
    auto* button =
        station_.List()->findChild<QPushButton*>(op == "HintIgnore" ? "cmdHintIgnore" : "cmdHintOpen");
    if (button && button->isVisible()) QTest::mouseClick(button, Qt::LeftButton);
  } else if (op == "Server") {
    static const ServerMode modes[] = {ServerMode::Answer, ServerMode::Answer,
                                       ServerMode::Silent, ServerMode::Late,
                                       ServerMode::Refuse, ServerMode::CloseAfterEnvelope,
                                       ServerMode::Reset,  ServerMode::CloseOnConnect};
    const ServerMode mode = modes[s.a % 8];
    const int lateMs = (s.b % 2) ? 200 + s.b % 400 : options_.promptWaitMs + 300 + s.b % 800;
    station_.SetServer(mode, lateMs);
    if (pending_) pending_->worldChanged = true;
  } else if (op == "MsgReadOnly") {
    station_.SetMessageFolderWritable(s.a % 3 != 0);
    if (pending_) pending_->worldChanged = true;
  } else if (op == "IniReadOnly") {
    station_.SetIniWritable(s.a % 2 == 0);
  } else if (op == "DiskFull") {
    station_.SetDiskFull(s.a % 3 == 0);
    if (pending_) pending_->worldChanged = true;
  } else if (op == "IniNto") {
    station_.EditIniFile("Nto", kNto[s.a % 7]);
  }
}

bool Walker::ClickIfEnabled(const char* name) {
  auto* button = FormChild<QAbstractButton>(name);
  if (!FormShown() || !button || !button->isVisible() || !button->isEnabled()) return false;
  const bool marked = button->inherits("QRadioButton") || button->inherits("QCheckBox");
  QTest::mouseClick(button, Qt::LeftButton, {}, marked ? QPoint(7, button->height() / 2) : QPoint());
  return true;
}

void Walker::TypeInto(const char* name, const std::string& utf8, bool replace) {
  QWidget* box = FormChild(name);
  if (!FormShown() || !box || !box->isVisible() || !box->isEnabled()) return;
  QApplication::setActiveWindow(station_.Form());
  box->setFocus(Qt::MouseFocusReason);
  if (replace) QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  if (!replace) QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
  // QTest types only ASCII by its key codes; other letters arrive as text, as an input method
  // hands them over.
  for (const QChar c : QString::fromUtf8(utf8.c_str())) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(box, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
      QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
  QTest::keyClick(box, Qt::Key_Tab);
}

void Walker::NewReport() {
  const bool deliveringBefore = Delivering();
  const std::size_t boxesBefore = station_.prompts.boxes.size();
  auto* button = station_.List()->findChild<QPushButton*>("cmdNewReport");
  QTest::mouseClick(button, Qt::LeftButton);
  QApplication::processEvents();
  // The operator kept what the form held (a question answered No), or a delivery runs on it.
  for (const ToldBox& b : BoxesSince(boxesBefore))
    if (b.kind != ToldBox::Kind::Message && b.answer == 0) return;
  if (deliveringBefore || AnyMessage(BoxesSince(boxesBefore))) return;
  form::frmCadrocts* f = station_.Form();
  if (!f->isVisible()) {
    Fail("new-report-clean", "New Report with no delivery running opened no form");
    return;
  }
  const FormContent content = f->ReadContent();
  if (f->ReportState() != form::kStateNew || !(content == FormContent{}))
    Fail("new-report-clean", "New Report opened a form that is not a clean new report (state " +
                                 std::to_string(f->ReportState()) + ")");
  for (const char* frame : {"fraSummary", "fraReporter", "fraDetails"}) {
    QWidget* w = FormChild(frame);
    if (w && !w->isEnabled()) {
      Fail("form-locked", std::string("New Report shows a form whose ") + frame + " takes no typing");
      return;
    }
  }
  // The walk's own mark of the report, so that two reports under one number are told apart.
  TypeInto("txtHeader_2", "walk " + std::to_string(++serial_), true);
}

void Walker::Fill(const Step& s) {
  // A call comes in: with no report on the screen, the operator starts one.
  if (!FormShown()) NewReport();
  if (!FormShown()) return;
  form::frmCadrocts* f = station_.Form();
  FormContent c = f->ReadContent();
  if (!c.AnyTypeSelected()) ClickIfEnabled(("cmdRtype_" + std::to_string(s.b % 4)).c_str());
  c = f->ReadContent();
  TypeInto("txtHeader_0", kIssue[s.a % 4], true);
  TypeInto("txtHeader_1", kAddress[s.a % 3], true);
  TypeInto("txtHeader_8", "springfield", true);
  TypeInto("txtHeader_3", "jane roe", true);
  TypeInto("txtHeader_6", "-15", true);
  TypeInto("txtHeader_7", "caller says " + std::to_string(s.b), true);
  if (c.typeSelected[form::kTypeMed]) {
    if (auto* tabs = FormChild<QTabWidget>("SSTab1")) tabs->setCurrentIndex(form::kTypeMed);
    TypeInto("txtMed_0", "80", true);
    TypeInto("txtMed_1", "female", true);
    ClickIfEnabled("optCons_1");
    ClickIfEnabled("optBrea_1");
  }
  if (c.typeSelected[form::kTypeFire]) {
    if (auto* tabs = FormChild<QTabWidget>("SSTab1")) tabs->setCurrentIndex(form::kTypeFire);
    TypeInto("txtFire_0", "unknown", true);
  }
}

// Save (or Delete) on the form: afterwards the report is on disk as the form held it, or the
// operator was told and the form still holds it.
void Walker::Save(bool deleting) {
  form::frmCadrocts* f = station_.Form();
  auto* button = FormChild<QPushButton>(deleting ? "cmdDelete" : "cmdSave");
  if (!FormShown() || !button || !button->isVisible() || !button->isEnabled() || Delivering()) return;
  const std::string id = f->EventID();
  const FormContent before = f->ReadContent();
  const int stateBefore = f->ReportState();
  const bool awaiting = f->AwaitingStore();
  const std::size_t boxesBefore = station_.prompts.boxes.size();
  QTest::mouseClick(button, Qt::LeftButton);
  QApplication::processEvents();
  const std::vector<ToldBox> told = BoxesSince(boxesBefore);
  if (AnyMessage(told)) {
    if (f->isVisible() && f->EventID() == id && !deleting && !(f->ReadContent() == before))
      Fail("stored-text", "Save of " + id + " failed and the form no longer holds what was typed");
    return;
  }
  if (!f->isVisible()) {
    ++result_.reached[awaiting   ? "saved after delivered, not stored"
                      : deleting ? "deleted on the form"
                                 : "saved"];
    if (!deleting) NoteStored(id);
    expected_[id] = {before, false};
    return;
  }
  if (!deleting && stateBefore == form::kStateSubmitted && !awaiting) {
    // Update: the report goes back to New with its update line, and may be sent once more.
    expected_[f->EventID()] = {f->ReadContent(), false};
    ++sendsAllowed_[f->EventID()];
    return;
  }
  Fail("stored-text", std::string(deleting ? "Delete" : "Save") + " of " + id +
                          " neither closed the form nor told the operator anything");
}

long long Walker::DeliveryBoundMs() const {
  const int nto = station_.Ini().Values().Nto;
  const long long connect = nto > 0 ? nto : 5000;
  // The three pauses, the answer bound, the pause after a loss, the close and QUIT, one second.
  return connect + 300 + options_.promptWaitMs + 100 + 1000 + 200 + 1000;
}

void Walker::Submit() {
  form::frmCadrocts* f = station_.Form();
  auto* button = FormChild<QPushButton>("cmdSubmit");
  if (!FormShown() || !button || !button->isVisible() || !button->isEnabled()) return;
  const FormContent before = f->ReadContent();
  const bool linkFree = !station_.Link()->Busy();
  const std::size_t boxesBefore = station_.prompts.boxes.size();
  const std::size_t envelopesBefore = station_.Envelopes().size();
  Pending p;
  p.started.start();
  p.content = before;
  p.mode = station_.Server();
  p.lateMs = station_.LateMs();
  p.boxesAtStart = boxesBefore;
  p.envelopesAtStart = envelopesBefore;
  p.boundMs = DeliveryBoundMs();
  p.tag = before.header[2];
  QTest::mouseClick(button, Qt::LeftButton);
  QApplication::processEvents();
  const std::vector<ToldBox> told = BoxesSince(boxesBefore);
  if (f->DeliveryRunning()) {
    p.id = f->EventID();
    // Stored as Ready before it goes out, unless a box said otherwise.
    if (told.empty()) {
      NoteStored(p.id);
      expected_[p.id] = {before, false};
    }
    pending_ = p;
    return;
  }
  if (!form::ValidateReport(before).ok || !linkFree) return;
  bool declined = false;
  for (const ToldBox& b : told)
    if (b.kind == ToldBox::Kind::YesNo && b.answer == 0) declined = true;
  // A valid report the operator did not hold back goes out, stored or not: a call is not traded
  // for bookkeeping.
  if (!declined && station_.Envelopes().size() == envelopesBefore && AnyMessage(told) &&
      f->ReportState() != form::kStateSubmitted) {
    Fail("unstorable-unsent", "Submit of " + f->EventID() + " told '" + told.back().text.substr(0, 120) +
                                  "' and sent nothing without asking");
  }
}

void Walker::WaitDelivery(int extraMs) {
  if (!pending_ || !Delivering()) return;
  const long long left = pending_->boundMs - pending_->started.elapsed() + extraMs;
  (void)QTest::qWaitFor([this] { return !Delivering(); }, static_cast<int>(std::max<long long>(left, 10)));
}

void Walker::CheckDeliveryEnded() {
  if (!pending_) return;
  Pending& p = *pending_;
  if (Delivering()) {
    if (p.started.elapsed() > p.boundMs)
      Fail("wait-bound", "the delivery of " + p.id + " still runs after " +
                             std::to_string(p.started.elapsed()) + " ms (bound " + std::to_string(p.boundMs) +
                             " ms)");
    return;
  }
  const Pending done = p;
  pending_.reset();
  form::frmCadrocts* f = station_.Form();
  const std::vector<ToldBox> told = BoxesSince(done.boxesAtStart);
  bool acknowledged = false;
  for (std::size_t i = done.envelopesAtStart; i < station_.Envelopes().size(); ++i)
    if (station_.Envelopes()[i].eventId == done.id && station_.Envelopes()[i].acknowledged)
      acknowledged = true;
  if (!f->isVisible() && !AnyMessage(told)) {
    NoteStored(done.id);
    expected_[done.id] = {done.content, false};
  }
  ++result_.reached[f->AwaitingStore() ? "delivered, not stored"
                    : acknowledged     ? "delivered"
                                       : "not delivered"];
  // A server that answers in time takes every report (a setting such as a connect time-out of
  // 0 must not make every delivery fail).
  const bool answers = done.mode == ServerMode::Answer ||
                       (done.mode == ServerMode::Late && done.lateMs + 600 < options_.promptWaitMs);
  if (answers && !done.worldChanged && !done.cancelled && !acknowledged) {
    std::string last = told.empty() ? std::string("no box") : told.back().text.substr(0, 120);
    Fail("answering-server-takes-it",
         "the delivery of " + done.id + " to a server that answers was not acknowledged (" + last + ")");
  }
}

void Walker::DeleteList(const Step& s) {
  frmCadromain* list = station_.List();
  const int rows = list->Model().rowCount();
  if (rows == 0) return;
  const int row = s.a % rows;
  const std::string idx = list->Model().Text(row, 0).toStdString();
  list->List()->selectionModel()->clearSelection();
  list->List()->selectionModel()->select(list->Model().index(row, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
  const int folder = list->CurrentFolder();
  list->cmdDelete_Click();
  if (folder == 8 && expected_.count(idx)) expected_[idx].mayBeGone = true;
  if (folder == 8) {
    bool sent = false;
    for (const ReceivedEnvelope& e : station_.Envelopes()) sent = sent || e.eventId == idx;
    if (!sent && !PathExists(station_.MessageFolder() + "/" + idx + ".911")) ownerOnDisk_.erase(idx);
  }
}

void Walker::Open(const Step& s) {
  frmCadromain* list = station_.List();
  const int rows = list->Model().rowCount();
  if (rows == 0) return;
  const int row = s.a % rows;
  list->List()->setCurrentIndex(list->Model().index(row, 0));
  list->List()->selectionModel()->select(list->Model().index(row, 0),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list->LV_DblClick();
}

void Walker::Exit(const Step& s) {
  form::frmCadrocts* f = station_.Form();
  const bool shown = FormShown();
  const std::string id = f->EventID();
  const FormContent before = f->ReadContent();
  const bool update = f->ReportState() == form::kStateSubmitted && !f->AwaitingStore();
  const std::size_t boxesBefore = station_.prompts.boxes.size();
  station_.prompts.nextSaveChoice = static_cast<SaveChoice>(s.a % 3);
  station_.List()->findChild<QAction*>("mnuExit")->trigger();
  QApplication::processEvents();
  station_.prompts.nextSaveChoice.reset();
  const std::vector<ToldBox> told = BoxesSince(boxesBefore);
  bool saveChosen = false;
  for (const ToldBox& b : told)
    if (b.kind == ToldBox::Kind::SaveDiscardCancel && b.answer == static_cast<int>(SaveChoice::Save))
      saveChosen = true;
  if (!shown || !saveChosen) return;
  if (AnyMessage(told)) {
    if (!station_.Ended() && f->isVisible() && !(f->ReadContent() == before))
      Fail("stored-text", "Save at exit of " + id + " failed and the form no longer holds what was typed");
    return;
  }
  if (station_.Ended() || !f->isVisible()) {
    // A submitted report's changes are saved as its update, which may be sent once more.
    NoteStored(id);
    expected_[id] = {before, false, update};
    if (update) ++sendsAllowed_[id];
  } else {
    Fail("stored-text", "Save at exit of " + id + " kept the program open without a word");
  }
}

void Walker::Restart() {
  station_.Kill();
  pending_.reset();
  station_.Start();
}

void Walker::ExportLog(const Step& s) {
  const std::string base = station_.Folder() + ((s.a % 4 == 0) ? "/msg.d/log" : "/export/log");
  station_.nextDialog = [base, s](QDialog& d) {
    auto* file = d.findChild<QLineEdit*>("txtFile");
    auto* pdf = d.findChild<QCheckBox*>("chkPdf");
    auto* csv = d.findChild<QCheckBox*>("chkCsv");
    auto* ok = d.findChild<QPushButton*>("cmdOK");
    if (!file || !ok) {
      d.reject();
      return;
    }
    file->setText(QString::fromStdString(base));
    if (csv) csv->setChecked(true);
    if (pdf) pdf->setChecked(s.b % 5 == 0);
    if (ok->isEnabled()) {
      ok->click();
    }
    if (d.result() != QDialog::Accepted && d.isVisible()) d.reject();
  };
  station_.List()->mnuExportLog_Click();
  station_.nextDialog = nullptr;
}

void Walker::Station(const Step& s) {
  const std::string eno = kEno[s.a % 8];
  station_.nextDialog = [eno](QDialog& d) {
    auto* dialog = qobject_cast<frmStationID*>(&d);
    if (!dialog) {
      d.reject();
      return;
    }
    dialog->Box(4)->setText(QString::fromStdString(eno));
    dialog->cmdOK_Click();
    if (d.result() != QDialog::Accepted) d.reject();
  };
  station_.List()->mnuStationID_Click();
  station_.nextDialog = nullptr;
}

void Walker::Prefs(const Step& s) {
  const std::string nto = kNto[s.a % 7];
  const bool test = s.b % 2 == 0;
  const bool confirm = s.b % 3 != 0;
  VtdirectSession* link = station_.Link();
  station_.nextDialog = [this, nto, test, confirm, link](QDialog& d) {
    auto* dialog = qobject_cast<frmCadroPref*>(&d);
    if (!dialog) {
      d.reject();
      return;
    }
    dialog->Box(2)->setText(QString::fromStdString(nto));
    if (test) {
      const bool busyBefore = link->Busy();
      QElapsedTimer t;
      t.start();
      dialog->cmdTest_Click();
      if (!busyBefore) {
        // The link test's bound: five seconds to connect, a close, one second more.
        const bool ended = QTest::qWaitFor([link] { return !link->TestRunning(); }, 5000 + 1000 + 1000);
        if (!ended)
          Fail("wait-bound", "the link test still runs after " + std::to_string(t.elapsed()) + " ms");
      }
    }
    if (confirm) {
      dialog->cmdOK_Click();
      if (d.result() != QDialog::Accepted) d.reject();
    } else {
      d.reject();
    }
  };
  station_.List()->mnuPreferences_Click();
  station_.nextDialog = nullptr;
}

// ---- The rules ----

std::vector<DiskReport> Walker::ReadDisk() {
  std::vector<DiskReport> out;
  testing::TestServices quiet;  // a damaged file must not count as a box the operator saw
  CadroMsg record(station_.MessageFolder(), quiet.services);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(station_.MessageFolder(), ec)) {
    if (entry.path().extension() != ".911") continue;
    DiskReport r;
    r.file = entry.path().stem().string();
    record.Clear();
    if (!record.Load(r.file)) continue;
    r.state = record.AST();
    r.tag = record.AD2();
    r.content = form::ContentFromRecord(record);
    out.push_back(std::move(r));
  }
  return out;
}

void Walker::CheckDisk() {
  const std::vector<DiskReport> disk = ReadDisk();
  std::map<std::string, const DiskReport*> byFile;
  for (const DiskReport& r : disk) byFile[r.file] = &r;
  for (const auto& [id, want] : expected_) {
    const auto it = byFile.find(id);
    if (it == byFile.end()) {
      if (!want.mayBeGone) Fail("stored-text", "the report " + id + " the operator stored is not on disk");
      continue;
    }
    FormContent got = it->second->content;
    if (want.updateHeader) {
      std::string details = Normalised(got.header[7]);
      if (details.rfind("UPDATE for ", 0) == 0)
        got.header[7] = details.substr(std::min(details.find('\n'), details.size() - 1) + 1);
    }
    const std::string diff = Difference(want.content, got);
    if (!diff.empty())
      Fail("stored-text", "the report " + id + " on disk is not what the operator stored: " + diff);
  }
  for (const DiskReport& r : disk) {
    if (r.tag.empty()) continue;
    auto [at, fresh] = ownerOnDisk_.emplace(r.file, r.tag);
    if (!fresh && at->second != r.tag)
      Fail("one-number-one-report",
           "the number " + r.file + " names '" + at->second + "' and '" + r.tag + "'");
    if (r.state == form::kStateSubmitted) {
      bool ok = false;
      for (const ReceivedEnvelope& e : station_.Envelopes())
        ok = ok || (e.eventId == r.file && e.acknowledged);
      if (!ok)
        Fail("submitted-after-ok",
             "the report " + r.file + " is Submitted on disk, but no envelope of it was answered OK>");
    }
  }
}

void Walker::CheckEnvelopes() {
  std::map<std::string, int> sends;
  for (const ReceivedEnvelope& e : station_.Envelopes()) {
    ++sends[e.eventId];
    if (!e.tag.empty()) {
      auto [at, fresh] = ownerSent_.emplace(e.eventId, e.tag);
      if (!fresh && at->second != e.tag)
        Fail("one-number-one-report",
             "the host got the number " + e.eventId + " for '" + at->second + "' and '" + e.tag + "'");
    }
  }
  // A question that names the report and asks to send it again, answered Yes, allows one more.
  std::map<std::string, int> agreed;
  for (const ToldBox& b : station_.prompts.boxes) {
    if (b.kind != ToldBox::Kind::YesNo || b.answer != 1 || b.text.find("again") == std::string::npos)
      continue;
    for (const auto& [id, n] : sends)
      if (b.text.find(id) != std::string::npos) ++agreed[id];
  }
  for (const auto& [id, n] : sends) {
    const int allowed = 1 + sendsAllowed_[id] + agreed[id];
    if (n > allowed)
      Fail("sent-once", "the host got " + id + " " + std::to_string(n) + " times; the operator allowed " +
                            std::to_string(allowed));
  }
}

void Walker::CheckForm() {
  form::frmCadrocts* f = station_.Form();
  // The window agrees with the row of its state in the form's own table.
  for (const std::string& problem : form::CheckFormWindow(*f))
    Fail("state-table", std::string(form::FormStateName(form::CurrentFormState(*f))) + ": " + problem);
  if (!FormShown() || Delivering()) return;
  if (f->AwaitingStore() || f->ReportState() == form::kStateDeleted) return;
  for (const char* frame : {"fraSummary", "fraReporter", "fraDetails"}) {
    QWidget* w = FormChild(frame);
    if (w && !w->isEnabled())
      Fail("form-locked", "no delivery runs, yet the form of " + f->EventID() + " (state " +
                              std::to_string(f->ReportState()) + ") takes no typing in " + frame);
  }
}

void Walker::CheckHint() {
  auto* bar = station_.List()->findChild<QWidget*>("fraDuplicateHint");
  if (!bar || !bar->isVisibleTo(station_.List())) return;
  ++result_.reached["duplicate hint shown (steps)"];
  const std::string text = station_.List()->findChild<QLabel*>("lblDuplicateHint")->text().toStdString();
  // The bar speaks of the report stored last as new, and names it.
  auto* about = station_.List()->findChild<QLabel*>("lblDuplicateHintFor");
  if (!about || about->text().toStdString() != lastStored_ + ":") {
    Fail("stale-hint", "the bar '" + (about ? about->text().toStdString() : std::string("?")) + " " + text +
                           "' is up, but the report stored last as new is '" + lastStored_ + "'");
    return;
  }
  std::vector<IncidentRow> rows;
  testing::TestServices quiet;
  CadroMsg record(station_.MessageFolder(), quiet.services);
  BuildIncidentRows(record, 0, rows);
  for (const IncidentRow& row : rows) {
    if (row.columns[0] != lastStored_) continue;
    if (aids::FindPossibleDuplicate(row, rows)) return;
  }
  // The report it names as the earlier call was deleted (or changed) since.
  Fail("hint-names-gone", "the bar says '" + text + "' about '" + lastStored_ +
                              "', which no longer repeats any report that is not deleted");
}

void Walker::Check() {
  if (!station_.Running()) return;
  if (QWidget* modal = QApplication::activeModalWidget()) {
    Fail("no-box-left", "a modal window is left open: " + modal->objectName().toStdString());
    modal->close();
  }
  CheckDeliveryEnded();
  CheckDisk();
  CheckEnvelopes();
  CheckForm();
  CheckHint();
}

bool SameRule(const WalkResult& r, const std::string& rule) {
  return !r.failures.empty() && r.failures.front().rule == rule;
}

}  // namespace

std::vector<Step> DrawWalk(std::uint32_t seed, int count) {
  std::mt19937 rng(seed);
  std::vector<Step> steps;
  steps.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    steps.push_back(DrawStep(rng, steps.empty() ? std::string() : steps.back().op));
  return steps;
}

WalkResult RunWalk(const std::vector<Step>& steps, const WalkOptions& options) {
  Walker walker(options);
  return walker.Run(steps);
}

std::vector<Step> Shrink(std::vector<Step> steps, const std::string& rule, const WalkOptions& options,
                         int budgetMs) {
  QElapsedTimer clock;
  clock.start();
  // The steps after the failing one never ran.
  const WalkResult first = RunWalk(steps, options);
  if (SameRule(first, rule)) steps.resize(static_cast<std::size_t>(first.failures.front().step + 1));
  // Delete chunks, halving their size, then single steps, while the same rule still breaks.
  for (std::size_t chunk = std::max<std::size_t>(steps.size() / 2, 1); chunk >= 1; chunk /= 2) {
    for (std::size_t at = 0; at < steps.size() && clock.elapsed() < budgetMs;) {
      std::vector<Step> shorter = steps;
      shorter.erase(shorter.begin() + static_cast<long>(at),
                    shorter.begin() + static_cast<long>(std::min(at + chunk, shorter.size())));
      const WalkResult r = RunWalk(shorter, options);
      if (SameRule(r, rule)) {
        shorter.resize(std::min(shorter.size(), static_cast<std::size_t>(r.failures.front().step + 1)));
        steps = std::move(shorter);
      } else {
        at += chunk;
      }
    }
    if (chunk == 1) break;
  }
  return steps;
}

std::string PasteableSteps(const std::vector<Step>& steps) {
  std::ostringstream out;
  out << "{";
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    out << (i ? ",\n " : "") << "{\"" << s.op << "\", " << s.a << ", " << s.b << ", \"" << Escaped(s.text)
        << "\", " << s.seed << "u}";
  }
  out << "}";
  return out.str();
}

}  // namespace cadro::walk
