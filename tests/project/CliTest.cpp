#include "ProjectFileBytes.h"

#include "engine/unitFormats.h"
#include "project/unitJob.h"
#include "support/TestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QList<QByteArray> outputLines(const QByteArray &out)
{
    QList<QByteArray> lines = out.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

TProcessResult cli(const QStringList &arguments) { return RunProgram(QStringLiteral("pictavo-cli"), arguments); }

} // namespace

TEST(CliFormats, ListsTheAvailableFormatsTabSeparatedInOrder)
{
    const TProcessResult result = cli({QStringLiteral("formats")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QList<QByteArray> lines = outputLines(result.out);
    ASSERT_EQ(lines.size(), AvailableFormats.size());
    for (int i = 0; i < lines.size(); ++i) {
        const TFilterItemType &format = AvailableFormats.at(i);
        EXPECT_EQ(QString::fromUtf8(lines.at(i)),
                  format.Code + QLatin1Char('\t') + format.Mode + QLatin1Char('\t') + format.Description);
    }
    EXPECT_TRUE(result.out.contains("JPEG\tRW\tJoint Photographic Experts Group JFIF format\nJPG\tRW\t"));
}

TEST(CliShow, PrintsEveryStoredFieldOfAHandWrittenProject)
{
    QTemporaryDir sandbox;
    const QString path = sandbox.filePath(QStringLiteral("holiday.prj"));
    TCnvJob reference(QStringLiteral("Untitled"));
    ASSERT_GE(reference.SourceExts.size(), 2);
    TProjectFileBytes file;
    file.text(6, "Holiday", 25)
        .text(32, "Anna", 15)
        .dateTime(48, 46000.25)
        .dateTime(56, 46001.5)
        .text(76, "JPEG", 5)
        .byte(82, 1)
        .byte(83, 1)
        .text(84, "/photos/out", 250)
        .byte(335, 0)
        .byte(336, 0)
        .byte(337, 1)
        .int32(340, 2)
        .text(344, "12,5", 5)
        .text(350, "9", 5)
        .byte(356, 0)
        .byte(357, 1)
        .byte(358, 1)
        .int32(360, 0)
        .byte(364, 0)
        .byte(365, 80)
        .byte(366, 1)
        .int32(368, 7)
        .text(372, "/tmp", 250)
        .record(reference.SourceExts.at(0).Ext.toUtf8(), 0)
        .record("NOPE", 1)
        .comment(QByteArray("Summer\r\nBeach") + '\0'
                 + "PICTAVO-SETTINGS 1\nexisting=skip\nname={n:3}\nwebp.lossless=1\n");
    WriteFileBytes(path, file.bytes());

    const TProcessResult result = cli({QStringLiteral("show"), path});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.err, QByteArray("warning: Not found plugin for 'NOPE'\n"));
    const QList<QByteArray> lines = outputLines(result.out);
    QStringList cells;
    for (int i = 0; i < reference.SourceExts.size(); ++i)
        cells.append(reference.SourceExts.at(i).Ext + (i == 0 ? QLatin1String("=0") : QLatin1String("=1")));
    ASSERT_EQ(lines.size(), 34) << result.out.toStdString();
    EXPECT_EQ(lines.at(0), "Name: Holiday");
    EXPECT_EQ(lines.at(1), "Author: Anna");
    EXPECT_EQ(lines.at(2), "Created: 46000.25 (2025-12-09 06:00:00)");
    EXPECT_EQ(lines.at(3), "Modified: 46001.5 (2025-12-10 12:00:00)");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Opened: \\d+\\.\\d+ \\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\)$"))
                    .match(QString::fromUtf8(lines.at(4)))
                    .hasMatch())
        << lines.at(4).toStdString();
    EXPECT_EQ(lines.at(5), "Comment: Summer");
    EXPECT_EQ(lines.at(6), "Comment: Beach");
    EXPECT_EQ(QString::fromUtf8(lines.at(7)), QStringLiteral("SourceExts: ") + cells.join(QLatin1Char(' ')));
    const QList<QByteArray> rest(lines.begin() + 8, lines.end());
    EXPECT_EQ(rest, QList<QByteArray>({"TargetExt: JPEG", "SearchMode: 1", "UseDestDir: 1",
                                       "DestDir: /photos/out", "RenameMode: 0", "SizeAsIs: 0",
                                       "Measure: 1", "PresetIndex: 2", "Width: 12,5", "Height: 9",
                                       "LockHeight: 0", "LockWidth: 1", "OrientAsIs: 1",
                                       "Orientation: 0", "RotateCCW: 0", "UseCounter: 1",
                                       "CounterStart: 7", "Quality: 80", "ScratchDrive: /tmp",
                                       "keep-folders: 0", "name: {n:3}", "lower-ext: 0",
                                       "existing: skip", "keep-dates: 0", "metadata: keep",
                                       "webp.lossless: 1"}));
}

TEST(CliShow, PrintsZeroForAMissingMoment)
{
    QTemporaryDir sandbox;
    const QString path = sandbox.filePath(QStringLiteral("p.prj"));
    WriteFileBytes(path, TProjectFileBytes().text(6, "P", 25).dateTime(48, 0).dateTime(56, 0).bytes());
    const TProcessResult result = cli({QStringLiteral("show"), path});
    ASSERT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.contains("\nCreated: 0\nModified: 0\n")) << result.out.toStdString();
}

TEST(CliShow, FailsWithTheErrorText)
{
    QTemporaryDir sandbox;
    const QString shortFile = sandbox.filePath(QStringLiteral("short.prj"));
    WriteFileBytes(shortFile, QByteArray(100, 'x'));
    TProcessResult result = cli({QStringLiteral("show"), shortFile});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QByteArray("Stream read error\n"));
    EXPECT_TRUE(result.out.isEmpty());

    const QString missing = sandbox.filePath(QStringLiteral("missing.prj"));
    result = cli({QStringLiteral("show"), missing});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(result.err),
              QStringLiteral("Cannot open file \"%1\". No such file or directory\n").arg(missing));
}

TEST(CliUsage, ExplainsItselfAndRefusesAnythingElse)
{
    TProcessResult result = cli({QStringLiteral("--help")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.contains("formats"));
    for (const QStringList &arguments : {QStringList(), QStringList({QStringLiteral("bogus")}),
                                         QStringList({QStringLiteral("show")}),
                                         QStringList({QStringLiteral("formats"), QStringLiteral("x")})}) {
        result = cli(arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.startsWith("usage: pictavo-cli")) << result.err.toStdString();
    }
}
