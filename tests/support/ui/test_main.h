#pragma once

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

// Each window test program gets a program folder of its own (settings file,
// "temp" folder) in place of the one beside the executable, so the programs
// run in any order and side by side.
#define DELVA_TEST_MAIN(TestObject)                                \
  int main(int argc, char** argv) {                                \
    QTemporaryDir programDir;                                      \
    qputenv("DELVA_PROGRAM_DIR", programDir.path().toLocal8Bit()); \
    QDir(programDir.path()).mkdir("temp");                         \
    QApplication app(argc, argv);                                  \
    app.setAttribute(Qt::AA_Use96Dpi, true);                       \
    TestObject tc;                                                 \
    QTEST_SET_MAIN_SOURCE_PATH                                     \
    return QTest::qExec(&tc, argc, argv);                          \
  }
