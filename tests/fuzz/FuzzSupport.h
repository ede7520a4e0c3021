#pragma once
// What every fuzz target needs before its first input: a Qt application on
// the offscreen platform (fonts and painting need one), created once.

#include <QGuiApplication>

#include <cstdlib>

inline void StartFuzzApplication()
{
    static int argc = 1;
    static char name[] = "gardlock-fuzz";
    static char *argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication application(argc, argv);
}
