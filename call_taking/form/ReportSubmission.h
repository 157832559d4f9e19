#pragma once
// The submit of one report, apart from any window: validate, check the envelope, store the
// report as Ready, compose, deliver, store it as Submitted. The entry form drives it and shows
// what it says; tests drive it with a record, a content and a delivery channel.
//
// The rule it keeps: a report goes out only once it is stored as Ready, and a report that went
// out is never sent again by this object; when it could not be stored as Submitted it says so
// and offers the save again.

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CadroIni.h"
#include "FormRules.h"
#include "Platform.h"
#include "ReportMessage.h"

namespace cadro {
class CadroMsg;
}

namespace cadro::form {

using StatusSink = std::function<void(const std::string&)>;

// A channel that delivers submitted reports to the host: the direct link in the program, a
// script in tests.
class ReportDelivery : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;
  // Starts one delivery, with its progress texts going to `status`; finished() follows, never
  // from inside this call. False when the channel is taken by something else: nothing started.
  virtual bool Start(const std::string& envelope, const std::string& subject, StatusSink status) = 0;
  // Ends the running delivery at once; finished(false) follows before it returns.
  virtual void Cancel() = 0;
  virtual bool Busy() const = 0;
  // What keeps the channel busy, for the status panel of a refused submit.
  virtual std::string BusyText() const = 0;
  // After finished(false): the envelope had gone out before the delivery ended, so the host may
  // have it even though it never said so.
  virtual bool EnvelopeWentOut() const { return false; }

signals:
  void finished(bool delivered);
  // The envelope is about to go out (emitted before its first byte): from here on the host may
  // have the report, whatever the delivery says later.
  void envelopeGoing();
};

// What the operator entered and what identifies the report.
struct SubmitRequest {
  FormContent content;
  std::string eventId;
  std::string messageId;
  bool isUpdate = false;
  // A new report with no file yet: storing it as Ready never replaces a stored report. When its
  // ID is taken, takeFreeIds gives the next free IDs (nothing when there are none).
  bool newReport = false;
  std::function<std::optional<EventIds>()> takeFreeIds;
  // The operator agreed to send again a report the host may already have.
  bool sendAgain = false;
  // Asked, with the reason, when the report cannot be stored as Ready: true sends it all the
  // same. Without it such a report is not sent.
  std::function<bool(const std::string& why)> sendUnstored;
};

enum class SubmitOutcome {
  NotAllowed,          // the report is in a state that cannot be submitted; nothing happened
  Invalid,             // a required field is missing: Validation() says which
  Hazard,              // text would break the envelope: Hazard() says where; nothing stored
  LinkBusy,            // the link is taken (the link test runs); nothing stored or sent
  ReadyNotStored,      // storing as Ready failed and sending it anyway was declined: nothing sent
  MayBeDelivered,      // an earlier delivery of it ended unanswered after the envelope went out:
                       // nothing sent unless the request says sendAgain
  Delivering,          // under way: finished() follows
  Submitted,           // acknowledged and stored as Submitted
  NotDelivered,        // not acknowledged: the report is stored as Ready (when it could be)
  Cancelled,           // the operator ended the wait: the report is stored as Ready (when it could be)
  DeliveredNotStored,  // acknowledged, but storing as Submitted failed: SaveSubmittedAgain()
};

class ReportSubmission : public QObject {
  Q_OBJECT
public:
  ReportSubmission(Services& services, const CadroIni& station, ReportDelivery* delivery,
                   QObject* parent = nullptr);
  // A delivery still running is cancelled.
  ~ReportSubmission() override;

  // Runs the submit up to the delivery. `record` is the form's record, written as Ready and
  // Submitted; it must live until finished(). `state` is the report's state on the form.
  SubmitOutcome Submit(CadroMsg& record, int state, const SubmitRequest& request);
  // Ends a running delivery at once; finished(Cancelled) follows before it returns.
  void Cancel();
  // After DeliveredNotStored: stores the record as Submitted again (nothing is sent). True when
  // it is stored now.
  bool SaveSubmittedAgain();
  // The operator leaves a delivered report unstored: the form may take another one.
  void Forget();

  // Keeps the marks behind MayBeDelivered in kMarksFile of `programFolder` from now on, so that a
  // restart, or a kill, does not turn such a report into a plain Ready one: the marks kept there
  // are taken in (those of reports no longer in the message folder are dropped), and every later
  // change is written before it is told. A file that cannot be read or written is logged and the
  // marks held in memory go on alone: it never stops a submission.
  void KeepMarksIn(const std::string& programFolder);
  static constexpr const char* kMarksFile = "Cadrocts.maybe-sent";
  // The file holds at most this many marks; the oldest go first.
  static constexpr std::size_t kMaxMarks = 4000;

  bool Delivering() const { return delivering_; }
  bool AwaitingStore() const { return awaitingStore_; }
  // The host may already hold this report: a delivery of it ended unanswered after its envelope
  // went out, or was acknowledged and then left unstored (Forget), and none succeeded since.
  bool MayBeDelivered(const std::string& eventId) const;
  // The last submitted report went out without its file: it still has to be stored.
  bool SentUnstored() const { return sentUnstored_; }
  const std::string& EventUnderDelivery() const { return eventId_; }
  const ValidationOutcome& Validation() const { return validation_; }
  const std::optional<EnvelopeHazard>& Hazard() const { return hazard_; }

  // Texts the form shows for the outcomes.
  static std::string ReadyNotStoredText(const std::string& eventId);
  static std::string DeliveredNotStoredText(const std::string& eventId);
  static std::string SendUnstoredQuestion(const std::string& eventId, const std::string& why);
  static std::string MayBeDeliveredText(const std::string& eventId);
  static std::string SendAgainQuestion(const std::string& eventId);

signals:
  // The report was stored in `state` (the list of reports is out of date).
  void stored(int state);
  // A delivery ended: Submitted, NotDelivered, Cancelled or DeliveredNotStored.
  void finished(cadro::form::SubmitOutcome outcome);
  // Progress texts of the delivery, for the "Status" panel.
  void status(const std::string& text);

private:
  void OnDelivered(bool delivered);
  void OnEnvelopeGoing();
  bool Store(int state);
  void Fill(const SubmitRequest& request);
  void Mark(const std::string& eventId);
  void Unmark(const std::string& eventId);
  void WriteMarks();

  Services& services_;
  const CadroIni& station_;
  ReportDelivery* delivery_;
  CadroMsg* record_ = nullptr;
  SubmitRequest request_;
  std::string eventId_;
  bool delivering_ = false;
  bool awaitingStore_ = false;
  bool cancelRequested_ = false;
  bool sentUnstored_ = false;
  bool markedForDelivery_ = false;           // the running delivery marked its report as it went out
  std::string storeFailure_;                 // why the last Store failed
  std::vector<std::string> maybeDelivered_;  // oldest first
  std::string marksPath_;                    // empty: the marks live in memory only
  ValidationOutcome validation_;
  std::optional<EnvelopeHazard> hazard_;
};

}  // namespace cadro::form
