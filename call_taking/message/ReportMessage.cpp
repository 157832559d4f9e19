#include "ReportMessage.h"

#include <array>
#include <cstdio>
#include <vector>

#include "GeneralLib.h"
#include "StringLib.h"

namespace cadro {

namespace {

bool Has(const std::string& type, std::string_view code) {
  return type.find(code) != std::string::npos;
}

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `needle` (lower case) in `text`, comparing ASCII letters without regard to case.
std::size_t FindNoCase(std::string_view text, std::string_view needle) {
  if (needle.size() > text.size()) return std::string_view::npos;
  for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < needle.size() && Lower(text[at + i]) == needle[i]) ++i;
    if (i == needle.size()) return at;
  }
  return std::string_view::npos;
}

}  // namespace

std::string Format000(int number) {
  const long long value = number;
  char text[24];
  std::snprintf(text, sizeof text, value < 0 ? "-%03lld" : "%03lld", value < 0 ? -value : value);
  return text;
}

EventIds NewEventID(std::string_view Lid, const LocalTime& today, int eventNumber) {
  char day[8];
  std::snprintf(day, sizeof day, "%03d", today.DayOfYear());
  const std::string number = Format000(eventNumber);
  EventIds ids;
  ids.eventId = std::string(Lid) + TwoDigits(today.year) + day + "." + number;
  ids.messageId = std::string(Lid) + "-" + number;
  return ids;
}

std::string MedicalCodes(const CadroMsg& record) {
  std::string codes;
  if (record.CON() == 0) codes += "C- ";
  if (record.CON() == 1) codes += "C+ ";
  if (record.BRE() == 0) codes += "B-";
  if (record.BRE() == 1) codes += "B+";
  return codes;
}

std::string DetailText(const CadroMsg& record) {
  const std::string type = record.TYP();
  std::string text = record.ISS();
  bool details = false;
  if (!record.ISS().empty()) {
    text += " -- " + record.DTL();
    details = true;
  }
  if (Has(type, "MED")) {
    text += " -- AGE: " + record.AGE() + ", " + record.GDR() + ", " + MedicalCodes(record);
    details = true;
  }
  if (Has(type, "FIRE") && !record.PIN().empty()) {
    text += " -- People Trapped: " + record.PIN();
    details = true;
  }
  if (Has(type, "LAW")) {
    const std::array<std::pair<const char*, std::string>, 3> phrases{
        {{" -- PerpDesc: ", record.PDE()}, {" -- Weapons: ", record.WEA()}, {" -- DoT: ", record.DOT()}}};
    for (const auto& [label, value] : phrases) {
      if (value.empty()) continue;
      text += label + value;
      details = true;
    }
    if (!record.VDE().empty()) {
      text += " -- Veh Desc: " + record.VDE() + " -- Lic: " + record.VDP() + " -- St: " + record.VDS();
      details = true;
    }
  }
  if (!details) text += " -- and no other details.";
  text += "\\nLast Seen:" + record.LAS();
  text += " -- Call Loc:" + record.ULO();
  return text;
}

std::string BuildMessageText(const CadroMsg& record, bool requestContact) {
  std::vector<std::string> lines;
  lines.push_back("TYPE=" + record.TYP());
  lines.push_back("LOC1=" + record.AD1() + ", " + record.CTY());
  if (!record.AD2().empty()) lines.push_back("LOC2=" + record.AD2());
  lines.push_back("RPNA=" + record.RPN());
  if (!record.RPA().empty()) lines.push_back("RPAD=" + record.RPA());
  if (!record.RPP().empty()) lines.push_back("RPPH=" + record.RPP());
  if (requestContact) lines.push_back("CNT=\\#252");
  lines.push_back("DETL=" + DetailText(record));
  lines.push_back("DEVD=" + record.UID());
  lines.push_back("DATM=" + record.ADT() + " " + record.ATM());
  lines.push_back("EVNT=" + record.EID());
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

std::string SubjectLine(const CadroMsg& record, bool isUpdate) {
  std::string subject = record.MID() + " / " + record.TYP() + " / " + record.CTY();
  if (isUpdate) subject += " -- UPDATE";
  return subject;
}

std::string UpdateHeaderLine(const CadroMsg& stored) {
  return "UPDATE for " + stored.EID() + "/" + stored.ADT() + ", " + stored.ATM();
}

std::string WithUpdateHeader(const CadroMsg& stored, std::string_view details) {
  return UpdateHeaderLine(stored) + "\r\n" + std::string(details);
}

std::string BuildEnvelope(std::string_view wrappedMessage, std::string_view subject, std::string_view Enc) {
  std::string envelope = "<AOAON>CADRO</AOAON>";
  envelope += "<AOSUB>";
  envelope += subject;
  envelope += "</AOSUB><AOMSG>";
  envelope += wrappedMessage;
  envelope += "</AOMSG><AOURG>TRUE</AOURG><AOTYP>PVT</AOTYP>";
  envelope += Enc == "BASE64" ? "<ENCOD>BASE64</ENCOD>" : "<ENCOD>NONE</ENCOD>";
  envelope += "!/ADDON!";
  return envelope;
}

Submission ComposeEnvelope(const CadroMsg& record, bool requestContact, bool isUpdate, std::string_view Enc) {
  Submission out;
  out.messageText = BuildMessageText(record, requestContact);
  out.subject = SubjectLine(record, isUpdate);
  out.envelope = BuildEnvelope(WrapLines(out.messageText), out.subject, Enc);
  return out;
}

// ---- envelope hazards ------------------------------------------------------------------------

std::optional<std::string> FindEnvelopeMarker(std::string_view text) {
  // "</ao" and "</encod" do not contain "<ao" or "<encod", so all four tags are listed.
  static constexpr std::array<std::string_view, 5> kMarkers{"!/addon!", "<ao", "</ao", "<encod", "</encod"};
  std::size_t first = std::string_view::npos;
  std::size_t length = 0;
  for (const std::string_view marker : kMarkers) {
    const std::size_t at = FindNoCase(text, marker);
    if (at < first) {
      first = at;
      length = marker.size();
    }
  }
  if (first == std::string_view::npos) return std::nullopt;
  return std::string(text.substr(first, length));
}

namespace {
struct FieldInfo {
  const char* key;
  const char* name;
  const char* control;
  std::string (CadroMsg::*get)() const;
};

// The fields a report carries, in the order of the entry form; the type-specific ones only for
// the types the report has, as in its file.
std::vector<FieldInfo> CarriedFields(const std::string& type) {
  std::vector<FieldInfo> fields{
      {"TYP", "Event type", "", &CadroMsg::TYP},
      {"ISS", "What are you reporting?", "txtHeader_0", &CadroMsg::ISS},
      {"AD1", "Location, Address", "txtHeader_1", &CadroMsg::AD1},
      {"AD2", "Other Location Details", "txtHeader_2", &CadroMsg::AD2},
      {"CTY", "City", "txtHeader_8", &CadroMsg::CTY},
      {"RPN", "Reporting Person's Name", "txtHeader_3", &CadroMsg::RPN},
      {"RPA", "Reporting Person's Address", "txtHeader_4", &CadroMsg::RPA},
      {"RPP", "Reporting Person's Phone Number", "txtHeader_5", &CadroMsg::RPP},
      {"LAS", "Last seen", "txtHeader_6", &CadroMsg::LAS},
      {"DTL", "Details", "txtHeader_7", &CadroMsg::DTL},
  };
  if (Has(type, "MED")) {
    fields.push_back({"AGE", "Age", "txtMed_0", &CadroMsg::AGE});
    fields.push_back({"GDR", "Gender", "txtMed_1", &CadroMsg::GDR});
  }
  if (Has(type, "FIRE")) fields.push_back({"PIN", "If a Fire: people inside?", "txtFire_0", &CadroMsg::PIN});
  if (Has(type, "LAW")) {
    fields.push_back({"PDE", "Description of person", "txtLaw_0", &CadroMsg::PDE});
    fields.push_back({"WEA", "Weapon involved?", "txtLaw_1", &CadroMsg::WEA});
    fields.push_back({"DOT", "Direction of Travel", "txtLaw_2", &CadroMsg::DOT});
    fields.push_back({"VDE", "Vehicle Description", "txtLaw_3", &CadroMsg::VDE});
    fields.push_back({"VDP", "License Plate", "txtLaw_4", &CadroMsg::VDP});
    fields.push_back({"VDS", "State", "txtLaw_5", &CadroMsg::VDS});
  }
  fields.push_back({"UID", "User ID/Call Sign (station settings)", "", &CadroMsg::UID});
  fields.push_back({"ULO", "Location (station settings)", "", &CadroMsg::ULO});
  fields.push_back({"EID", "Event ID", "", &CadroMsg::EID});
  fields.push_back({"MID", "Message ID", "", &CadroMsg::MID});
  fields.push_back({"ADT", "Date", "", &CadroMsg::ADT});
  fields.push_back({"ATM", "Time", "", &CadroMsg::ATM});
  return fields;
}
}  // namespace

std::optional<EnvelopeHazard> FindEnvelopeHazard(const CadroMsg& record) {
  for (const FieldInfo& field : CarriedFields(record.TYP())) {
    const auto marker = FindEnvelopeMarker((record.*field.get)());
    if (!marker) continue;
    EnvelopeHazard hazard{field.key, field.name, field.control, *marker, {}};
    hazard.message = "The field \"" + hazard.fieldName + "\" contains \"" + *marker +
                     "\", which the message server would take as part of the message wrapping.\r\n"
                     "Please change that text and submit again; the report has not been sent.";
    return hazard;
  }
  return std::nullopt;
}

}  // namespace cadro
