// The station and preferences dialogs as an operator uses them: typing, leaving boxes, OK,
// Escape and Cancel.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "TestKit.h"
#include "WidgetMarks.h"
#include "frmCadroPref.h"
#include "frmStationID.h"

namespace cadro {
namespace {

template <typename T>
T* Find(QWidget& parent, const char* name) {
  T* w = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

StationSettings Filled() {
  StationSettings s;
  s.Nam = "Ann Lee";
  s.Uid = "K6ABC";
  s.Loc = "Fire Station 3";
  s.Cty = "Springfield";
  s.Lid = "FS3";
  s.Eno = 100;
  return s;
}

void ShowActive(QWidget& w) {
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

struct StationDialog : ::testing::Test {
  testing::TestServices t;
};

TEST_F(StationDialog, ShowsTheSettingsWithFourDigitEventNumberAndItsCaptions) {
  StationSettings s = Filled();
  s.Nam = " Ann ";
  s.Eno = 7;
  frmStationID d(s, t.prompts);
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Cadro Station ID"));
  EXPECT_EQ(Find<QLabel>(d, "Label4")->text(),
            QStringLiteral("Enter or confirm your name, user ID, and this location.  Press OK when done."));
  EXPECT_EQ(Find<QLabel>(d, "Label6")->text(), QStringLiteral("(3 Char; not Station ID)"));
  EXPECT_EQ(Find<QGroupBox>(d, "Frame1")->title(), QStringLiteral("Identification"));
  EXPECT_EQ(Find<QLineEdit>(d, "txtSID_0")->text(), QStringLiteral(" Ann "));
  EXPECT_EQ(Find<QLineEdit>(d, "txtSID_4")->text(), QStringLiteral("0007"));
  EXPECT_EQ(Find<QLineEdit>(d, "txtSID_3")->maxLength(), 3);
  d.cmdOK_Click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.Result().Nam, "Ann");  // trimmed on OK
  EXPECT_EQ(d.Result().Eno, 7);
}

TEST_F(StationDialog, IdBoxesUpperCaseAndFilterTheNumberBoxTakesDigitsOnly) {
  frmStationID d(StationSettings{}, t.prompts);
  ShowActive(d);
  QTest::keyClicks(d.Box(3), "a;x");
  EXPECT_EQ(d.Box(3)->text(), QStringLiteral("A;X"));
  QTest::keyClicks(d.Box(1), "k6abc!/");
  EXPECT_EQ(d.Box(1)->text(), QStringLiteral("K6ABC"));
  EXPECT_EQ(t.prompts.beeps, 2);
  d.Box(4)->clear();
  QTest::keyClicks(d.Box(4), "1x2");
  EXPECT_EQ(d.Box(4)->text(), QStringLiteral("12"));
  EXPECT_EQ(t.prompts.beeps, 3);
  QTest::keyClick(d.Box(4), Qt::Key_Backspace);
  EXPECT_EQ(d.Box(4)->text(), QStringLiteral("1"));
  QTest::keyClicks(d.Box(0), "o'neil!");
  EXPECT_EQ(d.Box(0)->text(), QStringLiteral("o'neil!"));
  EXPECT_EQ(t.prompts.beeps, 3);
}

TEST_F(StationDialog, NameAndCityTakeProperCaseWhenTheFocusLeaves) {
  frmStationID d(StationSettings{}, t.prompts);
  ShowActive(d);
  d.Box(0)->setFocus();
  QTest::keyClicks(d.Box(0), "ann LEE");
  d.Box(5)->setFocus();
  EXPECT_EQ(d.Box(0)->text(), QStringLiteral("Ann Lee"));
  QTest::keyClicks(d.Box(5), "new york");
  d.Box(2)->setFocus();
  EXPECT_EQ(d.Box(5)->text(), QStringLiteral("New York"));
  QTest::keyClicks(d.Box(2), "fire STATION");
  d.Box(0)->setFocus();
  EXPECT_EQ(d.Box(2)->text(), QStringLiteral("fire STATION"));  // location is left as typed
}

TEST_F(StationDialog, OkMarksOnlyTheEmptyBoxAndTypingThereClearsTheMark) {
  StationSettings s = Filled();
  s.Cty = "";
  frmStationID d(s, t.prompts);
  ShowActive(d);
  QTest::mouseClick(Find<QPushButton>(d, "cmdOK"), Qt::LeftButton);
  EXPECT_TRUE(d.isVisible());
  for (int i = 0; i < 6; ++i) EXPECT_EQ(marks::IsMarkedYellow(d.Box(i)), i == 5) << i;
  QTest::keyClicks(d.Box(5), "x");
  EXPECT_FALSE(marks::IsMarkedYellow(d.Box(5)));
  d.Box(0)->setText(QStringLiteral("   "));  // blanks are empty too
  d.cmdOK_Click();
  EXPECT_TRUE(marks::IsMarkedYellow(d.Box(0)));
  EXPECT_TRUE(t.prompts.shown.empty());
}

TEST_F(StationDialog, APastedEventNumberThatIsNoNumberOrTooBigIsRefused) {
  for (const char* bad : {"12ab", "32768", "99999999999"}) {
    frmStationID d(Filled(), t.prompts);
    d.Box(4)->setText(QString::fromLatin1(bad));
    d.cmdOK_Click();
    EXPECT_NE(d.result(), QDialog::Accepted) << bad;
    EXPECT_TRUE(marks::IsMarkedYellow(d.Box(4)));
  }
  ASSERT_EQ(t.prompts.shown.size(), 3u);
  EXPECT_EQ(t.prompts.shown[0].text, "Next Event No must be a whole number from 0 to 32767.");
}

TEST_F(StationDialog, OkStoresTheTypedNumberAndUpperCasesPastedIds) {
  frmStationID d(Filled(), t.prompts);
  d.Box(4)->setText(QStringLiteral("0250"));
  d.Box(3)->setText(QStringLiteral("ab"));  // pasted, past the key filter
  d.cmdOK_Click();
  ASSERT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.Result().Eno, 250);
  EXPECT_EQ(d.Result().Lid, "AB");
}

TEST_F(StationDialog, EscapeActsAsOkAndClosingOtherwiseChangesNothing) {
  {
    frmStationID d(Filled(), t.prompts);
    ShowActive(d);
    d.Box(2)->setText(QStringLiteral("Elsewhere"));
    QTest::keyClick(d.Box(2), Qt::Key_Escape);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Result().Loc, "Elsewhere");
  }
  {
    StationSettings s = Filled();
    s.Nam = "";
    frmStationID d(s, t.prompts);
    ShowActive(d);
    QTest::keyClick(d.Box(1), Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(marks::IsMarkedYellow(d.Box(0)));
  }
  {
    frmStationID d(Filled(), t.prompts);
    ShowActive(d);
    d.Box(2)->setText(QStringLiteral("Elsewhere"));
    d.close();
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(d.Result(), Filled());
  }
}

struct PrefDialog : ::testing::Test {
  testing::TestServices t;
};

TEST_F(PrefDialog, LoadsTheServerTabAndTheEncodingChoices) {
  StationSettings s;
  frmCadroPref d(s, t.prompts);
  EXPECT_EQ(d.windowTitle(), QStringLiteral("Preferences"));
  auto* tabs = Find<QTabWidget>(d, "SSTab1");
  EXPECT_EQ(tabs->tabText(0), QStringLiteral("Network"));
  EXPECT_EQ(tabs->tabText(1), QStringLiteral("Encoding"));
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(Find<QLabel>(d, "Label24")->text(), QStringLiteral("Network Timeout:                      msec"));
  EXPECT_EQ(d.Box(0)->text(), QStringLiteral("127.0.0.1"));
  EXPECT_EQ(d.Box(1)->text(), QStringLiteral("9334"));
  EXPECT_EQ(d.Box(2)->text(), QStringLiteral("5000"));
  auto* combo = Find<QComboBox>(d, "cboEncType");
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("NONE"));
  EXPECT_EQ(combo->currentText(), QStringLiteral("BASE64"));
  EXPECT_TRUE(Find<QGroupBox>(d, "nframe_0")->isEnabled());
  EXPECT_FALSE(Find<QGroupBox>(d, "nframe_1")->isEnabled());
  tabs->setCurrentIndex(1);
  EXPECT_FALSE(Find<QGroupBox>(d, "nframe_0")->isEnabled());
  EXPECT_TRUE(Find<QGroupBox>(d, "nframe_1")->isEnabled());
}

TEST_F(PrefDialog, OkUpperCasesTheHostAndTakesEveryBox) {
  frmCadroPref d(StationSettings{}, t.prompts);
  d.Box(0)->setText(QStringLiteral("vt-host.local"));
  d.Box(1)->setText(QStringLiteral("9400"));
  d.Box(2)->setText(QStringLiteral("12000"));
  Find<QComboBox>(d, "cboEncType")->setCurrentIndex(0);
  QTest::mouseClick(Find<QPushButton>(d, "cmdOK"), Qt::LeftButton);
  ASSERT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.Result().Hst, "VT-HOST.LOCAL");
  EXPECT_EQ(d.Result().Prt, "9400");
  EXPECT_EQ(d.Result().Nto, 12000);
  EXPECT_EQ(d.Result().Enc, "NONE");
}

TEST_F(PrefDialog, AnEncodingWrittenInAnotherCaseShowsAndStoresNone) {
  // Only BASE64 itself is BASE64: another case, or a text that merely holds it, is none.
  for (const char* enc : {"base64", "XBASE64", "BASE64X"}) {
    StationSettings s;
    s.Enc = enc;
    frmCadroPref d(s, t.prompts);
    EXPECT_EQ(Find<QComboBox>(d, "cboEncType")->currentText(), QStringLiteral("NONE")) << enc;
    d.cmdOK_Click();
    EXPECT_EQ(d.Result().Enc, "NONE") << enc;
  }
}

TEST_F(PrefDialog, EmptyBoxesAreMarkedAndBringBackTheNetworkTab) {
  frmCadroPref d(StationSettings{}, t.prompts);
  ShowActive(d);
  d.Box(0)->setText(QString());
  Find<QTabWidget>(d, "SSTab1")->setCurrentIndex(1);
  d.cmdOK_Click();
  EXPECT_NE(d.result(), QDialog::Accepted);
  EXPECT_EQ(Find<QTabWidget>(d, "SSTab1")->currentIndex(), 0);
  EXPECT_TRUE(marks::IsMarkedYellow(d.Box(0)));
  EXPECT_FALSE(marks::IsMarkedYellow(d.Box(1)));
  QTest::keyClicks(d.Box(0), "h");
  EXPECT_FALSE(marks::IsMarkedYellow(d.Box(0)));
  d.Box(0)->setText(QStringLiteral(" "));  // a blank counts as content here
  d.cmdOK_Click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(d.Result().Hst, " ");
}

TEST_F(PrefDialog, ATimeOutOrPortThatIsNoUsableNumberIsRefusedWithAMessage) {
  for (const char* bad : {"5 s", "0", "40000", "-1"}) {
    frmCadroPref d(StationSettings{}, t.prompts);
    d.Box(2)->setText(QString::fromLatin1(bad));
    d.cmdOK_Click();
    EXPECT_NE(d.result(), QDialog::Accepted) << bad;
    EXPECT_TRUE(marks::IsMarkedYellow(d.Box(2)));
  }
  frmCadroPref d(StationSettings{}, t.prompts);
  d.Box(1)->setText(QStringLiteral("http"));
  d.cmdOK_Click();
  EXPECT_NE(d.result(), QDialog::Accepted);
  ASSERT_EQ(t.prompts.shown.size(), 5u);
  EXPECT_EQ(t.prompts.shown[0].text,
            "Network Timeout must be a whole number of milliseconds from 1 to 32767.");
  EXPECT_EQ(t.prompts.shown[4].text, "Remote Port must be a whole number from 1 to 65535.");
}

TEST_F(PrefDialog, CancelKeepsEverythingAndTheLinkTestSaysWhenItIsMissing) {
  const StationSettings s;
  frmCadroPref d(s, t.prompts);
  d.Box(0)->setText(QStringLiteral("other"));
  QTest::mouseClick(Find<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_EQ(d.Result(), s);
  QTest::mouseClick(Find<QPushButton>(d, "cmdTest"), Qt::LeftButton);
  ASSERT_EQ(t.prompts.shown.size(), 1u);
  EXPECT_NE(t.prompts.shown[0].text.find("not yet available"), std::string::npos);

  StationSettings tested;
  frmCadroPref withLink(s, t.prompts, [&tested](const StationSettings& typed) { tested = typed; });
  withLink.Box(0)->setText(QStringLiteral("vt"));
  withLink.cmdTest_Click();
  EXPECT_EQ(tested.Hst, "VT");
}

}  // namespace
}  // namespace cadro
