// Test entry for core tests: a Qt application object, the image library loaded as the
// program loads it, and the default output folder in a sandbox of its own.
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir sandbox;
    SetDefaultOutputFolder(sandbox.filePath(QStringLiteral("out")));
    StartImageLibrary();
    BuildAvailableFormats();
    const int code = RUN_ALL_TESTS();
    StopImageLibrary();
    return code;
}
