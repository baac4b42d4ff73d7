#pragma once
// The one QApplication of a Qt test program, made on first use, on the
// offscreen platform unless QT_QPA_PLATFORM names another.

#include <QApplication>

namespace korvance {

inline QApplication& testApplication(const char* programName) {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(programName), nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: torn down among the exit handlers it would outlive Qt's own globals.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

}  // namespace korvance
