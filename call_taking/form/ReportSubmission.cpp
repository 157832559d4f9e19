#include "ReportSubmission.h"

#include "CadroMsg.h"
#include "ReportBinding.h"

namespace cadro::form {

ReportSubmission::ReportSubmission(Services& services, const CadroIni& station, ReportDelivery* delivery,
                                   QObject* parent)
    : QObject(parent), services_(services), station_(station), delivery_(delivery) {
  if (delivery_) connect(delivery_, &ReportDelivery::finished, this, &ReportSubmission::OnDelivered);
}

ReportSubmission::~ReportSubmission() {
  if (!delivering_) return;
  delivering_ = false;
  delivery_->Cancel();
}

void ReportSubmission::Forget() {
  // The host has it, whatever its file says: a later Submit of it must ask before sending again.
  if (awaitingStore_) maybeDelivered_.insert(eventId_);
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
  if (maybeDelivered_.count(request_.eventId) != 0 && !request.sendAgain)
    return SubmitOutcome::MayBeDelivered;

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

void ReportSubmission::OnDelivered(bool delivered) {
  if (!delivering_) return;
  delivering_ = false;
  if (!delivered) {
    if (delivery_->EnvelopeWentOut()) maybeDelivered_.insert(eventId_);
    eventId_.clear();
    emit finished(cancelRequested_ ? SubmitOutcome::Cancelled : SubmitOutcome::NotDelivered);
    return;
  }
  maybeDelivered_.erase(eventId_);
  // The host has the report under this ID now: it is stored under it or not at all.
  request_.takeFreeIds = nullptr;
  if (!Store(kStateSubmitted)) {
    // On the air but on no disk as Submitted: hold the report until it is stored.
    awaitingStore_ = true;
    emit finished(SubmitOutcome::DeliveredNotStored);
    return;
  }
  eventId_.clear();
  sentUnstored_ = false;
  emit finished(SubmitOutcome::Submitted);
}

bool ReportSubmission::SaveSubmittedAgain() {
  if (!awaitingStore_ || !record_) return false;
  // The record already holds the submission's stamp; only the file is written again.
  if (!record_->Fadd()) return false;
  awaitingStore_ = false;
  sentUnstored_ = false;
  eventId_.clear();
  emit stored(kStateSubmitted);
  return true;
}

}  // namespace cadro::form
