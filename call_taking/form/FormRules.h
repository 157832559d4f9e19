#pragma once
// The rules of the incident report entry form, apart from its widgets: which buttons a report
// state allows, which boxes a submit refuses, which boxes are tinted, how the event-type
// buttons and the tab pages follow each other. The window asks these and only shows the answer,
// so every rule can be checked without a display.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadro::form {

// Report states as stored in the record's AST field.
inline constexpr int kStateNone = 0;
inline constexpr int kStateNew = 1;
inline constexpr int kStateReady = 2;
inline constexpr int kStateDraft = 6;
inline constexpr int kStateDeleted = 8;
inline constexpr int kStateSubmitted = 9;

// Event types, in the order of their buttons, their tab pages and the TYP text.
inline constexpr int kTypeMed = 0;
inline constexpr int kTypeFire = 1;
inline constexpr int kTypeLaw = 2;
inline constexpr int kTypeLgov = 3;
inline constexpr int kTypeCount = 4;

// The text boxes of the form by control array and index (txtHeader (3) is {Header, 3}).
enum class BoxGroup { Header, Med, Fire, Law };
struct BoxId {
  BoxGroup group = BoxGroup::Header;
  int index = 0;
  auto operator<=>(const BoxId&) const = default;
};
std::string BoxObjectName(BoxId box);  // "txtHeader_3"

// A snapshot of what the operator entered, as ANSI bytes. The two detail boxes (txtHeader 7
// and txtLaw 0) hold their line breaks as CR LF, like any multi-line box.
struct FormContent {
  std::array<std::string, 9> header;
  std::array<std::string, 2> med;
  std::string fire;
  std::array<std::string, 6> law;
  std::array<bool, kTypeCount> typeSelected{};
  int conscious = -1;  // -1 not answered, 0 no, 1 yes
  int breathing = -1;
  bool requestContact = false;

  const std::string& Text(BoxId box) const;
  std::string& Text(BoxId box);
  bool AnyTypeSelected() const;
  bool operator==(const FormContent&) const = default;
};

// Every text box, in the order the form lays them out.
std::vector<BoxId> AllBoxes();

// True when the text holds nothing but spaces.
bool IsBlank(std::string_view text);

// ---- Buttons and the state caption ----

struct ButtonPlan {
  std::string stateCaption;  // Label22
  std::string saveCaption;   // "Save" or "Update"
  bool saveUpdates = false;  // Save stands for Update: the report was submitted
  bool deleteEnabled = false;
  bool saveEnabled = false;
  bool submitEnabled = false;
  bool closeEnabled = true;
};

// The buttons for a report state; nothing for a state the form does not know, in which case
// only the Save caption returns to "Save" and the rest stays as it was.
std::optional<ButtonPlan> ButtonsForState(int state);

// ---- Required fields ----

// The boxes tinted light red while empty when a report is shown.
std::vector<BoxId> ShadedBoxes();

struct ValidationOutcome {
  bool ok = true;
  std::vector<BoxId> failedBoxes;    // turn light yellow
  bool consciousUnanswered = false;  // Label6 turns light yellow
  bool breathingUnanswered = false;  // Label23 turns light yellow
  bool noTypeSelected = false;       // the type buttons turn light yellow and the box is shown
  std::optional<BoxId> focus;        // where the focus ends after every check took its turn
  std::optional<int> page;           // the tab page selected last, if a check selected one
};

// Runs every check of a submit, in order; none stops the others.
ValidationOutcome ValidateReport(const FormContent& content);

// The three-line refusal shown when no event type is selected.
std::string NoEventTypeMessage();

// ---- Event types and tab pages ----

// The base caption of each page and its caption with or without the selection mark.
std::string PageCaption(int page, bool selected);

// TYP for the selected types: "MED", "MED+LAW", "" when none is selected.
std::string EventTypesText(const std::array<bool, kTypeCount>& selected);

// The types a stored TYP names, compared case-sensitively.
std::array<bool, kTypeCount> EventTypesFromText(std::string_view typ);

// The page to show after type button `pressed` toggled its type to `selected`: its own page
// when it became selected, else the first page still selected; nothing when none is left (the
// pressed page then stays current, disabled).
std::optional<int> PageAfterTypeToggle(const std::array<bool, kTypeCount>& selected, int pressed);

// The first selected page, if any.
std::optional<int> SelectFirstEnabledTab(const std::array<bool, kTypeCount>& selected);

}  // namespace cadro::form
