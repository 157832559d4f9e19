#include "FormRules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace cadro::form {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

constexpr BoxId H(int i) {
  return {BoxGroup::Header, i};
}
constexpr BoxId Med(int i) {
  return {BoxGroup::Med, i};
}
constexpr BoxId Fire() {
  return {BoxGroup::Fire, 0};
}

// A report that passes every check with only LAW selected.
FormContent CompleteLawReport() {
  FormContent c;
  c.header = {"Break-in", "100 Main St", "", "Jane Roe", "", "", "14:05", "Door forced", "Springfield"};
  c.typeSelected[kTypeLaw] = true;
  return c;
}

TEST(ButtonsForState, EveryKnownStateHasItsCaptionAndButtons) {
  struct Row {
    int state;
    const char* caption;
    bool del, save, submit;
    const char* saveCaption;
  };
  const Row rows[] = {{1, "New Report", true, true, true, "Save"},
                      {2, "Ready, not Submitted", true, false, true, "Save"},
                      {6, "Previously Saved Report", true, true, true, "Save"},
                      {8, "Deleted Report", false, false, false, "Save"},
                      {9, "Submitted Report", true, true, false, "Update"}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.state);
    const auto plan = ButtonsForState(r.state);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->stateCaption, r.caption);
    EXPECT_EQ(plan->deleteEnabled, r.del);
    EXPECT_EQ(plan->saveEnabled, r.save);
    EXPECT_EQ(plan->submitEnabled, r.submit);
    EXPECT_TRUE(plan->closeEnabled);
    EXPECT_EQ(plan->saveCaption, r.saveCaption);
    EXPECT_EQ(plan->saveUpdates, r.state == 9);
  }
  for (int unknown : {0, 3, 7, -1, 10}) EXPECT_FALSE(ButtonsForState(unknown)) << unknown;
}

TEST(ValidateReport, CompleteReportPasses) {
  const auto out = ValidateReport(CompleteLawReport());
  EXPECT_TRUE(out.ok);
  EXPECT_TRUE(out.failedBoxes.empty());
  EXPECT_FALSE(out.focus);
}

TEST(ValidateReport, EveryEmptyRequiredHeaderFailsAndTheLastTakesTheFocus) {
  FormContent c = CompleteLawReport();
  c.header[0] = "   ";
  c.header[6] = "";
  c.header[8] = "";
  const auto out = ValidateReport(c);
  EXPECT_FALSE(out.ok);
  EXPECT_THAT(out.failedBoxes, ElementsAre(H(0), H(6), H(8)));
  EXPECT_EQ(out.focus, H(8));
  EXPECT_FALSE(out.noTypeSelected);
}

TEST(ValidateReport, ContactRequestNeedsAddressOrPhone) {
  FormContent c = CompleteLawReport();
  c.requestContact = true;
  auto out = ValidateReport(c);
  EXPECT_FALSE(out.ok);
  EXPECT_THAT(out.failedBoxes, UnorderedElementsAre(H(4), H(5)));
  EXPECT_EQ(out.focus, H(4));

  c.header[4] = "12 Elm St";  // one of the two suffices
  EXPECT_TRUE(ValidateReport(c).ok);
  c.header[4] = "";
  c.header[5] = "555-0100";
  EXPECT_TRUE(ValidateReport(c).ok);
  c.requestContact = false;
  c.header[5] = "";
  EXPECT_TRUE(ValidateReport(c).ok);
}

TEST(ValidateReport, MedicalChecksMarkBoxesLabelsAndSelectThePage) {
  FormContent c = CompleteLawReport();
  c.typeSelected[kTypeMed] = true;
  auto out = ValidateReport(c);
  EXPECT_FALSE(out.ok);
  EXPECT_THAT(out.failedBoxes, ElementsAre(Med(0), Med(1)));
  EXPECT_TRUE(out.consciousUnanswered);
  EXPECT_TRUE(out.breathingUnanswered);
  EXPECT_EQ(out.page, kTypeMed);
  EXPECT_EQ(out.focus, Med(1));

  c.med = {"80", "Female"};
  c.conscious = 0;
  out = ValidateReport(c);
  EXPECT_FALSE(out.ok);  // breathing still unanswered
  EXPECT_TRUE(out.failedBoxes.empty());
  EXPECT_FALSE(out.consciousUnanswered);
  EXPECT_TRUE(out.breathingUnanswered);
  EXPECT_FALSE(out.page);

  c.breathing = 1;
  EXPECT_TRUE(ValidateReport(c).ok);
}

TEST(ValidateReport, FireNeedsPeopleInsideLawAndLgovNeedNothing) {
  FormContent c = CompleteLawReport();
  c.typeSelected = {false, true, true, true};
  auto out = ValidateReport(c);
  EXPECT_THAT(out.failedBoxes, ElementsAre(Fire()));
  EXPECT_EQ(out.page, kTypeFire);
  EXPECT_EQ(out.focus, Fire());
  c.fire = "Unknown";
  EXPECT_TRUE(ValidateReport(c).ok);
}

TEST(ValidateReport, NoTypeSelectedStillRunsTheOtherChecksAndEndsOnTheIssueBox) {
  FormContent c = CompleteLawReport();
  c.typeSelected = {};
  c.header[7] = "";
  const auto out = ValidateReport(c);
  EXPECT_FALSE(out.ok);
  EXPECT_TRUE(out.noTypeSelected);
  EXPECT_THAT(out.failedBoxes, ElementsAre(H(7)));
  EXPECT_EQ(out.focus, H(0));
  EXPECT_EQ(NoEventTypeMessage(),
            "No Event type selected.  Select either\r\nMedical, Fire, Law, or Local Gov,\r\n"
            "and then fill in the respective details.");
}

TEST(EventTypes, TextFollowsTheFixedOrderAndReadsBackCaseSensitively) {
  EXPECT_EQ(EventTypesText({false, false, false, false}), "");
  EXPECT_EQ(EventTypesText({true, false, false, false}), "MED");
  EXPECT_EQ(EventTypesText({true, false, true, false}), "MED+LAW");
  EXPECT_EQ(EventTypesText({true, true, true, true}), "MED+FIRE+LAW+LGOV");
  EXPECT_EQ(EventTypesFromText("LAW+MED"), (std::array<bool, 4>{true, false, true, false}));
  EXPECT_EQ(EventTypesFromText("med+Fire"), (std::array<bool, 4>{false, false, false, false}));
  EXPECT_EQ(EventTypesFromText("LGOV"), (std::array<bool, 4>{false, false, false, true}));
}

TEST(EventTypes, DeselectingMovesToTheFirstPageStillSelected) {
  // MED and LAW were selected, MED pressed again.
  EXPECT_EQ(PageAfterTypeToggle({false, false, true, false}, kTypeMed), kTypeLaw);
  // A newly selected type shows its own page even when an earlier one is selected.
  EXPECT_EQ(PageAfterTypeToggle({true, false, true, false}, kTypeLaw), kTypeLaw);
  // Nothing left: no page to switch to.
  EXPECT_FALSE(PageAfterTypeToggle({false, false, false, false}, kTypeMed));
  EXPECT_EQ(SelectFirstEnabledTab({false, true, false, true}), kTypeFire);
}

}  // namespace
}  // namespace cadro::form
