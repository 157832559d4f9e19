#include <gtest/gtest.h>

#include "ReportMessage.h"
#include "TestKit.h"

namespace cadro {
namespace {

class MessageTest : public ::testing::Test {
protected:
  // A medical call with a long detail line that wraps once.
  void FillExample() {
    rec_.SetTYP("MED");
    rec_.SetAD1("100 Main St");
    rec_.SetCTY("Springfield");
    rec_.SetRPN("Jane Roe");
    rec_.SetRPP("555-0100");
    rec_.SetISS("Fall");
    rec_.SetDTL("Hip pain, cannot stand up");
    rec_.SetAGE("80");
    rec_.SetGDR("Female");
    rec_.SetCON(1);
    rec_.SetBRE(1);
    rec_.SetLAS("14:05");
    rec_.SetUID("OPER1");
    rec_.SetULO("EOC");
    rec_.SetADT("210214");
    rec_.SetATM("1407");
    rec_.SetEID("XYZ21045.100");
    rec_.SetMID("XYZ-100");
  }

  testing::TestServices services_;
  testing::TempDir dir_;
  CadroMsg rec_{dir_.str(), services_.services};
};

TEST_F(MessageTest, WorkedExampleComesOutByteForByte) {
  FillExample();
  const Submission out = ComposeEnvelope(rec_, false, false, "BASE64");
  const std::string expected =
      "<AOAON>CADRO</AOAON><AOSUB>XYZ-100 / MED / Springfield</AOSUB><AOMSG>TYPE=MED\r\n"
      "LOC1=100 Main St, Springfield\r\n"
      "RPNA=Jane Roe\r\n"
      "RPPH=555-0100\r\n"
      "DETL=Fall -- Hip pain, cannot stand up -- AGE: 80, Female, C+ B+\\nLast Seen:1=\r\n"
      "4:05 -- Call Loc:EOC\r\n"
      "DEVD=OPER1\r\n"
      "DATM=210214 1407\r\n"
      "EVNT=XYZ21045.100</AOMSG><AOURG>TRUE</AOURG><AOTYP>PVT</AOTYP><ENCOD>BASE64</ENCOD>!/ADDON!";
  EXPECT_EQ(out.envelope, expected);
  EXPECT_EQ(out.subject, "XYZ-100 / MED / Springfield");
  EXPECT_EQ(DetailText(rec_).size() + 5, 97u);
  EXPECT_EQ(FindEnvelopeHazard(rec_), std::nullopt);
}

TEST_F(MessageTest, EventAndMessageIds) {
  const EventIds ids = NewEventID("XYZ", LocalTime{2021, 2, 14, 9, 0, 0}, 100);
  EXPECT_EQ(ids.eventId, "XYZ21045.100");
  EXPECT_EQ(ids.messageId, "XYZ-100");
  EXPECT_EQ(NewEventID("XYZ", LocalTime{2024, 1, 1}, 7).eventId, "XYZ24001.007");
  EXPECT_EQ(NewEventID("XYZ", LocalTime{2024, 12, 31}, 7).eventId, "XYZ24366.007");
  const EventIds big = NewEventID("XYZ", LocalTime{2005, 3, 1}, 1234);
  EXPECT_EQ(big.eventId, "XYZ05060.1234");
  EXPECT_EQ(big.messageId, "XYZ-1234");
  EXPECT_EQ(Format000(-7), "-007");
  EXPECT_EQ(NewEventID("", LocalTime{2021, 2, 14}, 0).messageId, "-000");
}

TEST_F(MessageTest, OptionalLinesAppearOnlyWhenFilled) {
  FillExample();
  rec_.SetRPP("   ");
  EXPECT_EQ(BuildMessageText(rec_, false).find("RPPH="), std::string::npos);
  rec_.SetAD2("Cross: Oak Ave");
  rec_.SetRPA("1 Elm St");
  rec_.SetRPP("555");
  const std::string text = BuildMessageText(rec_, true);
  EXPECT_EQ(text.substr(0, text.find("DETL=")),
            "TYPE=MED\r\nLOC1=100 Main St, Springfield\r\nLOC2=Cross: Oak Ave\r\nRPNA=Jane Roe\r\n"
            "RPAD=1 Elm St\r\nRPPH=555\r\nCNT=\\#252\r\n");
  EXPECT_EQ(text.substr(text.size() - 17), "EVNT=XYZ21045.100") << "no line break after the last line";
}

TEST_F(MessageTest, DetailPhrasesPerEventType) {
  FillExample();
  rec_.SetTYP("LGOV");
  EXPECT_EQ(DetailText(rec_), "Fall -- Hip pain, cannot stand up\\nLast Seen:14:05 -- Call Loc:EOC");

  rec_.SetISS("");
  EXPECT_EQ(DetailText(rec_), " -- and no other details.\\nLast Seen:14:05 -- Call Loc:EOC");

  rec_.SetTYP("MED+FIRE+LAW");
  rec_.SetISS("Crash");
  rec_.SetDTL("Two cars\\nOne on fire");
  rec_.SetAGE("");
  rec_.SetCON(-1);
  rec_.SetBRE(0);
  rec_.SetPIN("Yes");
  rec_.SetPDE("Tall");
  rec_.SetDOT("North");
  rec_.SetVDE("Blue van");
  EXPECT_EQ(DetailText(rec_),
            "Crash -- Two cars\\nOne on fire -- AGE: , Female, B- -- People Trapped: Yes -- PerpDesc: Tall"
            " -- DoT: North -- Veh Desc: Blue van -- Lic:  -- St: \\nLast Seen:14:05 -- Call Loc:EOC");

  rec_.SetTYP("LAW");
  rec_.SetPDE("");
  rec_.SetDOT("");
  rec_.SetVDE("");
  rec_.SetVDP("ABC123");
  EXPECT_EQ(DetailText(rec_), "Crash -- Two cars\\nOne on fire\\nLast Seen:14:05 -- Call Loc:EOC")
      << "a plate without a vehicle description adds nothing";
}

TEST_F(MessageTest, MedicalCodes) {
  rec_.SetCON(1);
  rec_.SetBRE(0);
  EXPECT_EQ(MedicalCodes(rec_), "C+ B-");
  rec_.SetCON(0);
  rec_.SetBRE(-1);
  EXPECT_EQ(MedicalCodes(rec_), "C- ");
  rec_.SetCON(2);
  rec_.SetBRE(1);
  EXPECT_EQ(MedicalCodes(rec_), "B+");
}

TEST_F(MessageTest, SubjectUpdateHeaderAndEncoding) {
  FillExample();
  rec_.SetTYP("MED+LAW");
  EXPECT_EQ(SubjectLine(rec_, true), "XYZ-100 / MED+LAW / Springfield -- UPDATE");
  EXPECT_EQ(UpdateHeaderLine(rec_), "UPDATE for XYZ21045.100/210214, 1407");
  EXPECT_EQ(WithUpdateHeader(rec_, "old\r\ntext"), "UPDATE for XYZ21045.100/210214, 1407\r\nold\r\ntext");

  EXPECT_EQ(BuildEnvelope("m", "s", "NONE"),
            "<AOAON>CADRO</AOAON><AOSUB>s</AOSUB><AOMSG>m</AOMSG><AOURG>TRUE</AOURG><AOTYP>PVT</AOTYP>"
            "<ENCOD>NONE</ENCOD>!/ADDON!");
  EXPECT_NE(BuildEnvelope("m", "s", "base64").find("<ENCOD>NONE</ENCOD>"), std::string::npos);
  EXPECT_NE(BuildEnvelope("m", "s", "BASE64").find("<ENCOD>BASE64</ENCOD>"), std::string::npos);
  // The host decodes by this declaration: a setting that merely contains the word is not it.
  for (const char* near : {"BASE64 ", " BASE64", "XBASE64", "BASE64X", "BASE6", ""})
    EXPECT_NE(BuildEnvelope("m", "s", near).find("<ENCOD>NONE</ENCOD>"), std::string::npos) << near;
}

TEST_F(MessageTest, TextThatWouldBreakTheEnvelopeIsFoundAndNamed) {
  EXPECT_EQ(FindEnvelopeMarker("call ended !/ADDON! here"), "!/ADDON!");
  EXPECT_EQ(FindEnvelopeMarker("x<aosub>y"), "<ao");
  EXPECT_EQ(FindEnvelopeMarker("x</AOMSG>"), "</AO");
  EXPECT_EQ(FindEnvelopeMarker("<Encod>"), "<Encod");
  EXPECT_EQ(FindEnvelopeMarker("a</ENCOD>"), "</ENCOD");
  EXPECT_EQ(FindEnvelopeMarker("5 < 6, AO ok, !/ADDON, <A O"), std::nullopt);

  FillExample();
  rec_.SetDTL("Hip pain</AOMSG><AOURG>FALSE");
  auto hazard = FindEnvelopeHazard(rec_);
  ASSERT_TRUE(hazard);
  EXPECT_EQ(hazard->key, "DTL");
  EXPECT_EQ(hazard->control, "txtHeader_7");
  EXPECT_EQ(hazard->marker, "</AO");
  EXPECT_NE(hazard->message.find("\"Details\""), std::string::npos);
  EXPECT_EQ(rec_.DTL(), "Hip pain</AOMSG><AOURG>FALSE") << "the report stays as it was";

  // Fields of types the report does not carry are neither sent nor checked.
  rec_.SetDTL("ok");
  rec_.SetWEA("!/addon!");
  EXPECT_EQ(FindEnvelopeHazard(rec_), std::nullopt);
  rec_.SetTYP("MED+LAW");
  hazard = FindEnvelopeHazard(rec_);
  ASSERT_TRUE(hazard);
  EXPECT_EQ(hazard->key, "WEA");
  EXPECT_EQ(hazard->fieldName, "Weapon involved?");

  rec_.SetWEA("");
  rec_.SetCTY("<AOSUB>");
  EXPECT_EQ(FindEnvelopeHazard(rec_)->key, "CTY");
}

// Every text that goes into the message or the subject can break the envelope, the station's own
// values stamped into the report included: each field is checked on its own.
TEST_F(MessageTest, EveryFieldTheEnvelopeCarriesIsCheckedOnItsOwn) {
  using Setter = void (CadroMsg::*)(std::string_view);
  const std::pair<const char*, Setter> fields[] = {
      {"ISS", &CadroMsg::SetISS}, {"AD1", &CadroMsg::SetAD1}, {"AD2", &CadroMsg::SetAD2},
      {"CTY", &CadroMsg::SetCTY}, {"RPN", &CadroMsg::SetRPN}, {"RPA", &CadroMsg::SetRPA},
      {"RPP", &CadroMsg::SetRPP}, {"LAS", &CadroMsg::SetLAS}, {"DTL", &CadroMsg::SetDTL},
      {"AGE", &CadroMsg::SetAGE}, {"GDR", &CadroMsg::SetGDR}, {"PIN", &CadroMsg::SetPIN},
      {"PDE", &CadroMsg::SetPDE}, {"WEA", &CadroMsg::SetWEA}, {"DOT", &CadroMsg::SetDOT},
      {"VDE", &CadroMsg::SetVDE}, {"VDP", &CadroMsg::SetVDP}, {"VDS", &CadroMsg::SetVDS},
      {"UID", &CadroMsg::SetUID}, {"ULO", &CadroMsg::SetULO}, {"EID", &CadroMsg::SetEID},
      {"MID", &CadroMsg::SetMID}, {"ADT", &CadroMsg::SetADT}, {"ATM", &CadroMsg::SetATM},
  };
  for (const auto& [key, set] : fields) {
    rec_.Clear();
    FillExample();
    rec_.SetTYP("MED+FIRE+LAW");
    ASSERT_EQ(FindEnvelopeHazard(rec_), std::nullopt);
    // At the very end of the text, where a search that stops one place short misses it.
    (rec_.*set)("text </ENCOD");
    const auto hazard = FindEnvelopeHazard(rec_);
    ASSERT_TRUE(hazard) << key;
    EXPECT_EQ(hazard->key, key);
    EXPECT_EQ(hazard->marker, "</ENCOD");
  }
  rec_.Clear();
  FillExample();
  rec_.SetTYP("MED+<AO");
  EXPECT_EQ(FindEnvelopeHazard(rec_)->key, "TYP");
}

}  // namespace
}  // namespace cadro
