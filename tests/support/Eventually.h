#pragma once
// Waits, with the event loop running, until a condition holds, and fails the
// test when it does not hold in time. Qt's QTRY macros report to a QTest run
// only: under GoogleTest a condition that never held went unnoticed.

#include <QTest>
#include <gtest/gtest.h>

#define ASSERT_EVENTUALLY(condition, timeoutMs)                                                                     \
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(condition); }, timeoutMs)) << "never held: " #condition
