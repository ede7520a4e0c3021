// Entry point of every unit-test executable: a QApplication on the offscreen
// platform (set by ctest), recorders installed, then GoogleTest.

#include "startup/ProgramPages.h"
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
    RegisterProgramPages();
    testing_support::ResetRecorders();
    return RUN_ALL_TESTS();
}
