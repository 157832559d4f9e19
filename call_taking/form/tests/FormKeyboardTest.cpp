// The entry form worked from the keyboard and heard through a screen reader.
#include <QTest>

#include "FormFixture.h"
#include "WaitFor.h"
#include "WindowAudit.h"

namespace cadro::form::testing {
namespace {

using FormKeyboard = FormTest;

TEST_F(FormKeyboard, EveryPageCanBeWorkedWithoutTheMouse) {
  Open("NEW");
  auto* tabs = Find<QTabWidget>("SSTab1");
  for (int page = 0; page < tabs->count(); ++page) {
    tabs->setCurrentIndex(page);
    SCOPED_TRACE("page " + std::to_string(page));
    EXPECT_EQ(cadro::testing::AuditFindings(form.get()), "");
  }
}

TEST_F(FormKeyboard, TheRequiredTintIsAnnouncedUntilTheBoxIsFilled) {
  Open("NEW");
  QWidget* issue = Find("txtHeader_0");
  ASSERT_EQ(Base("txtHeader_0"), kLightRed);
  EXPECT_EQ(issue->accessibleDescription(), "required");
  Type("txtHeader_0", "fall");
  EXPECT_NE(Base("txtHeader_0"), kLightRed);
  EXPECT_EQ(issue->accessibleDescription(), "");
}

// A newcomer's call from the first key to the stored report: access keys pick the type, Tab
// walks the boxes in reading order, Ctrl+S saves and Ctrl+Return submits.
TEST_F(FormKeyboard, ACallIsTakenSavedAndSubmittedWithoutTheMouse) {
  Open("NEW");
  const std::string id = Find<QLabel>("Label20")->text().toStdString();
  QTest::keyClick(form.get(), Qt::Key_M, Qt::AltModifier);
  // A key on a button presses it the way a click would, after the button has shown itself down.
  CADRO_WAIT_FOR(ButtonColour("cmdRtype_0") == kSalmon, 5000);

  Find("txtHeader_0")->setFocus(Qt::TabFocusReason);
  const auto typeAndTab = [](const QString& text) {
    QWidget* here = QApplication::focusWidget();
    QTest::keyClicks(here, text);
    QTest::keyClick(here, Qt::Key_Tab);
  };
  // Issue, address, the recall button, other details, city; then the reporter's name.
  typeAndTab("fall");
  typeAndTab("100 main st");
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "cmdLast_0");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  typeAndTab("");
  typeAndTab("springfield");
  EXPECT_EQ(QApplication::focusWidget()->objectName(), "txtHeader_3");

  QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
  CADRO_WAIT_FOR(Stored(id), 2000);
  EXPECT_EQ(LoadStored(id).AST(), 6);

  Open(id);  // as from the list, to finish the call
  Type("txtHeader_3", "jane roe");
  Type("txtHeader_6", "14:05");
  Type("txtHeader_7", "Hip pain", false);
  Type("txtMed_0", "80");
  Type("txtMed_1", "female");
  QTest::keyClick(Find("optCons_1"), Qt::Key_Space);
  QTest::keyClick(Find("optBrea_1"), Qt::Key_Space);
  script.results = {true};
  QTest::keyClick(form.get(), Qt::Key_Return, Qt::ControlModifier);
  CADRO_WAIT_FOR(LoadStored(id).AST() == 9, 5000);
}

}  // namespace
}  // namespace cadro::form::testing
