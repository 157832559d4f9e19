#pragma once
// The entry form's states, each with what the window shows and allows in it: which controls
// are enabled, the captions, and which operator actions go through, ask first or are refused.
// The window sets every one of these controls from this table and from nothing else, so what
// one report left behind cannot reach the next; a test can hold the window against the table
// after any step with CheckFormWindow.

#include <string>
#include <vector>

namespace cadro::form {

class frmCadrocts;

enum class FormState {
  Hidden,               // no report on the screen
  New,                  // report state 1
  Ready,                // report state 2
  ReadyMaybeDelivered,  // state 2, but a delivery ended after the envelope went out unanswered
  Draft,                // report state 6
  Deleted,              // report state 8
  Submitted,            // report state 9
  UnknownState,         // a stored report whose state the form does not know
  Delivering,           // a delivery runs: only Cancel
  AwaitingStore,        // delivered, but not stored as Submitted: Save it, or leave it (asked)
};

// What a request of the operator meets in a state.
enum class Action { Go, Ask, Refuse };

struct FormStateRow {
  FormState state;
  const char* name;
  const char* stateCaption;  // Label22; empty: no caption
  const char* saveCaption;   // cmdSave as shown, with its access key
  bool editable;             // the three input frames and the tab control take input
  bool submitEnabled;
  bool saveEnabled;
  bool deleteEnabled;
  bool closeEnabled;
  bool cancelShown;  // cmdCancel shown and enabled
  Action submit;     // Ask: the host may already have the report
  Action leave;      // close, Escape, New Report or opening another report
};

const std::vector<FormStateRow>& FormStateTable();
const FormStateRow& RowOf(FormState state);
const char* FormStateName(FormState state);

// The state the window is in now (Hidden when it is not shown).
FormState CurrentFormState(const frmCadrocts& form);

// Each way the window's controls differ from the row of its current state, one line each
// ("cmdSave enabled, table says disabled"); empty when they agree.
std::vector<std::string> CheckFormWindow(const frmCadrocts& form);

}  // namespace cadro::form
