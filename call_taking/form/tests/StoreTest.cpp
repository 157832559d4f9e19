// A new report never takes the place of a stored one, however the station's next event number
// came to point at a number already used; a stored report opened from the list is still saved
// back to its own file.
#include <sys/stat.h>

#include "ProgramFixture.h"

namespace cadro::form::testing {
namespace {

using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;

class Store : public ProgramTest {
protected:
  // A report another day's work left in the message folder.
  std::string Stored(const std::string& id) {
    const std::string bytes = "[911 DEFINITION]\r\nTYP=LGOV\r\nEID=" + id +
                              "\r\nISS=Earlier Call\r\nCTY=Springfield\r\n[ADMIN DEFINITION]\r\nAST=9\r\n"
                              "ADT=261207\r\nATM=0900\r\n[END]\r\n";
    WriteFileBytes(FileOf(id), bytes);
    return bytes;
  }
  // Takes a call of type LGOV and saves it; answers its event ID.
  std::string TakeAndSave(const char* issue) {
    NewReport();
    const std::string id = entry->EventID();
    Click("cmdRtype_3");
    FillRequired();
    Line("txtHeader_0")->setText(QString::fromLatin1(issue));
    Click("cmdSave");
    EXPECT_FALSE(entry->isVisible());
    return id;
  }
  void Restart() {
    ts.prompts.saveAnswers.push_back(SaveChoice::Discard);
    list->close();
    StartProgram();
  }
};

TEST_F(Store, ARestoredSettingsFileDoesNotHandOutTheNumbersOfStoredReports) {
  const std::string first = Stored("XYZ26341.100");
  const std::string second = Stored("XYZ26341.101");
  EXPECT_EQ(TakeAndSave("Fallen Tree"), "XYZ26341.102");
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.100")), first);
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.101")), second);
  EXPECT_EQ(LoadStored("XYZ26341.102").ISS(), "Fallen Tree");
  EXPECT_EQ(station->Values().Eno, 103);
}

TEST_F(Store, ALowerNumberTypedInTheStationDialogPassesOverStoredReports) {
  EXPECT_EQ(TakeAndSave("One"), "XYZ26341.100");
  EXPECT_EQ(TakeAndSave("Two"), "XYZ26341.101");
  typedEventNumber = "100";
  list->mnuStationID_Click();
  ASSERT_EQ(station->Values().Eno, 100);
  EXPECT_EQ(TakeAndSave("Three"), "XYZ26341.102");
  EXPECT_EQ(LoadStored("XYZ26341.100").ISS(), "One");
  EXPECT_EQ(LoadStored("XYZ26341.101").ISS(), "Two");
  EXPECT_EQ(StoredIds().size(), 3u);
}

TEST_F(Store, AnUnreadableOrUnwritableNumberDoesNotLeadToReuse) {
  // "Eno=abc" is skipped, so the number falls back to 100.
  const std::string first = Stored("XYZ26341.100");
  WriteFileBytes(station->path(), "[GENERAL OPTIONS]\r\nLid=XYZ\r\nEno=abc\r\n");
  Restart();
  ASSERT_EQ(station->Values().Eno, 100);
  EXPECT_EQ(TakeAndSave("Two"), "XYZ26341.101");
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.100")), first);

  // A settings file that cannot be written keeps its number: the next run starts from it again.
  WriteFileBytes(station->path(), "[GENERAL OPTIONS]\r\nLid=XYZ\r\nEno=100\r\n");
  ASSERT_EQ(::chmod(station->path().c_str(), 0444), 0);
  Restart();
  EXPECT_EQ(TakeAndSave("Three"), "XYZ26341.102");
  Restart();
  ASSERT_EQ(station->Values().Eno, 100);
  EXPECT_EQ(TakeAndSave("Four"), "XYZ26341.103");
  EXPECT_EQ(LoadStored("XYZ26341.101").ISS(), "Two");
  EXPECT_EQ(LoadStored("XYZ26341.102").ISS(), "Three");
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.100")), first);
  ::chmod(station->path().c_str(), 0644);
}

TEST_F(Store, AnIdTakenWhileTheFormIsOpenIsKeptAndTheNewReportTakesTheNextFreeOne) {
  NewReport();
  ASSERT_EQ(entry->EventID(), "XYZ26341.100");
  Click("cmdRtype_3");
  FillRequired();
  // Meanwhile a report with that ID (and the next) reaches the folder.
  const std::string other = Stored("XYZ26341.100");
  const std::string next = Stored("XYZ26341.101");
  Click("cmdSave");
  EXPECT_FALSE(entry->isVisible());
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.100")), other);
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.101")), next);
  const CadroMsg saved = LoadStored("XYZ26341.102");
  EXPECT_EQ(saved.ISS(), "Fall");
  EXPECT_EQ(saved.EID(), "XYZ26341.102");
  EXPECT_EQ(saved.MID(), "XYZ-102");
  ASSERT_FALSE(ts.prompts.shown.empty());
  const std::string& told = ts.prompts.shown.back().text;
  EXPECT_NE(told.find("XYZ26341.100"), std::string::npos) << told;
  EXPECT_NE(told.find("XYZ26341.102"), std::string::npos) << told;

  // Opened from the list, the report is saved back to its own file, once more and no more.
  OpenListed("XYZ26341.102");
  ASSERT_TRUE(entry->isVisible());
  Type("txtHeader_2", "behind the school");
  Click("cmdSave");
  EXPECT_EQ(LoadStored("XYZ26341.102").AD2(), "Behind The School");
  EXPECT_EQ(StoredIds(), (std::vector<std::string>{"XYZ26341.100", "XYZ26341.101", "XYZ26341.102"}));
}

TEST_F(Store, ASubmittedNewReportGoesOutUnderTheIdItIsStoredUnder) {
  NewReport();
  Click("cmdRtype_3");
  FillRequired();
  const std::string other = Stored(entry->EventID());
  script.results = {true};
  Submit();
  EXPECT_FALSE(entry->isVisible());
  EXPECT_EQ(ReadFileBytes(FileOf("XYZ26341.100")), other);
  ASSERT_EQ(script.envelopes.size(), 1u);
  EXPECT_NE(script.envelopes[0].find("EVNT=XYZ26341.101</AOMSG>"), std::string::npos);
  EXPECT_EQ(LoadStored("XYZ26341.101").AST(), kStateSubmitted);
  EXPECT_EQ(StoredIds().size(), 2u);
}

}  // namespace
}  // namespace cadro::form::testing
