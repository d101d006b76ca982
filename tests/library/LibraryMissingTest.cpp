#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitMagickApi.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "support/ScriptedPrompt.h"
#include "support/TestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

// This executable starts with PICTAVO_MAGICK_DIR naming a folder without the library.
class LibraryMissing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (ImageLibraryIsLoaded())
            GTEST_SKIP() << "run through ctest: it points PICTAVO_MAGICK_DIR elsewhere";
    }
};

TEST_F(LibraryMissing, StartUpLeavesItUnloadedWithOneReference)
{
    EXPECT_FALSE(ImageLibraryLoaded);
    EXPECT_FALSE(ImageLibraryIsLoaded());
    EXPECT_EQ(ImageLibraryReferenceCount(), 1);
    EXPECT_EQ(Magick().AcquireExceptionInfo, nullptr);
    EXPECT_EQ(Magick().ResizeImage, nullptr);
}

TEST_F(LibraryMissing, FormatListIsEmptyAndTheUserIsTold)
{
    TScriptedPrompt prompt;
    BuildAvailableFormats();
    EXPECT_TRUE(AvailableFormats.isEmpty());
    EXPECT_EQ(prompt.errors, QStringList({QStringLiteral("Not found libMagickCore-6.Q16.so.6")}));
    EXPECT_TRUE(InstalledCoderModules().isEmpty());
}

TEST_F(LibraryMissing, NewProjectOffersNoFormats)
{
    TCnvJob job(QStringLiteral("Untitled"));
    EXPECT_TRUE(job.SourceExts.isEmpty());
    EXPECT_TRUE(job.TargetExts.isEmpty());
}

TEST_F(LibraryMissing, LimitsAndDecodingFailSafely)
{
    ApplyResourceLimits();
    QByteArray bytes("P6\n1 1\n255\nabc");
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    EXPECT_EQ(ReadImageFromStream(buffer, nullptr, 0, nullptr), nullptr);
    EXPECT_THROW(ReadImageFromStream(buffer, nullptr, bytes.size(), nullptr), TError);
}

TEST_F(LibraryMissing, UnloadBringsTheCountToZeroAndNoLower)
{
    EXPECT_FALSE(LoadImageLibrary(QStringLiteral(PICTAVO_TEST_SOURCE_DIR)));
    EXPECT_EQ(ImageLibraryReferenceCount(), 2);
    EXPECT_TRUE(UnloadImageLibrary());
    EXPECT_TRUE(UnloadImageLibrary());
    EXPECT_EQ(ImageLibraryReferenceCount(), 0);
    EXPECT_TRUE(UnloadImageLibrary());
    EXPECT_EQ(ImageLibraryReferenceCount(), 0);
}

TEST_F(LibraryMissing, CompanionReportsTheMissingLibrary)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PICTAVO_MAGICK_DIR"), QStringLiteral(PICTAVO_TEST_SOURCE_DIR));
    const TProcessResult result = RunProgram(QStringLiteral("pictavo-cli"), {QStringLiteral("formats")}, environment);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err, QByteArray("Not found libMagickCore-6.Q16.so.6\n"));
}
