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

}  // namespace cadro::form
