// Ending the program while the entry form holds a half-typed call: the operator is asked, and
// nothing typed is lost unless the operator says so.
#include "ProgramFixture.h"

namespace cadro::form::testing {
namespace {

using ProgramExit = ProgramTest;

TEST_F(ProgramExit, HalfTypedCallAsksAndCancelKeepsEverything) {
  NewReport();
  const std::string eventId = entry->EventID();
  Type("txtHeader_0", "fall");
  Type("txtHeader_7", "hip pain", false);

  ts.prompts.saveAnswers = {SaveChoice::Cancel};
  Exit();
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_NE(ts.prompts.shown[0].text.find(eventId), std::string::npos);
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(entry->isVisible());
  EXPECT_EQ(Multi("txtHeader_7")->toPlainText(), QStringLiteral("hip pain"));
  EXPECT_TRUE(StoredIds().empty());

  // Closing the main window itself asks the same question.
  ts.prompts.saveAnswers = {SaveChoice::Cancel};
  list->close();
  EXPECT_EQ(ts.prompts.shown.size(), 2u);
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(entry->isVisible());
}

TEST_F(ProgramExit, SaveStoresTheCallAsADraftBeforeTheProgramEnds) {
  NewReport();
  const std::string eventId = entry->EventID();
  Click("cmdRtype_1");
  Type("txtHeader_0", "smoke");
  Type("txtHeader_7", "seen from the road", false);

  ts.prompts.saveAnswers = {SaveChoice::Save};
  Exit();
  EXPECT_FALSE(list->isVisible());
  EXPECT_FALSE(entry->isVisible());
  const CadroMsg stored = LoadStored(eventId);
  EXPECT_EQ(stored.AST(), kStateDraft);
  EXPECT_EQ(stored.TYP(), "FIRE");
  EXPECT_EQ(stored.ISS(), "Smoke");
  EXPECT_EQ(stored.DTL(), "seen from the road");
}

TEST_F(ProgramExit, DiscardEndsWithoutStoringAndAnUntouchedFormDoesNotAsk) {
  NewReport();
  Type("txtHeader_0", "fall");
  ts.prompts.saveAnswers = {SaveChoice::Discard};
  list->close();
  EXPECT_FALSE(list->isVisible());
  EXPECT_TRUE(StoredIds().empty());

  // A report opened and left as it was is closed without a question.
  StartProgram();
  NewReport();
  Click("cmdRtype_3");
  FillRequired();
  Click("cmdSave");
  OpenListed(StoredIds().at(0));
  ASSERT_TRUE(entry->isVisible());
  const std::size_t asked = ts.prompts.shown.size();
  Exit();
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(ts.prompts.shown.size(), asked);
}

TEST_F(ProgramExit, ChangesToAStoredReportAreSavedInPlaceAndAFailedSaveKeepsTheProgramOpen) {
  NewReport();
  Click("cmdRtype_3");
  FillRequired();
  Click("cmdSave");
  const std::string eventId = StoredIds().at(0);
  OpenListed(eventId);
  Type("txtHeader_2", "corner of elm");

  // The disk is full: the record reports it, and nothing is thrown away.
  SetWriteFaultHookForTests([](std::size_t) { return false; });
  ts.prompts.saveAnswers = {SaveChoice::Save};
  Exit();
  SetWriteFaultHookForTests({});
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(entry->isVisible());
  EXPECT_EQ(Line("txtHeader_2")->text(), QStringLiteral("Corner Of Elm"));
  EXPECT_NE(ts.prompts.shown.back().text.find("Problems saving"), std::string::npos);

  ts.prompts.saveAnswers = {SaveChoice::Save};
  Exit();
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(StoredIds(), std::vector<std::string>{eventId});
  EXPECT_EQ(LoadStored(eventId).AD2(), "Corner Of Elm");
  EXPECT_EQ(LoadStored(eventId).AST(), kStateDraft);
}

}  // namespace
}  // namespace cadro::form::testing
