#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitReport.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);
const QDate kToday(2024, 3, 14);

double at(int h, int m, int s) { return DateTimeFromQt(QDateTime(kToday, QTime(h, m, s))); }

TConversionSummary example()
{
    TConversionSummary summary;
    summary.TotalFiles = 3;
    summary.Succeeded = 2;
    summary.Failed = 1;
    summary.OutDirectory = QStringLiteral("/photos/out");
    summary.BeginTime = at(10, 15, 2);
    summary.EndTime = at(10, 15, 9);
    summary.Status = 1;
    return summary;
}

QList<TReportRow> exampleRows()
{
    return {{QStringLiteral("beach.jpg"), 2, QString()},
            {QStringLiteral("scan7.tif"), 1, QStringLiteral("Can not encode image")},
            {QStringLiteral("dog.png"), 2, QString()}};
}

} // namespace

TEST(ReportText, ReadsAsTheWorkedExample)
{
    const QStringList lines = ComposeReport(example(), exampleRows(), kGerman, kToday);
    const QStringList expected = {
        QString(),
        QStringLiteral("Report by ") + kGerman.toString(kToday, QLocale::ShortFormat),
        QStringLiteral("--------------------------------"),
        QStringLiteral("Begin time : 10:15:02"),
        QStringLiteral("End time   : 10:15:09"),
        QString(),
        QStringLiteral("Out directory  :/photos/out"),
        QString(),
        QStringLiteral("Summary info:"),
        QStringLiteral("--------------------------------"),
        QStringLiteral("Total files :3"),
        QStringLiteral("Successful  :2"),
        QStringLiteral("Failed      :1"),
        QString(),
        QStringLiteral("Errors"),
        QStringLiteral("--------------------------------"),
        QStringLiteral("scan7.tif -> Can not encode image"),
        QString(),
        QString(),
        QStringLiteral("Status  : Ok")};
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(lines.at(1).startsWith(QLatin1String("Report by 14.03.")));
}

TEST(ReportText, HasNoErrorsBlockWhenNothingFailed)
{
    TConversionSummary summary = example();
    summary.Failed = 0;
    QList<TReportRow> rows = exampleRows();
    const QStringList lines = ComposeReport(summary, rows, kGerman, kToday);
    ASSERT_EQ(lines.size(), 16);
    EXPECT_EQ(lines.at(12), QLatin1String("Failed      :0"));
    EXPECT_EQ(lines.mid(13), QStringList({QString(), QString(), QStringLiteral("Status  : Ok")}));
    EXPECT_FALSE(lines.contains(QStringLiteral("Errors")));
}

TEST(ReportText, ListsEveryRowWithAnErrorTextInTheShownOrder)
{
    TConversionSummary summary = example();
    summary.Failed = 2;
    const QList<TReportRow> rows = {{QStringLiteral("c.jpg"), 1, QStringLiteral("third")},
                                    {QStringLiteral("a.jpg"), 2, QString()},
                                    {QStringLiteral("b.jpg"), 1, QStringLiteral("first")},
                                    {QStringLiteral("d.jpg"), 0, QStringLiteral("stale")}};
    const QStringList lines = ComposeReport(summary, rows, kGerman, kToday);
    const int errors = int(lines.indexOf(QStringLiteral("Errors")));
    ASSERT_GT(errors, 0);
    EXPECT_EQ(lines.mid(errors + 2, 3),
              QStringList({QStringLiteral("c.jpg -> third"), QStringLiteral("b.jpg -> first"),
                           QStringLiteral("d.jpg -> stale")}));
}

TEST(ReportText, EndsWithTheStatusThatWasSet)
{
    TConversionSummary summary = example();
    summary.Status = 2;
    EXPECT_EQ(ComposeReport(summary, {}, kGerman, kToday).last(), QLatin1String("Status  : User break"));
    summary.Status = 0;
    const QStringList lines = ComposeReport(summary, {}, kGerman, kToday);
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_FALSE(lines.join(QLatin1Char('\n')).contains(QLatin1String("Status")));
}

TEST(Summary, CountsTheRowsAndNamesTheOutputFolder)
{
    TConversionSummary summary;
    summary.Failed = 9;
    const double before = NowDateTime();
    BeginSummary(summary, 5);
    EXPECT_EQ(summary.TotalFiles, 5);
    EXPECT_EQ(summary.Failed, 0);
    EXPECT_GE(summary.BeginTime, before);

    TCnvJob job(QStringLiteral("p"));
    job.UseDestDir = 1;
    job.DestDir = QStringLiteral("/") + QString(300, QLatin1Char('d'));
    const QList<TReportRow> rows = {{QStringLiteral("a"), 2, {}}, {QStringLiteral("b"), 1, QStringLiteral("x")},
                                    {QStringLiteral("c"), 0, {}}, {QStringLiteral("d"), 2, {}}};
    FinishSummary(summary, rows, job, true);
    EXPECT_EQ(summary.Succeeded, 2);
    EXPECT_EQ(summary.Failed, 1);
    EXPECT_LT(summary.Succeeded + summary.Failed, summary.TotalFiles);
    EXPECT_EQ(summary.OutDirectory.size(), 250);
    EXPECT_EQ(summary.Status, 2);
    EXPECT_GE(summary.EndTime, summary.BeginTime);

    TConversionSummary ownFolders;
    job.UseDestDir = 0;
    FinishSummary(ownFolders, {}, job, false);
    EXPECT_EQ(ownFolders.OutDirectory,
              QLatin1String("New files created in own folders (see pathes in \"Favorite\")"));
    EXPECT_EQ(ownFolders.Status, 1);
    EXPECT_EQ(ComposeReport(ownFolders, {}).at(6),
              QLatin1String("Out directory  :New files created in own folders (see pathes in \"Favorite\")"));
}

TEST(ReportFile, IsWrittenWithCrLfAndReadBack)
{
    QTemporaryDir sandbox;
    const QString path = sandbox.filePath(QStringLiteral("r.txt"));
    const QStringList lines = ComposeReport(example(), exampleRows(), kGerman, kToday);
    WriteReportFile(path, lines);
    const QByteArray bytes = ReadFileBytes(path);
    EXPECT_TRUE(bytes.startsWith("\r\nReport by "));
    EXPECT_TRUE(bytes.endsWith("\r\n\r\n\r\nStatus  : Ok\r\n"));
    EXPECT_EQ(bytes.count('\n'), lines.size());
    EXPECT_EQ(ReadReportFile(path), lines);
    EXPECT_TRUE(ReadReportFile(sandbox.filePath(QStringLiteral("none.txt"))).isEmpty());
}

TEST(ReportFile, LastReportLivesInTheDefaultOutputFolder)
{
    EXPECT_EQ(LastReportPath(), DefaultOutputFolder() + QStringLiteral("/LastReport.txt"));
    EXPECT_EQ(ReportFilePath(QStringLiteral("/r/summary")), QLatin1String("/r/summary.txt"));
    EXPECT_EQ(ReportFilePath(QStringLiteral("/r/summary.TXT")), QLatin1String("/r/summary.TXT"));
}

TEST(ReportFile, AFailedWriteIsReportedAndKeepsTheEarlierReport)
{
    QTemporaryDir sandbox;
    EXPECT_THROW(WriteReportFile(sandbox.filePath(QStringLiteral("missing/LastReport.txt")), {QStringLiteral("x")}),
                 TError);

    const QString path = sandbox.filePath(QStringLiteral("LastReport.txt"));
    WriteReportFile(path, {QStringLiteral("earlier")});
    bool failed = false;
    {
        const TFileSizeLimit limit(64);
        try {
            WriteReportFile(path, ComposeReport(example(), exampleRows(), kGerman, kToday));
        } catch (const TError &error) {
            failed = error.text().contains(path);
        }
    }
    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadFileBytes(path), QByteArray("earlier\r\n"));
}
