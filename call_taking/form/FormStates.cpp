#include "FormStates.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "frmCadrocts.h"

namespace cadro::form {
namespace {

constexpr Action Go = Action::Go;
constexpr Action Ask = Action::Ask;
constexpr Action Refuse = Action::Refuse;

// clang-format off
const std::vector<FormStateRow> kTable = {
  // state                           name                     Label22                   cmdSave      edit  subm  save  del   close cancel submit  leave
  {FormState::Hidden,              "Hidden",              "",                        "&Save",     true, false,false,false,true, false, Refuse, Go},
  {FormState::New,                 "New",                 "New Report",              "&Save",     true, true, true, true, true, false, Go,     Go},
  {FormState::Ready,               "Ready",               "Ready, not Submitted",    "&Save",     true, true, false,true, true, false, Go,     Go},
  {FormState::ReadyMaybeDelivered, "ReadyMaybeDelivered", "Ready, not Submitted",    "&Save",     true, true, false,true, true, false, Ask,    Go},
  {FormState::Draft,               "Draft",               "Previously Saved Report", "&Save",     true, true, true, true, true, false, Go,     Go},
  {FormState::Deleted,             "Deleted",             "Deleted Report",          "&Save",     true, false,false,false,true, false, Refuse, Go},
  {FormState::Submitted,           "Submitted",           "Submitted Report",        "U&pdate",   true, false,true, true, true, false, Refuse, Go},
  {FormState::UnknownState,        "UnknownState",        "",                        "&Save",     true, false,false,true, true, false, Refuse, Go},
  // A delivery's own caption is the state the report is stored in meanwhile.
  {FormState::Delivering,          "Delivering",          "Ready, not Submitted",    "&Save",     false,false,false,false,false,true,  Refuse, Refuse},
  {FormState::AwaitingStore,       "AwaitingStore",       "Submitted Report",        "&Save",     false,false,true, false,true, false, Refuse, Ask},
};
// clang-format on

void Differs(std::vector<std::string>& out, const char* what, bool shown, bool table) {
  if (shown == table) return;
  out.push_back(std::string(what) + (shown ? " enabled" : " disabled") + ", table says " +
                (table ? "enabled" : "disabled"));
}

}  // namespace

const std::vector<FormStateRow>& FormStateTable() {
  return kTable;
}

const FormStateRow& RowOf(FormState state) {
  for (const FormStateRow& row : kTable)
    if (row.state == state) return row;
  return kTable.front();
}

const char* FormStateName(FormState state) {
  return RowOf(state).name;
}

FormState CurrentFormState(const frmCadrocts& form) {
  return form.isVisible() ? form.State() : FormState::Hidden;
}

std::vector<std::string> CheckFormWindow(const frmCadrocts& form) {
  std::vector<std::string> out;
  const FormState state = CurrentFormState(form);
  if (state == FormState::Hidden) return out;
  const FormStateRow& row = RowOf(state);
  const std::string prefix = std::string("[") + row.name + "] ";

  for (const char* frame : {"fraSummary", "fraReporter", "fraDetails", "SSTab1"}) {
    const auto* w = form.findChild<const QWidget*>(QString::fromLatin1(frame));
    if (!w) {
      out.push_back(prefix + frame + " missing");
      continue;
    }
    Differs(out, (prefix + frame).c_str(), w->isEnabled(), row.editable);
  }
  struct Button {
    const char* name;
    bool enabled;
  };
  for (const Button& b : {Button{"cmdSubmit", row.submitEnabled}, Button{"cmdSave", row.saveEnabled},
                          Button{"cmdDelete", row.deleteEnabled}, Button{"cmdClose", row.closeEnabled},
                          Button{"cmdCancel", row.cancelShown}}) {
    const auto* button = form.findChild<const QPushButton*>(QString::fromLatin1(b.name));
    if (!button) {
      out.push_back(prefix + b.name + " missing");
      continue;
    }
    Differs(out, (prefix + b.name).c_str(), button->isEnabled(), b.enabled);
  }
  if (const auto* cancel = form.findChild<const QPushButton*>(QStringLiteral("cmdCancel"));
      cancel && cancel->isVisible() != row.cancelShown)
    out.push_back(prefix + "cmdCancel " + (cancel->isVisible() ? "shown" : "hidden") + ", table says " +
                  (row.cancelShown ? "shown" : "hidden"));
  if (const auto* save = form.findChild<const QPushButton*>(QStringLiteral("cmdSave"));
      save && save->text() != QString::fromLatin1(row.saveCaption))
    out.push_back(prefix + "cmdSave reads '" + save->text().toStdString() + "', table says '" +
                  row.saveCaption + "'");
  if (const auto* label = form.findChild<const QLabel*>(QStringLiteral("Label22"));
      label && label->text() != QString::fromLatin1(row.stateCaption))
    out.push_back(prefix + "Label22 reads '" + label->text().toStdString() + "', table says '" +
                  row.stateCaption + "'");
  return out;
}

}  // namespace cadro::form
