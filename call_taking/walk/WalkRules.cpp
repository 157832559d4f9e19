// The rules that must hold after every step of a walk, read from the station as the operator and
// the host see it: the files in the message folder, the envelopes the server received, the boxes
// shown, the windows.
#include <QApplication>
#include <QLabel>
#include <filesystem>
#include <sstream>

#include "CadroMsg.h"
#include "DuplicateCheck.h"
#include "FileIO.h"
#include "FormStates.h"
#include "IncidentList.h"
#include "ReportBinding.h"
#include "Walker.h"

namespace cadro::walk {

namespace fs = std::filesystem;

std::string Normalised(std::string text) {
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, "\n");
  for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

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
  // A report sent without a file (the disk was full) is stored once there is room again: the
  // file then holds what was sent.
  for (const DiskReport& r : ReadDisk()) {
    if (r.file == done.id && Difference(done.content, r.content).empty())
      expected_[r.file] = {done.content, false};
  }
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
                       (done.mode == ServerMode::Late && done.lateMs + 1000 < options_.promptWaitMs);
  if (answers && !done.worldChanged && !done.cancelled && !acknowledged) {
    std::string last = told.empty() ? std::string("no box") : told.back().text.substr(0, 120);
    Fail("answering-server-takes-it",
         "the delivery of " + done.id + " to a server that answers was not acknowledged (" + last + ")");
  }
}

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

}  // namespace cadro::walk
