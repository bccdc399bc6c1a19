#pragma once

// What every window test program needs: Qt Test and Widgets, the helpers, and its main().
#include <QtTest>
#include <QtWidgets>

#include "support/ui/mesh_fixture.h"
#include "support/ui/message_recorder.h"
#include "support/ui/test_files.h"

// Each program gets a program folder of its own (settings file, "temp" folder) in place of the one
// beside the executable, so the programs run in any order and side by side.
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
