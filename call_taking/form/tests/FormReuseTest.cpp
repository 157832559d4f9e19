// One entry form serves every call of the day: taking many calls must not leave more behind than
// taking one.
#include <QGuiApplication>
#include <QSignalSpy>

#include "ProgramFixture.h"

namespace cadro::form::testing {
namespace {

using FormReuse = ProgramTest;

// Each time the form was closed, Qt kept one more hook on its window that runs at every focus
// change: memory and work that grew with every report taken. A focus change on the form must
// cost the same after many calls as after the first.
TEST_F(FormReuse, AFocusChangeOnTheFormCostsTheSameAfterManyCalls) {
  constexpr int kCalls = 25;
  for (int i = 0; i < kCalls; ++i) {
    NewReport();
    // The form has the focus of the desktop when the operator closes it.
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), entry->windowHandle(), 5000);
    QTest::mouseClick(entry->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
    ASSERT_FALSE(entry->isVisible()) << "call " << i;
    QApplication::setActiveWindow(list.get());
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), list->windowHandle(), 5000);
  }
  NewReport();
  QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::focusWindow(), entry->windowHandle(), 5000);
  QSignalSpy focusChanges(qGuiApp, &QGuiApplication::focusObjectChanged);
  entry->findChild<QWidget*>("txtHeader_0")->setFocus(Qt::OtherFocusReason);
  entry->findChild<QWidget*>("txtHeader_1")->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(focusChanges.count(), 2);

  // The form still closes for the operator's button and for the program's end.
  QTest::mouseClick(entry->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
  EXPECT_FALSE(entry->isVisible());
  NewReport();
  Exit();
  EXPECT_FALSE(entry->isVisible());
  EXPECT_FALSE(list->isVisible());
}

}  // namespace
}  // namespace cadro::form::testing
