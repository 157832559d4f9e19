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

}  // namespace
}  // namespace cadro::testing
