#include "RunFixture.h"

#include "engine/unitImageLibrary.h"
#include "project/unitReport.h"
#include "support/TestSupport.h"

namespace {

TEST_F(RunTest, WithoutTheLibraryTheRunEndsAtOnceAndStillCompletes)
{
    ASSERT_FALSE(ImageLibraryLoaded);
    WriteFileBytes(source(QStringLiteral("a.png")), QByteArray("not read"));
    addEntry(QStringLiteral("a.png"));
    WriteFileBytes(source(QStringLiteral("b.png")), QByteArray("not read"));
    addEntry(QStringLiteral("b.png"));
    rebuild();
    ASSERT_TRUE(runThreaded());
    EXPECT_EQ(escapedError, QStringLiteral("ImageMagick library not loaded"));
    EXPECT_EQ(statuses(), (QList<quint8>{0, 0}));
    // Never 100: the run did not go through.
    EXPECT_EQ(display.gauge, QList<int>{0});
    EXPECT_TRUE(outputFiles().isEmpty());

    TConversionSummary summary;
    BeginSummary(summary, 2);
    FinishSummary(summary, rows.ReportRows(), job(), false);
    EXPECT_EQ(summary.Succeeded, 0);
    EXPECT_EQ(summary.Failed, 0);
    EXPECT_EQ(summary.Status, 1);
}

TEST_F(RunTest, WithoutTheLibraryAMultipageRunWritesNothing)
{
    job().MultiPages = 1;
    WriteFileBytes(source(QStringLiteral("c.png")), QByteArray("not read"));
    addEntry(QStringLiteral("c.png"));
    rebuild();
    runHere(output(QStringLiteral("all.PNG")));
    EXPECT_EQ(escapedError, QStringLiteral("ImageMagick library not loaded"));
    EXPECT_EQ(statuses(), QList<quint8>{0});
    EXPECT_TRUE(outputFiles().isEmpty());
}

} // namespace
