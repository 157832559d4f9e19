#pragma once
// What the entry form hands to the message composer: the identifiers of a new report, the
// header line of an update, and the subject and envelope of a submission.

#include <optional>
#include <string>

#include "CadroIni.h"
#include "CadroMsg.h"
#include "Platform.h"

namespace cadro::form {

struct NewIds {
  std::string eventId;
  std::string messageId;
};

// The IDs of a new report; the station's event number is used up even if the report is never
// saved. Nothing when the station cannot hand out a number (it has told the operator why).
std::optional<NewIds> NewEventID(CadroIni& station, const LocalTime& now);

// The first line an update puts in front of the details, from the stored (submitted) record.
std::string UpdateHeaderLine(const CadroMsg& record);

struct Submission {
  std::string envelope;
  std::string subject;
};

// The subject and the envelope of the wrapped message text, for the record right after its save.
Submission ComposeSubmission(const CadroMsg& record, bool requestContact, bool isUpdate,
                             const std::string& enc);

// The refusal to show when a field holds text that would end or forge the envelope; nothing when
// the record can be sent.
std::optional<std::string> EnvelopeRefusal(const CadroMsg& record);

}  // namespace cadro::form
