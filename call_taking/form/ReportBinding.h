#pragma once
// Between the entry form and its record: which box fills which field, and what a save stamps.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "CadroIni.h"
#include "CadroMsg.h"
#include "FormRules.h"
#include "Platform.h"

namespace cadro::form {

// The record of the entry form, on the message folder of the program folder.
std::unique_ptr<CadroMsg> NewRecord(Services& services, const std::string& programFolder);

// What a save adds to the operator's entries.
struct ReportStamp {
  std::string eventId;
  std::string messageId;
  std::string uid;  // station user ID
  std::string loc;  // station location
  LocalTime now;
};

// The boxes as the record holds them: the two detail texts keep "\n" for their line breaks
// (the caller turns CR LF into "\n" before, and back after).
FormContent ContentFromRecord(const CadroMsg& record);

// Every field from the form, whatever the selected types (the file keeps only theirs); TYP from
// the selected types; ADT "yymmdd" and ATM "hhmm" from the stamp's time. AST is the caller's.
void FillRecordFromContent(CadroMsg& record, const FormContent& content, const ReportStamp& stamp);

// The boxes as a save stores them: the detail boxes' CR LF become "\n", and the save is stamped
// with the station's user ID and location and the time `now`.
void FillRecordFromForm(CadroMsg& record, FormContent content, const std::string& eventId,
                        const std::string& messageId, const StationSettings& station, const LocalTime& now);

// The longest line a box of the form takes. A one-line box cuts longer text (a later save would
// store it cut), and laying out one endless line in the details box takes minutes.
inline constexpr std::size_t kLongestLineShown = 32767;

// A field of a stored report with a line the form cannot show whole.
struct OversizedField {
  std::string key;     // "DTL"
  std::size_t length;  // characters in its longest line
};
std::optional<OversizedField> FindOversizedField(const CadroMsg& record);

}  // namespace cadro::form
