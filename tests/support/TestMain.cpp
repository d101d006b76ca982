// Test entry: a Qt application object (a QApplication for widget tests), the image library
// loaded as the program loads it, and the default output folder in a sandbox of its own.
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"

#include <QTemporaryDir>
#ifdef PICTAVO_GUI_TEST
#include <QApplication>
using TTestApplication = QApplication;
#else
#include <QCoreApplication>
using TTestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    TTestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir sandbox;
    SetDefaultOutputFolder(sandbox.filePath(QStringLiteral("out")));
    StartImageLibrary();
    BuildAvailableFormats();
    const int code = RUN_ALL_TESTS();
    StopImageLibrary();
    return code;
}
