#include "ReportSubmission.h"

#include <algorithm>

#include "CadroMsg.h"
#include "FileIO.h"
#include "ReportBinding.h"
#include "RunError.h"

namespace cadro::form {

ReportSubmission::ReportSubmission(Services& services, const CadroIni& station, ReportDelivery* delivery,
                                   QObject* parent)
    : QObject(parent), services_(services), station_(station), delivery_(delivery) {
  if (!delivery_) return;
  connect(delivery_, &ReportDelivery::finished, this, &ReportSubmission::OnDelivered);
  connect(delivery_, &ReportDelivery::envelopeGoing, this, &ReportSubmission::OnEnvelopeGoing);
}

ReportSubmission::~ReportSubmission() {
  if (!delivering_) return;
  delivering_ = false;
  delivery_->Cancel();
}

bool ReportSubmission::MayBeDelivered(const std::string& eventId) const {
  return std::find(maybeDelivered_.begin(), maybeDelivered_.end(), eventId) != maybeDelivered_.end();
}

void ReportSubmission::KeepMarksIn(const std::string& programFolder) {
  marksPath_ = JoinPath(programFolder, kMarksFile);
  std::string text;
  try {
    text = ReadWholeFile(marksPath_);
  } catch (const RunError& e) {
    // No file yet is the usual start: nothing was ever left unanswered here.
    if (e.number != err::kFileNotFound)
      services_.eventLog.Error(e.NumberAndDescription() +
                               "; ReportSubmission:KeepMarksIn, FileName = " + marksPath_);
    return;
  }
  const std::string messageFolder = JoinPath(programFolder, "msg.d");
  std::vector<std::string> kept;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string id = text.substr(start, end - start);
    start = end + 1;
    while (!id.empty() && (id.back() == '\r' || id.back() == ' ')) id.pop_back();
    // A torn or foreign line names no report: it is passed over, never taken as a file name.
    const bool plain = CadroMsg::IsPlainEventId(id) && std::none_of(id.begin(), id.end(), [](char c) {
                         return static_cast<unsigned char>(c) < 0x20;
                       });
    if (!plain || std::find(kept.begin(), kept.end(), id) != kept.end()) continue;
    // A report that is gone cannot be submitted again: its mark would only grow the file.
    if (!PathExists(JoinPath(messageFolder, id + ".911"))) continue;
    kept.push_back(id);
  }
  if (kept.size() > kMaxMarks) kept.erase(kept.begin(), kept.end() - static_cast<std::ptrdiff_t>(kMaxMarks));
  for (const std::string& id : maybeDelivered_)
    if (std::find(kept.begin(), kept.end(), id) == kept.end()) kept.push_back(id);
  maybeDelivered_ = std::move(kept);
}

// Written before the outcome is told, so that a kill right after it loses no mark.
void ReportSubmission::Mark(const std::string& eventId) {
  if (eventId.empty() || MayBeDelivered(eventId)) return;
  maybeDelivered_.push_back(eventId);
  if (maybeDelivered_.size() > kMaxMarks) maybeDelivered_.erase(maybeDelivered_.begin());
  WriteMarks();
}

void ReportSubmission::Unmark(const std::string& eventId) {
  const auto it = std::find(maybeDelivered_.begin(), maybeDelivered_.end(), eventId);
  if (it == maybeDelivered_.end()) return;
  maybeDelivered_.erase(it);
  WriteMarks();
}

void ReportSubmission::WriteMarks() {
  if (marksPath_.empty()) return;
  std::string text;
  for (const std::string& id : maybeDelivered_) text += id + "\r\n";
  try {
    WriteFileAtomic(marksPath_, text);
  } catch (const RunError& e) {
    // The marks in memory still hold until the program ends; only a restart would forget them.
    services_.eventLog.Error(e.NumberAndDescription() +
                             "; ReportSubmission:WriteMarks, FileName = " + marksPath_);
    emit status("Could not write " + marksPath_ + " (" + e.NumberAndDescription() +
                "): which reports Vtdirect may already have is remembered only until the program ends");
  }
}

void ReportSubmission::Forget() {
  // The host has it, whatever its file says: a later Submit of it must ask before sending again.
  if (awaitingStore_) Mark(eventId_);
  awaitingStore_ = false;
  sentUnstored_ = false;
  eventId_.clear();
  record_ = nullptr;
}

std::string ReportSubmission::ReadyNotStoredText(const std::string& eventId) {
  return "The report " + eventId +
         " could not be stored as Ready, so it was not sent.\r\n"
         "It stays on the form; submit it again once the message folder can be written.";
}

std::string ReportSubmission::DeliveredNotStoredText(const std::string& eventId) {
  return "The report " + eventId +
         " was delivered to Vtdirect but could not be stored as Submitted.\r\n"
         "It stays on the form and will not be sent again; press Save to store it.";
}

std::string ReportSubmission::SendUnstoredQuestion(const std::string& eventId, const std::string& why) {
  return "The report " + eventId + " could not be stored as Ready: " + why +
         ".\r\nSend it to Vtdirect anyway? It stays on the form, to be saved once the message folder "
         "can be written.";
}

std::string ReportSubmission::MayBeDeliveredText(const std::string& eventId) {
  return "The message for the report " + eventId +
         " had already been sent when the transfer ended, before Vtdirect answered.\r\n"
         "Vtdirect may already have it; the report stays Ready, not Submitted.";
}

std::string ReportSubmission::SendAgainQuestion(const std::string& eventId) {
  return "Vtdirect may already have the report " + eventId +
         ": it was sent before, and is not stored as Submitted.\r\nSend it again?";
}

void ReportSubmission::Fill(const SubmitRequest& request) {
  FillRecordFromForm(*record_, request.content, request.eventId, request.messageId, station_.Values(),
                     services_.clock.Now());
}

// Stores the record in `state`, stamped anew; the record's own box has told the operator when
// the file could not be written.
bool ReportSubmission::Store(int state) {
  record_->Clear();
  record_->SetAST(state);
  Fill(request_);
  storeFailure_ = "no free event number is left";
  if (!request_.newReport) {
    if (!record_->Fadd()) {
      storeFailure_ = record_->LastError();
      return false;
    }
  } else {
    CadroMsg::AddResult added = record_->FaddNew();
    while (added == CadroMsg::AddResult::Taken) {
      const std::optional<EventIds> ids = request_.takeFreeIds ? request_.takeFreeIds() : std::nullopt;
      if (!ids) return false;
      request_.eventId = ids->eventId;
      request_.messageId = ids->messageId;
      Fill(request_);
      added = record_->FaddNew();
    }
    if (added != CadroMsg::AddResult::Written) {
      storeFailure_ = record_->LastError();
      return false;
    }
    request_.newReport = false;
  }
  emit stored(state);
  return true;
}

SubmitOutcome ReportSubmission::Submit(CadroMsg& record, int state, const SubmitRequest& request) {
  if (delivering_ || awaitingStore_) return SubmitOutcome::NotAllowed;
  record.Clear();
  if (state != kStateNew && state != kStateReady && state != kStateDraft) return SubmitOutcome::NotAllowed;
  record_ = &record;
  request_ = request;
  hazard_.reset();
  validation_ = ValidateReport(request.content);
  if (!validation_.ok) return SubmitOutcome::Invalid;

  // Text that would end or forge the envelope is refused before anything is stored.
  Fill(request_);
  hazard_ = FindEnvelopeHazard(record);
  record.Clear();
  if (hazard_) return SubmitOutcome::Hazard;
  // The link test holds the link: the report is left as it was, to be submitted again.
  if (!delivery_ || delivery_->Busy()) return SubmitOutcome::LinkBusy;

  // Asked before anything is stored: the operator may rather look at the report first.
  if (MayBeDelivered(request_.eventId) && !request.sendAgain) return SubmitOutcome::MayBeDelivered;

  // A report that cannot be stored still goes out when the operator says so: an emergency call
  // outweighs its bookkeeping, and the form keeps it to be stored later.
  sentUnstored_ = false;
  if (!Store(kStateReady)) {
    if (!request.sendUnstored || !request.sendUnstored(storeFailure_)) return SubmitOutcome::ReadyNotStored;
    sentUnstored_ = true;
  }
  const Submission submission =
      ComposeEnvelope(record, request.content.requestContact, request.isUpdate, station_.Values().Enc);
  eventId_ = request_.eventId;
  cancelRequested_ = false;
  markedForDelivery_ = false;
  delivering_ = true;
  const bool started = delivery_->Start(submission.envelope, submission.subject,
                                        [this](const std::string& text) { emit status(text); });
  if (!started) {
    delivering_ = false;
    eventId_.clear();
    return SubmitOutcome::LinkBusy;
  }
  return SubmitOutcome::Delivering;
}

void ReportSubmission::Cancel() {
  if (!delivering_) return;
  cancelRequested_ = true;
  delivery_->Cancel();
}

void ReportSubmission::OnEnvelopeGoing() {
  // On disk before the first byte goes: a kill after the host has the report and before it is
  // stored as Submitted leaves it marked, so the next start asks before sending it again.
  if (!delivering_ || MayBeDelivered(eventId_)) return;
  Mark(eventId_);
  markedForDelivery_ = true;
}

void ReportSubmission::OnDelivered(bool delivered) {
  if (!delivering_) return;
  delivering_ = false;
  if (!delivered) {
    if (delivery_->EnvelopeWentOut()) {
      Mark(eventId_);
    } else if (markedForDelivery_) {
      Unmark(eventId_);  // the write failed: nothing reached the host
    }
    eventId_.clear();
    emit finished(cancelRequested_ ? SubmitOutcome::Cancelled : SubmitOutcome::NotDelivered);
    return;
  }
  // The host has the report under this ID now: it is stored under it or not at all.
  request_.takeFreeIds = nullptr;
  if (!Store(kStateSubmitted)) {
    // On the air but on no disk as Submitted: hold the report until it is stored. Its mark is
    // on disk before anyone hears of it, so neither a kill nor a restart sends it again unasked.
    Mark(eventId_);
    awaitingStore_ = true;
    emit finished(SubmitOutcome::DeliveredNotStored);
    return;
  }
  // Only once it is stored as Submitted: a kill before that leaves the mark in place.
  Unmark(eventId_);
  eventId_.clear();
  sentUnstored_ = false;
  emit finished(SubmitOutcome::Submitted);
}

bool ReportSubmission::SaveSubmittedAgain() {
  if (!awaitingStore_ || !record_) return false;
  // The record already holds the submission's stamp; only the file is written again.
  if (!record_->Fadd()) return false;
  Unmark(eventId_);
  awaitingStore_ = false;
  sentUnstored_ = false;
  eventId_.clear();
  emit stored(kStateSubmitted);
  return true;
}

}  // namespace cadro::form
