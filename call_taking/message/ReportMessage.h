#pragma once
// The text that leaves the station for a submitted report: the event and message IDs of a new
// report, the key=value message, its subject, and the add-on envelope the host's direct-entry
// server takes. Pure text composition on ANSI bytes: nothing is escaped or encoded.
//
//   EventIds ids = NewEventID(Lid, clock.Now(), NextEventNumber());   // XYZ21045.100, XYZ-100
//   if (auto hazard = FindEnvelopeHazard(record)) { show hazard->message; stop; }
//   std::string text     = BuildMessageText(record, chkReqContact);
//   std::string subject  = SubjectLine(record, IsUpdate);
//   std::string envelope = BuildEnvelope(WrapLines(text), subject, Enc);
//   // or in one call: ComposeEnvelope(record, chkReqContact, IsUpdate, Enc)

#include <optional>
#include <string>
#include <string_view>

#include "CadroMsg.h"
#include "Platform.h"

namespace cadro {

struct EventIds {
  std::string eventId;    // Lid, yy, day of year "000", ".", number "000"
  std::string messageId;  // Lid, "-", number "000"
};

// `eventNumber` is the number NextEventNumber handed out (the value before it advanced).
EventIds NewEventID(std::string_view Lid, const LocalTime& today, int eventNumber);

// A whole number with at least three digits, zero-padded ("007", "100", "1234", "-007").
std::string Format000(int number);

// "C+ B-" and the like from CON and BRE; unanswered questions give nothing.
std::string MedicalCodes(const CadroMsg& record);

// The DETL value: issue, details, the phrases of each event type, last seen, call location.
std::string DetailText(const CadroMsg& record);

// The eleven-line message (optional lines left out when empty), CR LF between lines, none at
// the end. `requestContact` is the entry form's "Request Sheriff to contact me" box.
std::string BuildMessageText(const CadroMsg& record, bool requestContact);

// MID / TYP / CTY, with " -- UPDATE" when Update was pressed in this opening of the form.
std::string SubjectLine(const CadroMsg& record, bool isUpdate);

// "UPDATE for <EID>/<ADT>, <ATM>" from the record as it was stored at its submission.
std::string UpdateHeaderLine(const CadroMsg& stored);
// The details box text with that line put in front: header, CR LF, the previous details.
std::string WithUpdateHeader(const CadroMsg& stored, std::string_view details);

// The seven elements around the wrapped message; ENCOD only declares `Enc` ("BASE64" exactly,
// else "NONE") and the texts go in as they are.
std::string BuildEnvelope(std::string_view wrappedMessage, std::string_view subject, std::string_view Enc);

// The whole composition in the submit order: message, WrapLines, subject, envelope.
struct Submission {
  std::string messageText;
  std::string subject;
  std::string envelope;
};
Submission ComposeEnvelope(const CadroMsg& record, bool requestContact, bool isUpdate, std::string_view Enc);

// ---- refusing text that would break the envelope ---------------------------------------------

// The first envelope marker ("!/ADDON!", "<AO", "</AO", "<ENCOD", "</ENCOD", in any letter case)
// in `text`, as it stands there; nothing when the text is safe to put in an envelope.
std::optional<std::string> FindEnvelopeMarker(std::string_view text);

struct EnvelopeHazard {
  std::string key;        // record field, e.g. "DTL"
  std::string fieldName;  // as the operator knows it, e.g. "Details"
  std::string control;    // objectName of the entry form's box, e.g. "txtHeader_7"; "" if none
  std::string marker;     // what was found, as typed
  std::string message;    // the text for the exclamation box
};

// Checks every field the report carries for its event types (and the station's values stamped
// into it). The entry form calls this before it stores the report as ready: a hazard refuses
// the submit and leaves the report as it was.
std::optional<EnvelopeHazard> FindEnvelopeHazard(const CadroMsg& record);

}  // namespace cadro
