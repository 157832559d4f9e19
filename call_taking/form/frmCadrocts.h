#pragma once
// frmCadrocts, the incident report entry form: one report at a time is shown, edited, saved as
// a draft, submitted to the host, updated after submission or marked deleted. The list window
// opens it with StartForm and rebuilds its list when listMustBeRebuilt is emitted.

#include <QColor>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "CadroIni.h"
#include "EntryFormPort.h"
#include "FormRules.h"
#include "FormStates.h"
#include "Platform.h"
#include "ReportSubmission.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace cadro {
class CadroMsg;
}

namespace cadro::form {

class frmCadrocts : public QWidget, public EntryFormPort {
  Q_OBJECT
public:
  // `delivery` carries submitted reports to the host; it must outlive the form (null: every
  // submit is refused).
  frmCadrocts(Services& services, CadroIni& station, std::string programFolder, ReportDelivery* delivery,
              QWidget* parent = nullptr);
  ~frmCadrocts() override;

  // "NEW" opens a new report; anything else is the event ID of a stored report.
  void StartForm(const std::string& eventRecord) override;

  // The remembered location and reporter that the two L/U buttons recall; the program clears
  // them when it starts.
  void ClearLastUsed() override;
  // The program is ending: false while a delivery runs, and when the operator keeps unsaved
  // typing (Cancel, or a Save that failed); the program then stays open.
  bool CloseForm() override;
  bool Delivering() const override { return DeliveryRunning(); }

  // The event ID of the report being delivered, or delivered and not yet stored; empty when none.
  std::string ReportUnderDelivery() const override;

  bool DeliveryRunning() const { return submission_->Delivering(); }
  // A delivered report waits on the form to be stored as Submitted.
  bool AwaitingStore() const { return submission_->AwaitingStore(); }
  // The host may already have the report on the form (see ReportSubmission::MayBeDelivered).
  bool MayAlreadyBeDelivered() const { return submission_->MayBeDelivered(eventId_); }
  // The row of the state table the window follows, whether shown or not.
  FormState State() const;
  int ReportState() const { return reportState_; }
  bool IsUpdate() const { return isUpdate_; }
  const std::string& EventID() const { return eventId_; }

  // What the operator entered, as the rules see it.
  FormContent ReadContent() const;

signals:
  // A report was saved, deleted or submitted: the list of reports is out of date.
  void listMustBeRebuilt();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void BuildControls();
  QWidget* BuildSummaryFrame();
  QWidget* BuildReporterFrame();
  QWidget* BuildDetailsFrame();
  QWidget* BuildTabs();
  QWidget* BuildButtonRow();
  void RegisterBox(BoxId box, QWidget* widget);

  void LoadForm();
  void LoadReport();
  bool SaveReport();
  bool TakeFreeEventIds();
  void TellRenumbered(const std::string& firstId);
  void FillRecord();
  void SelectEventTypes(const std::string& typ);
  std::string GetEventTypes() const;
  // Sets every control the state table names from the form's current state.
  void ApplyState();
  void ShadeRequiredFields();
  void ShowValidation(const ValidationOutcome& out);
  void ToggleEventType(int type);
  void OnPageChanged(int page);
  void FocusFirstOnTab(int page);
  void OnContactToggled(bool checked);
  void OnAnswer(int question, int answer);
  void RecallLastUsed(int which);

  void cmdSave_Click();
  void cmdSubmit_Click();
  void cmdDelete_Click();
  void cmdClose_Click();
  void cmdCancel_Click();
  void OnSubmissionFinished(SubmitOutcome outcome);
  bool MayLeaveUnstoredReport();
  void RememberLastUsed();
  void FinishAndClose();
  // Closes the window as the operator's close button does; true when it is no longer shown.
  bool CloseWindow();
  void ShowBox(const std::string& objectName);
  void OnBoxChanged(BoxId box);
  bool Update();
  bool HasUnsavedChanges() const;
  bool SaveBeforeExit();
  bool RefuseDuringDelivery();

  QString BoxText(BoxId box) const;
  void SetBoxText(BoxId box, const QString& text);
  void TintBox(BoxId box, std::optional<QColor> colour);
  std::optional<BoxId> BoxOf(QObject* object) const;
  bool FilterTypedKey(BoxId box, QKeyEvent* key);
  void LeaveBox(BoxId box);
  void SetStatus(const std::string& text);
  void TickClock();

  Services& services_;
  CadroIni& station_;
  std::string programFolder_;
  ReportDelivery* delivery_;
  ReportSubmission* submission_ = nullptr;
  std::unique_ptr<CadroMsg> record_;

  int reportState_ = kStateNone;
  std::string eventId_;
  std::string messageId_;
  std::array<bool, kTypeCount> typeSelected_{};
  int conscious_ = -1;
  int breathing_ = -1;
  bool isUpdate_ = false;
  bool unstored_ = false;  // a new report that has no file yet
  bool reportShown_ = false;
  FormContent contentWhenOpened_;
  std::array<std::string, 3> lastUsedLocation_;  // txtHeader 1, 2, 8
  std::array<std::string, 3> lastUsedReporter_;  // txtHeader 3, 4, 5

  std::array<QPushButton*, kTypeCount> cmdRtype_{};
  std::array<QPushButton*, 2> cmdLast_{};
  std::map<BoxId, QWidget*> boxes_;
  std::map<QObject*, BoxId> boxOfWidget_;
  QCheckBox* chkReqContact_ = nullptr;
  QLabel* label18_ = nullptr;  // "Phone:" / "Phone:*"
  QLabel* label6_ = nullptr;   // "Conscious?"
  QLabel* label23_ = nullptr;  // "Breathing?"
  QLabel* label20_ = nullptr;  // event ID
  QLabel* label22_ = nullptr;  // state text
  std::array<QRadioButton*, 2> optCons_{};
  std::array<QRadioButton*, 2> optBrea_{};
  QTabWidget* sstab1_ = nullptr;
  std::array<QGroupBox*, kTypeCount> nframe_{};
  std::array<QWidget*, 3> inputFrames_{};
  QPushButton* cmdSubmit_ = nullptr;
  QPushButton* cmdSave_ = nullptr;
  QPushButton* cmdDelete_ = nullptr;
  QPushButton* cmdClose_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;  // shown only while a delivery runs
  QStatusBar* sbrStatus_ = nullptr;
  QLabel* statusPanel_ = nullptr;
  QLabel* clockPanel_ = nullptr;
  QTimer* tmrClock_ = nullptr;
};

}  // namespace cadro::form
