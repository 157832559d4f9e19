// The .911 file: its exact layout, the round trip for every type combination, what the reader
// takes from a hand-made file, the listing and the two kinds of delete.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "CadroMsgFixture.h"
#include "RunError.h"

using namespace cadro;
using namespace cadro::testing;

namespace {

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", pos);
    out.push_back(bytes.substr(pos, end - pos));
    pos = end == std::string::npos ? bytes.size() : end + 2;
  }
  return out;
}

std::vector<std::string> SectionsOf(const std::string& bytes) {
  std::vector<std::string> out;
  for (const std::string& l : Lines(bytes)) {
    if (!l.empty() && l.front() == '[') out.push_back(l);
  }
  return out;
}

}  // namespace

TEST_F(CadroMsgTest, WritesTheFileByteForByte) {
  ts.clock.now = {2021, 5, 3, 14, 30, 5};  // day 123
  FillAll(msg, "MED+LAW");
  ASSERT_TRUE(msg.Fadd());
  EXPECT_EQ(ReadFileBytes(FileOf("KD7X26341")),
            "[911 DEFINITION]\r\n"
            "Version=3.4.5/21123:143005\r\n"
            "TYP=MED+LAW\r\nEID=KD7X26341\r\nMID=KD7X-0001\r\nISS=Fall from ladder\r\n"
            "AD1=12 Main St\r\nCTY=Springfield\r\nAD2=Apt 4, cross Elm\r\nLAS=-15\r\n"
            "DTL=Caller on scene\\nladder 3 m\r\nRPN=Ann Smith\r\nRPA=14 Main St\r\nRPP=555-0101\r\n"
            "RPC=0\r\n"
            "[MED DEFINITION]\r\nAGE=67\r\nGDR=F\r\nCON=1\r\nBRE=-1\r\n"
            "[LAW DEFINITION]\r\nPDE=Tall, red coat\r\nWEA=Knife\r\nDOT=North on Elm\r\n"
            "VDE=Blue sedan\r\nVDP=ABC123\r\nVDS=OR\r\n"
            "[ADMIN DEFINITION]\r\nUID=KD7X\r\nULO=EOC West\r\nAST=6\r\nADT=261207\r\nATM=0830\r\n"
            "[END]\r\n");
  EXPECT_TRUE(ts.eventLog.entries.empty());
  EXPECT_TRUE(ts.prompts.shown.empty());
}

TEST_F(CadroMsgTest, VersionLineCarriesDayOfYearWithoutLeadingZeros) {
  FillAll(msg, "LGOV");
  ts.clock.now = {2009, 1, 5, 1, 2, 3};
  ASSERT_TRUE(msg.Fadd());
  EXPECT_EQ(Lines(ReadFileBytes(FileOf("KD7X26341")))[1], "Version=3.4.5/095:010203");
  ts.clock.now = {2024, 12, 31, 23, 59, 59};  // leap year: day 366
  ASSERT_TRUE(msg.Fadd());
  EXPECT_EQ(Lines(ReadFileBytes(FileOf("KD7X26341")))[1], "Version=3.4.5/24366:235959");
}

TEST_F(CadroMsgTest, LocalGovernmentSectionIsBareAndFieldsOfOtherTypesAreNotWritten) {
  FillAll(msg, "LGOV");
  ASSERT_TRUE(msg.Fadd());
  const std::string bytes = ReadFileBytes(FileOf("KD7X26341"));
  EXPECT_NE(bytes.find("RPC=0\r\n[LGOV DEFINITION]\r\n[ADMIN DEFINITION]\r\nUID=KD7X\r\n"),
            std::string::npos);
  for (const char* absent : {"AGE=", "CON=", "PIN=", "PDE=", "VDS="}) {
    EXPECT_EQ(bytes.find(absent), std::string::npos) << absent;
  }
}

TEST_F(CadroMsgTest, TypeCodesAreMatchedCaseSensitively) {
  FillAll(msg, "med+Fire");
  ASSERT_TRUE(msg.Fadd());
  EXPECT_EQ(SectionsOf(ReadFileBytes(FileOf("KD7X26341"))),
            (std::vector<std::string>{"[911 DEFINITION]", "[ADMIN DEFINITION]", "[END]"}));
}

// Every combination of the four types: the sections appear in the fixed order, and what was
// written comes back while the fields of absent types come back empty.
class CadroMsgRoundTrip : public CadroMsgTest, public ::testing::WithParamInterface<int> {};

TEST_P(CadroMsgRoundTrip, RestoresEveryWrittenField) {
  static const char* const kCodes[] = {"MED", "FIRE", "LAW", "LGOV"};
  const int mask = GetParam();
  std::string type;
  std::vector<std::string> sections{"[911 DEFINITION]"};
  for (int i = 0; i < 4; ++i) {
    if (!(mask & (1 << i))) continue;
    type += (type.empty() ? "" : "+") + std::string(kCodes[i]);
    sections.push_back(std::string("[") + kCodes[i] + " DEFINITION]");
  }
  sections.push_back("[ADMIN DEFINITION]");
  sections.push_back("[END]");
  const bool med = mask & 1, fire = mask & 2, law = mask & 4;

  FillAll(msg, type);
  msg.SetAST(-32768);
  ASSERT_TRUE(msg.Fadd());
  EXPECT_EQ(SectionsOf(ReadFileBytes(FileOf("KD7X26341"))), sections);

  CadroMsg expected = msg;
  if (!med) {
    expected.SetAGE("");
    expected.SetGDR("");
    expected.SetCON(0);
    expected.SetBRE(0);
  }
  if (!fire) expected.SetPIN("");
  if (!law) {
    for (auto set : {&CadroMsg::SetPDE, &CadroMsg::SetWEA, &CadroMsg::SetDOT, &CadroMsg::SetVDE,
                     &CadroMsg::SetVDP, &CadroMsg::SetVDS}) {
      (expected.*set)("");
    }
  }
  CadroMsg back(folder, ts.services);
  ASSERT_TRUE(back.Load("KD7X26341"));
  EXPECT_EQ(Snapshot(back), Snapshot(expected));
  EXPECT_TRUE(ts.prompts.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(AllTypeCombinations, CadroMsgRoundTrip, ::testing::Range(1, 16));

TEST_F(CadroMsgTest, PropertiesTrimWhileLoadedValuesAreWrittenBackAsFound) {
  msg.SetISS("  spaced  ");
  EXPECT_EQ(msg.ISS(), "spaced");
  // Key trimmed, value kept: the getter trims, the file keeps the trailing space.
  Plant("X1", "[911 DEFINITION]\r\n  EID  =X1 \r\nTYP=LAW\r\nPDE= tall \r\n[END]\r\n");
  ASSERT_TRUE(msg.Load("X1"));
  EXPECT_EQ(msg.EID(), "X1");
  EXPECT_EQ(msg.PDE(), "tall");
  EXPECT_EQ(msg.ISS(), "") << "Load clears first";
  ASSERT_TRUE(msg.Fadd());
  const std::string bytes = ReadFileBytes(FileOf("X1"));
  EXPECT_NE(bytes.find("\r\nEID=X1 \r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\nPDE= tall \r\n"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(FileOf("X1 "))) << "saved over the file it came from";
}

TEST_F(CadroMsgTest, ContactCodeComesFromTheFileGoesBackToItAndIsCleared) {
  Plant("R", "TYP=FIRE\r\nEID=R\r\nRPC=-3\r\nAST=9\r\n[END]\r\n");
  ASSERT_TRUE(msg.Load("R"));
  EXPECT_EQ(msg.RPC(), -3);
  ASSERT_TRUE(msg.Fadd());
  EXPECT_NE(ReadFileBytes(FileOf("R")).find("\r\nRPC=-3\r\n"), std::string::npos);
  msg.Clear();
  CadroMsg fresh(folder, ts.services);
  EXPECT_EQ(Snapshot(msg), Snapshot(fresh));
  EXPECT_EQ(msg.MessageFolder(), folder);
}

TEST_F(CadroMsgTest, ReaderTakesValuesAsWritten) {
  Plant("A",
        "[911 DEFINITION]\r\n"
        "DTL=a=b\r\n"  // further "=" belong to the value
        "ISS=first\r\n"
        "[LAW DEFINITION]\r\n"
        "ISS=second\r\n"     // sections mean nothing; the later line wins
        "somethingelse\r\n"  // unknown word without "=": ignored
        "Typ=LAW\r\n"        // keys are case-sensitive
        "\r\n\r\n"           // empty lines
        "WEA=x\ny\r"         // a lone LF belongs to the line, a lone CR ends it
        "VDP=P1\r\n"
        "[END]\r\n"
        "VDS=after end\r\n");
  ASSERT_TRUE(msg.Load("A"));
  EXPECT_EQ(msg.DTL(), "a=b");
  EXPECT_EQ(msg.ISS(), "second");
  EXPECT_EQ(msg.TYP(), "");
  EXPECT_EQ(msg.WEA(), "x\ny");
  EXPECT_EQ(msg.VDP(), "P1");
  EXPECT_EQ(msg.VDS(), "");
  EXPECT_TRUE(ts.prompts.shown.empty());
}

TEST_F(CadroMsgTest, FileWithoutEndLineIsReadToItsEnd) {
  Plant("B", "TYP=MED\r\nAGE=40");
  ASSERT_TRUE(msg.Load(" B "));
  EXPECT_EQ(msg.AGE(), "40");
}

// The end line is known by its first five characters, and only one LF after a CR belongs to the
// line end: a second one starts the next line, which then names no key.
TEST_F(CadroMsgTest, EndLineAndLineEndsAreKnownExactly) {
  Plant("C", "AGE=1\r\n[END] of report\r\nAGE=2\r\n");
  ASSERT_TRUE(msg.Load("C"));
  EXPECT_EQ(msg.AGE(), "1");
  Plant("D", "AGE=1\r\n\nGDR=F\r\nPIN=2\r\n");
  ASSERT_TRUE(msg.Load("D"));
  EXPECT_EQ(msg.AGE(), "1");
  EXPECT_EQ(msg.GDR(), "");
  EXPECT_EQ(msg.PIN(), "2");
}

TEST_F(CadroMsgTest, LineBreaksInsideValuesCannotForgeLines) {
  FillAll(msg, "MED", "Z9");
  msg.SetDTL("line one\r\nAST=9\rthree\nfour");
  ASSERT_TRUE(msg.Fadd());
  CadroMsg back(folder, ts.services);
  ASSERT_TRUE(back.Load("Z9"));
  EXPECT_EQ(back.AST(), 6);
  EXPECT_EQ(back.DTL(), "line one\\nAST=9\\nthree\nfour") << "a lone LF ends no line and stays";
}

TEST_F(CadroMsgTest, AnyByteValueSurvivesTheRoundTrip) {
  std::string all;
  for (int c = 0; c < 256; ++c) {
    if (c != '\r' && c != '\n') all += static_cast<char>(c);
  }
  FillAll(msg, "LAW", "BIN1");
  msg.SetVDE("<" + all + ">");
  ASSERT_TRUE(msg.Fadd());
  CadroMsg back(folder, ts.services);
  ASSERT_TRUE(back.Load("BIN1"));
  EXPECT_EQ(back.VDE(), "<" + all + ">");
}

TEST_F(CadroMsgTest, TenMegabyteLineLoads) {
  const std::string big(10 * 1024 * 1024, 'x');
  Plant("BIG", "TYP=MED\r\nDTL=" + big + "\r\n[END]\r\n");
  ASSERT_TRUE(msg.Load("BIG"));
  EXPECT_EQ(msg.DTL().size(), big.size());
  EXPECT_EQ(msg.TYP(), "MED");
}

TEST(ParseInteger16, AcceptsWhatTheFileMayHoldAndRefusesTheRest) {
  EXPECT_EQ(ParseInteger16("9"), 9);
  EXPECT_EQ(ParseInteger16(" -1 "), -1);
  EXPECT_EQ(ParseInteger16("+12"), 12);
  EXPECT_EQ(ParseInteger16("32767"), 32767);
  EXPECT_EQ(ParseInteger16("-32768"), -32768);
  EXPECT_EQ(ParseInteger16("0007"), 7);
  EXPECT_EQ(ParseInteger16("2.5"), 2);  // half to even
  EXPECT_EQ(ParseInteger16("3.5"), 4);
  EXPECT_EQ(ParseInteger16("2.51"), 3);
  EXPECT_EQ(ParseInteger16("-0.4"), 0);
  const auto number = [](std::string_view s) {
    try {
      ParseInteger16(s);
    } catch (const RunError& e) {
      return e.number;
    }
    return 0L;
  };
  for (const char* bad : {"", "  ", "abc", "1a", "- 1", "1 2", "0x10", ".", "+", "1e3", "\n5"}) {
    EXPECT_EQ(number(bad), err::kTypeMismatch) << "'" << bad << "'";
  }
  for (const char* big : {"32768", "-32769", "70000", "99999999999999999999999", "32767.5"}) {
    EXPECT_EQ(number(big), err::kOverflow) << big;
  }
}

TEST_F(CadroMsgTest, ListsEveryReportOnceWithoutATrailingBreak) {
  EXPECT_EQ(msg.BuildFileList(), "");
  EXPECT_EQ(CadroMsg(dir.File("absent"), ts.services).BuildFileList(), "") << "missing folder";
  for (const char* id : {"A1", "B2", "XYZ21045.911"}) Plant(id, "[END]\r\n");
  WriteFileBytes(folder + "/notes.txt", "x");
  WriteFileBytes(folder + "/.A1.911.tmp123", "x");  // a save in progress
  std::filesystem::create_directory(folder + "/dir.911");
  const std::string list = msg.BuildFileList();
  ASSERT_GE(list.size(), 2u);
  EXPECT_NE(list.substr(list.size() - 2), "\r\n");
  std::set<std::string> ids;
  std::string rest = list;
  for (std::size_t p; (p = rest.find("\r\n")) != std::string::npos; rest.erase(0, p + 2)) {
    ids.insert(rest.substr(0, p));
  }
  ids.insert(rest);
  EXPECT_EQ(ids, (std::set<std::string>{"A1", "B2", "XYZ21045.911"}));
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2);
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

// A report reached through a link is a report (Load follows it too); a link to a folder, or to
// nothing, is not.
TEST_F(CadroMsgTest, ALinkToAReportIsListedALinkToAFolderOrToNothingIsNot) {
  Plant("A1", "[END]\r\n");
  std::filesystem::create_directory(dir.File("elsewhere"));
  WriteFileBytes(dir.File("elsewhere") + "/B2.911", "[END]\r\n");
  std::filesystem::create_symlink(dir.File("elsewhere") + "/B2.911", folder + "/B2.911");
  std::filesystem::create_directory_symlink(dir.File("elsewhere"), folder + "/C3.911");
  std::filesystem::create_symlink(dir.File("nothing"), folder + "/D4.911");
  const std::string list = msg.BuildFileList();
  EXPECT_TRUE(list == "A1\r\nB2" || list == "B2\r\nA1") << list;
}

TEST_F(CadroMsgTest, ExtentOnlyFileIsLeftOutAndLoggedOnEveryListing) {
  Plant("", "[END]\r\n");
  Plant("A1", "[END]\r\n");
  EXPECT_EQ(msg.BuildFileList(), "A1");
  EXPECT_EQ(msg.BuildFileList(), "A1");
  EXPECT_EQ(
      ts.eventLog.entries,
      (std::vector<std::string>(2, "Vt911:BuildFileList, detected, excluded an extent-only '.911' file")));
  EXPECT_TRUE(ts.prompts.shown.empty());
}

TEST_F(CadroMsgTest, NameLoadWouldRefuseIsNotListed) {
  Plant("a\\b", "[END]\r\n");
  Plant(".", "[END]\r\n");  // the file "..911"
  Plant("ok", "[END]\r\n");
  // A break inside a name would split the list into two IDs, neither of them a file.
  Plant("x\r\ny", "[END]\r\n");
  Plant("p\nq", "[END]\r\n");
  Plant("r\rs", "[END]\r\n");
  EXPECT_EQ(msg.BuildFileList(), "ok");
  EXPECT_EQ(ts.eventLog.entries.size(), 5u);
}

TEST_F(CadroMsgTest, DeleteMarksOrRemoves) {
  FillAll(msg, "FIRE", "D1");
  ASSERT_TRUE(msg.Fadd());
  CadroMsg lister(folder, ts.services);
  EXPECT_EQ(lister.Fdelete("D1", 6), "-1");
  CadroMsg back(folder, ts.services);
  ASSERT_TRUE(back.Load("D1"));
  EXPECT_EQ(back.AST(), 8);
  EXPECT_EQ(back.PIN(), "No");

  EXPECT_EQ(lister.Fdelete(" D1 ", 8), "-1");
  EXPECT_FALSE(std::filesystem::exists(FileOf("D1")));
  EXPECT_EQ(lister.Fdelete("D1", 8), "-1") << "already gone counts as done";
  EXPECT_TRUE(ts.prompts.shown.empty());
}

TEST_F(CadroMsgTest, MarkingDeletedRewritesTheFileItCameFrom) {
  // A file whose EID line names another report must not overwrite that other report.
  Plant("OTHER", "EID=OTHER\r\nAST=6\r\nISS=keep me\r\n[END]\r\n");
  Plant("D2", "EID=OTHER\r\nAST=6\r\n[END]\r\n");
  const std::string other = ReadFileBytes(FileOf("OTHER"));
  EXPECT_EQ(msg.Fdelete("D2", 2), "-1");
  EXPECT_EQ(ReadFileBytes(FileOf("OTHER")), other);
  ASSERT_TRUE(msg.Load("D2"));
  EXPECT_EQ(msg.AST(), 8);
}
