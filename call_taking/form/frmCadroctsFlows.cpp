// What the entry form does when the operator types, leaves a box or presses a button.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "GeneralLib.h"
#include "QtPlatform.h"
#include "ReportBinding.h"
#include "ReportMessage.h"
#include "StationRules.h"
#include "TypingRules.h"
#include "frmCadrocts.h"

namespace cadro::form {
namespace {

constexpr const char* kBusyText = "A delivery to Vtdirect is running; please wait until it ends";
constexpr const char* kReportCaption = "Cadro - Report form";

}  // namespace

// ---- Typing ----

bool frmCadrocts::eventFilter(QObject* watched, QEvent* event) {
  const std::optional<BoxId> box = BoxOf(watched);
  if (!box) return QWidget::eventFilter(watched, event);

  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (!key->text().isEmpty()) {
      TintBox(*box, std::nullopt);
      if (box->group == BoxGroup::Header || box->group == BoxGroup::Law) SetStatus({});
      if (FilterTypedKey(*box, key)) return true;
    }
  } else if (event->type() == QEvent::FocusOut) {
    // Switching to another program is not leaving the box.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) LeaveBox(*box);
  }
  return QWidget::eventFilter(watched, event);
}

void frmCadrocts::OnBoxChanged(BoxId box) {
  TintBox(box, std::nullopt);
  if (box == BoxId{BoxGroup::Header, 4}) TintBox({BoxGroup::Header, 5}, std::nullopt);
  if (box == BoxId{BoxGroup::Header, 5}) TintBox({BoxGroup::Header, 4}, std::nullopt);
}

// True when the key is dealt with here: refused (with a beep) or entered in upper case.
bool frmCadrocts::FilterTypedKey(BoxId box, QKeyEvent* key) {
  const std::optional<std::string_view> allowed = AllowedCharacters(box);
  if (!allowed) return false;
  if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
  const QString text = key->text();
  if (text.size() != 1 || key->key() == Qt::Key_Backspace) return false;
  const QChar typed = text.at(0);
  if (typed.unicode() < 0x20 || typed.unicode() == 0x7F) return false;  // Escape, Enter, Tab

  const std::string ansi = ToAnsi(text);
  // A character the code page cannot hold would reach the file as "?": refuse it instead.
  const bool representable = ansi.size() == 1 && (ansi != "?" || typed == QLatin1Char('?'));
  char c = representable ? ansi.front() : '\0';
  if (UppercasesTypedKeys(box)) c = AnsiUpper(c);
  if (!representable || FilterKey(static_cast<unsigned char>(c), *allowed, true, services_.prompts) == 0) {
    if (!representable) services_.prompts.Beep();
    return true;
  }
  if (ToAnsi(text).front() == c) return false;
  if (auto* line = qobject_cast<QLineEdit*>(boxes_.at(box))) line->insert(FromAnsi(std::string(1, c)));
  return true;
}

void frmCadrocts::LeaveBox(BoxId box) {
  const std::string text = ToAnsi(BoxText(box));
  std::string changed = text;
  if (ProperCasesOnLeave(box)) changed = ProperCase(text);
  if (box == BoxId{BoxGroup::Header, 6}) changed = LastSeenTime(text, services_.clock.Now());
  if (changed != text) SetBoxText(box, FromAnsi(changed));
}

// ---- Buttons ----

bool frmCadrocts::RefuseDuringDelivery() {
  if (!DeliveryRunning()) return false;
  services_.prompts.Beep();
  SetStatus(kBusyText);
  return true;
}

void frmCadrocts::cmdSave_Click() {
  if (RefuseDuringDelivery()) return;
  if (AwaitingStore()) {
    // The record holds what was delivered; its box has said why when it still cannot be written.
    if (submission_->SaveSubmittedAgain()) {
      reportState_ = kStateSubmitted;
      ApplyState();
      FinishAndClose();
    }
    return;
  }
  if (State() == FormState::Submitted) {
    Update();
    return;
  }
  isUpdate_ = false;
  record_->Clear();
  record_->SetAST(kStateDraft);
  // The record's own box has asked the operator to try again: keep the report on the screen.
  if (!SaveReport()) return;
  emit listMustBeRebuilt();
  reportState_ = kStateDraft;
  ApplyState();
  FinishAndClose();
}

bool frmCadrocts::Update() {
  isUpdate_ = true;
  // The header goes in front of the details as the operator sees them, on a line of its own.
  const BoxId detailsBox{BoxGroup::Header, 7};
  const std::string details =
      ToAnsi(BoxText(detailsBox).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
  SetBoxText(
      detailsBox,
      FromAnsi(WithUpdateHeader(*record_, details)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  record_->Clear();
  record_->SetAST(kStateNew);
  reportState_ = kStateNew;
  const bool saved = SaveReport();
  ApplyState();
  if (saved) contentWhenOpened_ = ReadContent();
  return saved;
}

void frmCadrocts::cmdSubmit_Click() {
  if (RefuseDuringDelivery()) return;
  SubmitRequest request;
  request.content = ReadContent();
  request.eventId = eventId_;
  request.messageId = messageId_;
  request.isUpdate = isUpdate_;
  request.newReport = unstored_;
  request.takeFreeIds = [this]() -> std::optional<EventIds> {
    if (!TakeFreeEventIds()) return std::nullopt;
    return EventIds{eventId_, messageId_};
  };
  request.sendUnstored = [this](const std::string& why) {
    return services_.prompts.AskYesNo(ReportSubmission::SendUnstoredQuestion(eventId_, why), kReportCaption,
                                      PromptIcon::Exclamation);
  };
  const std::string firstId = eventId_;
  SubmitOutcome outcome = submission_->Submit(*record_, reportState_, request);
  if (outcome == SubmitOutcome::MayBeDelivered) {
    // Sending twice is the worse mistake here, so the question defaults to not sending.
    if (!services_.prompts.AskYesNoDefaultNo(ReportSubmission::SendAgainQuestion(eventId_), kReportCaption,
                                             PromptIcon::Exclamation)) {
      SetStatus("Not sent again: Vtdirect may already have this report");
      return;
    }
    request.sendAgain = true;
    outcome = submission_->Submit(*record_, reportState_, request);
  }
  if (unstored_ && outcome == SubmitOutcome::Delivering) {
    unstored_ = submission_->SentUnstored();
    if (eventId_ != firstId) TellRenumbered(firstId);
  }
  switch (outcome) {
    case SubmitOutcome::NotAllowed:
    case SubmitOutcome::MayBeDelivered: return;
    case SubmitOutcome::Invalid:
      ShowValidation(submission_->Validation());
      SetStatus("Missing data in a required field");
      return;
    case SubmitOutcome::Hazard:
      services_.prompts.Message(submission_->Hazard()->message, {}, PromptIcon::Exclamation);
      ShowBox(submission_->Hazard()->control);
      return;
    case SubmitOutcome::LinkBusy:
      services_.prompts.Beep();
      SetStatus(delivery_ ? delivery_->BusyText() : std::string("Cadro cannot reach Vtdirect in this setup"));
      return;
    case SubmitOutcome::ReadyNotStored:
      RememberLastUsed();
      services_.prompts.Message(ReportSubmission::ReadyNotStoredText(eventId_), {}, PromptIcon::Exclamation);
      return;
    case SubmitOutcome::Delivering:
      RememberLastUsed();
      reportState_ = kStateReady;
      ApplyState();
      return;
    default: return;  // the other outcomes come through finished()
  }
}

void frmCadrocts::OnSubmissionFinished(SubmitOutcome outcome) {
  const bool sentUnstored = submission_->SentUnstored();
  // A report that has no Ready file yet and did not go out still counts as unsaved typing, so
  // leaving it asks; one that went out is guarded by the question about leaving it unstored.
  if (!sentUnstored || outcome == SubmitOutcome::DeliveredNotStored) contentWhenOpened_ = ReadContent();
  switch (outcome) {
    case SubmitOutcome::Submitted:
      reportState_ = kStateSubmitted;
      unstored_ = false;
      ApplyState();
      FinishAndClose();
      return;
    case SubmitOutcome::NotDelivered:
    case SubmitOutcome::Cancelled: {
      ApplyState();
      std::string box = outcome == SubmitOutcome::NotDelivered ? "CmdSubmit: SendToClient Failed" : "";
      if (MayAlreadyBeDelivered()) {
        SetStatus(outcome == SubmitOutcome::Cancelled
                      ? "Message transfer cancelled after it was sent: Vtdirect may already have it"
                      : "Message transfer problem after it was sent: Vtdirect may already have it");
        box += (box.empty() ? "" : "\r\n") + ReportSubmission::MayBeDeliveredText(eventId_);
      }
      if (sentUnstored) {
        box += std::string(box.empty() ? "" : "\r\n") + "The report " + eventId_ +
               " is not stored either: it stays on the form; save or submit it once the message folder "
               "can be written.";
      }
      // A cancel the operator asked for needs no box unless the host may have the report.
      if (!box.empty()) services_.prompts.Message(box, {}, PromptIcon::Exclamation);
      return;
    }
    case SubmitOutcome::DeliveredNotStored:
      unstored_ = false;  // stored or not, its ID is now the host's: it is never renumbered
      ApplyState();
      SetStatus("Delivered, but not stored: press Save to store the report");
      services_.prompts.Message(ReportSubmission::DeliveredNotStoredText(eventId_), {},
                                PromptIcon::Exclamation);
      return;
    default: ApplyState(); return;
  }
}

// True when the form may drop the report it shows; a delivered report that is not yet stored
// as Submitted is dropped only when the operator says so.
bool frmCadrocts::MayLeaveUnstoredReport() {
  if (!AwaitingStore()) return true;
  const std::string question =
      "The report " + eventId_ + " was delivered to Vtdirect but is not stored as Submitted; " +
      (submission_->SentUnstored() ? "it has no file at all." : "its file still says Ready, not Submitted.") +
      "\r\nLeave it so?";
  if (!services_.prompts.AskYesNo(question, kReportCaption, PromptIcon::Exclamation)) return false;
  submission_->Forget();
  ApplyState();
  return true;
}

void frmCadrocts::cmdCancel_Click() {
  submission_->Cancel();
}

// Brings the named box into view (its page, when it has one) and gives it the focus.
void frmCadrocts::ShowBox(const std::string& objectName) {
  QWidget* widget = findChild<QWidget*>(QString::fromStdString(objectName));
  const std::optional<BoxId> box = widget ? BoxOf(widget) : std::nullopt;
  if (!box) return;
  if (box->group == BoxGroup::Med) sstab1_->setCurrentIndex(kTypeMed);
  if (box->group == BoxGroup::Fire) sstab1_->setCurrentIndex(kTypeFire);
  if (box->group == BoxGroup::Law) sstab1_->setCurrentIndex(kTypeLaw);
  widget->setFocus(Qt::OtherFocusReason);
}

void frmCadrocts::cmdDelete_Click() {
  if (RefuseDuringDelivery()) return;
  record_->Clear();
  record_->SetAST(kStateDeleted);
  if (!SaveReport()) return;
  emit listMustBeRebuilt();
  FinishAndClose();
}

void frmCadrocts::cmdClose_Click() {
  if (RefuseDuringDelivery()) return;
  FinishAndClose();
}

void frmCadrocts::FinishAndClose() {
  if (CloseWindow()) reportShown_ = false;
}

bool frmCadrocts::HasUnsavedChanges() const {
  return reportShown_ && isVisible() && ReadContent() != contentWhenOpened_;
}

bool frmCadrocts::CloseForm() {
  if (!isVisible()) return true;
  if (RefuseDuringDelivery()) return false;
  if (HasUnsavedChanges()) {
    const std::string question = "The report " + eventId_ +
                                 " on the form has changes that are not saved.\r\n"
                                 "Save them before Cadro closes?";
    switch (services_.prompts.AskSaveDiscardCancel(question, ToAnsi(windowTitle()))) {
      case SaveChoice::Save:
        if (SaveBeforeExit()) break;
        [[fallthrough]];  // the record has said why; the typing stays on the screen
      case SaveChoice::Cancel:
        raise();
        activateWindow();
        return false;
      case SaveChoice::Discard: break;
    }
  }
  return CloseWindow();
}

bool frmCadrocts::CloseWindow() {
  close();
  return isHidden();
}

// What Save would store for the report on the screen: a draft for a new or saved one, an update
// for a submitted one; a report that is ready or deleted keeps its state.
bool frmCadrocts::SaveBeforeExit() {
  // A delivered report is stored as what it is, never as a draft or as Ready.
  if (AwaitingStore()) {
    if (!submission_->SaveSubmittedAgain()) return false;
    reportState_ = kStateSubmitted;
    contentWhenOpened_ = ReadContent();
    ApplyState();
    return true;
  }
  if (reportState_ == kStateSubmitted) return Update();
  const int state = reportState_ == kStateNew || reportState_ == kStateDraft ? kStateDraft : reportState_;
  record_->Clear();
  record_->SetAST(static_cast<std::int16_t>(state));
  if (!SaveReport()) return false;
  reportState_ = state;
  contentWhenOpened_ = ReadContent();
  emit listMustBeRebuilt();
  return true;
}

void frmCadrocts::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    cmdClose_Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void frmCadrocts::closeEvent(QCloseEvent* event) {
  if (RefuseDuringDelivery() || !MayLeaveUnstoredReport()) {
    event->ignore();
    return;
  }
  reportShown_ = false;
  tmrClock_->stop();
  // The form is hidden, never closed for good: it is shown again for every report. An accepted
  // close also destroys the native window, and Qt then leaves the application's connection to
  // the window's focus signal in place, adding one more each time the form is shown and gets
  // the focus (memory and a slot call per focus change that grow with every report taken).
  event->ignore();
  hide();
}

}  // namespace cadro::form
