#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <cstdio>
#include <random>

#include "IncidentListModel.h"
#include "Walker.h"
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

}  // namespace

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
    const int lateMs = (s.b % 2) ? 200 + s.b % 200 : options_.promptWaitMs + 300 + s.b % 800;
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
  // Whatever was asked on the way, a report now on disk as the form held it is the operator's
  // last stored text.
  for (const DiskReport& r : ReadDisk()) {
    if (r.file == f->EventID() && Difference(before, r.content).empty()) {
      NoteStored(r.file);
      expected_[r.file] = {before, false};
    }
  }
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

WalkResult RunWalk(const std::vector<Step>& steps, const WalkOptions& options) {
  Walker walker(options);
  return walker.Run(steps);
}

}  // namespace cadro::walk
