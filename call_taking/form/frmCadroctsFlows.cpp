// What the entry form does when the operator types, leaves a box or presses a button.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
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
  if (!delivering_) return false;
  services_.prompts.Beep();
  SetStatus(kBusyText);
  return true;
}

void frmCadrocts::SetEditingLocked(bool locked) {
  for (QWidget* frame : inputFrames_) frame->setEnabled(!locked);
  sstab1_->setEnabled(!locked);
  if (locked) {
    for (QPushButton* button : {cmdSubmit_, cmdSave_, cmdDelete_, cmdClose_}) button->setEnabled(false);
  } else {
    SetButtonsForState(reportState_);
  }
}

void frmCadrocts::cmdSave_Click() {
  if (RefuseDuringDelivery()) return;
  if (saveUpdates_) {
    Update();
    return;
  }
  isUpdate_ = false;
  record_->Clear();
  record_->SetAST(kStateDraft);
  // The record's own box has asked the operator to try again: keep the report on the screen.
  if (!SaveReport()) return;
  emit listMustBeRebuilt();
  ShowStateCaption(kStateDraft);
  FinishAndClose();
}

void frmCadrocts::Update() {
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
  SaveReport();
  SetButtonsForState(kStateNew);
  ShowStateCaption(kStateNew);
  contentWhenOpened_ = ReadContent();
}

void frmCadrocts::cmdSubmit_Click() {
  if (RefuseDuringDelivery()) return;
  record_->Clear();
  if (reportState_ != kStateNew && reportState_ != kStateReady && reportState_ != kStateDraft) return;
  if (!ValidateReport()) {
    SetStatus("Missing data in a required field");
    return;
  }
  // Text that would end or forge the envelope is refused before anything is stored.
  FillRecord();
  if (const std::optional<EnvelopeHazard> hazard = FindEnvelopeHazard(*record_)) {
    record_->Clear();
    services_.prompts.Message(hazard->message, {}, PromptIcon::Exclamation);
    ShowBox(hazard->control);
    return;
  }

  record_->Clear();
  record_->SetAST(kStateReady);
  reportState_ = kStateReady;
  SetButtonsForState(kStateReady);
  ShowStateCaption(kStateReady);
  SaveReport();
  emit listMustBeRebuilt();

  const Submission submission =
      ComposeEnvelope(*record_, chkReqContact_->isChecked(), isUpdate_, station_.Values().Enc);
  const QPointer<frmCadrocts> alive(this);
  bool delivered = false;
  delivering_ = true;
  SetEditingLocked(true);
  {
    std::unique_ptr<ReportDelivery> session = makeDelivery_ ? makeDelivery_([alive](const std::string& text) {
      if (alive) alive->SetStatus(text);
    })
                                                            : nullptr;
    if (session) delivered = session->SendToClient(submission.envelope, submission.subject);
  }
  if (!alive) return;
  delivering_ = false;
  SetEditingLocked(false);
  contentWhenOpened_ = ReadContent();

  if (!delivered) {
    services_.prompts.Message("CmdSubmit: SendToClient Failed", {}, PromptIcon::Exclamation);
    return;
  }
  record_->SetAST(kStateSubmitted);
  reportState_ = kStateSubmitted;
  SaveReport();
  emit listMustBeRebuilt();
  FinishAndClose();
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
  reportShown_ = false;
  close();
}

bool frmCadrocts::CloseForm() {
  if (!isVisible()) return true;
  return close();
}

void frmCadrocts::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    cmdClose_Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void frmCadrocts::closeEvent(QCloseEvent* event) {
  if (RefuseDuringDelivery()) {
    event->ignore();
    return;
  }
  reportShown_ = false;
  tmrClock_->stop();
  event->accept();
}

}  // namespace cadro::form
