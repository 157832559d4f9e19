#include "frmCadrocts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include "FileIO.h"
#include "QtPlatform.h"
#include "ReportBinding.h"
#include "ReportMessage.h"
#include "TypingRules.h"

namespace cadro::form {
namespace {

const QColor kLightRed(255, 192, 192);
const QColor kLightYellow(255, 255, 128);
const QColor kSalmon(255, 128, 128);

constexpr const char* kNewCaption = "Cadro - New report";
constexpr const char* kReportCaption = "Cadro - Report form";

// Line breaks inside the widgets are LF; the form's rules and the record use CR LF.
std::string WidgetToAnsi(const QString& text, bool multiLine) {
  QString t = text;
  if (multiLine) {
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  } else {
    t.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  }
  return ToAnsi(t);
}

QString AnsiToWidget(const std::string& ansi) {
  return FromAnsi(ansi).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Every palette a control is given is new to the style, which caches its images per palette:
// a control gets one only when its colour really changes, and loses it again when its mark goes,
// so that unmarked controls share the one palette of the application.
void SetRoleColour(QWidget* w, QPalette::ColorRole role, std::optional<QColor> colour) {
  if (!colour) {
    if (w->testAttribute(Qt::WA_SetPalette)) w->setPalette(QPalette());
  } else if (!w->testAttribute(Qt::WA_SetPalette) || w->palette().color(role) != *colour) {
    QPalette p = w->palette();
    p.setColor(role, *colour);
    w->setPalette(p);
  }
  // A label paints its background only while it carries a mark, so it blends into its frame.
  if (role == QPalette::Window) w->setAutoFillBackground(colour.has_value());
}

}  // namespace

frmCadrocts::frmCadrocts(Services& services, CadroIni& station, std::string programFolder,
                         ReportDelivery* delivery, QWidget* parent)
    : QWidget(parent, Qt::Window),
      services_(services),
      station_(station),
      programFolder_(std::move(programFolder)),
      delivery_(delivery) {
  setObjectName(QStringLiteral("frmCadrocts"));
  setWindowTitle(QString::fromLatin1(kNewCaption));
  BuildControls();
  submission_ = new ReportSubmission(services_, station_, delivery_, this);
  submission_->KeepMarksIn(programFolder_);
  connect(submission_, &ReportSubmission::status, this, &frmCadrocts::SetStatus);
  connect(submission_, &ReportSubmission::stored, this, [this] { emit listMustBeRebuilt(); });
  connect(submission_, &ReportSubmission::finished, this, &frmCadrocts::OnSubmissionFinished);
  tmrClock_ = new QTimer(this);
  tmrClock_->setObjectName(QStringLiteral("tmrClock"));
  tmrClock_->setInterval(1000);
  connect(tmrClock_, &QTimer::timeout, this, &frmCadrocts::TickClock);
  LoadForm();
}

frmCadrocts::~frmCadrocts() {
  // A delivery still running is ended before the widgets it reports to go.
  submission_->disconnect(this);
  delete submission_;
}

std::string frmCadrocts::ReportUnderDelivery() const {
  return submission_->EventUnderDelivery();
}

// ---- Opening a report ----

void frmCadrocts::LoadForm() {
  record_ = NewRecord(services_, programFolder_);
  reportState_ = kStateNone;
  eventId_.clear();
  messageId_.clear();
  isUpdate_ = false;
  reportShown_ = false;
  unstored_ = false;

  // A reused form starts as empty as a new one: nothing of the previous report may remain.
  for (auto& [box, widget] : boxes_) {
    const QSignalBlocker block(widget);
    SetBoxText(box, {});
    TintBox(box, std::nullopt);
  }
  {
    const QSignalBlocker block(chkReqContact_);
    chkReqContact_->setChecked(false);
  }
  OnContactToggled(false);
  chkReqContact_->hide();
  label20_->clear();
  label22_->clear();
  statusPanel_->clear();

  for (int i = 0; i < kTypeCount; ++i) {
    typeSelected_[static_cast<std::size_t>(i)] = false;
    QPushButton* button = cmdRtype_[static_cast<std::size_t>(i)];
    QFont f = button->font();
    f.setBold(false);
    button->setFont(f);
    SetRoleColour(button, QPalette::Button, std::nullopt);
    sstab1_->setTabText(i, QString::fromStdString(PageCaption(i, false)));
    sstab1_->setTabEnabled(i, false);
  }
  conscious_ = breathing_ = -1;
  for (auto* group : {optCons_[0]->group(), optBrea_[0]->group()}) {
    group->setExclusive(false);
    for (auto* b : group->buttons()) b->setChecked(false);
    group->setExclusive(true);
  }
  for (auto* option : {optCons_[0], optCons_[1], optBrea_[0], optBrea_[1]}) option->setEnabled(false);
  SetRoleColour(label6_, QPalette::Window, std::nullopt);
  SetRoleColour(label23_, QPalette::Window, std::nullopt);
  sstab1_->hide();

  {
    const QSignalBlocker block(sstab1_);
    sstab1_->setCurrentIndex(0);
  }
  OnPageChanged(0);
  ApplyState();
  setWindowTitle(QString::fromLatin1(kNewCaption));
  ShadeRequiredFields();
}

void frmCadrocts::StartForm(const std::string& eventRecord) {
  if (RefuseDuringDelivery()) return;
  if (!MayLeaveUnstoredReport()) {
    raise();
    activateWindow();
    return;
  }
  if (reportShown_ && isVisible() && ReadContent() != contentWhenOpened_) {
    const std::string question = "The report " + eventId_ +
                                 " on the form has changes that are not saved.\r\n"
                                 "Discard them and open " +
                                 (eventRecord == "NEW" ? std::string("a new report") : eventRecord) + "?";
    if (!services_.prompts.AskYesNo(question, kReportCaption, PromptIcon::Exclamation)) {
      raise();
      activateWindow();
      return;
    }
  }
  LoadForm();
  show();
  raise();
  activateWindow();
  TickClock();
  tmrClock_->start();
  isUpdate_ = false;

  if (eventRecord == "NEW") {
    reportState_ = kStateNew;
    setWindowTitle(QString::fromLatin1(kNewCaption));
    // The settings have told the operator when no number can be handed out.
    if (!TakeFreeEventIds()) {
      FinishAndClose();
      return;
    }
    unstored_ = true;
  } else {
    setWindowTitle(QString::fromLatin1(kReportCaption));
    record_->Clear();
    if (!record_->Load(eventRecord)) {
      services_.prompts.Message("Could not load message file \r\n" + eventRecord, {},
                                PromptIcon::Exclamation);
      close();
      return;
    }
    // A line too long for the boxes is refused before it reaches them: the form would cut it,
    // or stop for minutes laying it out. The file stays as it is.
    if (const std::optional<OversizedField> big = FindOversizedField(*record_)) {
      services_.prompts.Message("Could not open the report " + eventRecord + "\r\nIts field " + big->key +
                                    " holds a line of " + std::to_string(big->length) +
                                    " characters; the form shows lines of at most " +
                                    std::to_string(kLongestLineShown) + ".\r\nThe file is left as it is.",
                                {}, PromptIcon::Exclamation);
      record_->Clear();
      FinishAndClose();
      return;
    }
    reportState_ = record_->AST();
    LoadReport();
  }
  ApplyState();
  reportShown_ = true;
  contentWhenOpened_ = ReadContent();
}

void frmCadrocts::LoadReport() {
  SelectEventTypes(record_->TYP());
  eventId_ = record_->EID();
  messageId_ = record_->MID();
  label20_->setText(FromAnsi(eventId_));

  const FormContent stored = ContentFromRecord(*record_);
  for (const BoxId box : AllBoxes()) {
    const bool details = box == BoxId{BoxGroup::Header, 7} || box == BoxId{BoxGroup::Law, 0};
    const std::string& text = stored.Text(box);
    SetBoxText(box, AnsiToWidget(details ? DetailsForBox(text) : text));
  }
  // The option buttons may sit on a page that is not current, so they are set, not clicked.
  if (stored.conscious == 0 || stored.conscious == 1) {
    optCons_[static_cast<std::size_t>(stored.conscious)]->setChecked(true);
    OnAnswer(0, stored.conscious);
  }
  if (stored.breathing == 0 || stored.breathing == 1) {
    optBrea_[static_cast<std::size_t>(stored.breathing)]->setChecked(true);
    OnAnswer(1, stored.breathing);
  }
  ShadeRequiredFields();
}

void frmCadrocts::SelectEventTypes(const std::string& typ) {
  const auto types = EventTypesFromText(typ);
  for (int i = 0; i < kTypeCount; ++i)
    if (types[static_cast<std::size_t>(i)]) ToggleEventType(i);
}

std::string frmCadrocts::GetEventTypes() const {
  return EventTypesText(typeSelected_);
}

// ---- Storing ----

void frmCadrocts::FillRecord() {
  FillRecordFromForm(*record_, ReadContent(), eventId_, messageId_, station_.Values(), services_.clock.Now());
}

// The next event number whose event ID names no stored report, and the IDs it forms.
bool frmCadrocts::TakeFreeEventIds() {
  const LocalTime today = services_.clock.Now();
  const std::string lid = station_.Values().Lid;
  const std::string folder = record_->MessageFolder();
  const std::optional<std::int16_t> number = station_.NextEventNumber([&](std::int16_t n) {
    return PathExists(JoinPath(folder, NewEventID(lid, today, n).eventId + ".911"));
  });
  if (!number) return false;
  const EventIds ids = NewEventID(lid, today, *number);
  eventId_ = ids.eventId;
  messageId_ = ids.messageId;
  label20_->setText(FromAnsi(eventId_));
  return true;
}

bool frmCadrocts::SaveReport() {
  FillRecord();
  bool written = false;
  if (!unstored_) {
    written = record_->Fadd();
  } else {
    // The first save of a new report never replaces a stored one. When its ID was taken since
    // the form opened (another station, a file put back), the report takes the next free ID.
    const std::string firstId = eventId_;
    CadroMsg::AddResult added = record_->FaddNew();
    while (added == CadroMsg::AddResult::Taken && TakeFreeEventIds()) {
      FillRecord();
      added = record_->FaddNew();
    }
    written = added == CadroMsg::AddResult::Written;
    if (written) unstored_ = false;
    if (written && eventId_ != firstId) TellRenumbered(firstId);
  }
  RememberLastUsed();
  return written;
}

void frmCadrocts::TellRenumbered(const std::string& firstId) {
  services_.prompts.Message("The event ID " + firstId + " names a report stored meanwhile.\r\n" +
                                "This report is saved as " + eventId_ + "; the other one is kept as it is.",
                            {}, PromptIcon::Information);
}

void frmCadrocts::RememberLastUsed() {
  lastUsedLocation_ = {ToAnsi(BoxText({BoxGroup::Header, 1})), ToAnsi(BoxText({BoxGroup::Header, 2})),
                       ToAnsi(BoxText({BoxGroup::Header, 8}))};
  lastUsedReporter_ = {ToAnsi(BoxText({BoxGroup::Header, 3})), ToAnsi(BoxText({BoxGroup::Header, 4})),
                       ToAnsi(BoxText({BoxGroup::Header, 5}))};
}

void frmCadrocts::ClearLastUsed() {
  lastUsedLocation_ = {};
  lastUsedReporter_ = {};
}

void frmCadrocts::RecallLastUsed(int which) {
  if (which == 0) {
    const int boxes[] = {1, 2, 8};
    for (std::size_t i = 0; i < 3; ++i)
      SetBoxText({BoxGroup::Header, boxes[i]}, FromAnsi(lastUsedLocation_[i]));
  } else {
    for (std::size_t i = 0; i < 3; ++i)
      SetBoxText({BoxGroup::Header, 3 + static_cast<int>(i)}, FromAnsi(lastUsedReporter_[i]));
  }
}

// ---- Buttons, captions, colours ----

FormState frmCadrocts::State() const {
  if (DeliveryRunning()) return FormState::Delivering;
  if (AwaitingStore()) return FormState::AwaitingStore;
  switch (reportState_) {
    case kStateNew: return FormState::New;
    case kStateReady: return MayAlreadyBeDelivered() ? FormState::ReadyMaybeDelivered : FormState::Ready;
    case kStateDraft: return FormState::Draft;
    case kStateDeleted: return FormState::Deleted;
    case kStateSubmitted: return FormState::Submitted;
    default: return FormState::UnknownState;
  }
}

// Every control the table names is set here and nowhere else, for every state: the form is
// reused, and a control some earlier report left greyed would otherwise stay so for the next.
void frmCadrocts::ApplyState() {
  const FormStateRow& row = RowOf(State());
  for (QWidget* frame : inputFrames_) frame->setEnabled(row.editable);
  sstab1_->setEnabled(row.editable);
  label22_->setText(QString::fromLatin1(row.stateCaption));
  cmdSave_->setText(QString::fromLatin1(row.saveCaption));
  cmdSubmit_->setEnabled(row.submitEnabled);
  cmdSave_->setEnabled(row.saveEnabled);
  cmdDelete_->setEnabled(row.deleteEnabled);
  cmdClose_->setEnabled(row.closeEnabled);
  const bool hadCancel = cmdCancel_->isVisibleTo(this);
  cmdCancel_->setVisible(row.cancelShown);
  cmdCancel_->setEnabled(row.cancelShown);
  if (row.cancelShown && !hadCancel) cmdCancel_->setFocus(Qt::OtherFocusReason);
}

void frmCadrocts::ShadeRequiredFields() {
  for (const BoxId box : ShadedBoxes())
    TintBox(box, IsBlank(ToAnsi(BoxText(box))) ? std::optional<QColor>(kLightRed) : std::nullopt);
}

void frmCadrocts::ShowValidation(const ValidationOutcome& out) {
  for (const BoxId box : out.failedBoxes) TintBox(box, kLightYellow);
  if (out.consciousUnanswered) SetRoleColour(label6_, QPalette::Window, kLightYellow);
  if (out.breathingUnanswered) SetRoleColour(label23_, QPalette::Window, kLightYellow);
  if (out.page) {
    sstab1_->show();
    sstab1_->setCurrentIndex(*out.page);
  }
  if (out.noTypeSelected) {
    for (QPushButton* button : cmdRtype_) SetRoleColour(button, QPalette::Button, kLightYellow);
    services_.prompts.Message(NoEventTypeMessage(), {}, PromptIcon::Exclamation);
  }
  if (out.focus) boxes_.at(*out.focus)->setFocus(Qt::OtherFocusReason);
}

void frmCadrocts::ToggleEventType(int type) {
  const auto i = static_cast<std::size_t>(type);
  sstab1_->show();
  sstab1_->setCurrentIndex(type);
  for (QPushButton* button : cmdRtype_)
    if (button->palette().color(QPalette::Button) == kLightYellow)
      SetRoleColour(button, QPalette::Button, std::nullopt);

  typeSelected_[i] = !typeSelected_[i];
  const bool selected = typeSelected_[i];
  QFont f = cmdRtype_[i]->font();
  f.setBold(selected);
  cmdRtype_[i]->setFont(f);
  SetRoleColour(cmdRtype_[i], QPalette::Button, selected ? std::optional<QColor>(kSalmon) : std::nullopt);
  sstab1_->setTabText(type, QString::fromStdString(PageCaption(type, selected)));
  sstab1_->setTabEnabled(type, selected);
  if (type == kTypeMed)
    for (auto* option : {optCons_[0], optCons_[1], optBrea_[0], optBrea_[1]}) option->setEnabled(selected);
  if (type == kTypeLaw) chkReqContact_->setVisible(selected);

  // A disabled current page can make the tab bar pick a neighbour; the rule decides instead.
  const std::optional<int> page = PageAfterTypeToggle(typeSelected_, type);
  sstab1_->setCurrentIndex(page.value_or(type));
  OnPageChanged(sstab1_->currentIndex());
  boxes_.at({BoxGroup::Header, 1})->setFocus(Qt::OtherFocusReason);
}

void frmCadrocts::OnPageChanged(int page) {
  for (int i = 0; i < kTypeCount; ++i) nframe_[static_cast<std::size_t>(i)]->setEnabled(i == page);
  FocusFirstOnTab(page);
  if (layout()) layout()->activate();
}

void frmCadrocts::FocusFirstOnTab(int page) {
  if (page < 0 || page >= kTypeCount) return;
  QWidget* frame = nframe_[static_cast<std::size_t>(page)];
  // The focus chain runs in tab order; the first focusable control inside the frame wins.
  for (QWidget* w = frame->nextInFocusChain(); w && w != frame; w = w->nextInFocusChain()) {
    if (!frame->isAncestorOf(w)) continue;
    if (w->isEnabled() && w->focusPolicy() != Qt::NoFocus) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void frmCadrocts::OnContactToggled(bool checked) {
  TintBox({BoxGroup::Header, 5}, checked ? std::optional<QColor>(kLightRed) : std::nullopt);
  label18_->setText(checked ? QStringLiteral("Phone:*") : QStringLiteral("Phone:"));
}

void frmCadrocts::OnAnswer(int question, int answer) {
  if (question == 0) {
    SetRoleColour(label6_, QPalette::Window, std::nullopt);
    conscious_ = answer;
  } else {
    SetRoleColour(label23_, QPalette::Window, std::nullopt);
    breathing_ = answer;
  }
}

// ---- Reading and writing the boxes ----

QString frmCadrocts::BoxText(BoxId box) const {
  QWidget* w = boxes_.at(box);
  if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text();
  return static_cast<QPlainTextEdit*>(w)->toPlainText();
}

void frmCadrocts::SetBoxText(BoxId box, const QString& text) {
  QWidget* w = boxes_.at(box);
  if (auto* line = qobject_cast<QLineEdit*>(w)) {
    if (line->text() != text) line->setText(text);
  } else {
    auto* edit = static_cast<QPlainTextEdit*>(w);
    if (edit->toPlainText() != text) edit->setPlainText(text);
  }
}

void frmCadrocts::TintBox(BoxId box, std::optional<QColor> colour) {
  SetRoleColour(boxes_.at(box), QPalette::Base, colour);
  // A tint asks for the box to be filled; a screen reader user must hear that too.
  boxes_.at(box)->setAccessibleDescription(colour ? QStringLiteral("required") : QString());
}

std::optional<BoxId> frmCadrocts::BoxOf(QObject* object) const {
  const auto it = boxOfWidget_.find(object);
  if (it == boxOfWidget_.end()) return std::nullopt;
  return it->second;
}

FormContent frmCadrocts::ReadContent() const {
  FormContent c;
  for (const BoxId box : AllBoxes())
    c.Text(box) = WidgetToAnsi(BoxText(box), qobject_cast<QPlainTextEdit*>(boxes_.at(box)) != nullptr);
  c.typeSelected = typeSelected_;
  c.conscious = conscious_;
  c.breathing = breathing_;
  c.requestContact = chkReqContact_->isChecked();
  return c;
}

void frmCadrocts::SetStatus(const std::string& text) {
  statusPanel_->setText(FromAnsi(text));
}

void frmCadrocts::TickClock() {
  clockPanel_->setText(QString::fromLatin1(services_.clock.Now().ClockText()));
}

}  // namespace cadro::form
