// Test entry for widget tests: a QApplication (offscreen), the image library loaded as the
// program loads it, and the default output folder in a sandbox of its own.
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir sandbox;
    SetDefaultOutputFolder(sandbox.filePath(QStringLiteral("out")));
    StartImageLibrary();
    BuildAvailableFormats();
    const int code = RUN_ALL_TESTS();
    StopImageLibrary();
    return code;
}
