// Entry point of every unit-test executable: a QApplication on the offscreen
// platform (set by ctest), the hooks of the layers it tests run, recorders
// installed, then GoogleTest.

#include "support/Hooks.h"
#include "support/Recorders.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    testing_support::RunStartHooks();
    testing_support::ResetRecorders();
    return RUN_ALL_TESTS();
}
