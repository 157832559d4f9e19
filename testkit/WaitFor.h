#pragma once
// Waiting for a window's event inside a GoogleTest case. QTRY_* belong to Qt's own test runner:
// under GoogleTest a failed QTRY_* returns from the case without failing it, so a wait that
// never came true would pass. This fails the case, names the condition, and still never waits
// longer than its bound.

#include <gtest/gtest.h>

#include <QTest>

#define CADRO_WAIT_FOR(condition, milliseconds)                                            \
  ASSERT_TRUE(QTest::qWaitFor([&] { return static_cast<bool>(condition); }, milliseconds)) \
      << "still false after " << (milliseconds) << " ms: " #condition
