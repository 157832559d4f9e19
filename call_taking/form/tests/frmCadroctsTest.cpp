// The entry form driven as an operator drives it: opening, typing, leaving boxes, the type
// buttons and their pages, saving and reopening, validation, closing.
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "FormFixture.h"

namespace cadro::form::testing {
namespace {

constexpr const char* kNewId = "XYZ26341.100";  // location XYZ, 7 December 2026, event number 100

TEST_F(FormTest, NewReportTakesTheNextEventNumberAndShowsItsState) {
  Open("NEW");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowTitle(), "Cadro - New report");
  EXPECT_EQ(Find<QLabel>("Label20")->text(), kNewId);
  EXPECT_EQ(Find<QLabel>("Label22")->text(), "New Report");
  EXPECT_EQ(station->Values().Eno, 101);
  EXPECT_TRUE(Find("cmdSubmit")->isEnabled());
  EXPECT_EQ(Find<QPushButton>("cmdSave")->text(), "&Save");
  EXPECT_FALSE(Find("SSTab1")->isVisible());
  EXPECT_FALSE(Find("chkReqContact")->isVisible());
  EXPECT_EQ(Base("txtHeader_0"), kLightRed);
  EXPECT_EQ(Base("txtHeader_7"), kLightRed);
  EXPECT_NE(Base("txtHeader_2"), kLightRed);
  EXPECT_EQ(Find<QLabel>("sbrStatus_CurrentTime")->text(), "14:20:05");
}

TEST_F(FormTest, MedAndLawReportSavedAndReopenedRestoresEveryField) {
  Open("NEW");
  Click("cmdRtype_0");
  Click("cmdRtype_2");
  FillRequired();
  QTest::keyClick(Find("txtHeader_7"), Qt::Key_Return);
  QTest::keyClicks(Find("txtHeader_7"), "since noon");
  Type("txtHeader_2", "corner of elm");
  Type("txtHeader_4", "12 oak ave");
  Type("txtHeader_5", "555-0100");
  Click("chkReqContact");
  ClickTab(0);
  Type("txtMed_0", "80");
  Type("txtMed_1", "Female");
  Click("optCons_1");
  Click("optBrea_0");
  ClickTab(2);
  Type("txtLaw_0", "Tall, red jacket", false);
  QTest::keyClick(Find("txtLaw_0"), Qt::Key_Return);
  QTest::keyClicks(Find("txtLaw_0"), "limps");
  Type("txtLaw_1", "no");
  Type("txtLaw_2", "north");
  Type("txtLaw_3", "blue sedan");
  Type("txtLaw_4", "7abc*");
  Type("txtLaw_5", "ca");
  const FormContent entered = form->ReadContent();
  EXPECT_EQ(entered.header[1], "100 Main St");  // proper case on leaving
  EXPECT_EQ(entered.law[4], "7ABC*");
  EXPECT_EQ(entered.med[1], "Female");
  EXPECT_EQ(entered.conscious, 1);
  EXPECT_EQ(entered.breathing, 0);
  EXPECT_EQ(entered.header[7], "Hip pain, cannot stand up\r\nsince noon");

  Click("cmdSave");
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(rebuilds, 1);
  const std::string file = cadro::testing::ReadFileBytes(FileOf(kNewId));
  EXPECT_NE(file.find("TYP=MED+LAW\r\n"), std::string::npos);
  EXPECT_NE(file.find("DTL=Hip pain, cannot stand up\\nsince noon\r\n"), std::string::npos);
  EXPECT_NE(file.find("PDE=Tall, red jacket\\nlimps\r\n"), std::string::npos);
  EXPECT_NE(file.find("[MED DEFINITION]"), std::string::npos);
  EXPECT_EQ(file.find("[FIRE DEFINITION]"), std::string::npos);
  EXPECT_NE(file.find("UID=OPER1\r\nULO=EOC\r\nAST=6\r\nADT=261207\r\nATM=1420\r\n"), std::string::npos);

  Open(kNewId);
  EXPECT_EQ(form->windowTitle(), "Cadro - Report form");
  EXPECT_EQ(Find<QLabel>("Label22")->text(), "Previously Saved Report");
  FormContent reopened = form->ReadContent();
  EXPECT_FALSE(reopened.requestContact);  // not part of the record
  reopened.requestContact = entered.requestContact;
  EXPECT_EQ(reopened, entered);
  EXPECT_TRUE(Find<QRadioButton>("optCons_1")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("optBrea_0")->isChecked());
  EXPECT_EQ(Find<QTabWidget>("SSTab1")->tabText(0), "  MEDICAL  >>");
  EXPECT_EQ(Find<QTabWidget>("SSTab1")->tabText(2), "  LAW  >>");
  EXPECT_EQ(Find<QTabWidget>("SSTab1")->tabText(1), "  FIRE  ");
  EXPECT_EQ(ButtonColour("cmdRtype_0"), kSalmon);
  EXPECT_TRUE(Find<QPushButton>("cmdRtype_2")->font().bold());
  EXPECT_EQ(Multi("txtHeader_7")->toPlainText(), "Hip pain, cannot stand up\nsince noon");
}

TEST_F(FormTest, TheLastUsedButtonsRecallTheLastSave) {
  Open("NEW");
  Click("cmdRtype_3");
  FillRequired();
  Type("txtHeader_2", "rear entrance");
  Type("txtHeader_5", "555-0199");
  Click("cmdSave");
  Open("NEW");
  Click("cmdLast_0");
  EXPECT_EQ(Line("txtHeader_1")->text(), "100 Main St");
  EXPECT_EQ(Line("txtHeader_2")->text(), "Rear Entrance");
  EXPECT_EQ(Line("txtHeader_8")->text(), "Springfield");
  EXPECT_EQ(Line("txtHeader_3")->text(), "");
  Click("cmdLast_1");
  EXPECT_EQ(Line("txtHeader_3")->text(), "Jane Roe");
  EXPECT_EQ(Line("txtHeader_5")->text(), "555-0199");
  form->ClearLastUsed();
  Click("cmdLast_1");
  EXPECT_EQ(Line("txtHeader_3")->text(), "");
}

TEST_F(FormTest, FiltersRefuseWithABeepAndPlateBoxesTypeCapitals) {
  Open("NEW");
  Type("txtHeader_0", "a!b", false);
  EXPECT_EQ(Line("txtHeader_0")->text(), "ab");
  EXPECT_EQ(ts.prompts.beeps, 1);
  Type("txtHeader_7", "shots! fired", false);
  EXPECT_EQ(Multi("txtHeader_7")->toPlainText(), "shots! fired");
  Type("txtHeader_1", "5 o'neil", false);  // the apostrophe only belongs to the issue box
  EXPECT_EQ(Line("txtHeader_1")->text(), "5 oneil");
  EXPECT_EQ(ts.prompts.beeps, 2);
  // Outside the set, and outside the code page altogether.
  for (const QString& ch : {QString(QChar(0xE9)), QString(QChar(0x4E2D))})
    QTest::sendKeyEvent(QTest::Click, Find("txtHeader_1"), Qt::Key_unknown, ch, Qt::NoModifier);
  EXPECT_EQ(Line("txtHeader_1")->text(), "5 oneil");
  EXPECT_EQ(ts.prompts.beeps, 4);

  Click("cmdRtype_2");
  Type("txtLaw_5", "ab", false);
  EXPECT_EQ(Line("txtLaw_5")->text(), "AB");
  QTest::keyClick(Find("txtLaw_5"), Qt::Key_Backspace);
  EXPECT_EQ(Line("txtLaw_5")->text(), "A");
  Type("txtLaw_4", "x-1?", false);
  EXPECT_EQ(Line("txtLaw_4")->text(), "X-1?");
  Type("txtLaw_3", "#", false);
  EXPECT_EQ(Line("txtLaw_3")->text(), "");
  Type("txtLaw_0", "#1 suspect", false);  // the description takes every character
  EXPECT_EQ(Multi("txtLaw_0")->toPlainText(), "#1 suspect");
}

TEST_F(FormTest, LeavingABoxProperCasesItOrTurnsMinutesIntoATime) {
  Open("NEW");
  Click("cmdRtype_2");
  Type("txtHeader_1", "MAIN ST NW");
  EXPECT_EQ(Line("txtHeader_1")->text(), "Main St Nw");
  Type("txtHeader_5", "ext ABC");  // the phone is left as typed
  EXPECT_EQ(Line("txtHeader_5")->text(), "ext ABC");
  Type("txtLaw_3", "BLUE FORD");
  EXPECT_EQ(Line("txtLaw_3")->text(), "Blue Ford");
  Type("txtLaw_2", "NORTH");
  EXPECT_EQ(Line("txtLaw_2")->text(), "NORTH");
  Type("txtHeader_6", "-15");
  EXPECT_EQ(Line("txtHeader_6")->text(), "14:05");
  Line("txtHeader_6")->clear();
  Type("txtHeader_6", "about two");
  EXPECT_EQ(Line("txtHeader_6")->text(), "about two");
}

TEST_F(FormTest, TypingClearsATintAndTheStatusPanel) {
  Open("NEW");
  Submit();
  EXPECT_EQ(StatusText(), "Missing data in a required field");
  EXPECT_EQ(Base("txtHeader_4"), Base("txtHeader_2"));
  Type("txtHeader_0", "x", false);
  EXPECT_NE(Base("txtHeader_0"), kLightYellow);
  EXPECT_EQ(StatusText(), "");

  Click("cmdRtype_2");
  Click("chkReqContact");
  EXPECT_EQ(Base("txtHeader_5"), kLightRed);
  EXPECT_EQ(Find<QLabel>("Label18")->text(), "Phone:*");
  Submit();
  EXPECT_EQ(Base("txtHeader_4"), kLightYellow);
  EXPECT_EQ(Base("txtHeader_5"), kLightYellow);
  Type("txtHeader_4", "1", false);  // one of the pair clears both
  EXPECT_NE(Base("txtHeader_5"), kLightYellow);
  Click("chkReqContact");
  EXPECT_EQ(Find<QLabel>("Label18")->text(), "Phone:");
}

TEST_F(FormTest, TypeButtonsSelectAndDeselectTheirPages) {
  Open("NEW");
  auto* tabs = Find<QTabWidget>("SSTab1");
  Click("cmdRtype_0");
  EXPECT_TRUE(tabs->isVisible());
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_TRUE(tabs->isTabEnabled(0));
  EXPECT_TRUE(Find("optCons_0")->isEnabled());
  EXPECT_TRUE(Find("txtMed_0")->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), Find("txtHeader_1"));

  Click("cmdRtype_0");  // pressed twice: nothing selected
  EXPECT_EQ(tabs->tabText(0), "  MEDICAL  ");
  EXPECT_FALSE(tabs->isTabEnabled(0));
  EXPECT_FALSE(Find("optCons_1")->isEnabled());
  EXPECT_FALSE(Find("optBrea_0")->isEnabled());
  EXPECT_FALSE(Find("txtMed_0")->isEnabled());
  EXPECT_NE(ButtonColour("cmdRtype_0"), kSalmon);
  EXPECT_FALSE(Find<QPushButton>("cmdRtype_0")->font().bold());

  Click("cmdRtype_0");
  Click("cmdRtype_2");
  EXPECT_EQ(tabs->currentIndex(), 2);
  EXPECT_TRUE(Find("chkReqContact")->isVisible());
  Click("chkReqContact");
  Click("cmdRtype_0");  // MED off: the LAW page is the first one still enabled
  EXPECT_EQ(tabs->currentIndex(), 2);
  EXPECT_TRUE(Find("nframe_2")->isEnabled());
  Click("cmdRtype_2");  // LAW off: the contact box hides but keeps its mark
  EXPECT_FALSE(Find("chkReqContact")->isVisible());
  EXPECT_TRUE(Find<QCheckBox>("chkReqContact")->isChecked());
  EXPECT_FALSE(Find("txtLaw_1")->isEnabled());
  EXPECT_EQ(form->ReadContent().typeSelected, (std::array<bool, 4>{}));

  // Pressing any type button clears the yellow of a refused submit from all four.
  Submit();
  ts.prompts.shown.clear();
  EXPECT_EQ(ButtonColour("cmdRtype_3"), kLightYellow);
  Click("cmdRtype_1");
  EXPECT_EQ(ButtonColour("cmdRtype_1"), kSalmon);
  EXPECT_NE(ButtonColour("cmdRtype_3"), kLightYellow);
  EXPECT_EQ(tabs->tabText(1), "  FIRE  >>");
}

TEST_F(FormTest, NoTypeSelectedShowsTheThreeLineBoxAndKeepsTheFormOpen) {
  Open("NEW");
  FillRequired();
  Submit();
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text,
            "No Event type selected.  Select either\r\nMedical, Fire, Law, or Local Gov,\r\n"
            "and then fill in the respective details.");
  EXPECT_EQ(ts.prompts.shown[0].icon, PromptIcon::Exclamation);
  for (const char* b : {"cmdRtype_0", "cmdRtype_1", "cmdRtype_2", "cmdRtype_3"})
    EXPECT_EQ(ButtonColour(b), kLightYellow) << b;
  EXPECT_EQ(QApplication::focusWidget(), Find("txtHeader_0"));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->ReportState(), kStateNew);
  EXPECT_FALSE(Stored(kNewId));
  EXPECT_TRUE(script.envelopes.empty());
}

TEST_F(FormTest, EachRequiredFieldIsMarkedWhereItStands) {
  Open("NEW");
  Click("cmdRtype_0");
  Click("cmdRtype_1");
  Type("txtHeader_0", "smoke");
  Submit();
  for (const char* box : {"txtHeader_1", "txtHeader_3", "txtHeader_6", "txtHeader_7", "txtHeader_8",
                          "txtMed_0", "txtMed_1", "txtFire_0"})
    EXPECT_EQ(Base(box), kLightYellow) << box;
  EXPECT_NE(Base("txtHeader_0"), kLightYellow);
  EXPECT_NE(Base("txtHeader_2"), kLightYellow);
  EXPECT_EQ(LabelColour("Label6"), kLightYellow);
  EXPECT_EQ(LabelColour("Label23"), kLightYellow);
  EXPECT_EQ(Find<QTabWidget>("SSTab1")->currentIndex(), 1);  // the fire check ran last
  EXPECT_EQ(QApplication::focusWidget(), Find("txtFire_0"));
  EXPECT_TRUE(ts.prompts.shown.empty());
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(Stored(kNewId));

  ClickTab(0);
  Click("optCons_0");  // answering clears the mark of its question only
  EXPECT_NE(LabelColour("Label6"), kLightYellow);
  EXPECT_EQ(LabelColour("Label23"), kLightYellow);
}

TEST_F(FormTest, StoredMedicalReportWithoutAnswersOpensWithNoOptionAndFailsOnSubmit) {
  Open("NEW");
  Click("cmdRtype_0");
  FillRequired();
  Type("txtMed_0", "40");
  Type("txtMed_1", "male");
  Click("cmdSave");
  EXPECT_EQ(LoadStored(kNewId).CON(), -1);

  Open(kNewId);
  EXPECT_FALSE(Find<QRadioButton>("optCons_0")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("optCons_1")->isChecked());
  Submit();
  EXPECT_EQ(LabelColour("Label6"), kLightYellow);
  EXPECT_EQ(form->ReportState(), kStateDraft);
  EXPECT_TRUE(form->isVisible());
}

TEST_F(FormTest, CloseAndEscapeStoreNothing) {
  Open("NEW");
  Click("cmdRtype_3");
  FillRequired();
  Click("cmdClose");
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(Stored(kNewId));
  Open("NEW");
  Type("txtHeader_0", "noise", false);
  QTest::keyClick(Find("txtHeader_0"), Qt::Key_Escape);
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(Stored("XYZ26341.101"));
  EXPECT_EQ(rebuilds, 0);
}

TEST_F(FormTest, DeleteMarksTheReportDeletedAndOpensItReadOnlyLater) {
  Open("NEW");
  Type("txtHeader_0", "false alarm");
  Click("cmdDelete");
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(rebuilds, 1);
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateDeleted);
  Open(kNewId);
  EXPECT_EQ(Find<QLabel>("Label22")->text(), "Deleted Report");
  for (const char* b : {"cmdSubmit", "cmdSave", "cmdDelete"}) EXPECT_FALSE(Find(b)->isEnabled()) << b;
  EXPECT_TRUE(Find("cmdClose")->isEnabled());
}

TEST_F(FormTest, AReportThatCannotBeLoadedIsToldAndTheFormCloses) {
  Open("XYZ26341.555");
  ASSERT_FALSE(ts.prompts.shown.empty());
  EXPECT_EQ(ts.prompts.shown.back().text, "Could not load message file \r\nXYZ26341.555");
  EXPECT_FALSE(form->isVisible());
}

TEST_F(FormTest, OpeningAnotherReportNeverMixesTheTwo) {
  Open("NEW");
  Click("cmdRtype_0");
  Type("txtHeader_0", "first call");
  ts.prompts.answers.push_back(false);  // keep the report with changes
  form->StartForm("NEW");
  EXPECT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(form->EventID(), kNewId);
  EXPECT_EQ(Line("txtHeader_0")->text(), "First Call");

  ts.prompts.answers.push_back(true);  // now discard it
  form->StartForm("NEW");
  EXPECT_EQ(form->EventID(), "XYZ26341.101");
  EXPECT_EQ(Line("txtHeader_0")->text(), "");
  EXPECT_EQ(form->ReadContent().typeSelected, (std::array<bool, 4>{}));
  EXPECT_FALSE(Find("SSTab1")->isVisible());

  form->StartForm("NEW");  // nothing typed: no question
  EXPECT_EQ(ts.prompts.shown.size(), 2u);
  EXPECT_EQ(form->EventID(), "XYZ26341.102");
}

TEST_F(FormTest, ASaveThatCannotBeWrittenKeepsTheReportOnTheScreen) {
  Open("NEW");
  Click("cmdRtype_3");
  FillRequired();
  std::filesystem::permissions(dir.path() / "msg.d",
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  Click("cmdSave");
  std::filesystem::permissions(dir.path() / "msg.d", std::filesystem::perms::owner_all);
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_NE(ts.prompts.shown[0].text.find("Problems saving '"), std::string::npos);
  EXPECT_TRUE(form->isVisible());  // the box asks to try again: the typed call is still here
  EXPECT_EQ(rebuilds, 0);
  EXPECT_EQ(Line("txtHeader_0")->text(), "Fall");

  Click("cmdSave");
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(LoadStored(kNewId).AST(), kStateDraft);
}

}  // namespace
}  // namespace cadro::form::testing
