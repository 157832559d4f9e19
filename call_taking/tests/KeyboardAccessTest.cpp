// The list window and its dialogs, worked from the keyboard and heard through a screen reader.
#include "MainWindowFixture.h"
#include "WaitFor.h"
#include "WindowAudit.h"

namespace cadro::testing {
namespace {

void ExpectWorkableByKeyboard(QWidget* window) {
  EXPECT_EQ(AuditFindings(window), "") << window->objectName().toStdString();
}

using KeyboardAccess = MainWindow;

TEST_F(KeyboardAccess, EveryWindowOfTheListCanBeWorkedWithoutTheMouse) {
  Start();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  ExpectWorkableByKeyboard(w.get());

  for (const char* item : {"mnuStationID", "mnuPreferences", "mnuAbout"}) {
    script.push_back([](QDialog& d) {
      ExpectWorkableByKeyboard(&d);
      d.reject();
    });
    Find<QAction>(item)->trigger();
    EXPECT_TRUE(script.empty()) << item << " opened no dialog";
  }
}

TEST_F(KeyboardAccess, TheExpectedShortcutsAndAccessKeysAct) {
  Report("AB126342.100", 2);
  Start();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  w->activateWindow();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));

  QTest::keyClick(w.get(), Qt::Key_N, Qt::ControlModifier);
  CADRO_WAIT_FOR(form.started.size() == 1u, 5000);
  EXPECT_EQ(form.started[0], "NEW");
  // The access key the caption underlines works beside the shortcut.
  QTest::keyClick(w.get(), Qt::Key_N, Qt::AltModifier);
  CADRO_WAIT_FOR(form.started.size() == 2u, 5000);
  EXPECT_EQ(form.started[1], "NEW");

  QTest::keyClick(w.get(), Qt::Key_R, Qt::AltModifier);  // the Ready folder
  CADRO_WAIT_FOR(Find<QPushButton>("cmdFolder_2")->isChecked(), 5000);
  EXPECT_EQ(Column(0), QStringList{"AB126342.100"});
  w->List()->setFocus();
  QTest::keyClick(w->List(), Qt::Key_Down);
  QTest::keyClick(w->List(), Qt::Key_Return);
  ASSERT_EQ(form.started.size(), 3u) << "Enter did not open the report";
  EXPECT_EQ(form.started[2], "AB126342.100");

  QTest::keyClick(w.get(), Qt::Key_Q, Qt::ControlModifier);
  CADRO_WAIT_FOR(!w->isVisible(), 5000);
}

// A default button or a shortcut lets a window pass the audit, but the operator is told that
// every button has its underlined letter: no button of the list or its dialogs goes without.
QStringList ButtonsWithoutAccessKey(QWidget* window) {
  QStringList out;
  for (QPushButton* b : window->findChildren<QPushButton*>()) {
    if (b->window() != window || !b->isVisibleTo(window)) continue;
    if (QKeySequence::mnemonic(b->text()).isEmpty())
      out << QStringLiteral("%1 \"%2\"").arg(b->objectName(), b->text());
  }
  return out;
}

TEST_F(KeyboardAccess, EveryButtonOfTheListAndItsDialogsHasAnAccessKey) {
  Start();
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  EXPECT_EQ(ButtonsWithoutAccessKey(w.get()), QStringList());
  for (const char* item : {"mnuStationID", "mnuPreferences", "mnuAbout", "mnuExportLog"}) {
    script.push_back([item](QDialog& d) {
      EXPECT_EQ(ButtonsWithoutAccessKey(&d), QStringList()) << item;
      EXPECT_EQ(AuditFindings(&d), "") << item;
      d.reject();
    });
    Find<QAction>(item)->trigger();
    EXPECT_TRUE(script.empty()) << item << " opened no dialog";
  }
}

TEST_F(KeyboardAccess, TheNewAccessKeysAct) {
  Start();
  w->show();
  w->activateWindow();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));

  // The font buttons: their signs with Alt (a pressed button shows itself pressed a moment
  // before it acts), and the zoom keys as before.
  const float size = w->ListFontSize();
  QTest::keyClick(w.get(), Qt::Key_Plus, Qt::AltModifier);
  CADRO_WAIT_FOR(w->ListFontSize() == size + 1, 5000);
  QTest::keyClick(w.get(), Qt::Key_Minus, Qt::AltModifier);
  CADRO_WAIT_FOR(w->ListFontSize() == size, 5000);
  QTest::keyClick(w.get(), Qt::Key_Plus, Qt::ControlModifier);
  CADRO_WAIT_FOR(w->ListFontSize() == size + 1, 5000);
  QTest::keyClick(w.get(), Qt::Key_Minus, Qt::ControlModifier);
  CADRO_WAIT_FOR(w->ListFontSize() == size, 5000);

  // Preferences and the station dialog close with Alt+O, taking what was typed.
  for (const char* item : {"mnuPreferences", "mnuStationID"}) {
    int result = -1;
    script.push_back([&result](QDialog& d) {
      d.activateWindow();
      QApplication::setActiveWindow(&d);
      ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
      QTest::keyClick(&d, Qt::Key_O, Qt::AltModifier);
      (void)QTest::qWaitFor([&d] { return d.result() == QDialog::Accepted; }, 5000);
      result = d.result();
    });
    Find<QAction>(item)->trigger();
    EXPECT_EQ(result, QDialog::Accepted) << item;
  }
}

}  // namespace
}  // namespace cadro::testing
