#include "ReportBinding.h"

#include "FileIO.h"
#include "StringLib.h"
#include "TypingRules.h"

namespace cadro::form {

std::unique_ptr<CadroMsg> NewRecord(Services& services, const std::string& programFolder) {
  return std::make_unique<CadroMsg>(JoinPath(programFolder, "msg.d"), services);
}

FormContent ContentFromRecord(const CadroMsg& r) {
  FormContent c;
  c.header = {r.ISS(), r.AD1(), r.AD2(), r.RPN(), r.RPA(), r.RPP(), r.LAS(), r.DTL(), r.CTY()};
  c.med = {r.AGE(), r.GDR()};
  c.fire = r.PIN();
  c.law = {r.PDE(), r.WEA(), r.DOT(), r.VDE(), r.VDP(), r.VDS()};
  c.typeSelected = EventTypesFromText(r.TYP());
  c.conscious = r.CON();
  c.breathing = r.BRE();
  return c;
}

void FillRecordFromContent(CadroMsg& r, const FormContent& c, const ReportStamp& stamp) {
  r.SetTYP(EventTypesText(c.typeSelected));
  r.SetEID(stamp.eventId);
  r.SetMID(stamp.messageId);
  r.SetISS(c.header[0]);
  r.SetAD1(c.header[1]);
  r.SetCTY(c.header[8]);
  r.SetAD2(c.header[2]);
  r.SetRPN(c.header[3]);
  r.SetRPA(c.header[4]);
  r.SetRPP(c.header[5]);
  r.SetLAS(c.header[6]);
  r.SetDTL(c.header[7]);
  r.SetAGE(c.med[0]);
  r.SetGDR(c.med[1]);
  r.SetCON(static_cast<std::int16_t>(c.conscious));
  r.SetBRE(static_cast<std::int16_t>(c.breathing));
  r.SetPIN(c.fire);
  r.SetPDE(c.law[0]);
  r.SetWEA(c.law[1]);
  r.SetDOT(c.law[2]);
  r.SetVDE(c.law[3]);
  r.SetVDP(c.law[4]);
  r.SetVDS(c.law[5]);
  r.SetUID(stamp.uid);
  r.SetULO(stamp.loc);
  const LocalTime& now = stamp.now;
  r.SetADT(TwoDigits(now.year) + TwoDigits(now.month) + TwoDigits(now.day));
  r.SetATM(TwoDigits(now.hour) + TwoDigits(now.minute));
}

void FillRecordFromForm(CadroMsg& record, FormContent content, const std::string& eventId,
                        const std::string& messageId, const StationSettings& station, const LocalTime& now) {
  content.header[7] = DetailsFromBox(content.header[7]);
  content.law[0] = DetailsFromBox(content.law[0]);
  ReportStamp stamp;
  stamp.eventId = eventId;
  stamp.messageId = messageId;
  stamp.uid = station.Uid;
  stamp.loc = station.Loc;
  stamp.now = now;
  FillRecordFromContent(record, content, stamp);
}

namespace {

// The longest run of characters between line breaks of a detail text: the two characters "\n",
// or a lone LF read from a file.
std::size_t LongestLine(std::string_view text) {
  std::size_t longest = 0;
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n')) {
      longest = std::max(longest, run);
      run = 0;
      if (text[i] == '\\') ++i;
      continue;
    }
    ++run;
  }
  return std::max(longest, run);
}

}  // namespace

std::optional<OversizedField> FindOversizedField(const CadroMsg& r) {
  const std::pair<const char*, std::string> fields[] = {
      {"ISS", r.ISS()}, {"AD1", r.AD1()}, {"CTY", r.CTY()}, {"AD2", r.AD2()}, {"LAS", r.LAS()},
      {"DTL", r.DTL()}, {"RPN", r.RPN()}, {"RPA", r.RPA()}, {"RPP", r.RPP()}, {"AGE", r.AGE()},
      {"GDR", r.GDR()}, {"PIN", r.PIN()}, {"PDE", r.PDE()}, {"WEA", r.WEA()}, {"DOT", r.DOT()},
      {"VDE", r.VDE()}, {"VDP", r.VDP()}, {"VDS", r.VDS()}};
  for (const auto& [key, value] : fields) {
    const bool details = std::string_view(key) == "DTL" || std::string_view(key) == "PDE";
    const std::size_t longest = details ? LongestLine(value) : value.size();
    if (longest > kLongestLineShown) return OversizedField{key, longest};
  }
  return std::nullopt;
}

}  // namespace cadro::form
