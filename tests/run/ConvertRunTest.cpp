#include "RunFixture.h"

#include "engine/unitImageLibrary.h"
#include "engine/unitPixelMemory.h"
#include "gather/unitThreadFilelist.h"
#include "project/unitJobOptions.h"
#include "project/unitReport.h"
#include "project/unitGeneral.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using Gauge = QList<int>;

// --- One output per source ---------------------------------------------------------

TEST_F(RunTest, EveryReadableSourceBecomesAFileOfItsOwn)
{
    addImage(QStringLiteral("a.png"));
    addImage(QStringLiteral("b.jpg"));
    addImage(QStringLiteral("c.gif"));
    rebuild();
    runHere();
    EXPECT_TRUE(escapedError.isEmpty());
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2, 2}));
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("a.PNG"), QStringLiteral("b.PNG"),
                                          QStringLiteral("c.PNG")}));
    for (const QString &name : outputFiles())
        EXPECT_EQ(ImageFileFrameCount(output(name)), 1) << name.toStdString();
    EXPECT_EQ(display.outputs.first(), output(QStringLiteral("a.PNG")));
    for (int row = 0; row < rows.Count(); ++row)
        EXPECT_TRUE(rows.Row(row).Message.isEmpty());
    // The list itself never carries results.
    for (const TFavorCell &cell : FavorList().Cells())
        EXPECT_EQ(cell.Status, 0);
}

// Another project of the run: the current one under another name and target, with
// options of its own (a size mode leaves "size as is").
TCnvJob otherProject(const QString &name, const QString &target, const TJobOptions &options = {})
{
    TCnvJob project = *CurrentJob();
    project.Name = name;
    project.TargetExt = target;
    for (auto option = options.cbegin(); option != options.cend(); ++option)
        project.Options.insert(option.key(), option.value());
    if (options.contains(QStringLiteral("size")))
        project.SizeAsIs = 0;
    return project;
}

// Three projects over two sources: every source gets each project's output, names never
// collide in a shared folder, and an output that cannot be written fails its row by name.
TEST_F(RunTest, SeveralProjectsWriteEachSourceOncePerProject)
{
    addImage(QStringLiteral("a.png"), 40, 30);
    addImage(QStringLiteral("b.jpg"), 30, 40);
    rebuild();
    const TCnvJob small = otherProject(QStringLiteral("Small"), job().TargetExt, {{QStringLiteral("size"), QStringLiteral("long:20")}});
    TCnvJob web = otherProject(QStringLiteral("Web"), QStringLiteral("WEBP"));
    web.DestDir = sandbox.filePath(QStringLiteral("gone"));
    alsoConvert = {RunSettingsFor(small), RunSettingsFor(web)};
    for (int filesAtOnce : {1, 2}) {
        QDir(output(QString())).removeRecursively();
        QDir().mkpath(output(QString()));
        runHere(QString(), filesAtOnce);
        EXPECT_EQ(statuses(), (QList<quint8>{1, 1}));
        for (int row = 0; row < rows.Count(); ++row)
            EXPECT_TRUE(rows.Row(row).Message.startsWith(QLatin1String("Web (WEBP): "))) << rows.Row(row).Message.toStdString();
        const QStringList written = outputFiles();
        ASSERT_EQ(written.size(), 4) << written.join(QLatin1Char(' ')).toStdString();
        int small20 = 0;
        for (const QString &name : written) {
            const TImageListPtr back = ReadImageFile(output(name));
            small20 += qMax(back->columns, back->rows) == 20 ? 1 : 0;
        }
        EXPECT_EQ(small20, 2);
    }
    web.DestDir = output(QString());
    alsoConvert = {RunSettingsFor(small), RunSettingsFor(web)};
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2}));
    EXPECT_TRUE(rows.Row(0).Message.isEmpty());
    EXPECT_TRUE(outputFiles().contains(QStringLiteral("b.WEBP")));
}

TEST_F(RunTest, EveryProjectOfARunNamesAndSkipsByItsOwnSettings)
{
    addImage(QStringLiteral("a.png"), 40, 30);
    addImage(QStringLiteral("b.png"), 30, 40);
    rebuild();
    const TCnvJob kept = otherProject(QStringLiteral("Kept"), QStringLiteral("WEBP"), {{kExistingKey, QStringLiteral("skip")}});
    const TCnvJob sized = otherProject(QStringLiteral("Sized"), QStringLiteral("GIF"),
                                       {{QStringLiteral("size"), QStringLiteral("long:20")},
                                        {kNameKey, QStringLiteral("{name}-{width}x{height}")}});
    job().Options.insert(kExistingKey, QStringLiteral("skip"));
    const QString ownName = QStringLiteral("b.") + job().TargetExt;
    WriteFileBytes(output(QStringLiteral("a.WEBP")), "kept");
    WriteFileBytes(output(ownName), "kept too");
    alsoConvert = {RunSettingsFor(kept), RunSettingsFor(sized)};
    runHere();
    // a: its own output and the GIF are made, the WEBP kept; b: its own output kept, the
    // others made, so the row counts as skipped.
    EXPECT_EQ(statuses(), (QList<quint8>{2, kStatusSkipped}));
    EXPECT_EQ(ReadFileBytes(output(QStringLiteral("a.WEBP"))), "kept");
    EXPECT_EQ(ReadFileBytes(output(ownName)), "kept too");
    const QStringList written = outputFiles();
    for (const char *name : {"a-20x15.GIF", "b-15x20.GIF", "b.WEBP"})
        EXPECT_TRUE(written.contains(QLatin1String(name))) << name << " " << written.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(written.size(), 6);
}

// The library's large blocks go from picture to picture during a run: no picture may
// see another's pixels, at one file at a time or several.
TEST_F(RunTest, PixelMemoryReusedWithinARunLeavesEveryOutputAsAlone)
{
    job().TargetExt = QStringLiteral("JPG");
    const QStringList names = {QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("c.png"),
                               QStringLiteral("d.png")};
    const QStringList patterns = {QStringLiteral("plasma:red-blue"), QStringLiteral("gradient:red-blue"),
                                  QStringLiteral("xc:green"), QStringLiteral("gradient:white-black")};
    QMap<QString, QByteArray> alone;
    for (int i = 0; i < names.size(); ++i) {
        FavorList().Clear();
        addImage(names.at(i), 1200, 900, patterns.at(i));
        rebuild();
        runHere();
        const QString written = output(QFileInfo(names.at(i)).completeBaseName() + QStringLiteral(".JPG"));
        alone.insert(written, ReadFileBytes(written));
        QFile::remove(written);
    }
    FavorList().Clear();
    for (const QString &name : names)
        addEntry(name);
    rebuild();
    for (int filesAtOnce : {1, 2}) {
        size_t keptDuringRun = 0;
        display.onRowFinished = [&](int) { keptDuringRun = qMax(keptDuringRun, KeptPixelMemory()); };
        runHere(QString(), filesAtOnce);
        EXPECT_GT(keptDuringRun, 0u) << filesAtOnce;
        EXPECT_EQ(KeptPixelMemory(), 0u) << "handed back when the run ended";
        for (auto written = alone.cbegin(); written != alone.cend(); ++written) {
            EXPECT_EQ(ReadFileBytes(written.key()), written.value()) << written.key().toStdString() << " " << filesAtOnce;
            QFile::remove(written.key());
        }
    }
}

TEST_F(RunTest, OneRowShowsItsStagesOnTheGauge)
{
    addImage(QStringLiteral("only.png"));
    rebuild();
    runHere();
    EXPECT_EQ(display.gauge, (Gauge{0, 10, 20, 30, 50, 80, 100}));
    EXPECT_EQ(display.scrolledToTop, 1);
}

TEST_F(RunTest, SeveralRowsMoveTheGaugeOnlyWhenARowIsFinished)
{
    for (int i = 0; i < 3; ++i)
        addImage(QStringLiteral("three%1.png").arg(i));
    rebuild();
    runHere();
    EXPECT_EQ(display.gauge, (Gauge{0, 33, 67, 100, 100}));
}

TEST_F(RunTest, EightRowsRoundHalvesToTheEvenNeighbour)
{
    for (int i = 0; i < 8; ++i)
        addImage(QStringLiteral("eight%1.png").arg(i), 8, 8);
    rebuild();
    runHere();
    EXPECT_EQ(display.gauge, (Gauge{0, 12, 25, 38, 50, 62, 75, 88, 100, 100}));
    EXPECT_EQ(display.finished, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(MultipageOutput, TheChosenNameTakesTheTargetFormatsCode)
{
    EXPECT_EQ(MultipageOutputPath(QStringLiteral("/My.Pictures/album.jpg"), QStringLiteral("TIFF")),
              QStringLiteral("/My.Pictures/album.TIFF"));
    EXPECT_EQ(MultipageOutputPath(QStringLiteral("/out/album"), QStringLiteral("PDF")),
              QStringLiteral("/out/album.PDF"));
    EXPECT_EQ(MultipageOutputPath(QStringLiteral("/out/a.b.png"), QStringLiteral("GIF")),
              QStringLiteral("/out/a.b.GIF"));
}

TEST_F(RunTest, RoundingOfProgress)
{
    EXPECT_EQ(TThreadConvert::RoundHalfToEven(12.5), 12);
    EXPECT_EQ(TThreadConvert::RoundHalfToEven(37.5), 38);
    EXPECT_EQ(TThreadConvert::RoundHalfToEven(62.5), 62);
    EXPECT_EQ(TThreadConvert::RoundHalfToEven(33.3333), 33);
    EXPECT_EQ(TThreadConvert::RoundHalfToEven(66.6667), 67);
    EXPECT_EQ(TThreadConvert::RoundHalfToEven(99.99999999), 100);
    EXPECT_EQ(TThreadConvert::RoundHalfToEven(0), 0);
}

TEST_F(RunTest, AFailingSourceInTheMiddleLandsOnItsRowAndTheRunGoesOn)
{
    addImage(QStringLiteral("first.png"));
    addFile(QStringLiteral("empty.png"), QByteArray());
    addFile(QStringLiteral("garbage.jpg"), QByteArray("this is no image at all", 23));
    addImage(QStringLiteral("last.png"));
    rebuild();
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{2, 1, 1, 2}));
    EXPECT_EQ(rows.Row(1).Message, QStringLiteral("Can not encode image"));
    EXPECT_EQ(rows.Row(2).Message, QStringLiteral("Can not encode image"));
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("first.PNG"), QStringLiteral("last.PNG")}));
}

TEST_F(RunTest, ASourceThatVanishedBeforeTheRunFails)
{
    addImage(QStringLiteral("gone.png"));
    addImage(QStringLiteral("kept.png"));
    rebuild();
    ASSERT_TRUE(QFile::remove(source(QStringLiteral("gone.png"))));
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{1, 2}));
    EXPECT_EQ(rows.Row(0).Message, QStringLiteral("Can not encode image"));
}

TEST_F(RunTest, AWriteThatFailsCountsAsFailedWithTheReason)
{
    addImage(QStringLiteral("big.png"), 400, 400, QStringLiteral("plasma:"));
    addImage(QStringLiteral("small.png"), 4, 4);
    rebuild();
    job().TargetExt = QStringLiteral("BMP");
    {
        // Room for the small output, not for the large one.
        TFileSizeLimit limit(4096);
        runHere();
    }
    EXPECT_EQ(statuses(), (QList<quint8>{1, 2}));
    EXPECT_FALSE(rows.Row(0).Message.isEmpty());
    // The system's reason, told of the file the user will look for.
    EXPECT_EQ(rows.Row(0).Message, QStringLiteral("Cannot write ") + output(QStringLiteral("big.BMP"))
                                       + QStringLiteral("\r\nFile too large"));
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("small.BMP")});
}

TEST_F(RunTest, ADestinationThatIsNoFolderFailsEveryRow)
{
    addImage(QStringLiteral("x.png"));
    addImage(QStringLiteral("y.png"));
    rebuild();
    const QString notAFolder = sandbox.filePath(QStringLiteral("plain-file"));
    WriteFileBytes(notAFolder, QByteArray("x"));
    job().DestDir = notAFolder;
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{1, 1}));
    EXPECT_FALSE(rows.Row(0).Message.isEmpty());
    EXPECT_TRUE(rows.Row(0).Message.startsWith(QStringLiteral("Cannot write ") + notAFolder + QStringLiteral("/x.PNG\r\n")))
        << rows.Row(0).Message.toStdString();
    EXPECT_EQ(ReadFileBytes(notAFolder), QByteArray("x"));
}

TEST_F(RunTest, TargetsThatWouldWriteBesideTheOutputOrReadOtherFilesAreRefused)
{
    addImage(QStringLiteral("pic.png"));
    rebuild();
    const QStringList workingFolder = QDir::current().entryList(QDir::AllEntries | QDir::Hidden);
    for (const char *target : {"HTML", "SHTML", "SVG", "TXT", "MVG"}) {
        job().TargetExt = QString::fromLatin1(target);
        runHere();
        EXPECT_EQ(statuses(), QList<quint8>{1}) << target;
        EXPECT_EQ(rows.Row(0).Message, QStringLiteral("Format not allowed: ") + QString::fromLatin1(target));
        EXPECT_TRUE(outputFiles().isEmpty()) << outputFiles().join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(QDir::current().entryList(QDir::AllEntries | QDir::Hidden), workingFolder);
    }
}

// A 1×1 grey TIFF, written byte by byte, that carries a tag no reader knows.
QByteArray tiffWithAnUnknownTag()
{
    QByteArray bytes("II*\x00\x0a\x00\x00\x00\x80\x00", 10);
    const quint16 entries[][4] = {{256, 3, 1, 1}, {257, 3, 1, 1}, {258, 3, 1, 8}, {259, 3, 1, 1},
                                  {262, 3, 1, 1}, {273, 4, 1, 8}, {277, 3, 1, 1}, {278, 3, 1, 1},
                                  {279, 4, 1, 1}, {65000, 3, 1, 7}};
    auto little = [&bytes](quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.append(char((value >> (8 * i)) & 0xff));
    };
    little(std::size(entries), 2);
    for (const auto &entry : entries) {
        little(entry[0], 2);
        little(entry[1], 2);
        little(entry[2], 4);
        little(entry[3], 4);
    }
    little(0, 4);
    return bytes;
}

TEST_F(RunTest, ADamagedSourceFailsWithTheDecodersWordsWhileAHarmlessWarningConverts)
{
    const QByteArray jpeg = MakeImageBytes(QStringLiteral("gradient:red-blue"), 64, 48, QStringLiteral("jpg"));
    addFile(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() * 6 / 10));
    addFile(QStringLiteral("head.jpg"), jpeg.left(200));
    addFile(QStringLiteral("scanner.tif"), tiffWithAnUnknownTag());
    rebuild();
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{1, 1, 2}));
    EXPECT_TRUE(rows.Row(0).Message.startsWith(QStringLiteral("Premature end of JPEG file"))) << rows.Row(0).Message.toStdString();
    EXPECT_FALSE(rows.Row(1).Message.isEmpty());
    // Converted, and the row says what the library warned about.
    EXPECT_TRUE(rows.Row(2).Message.startsWith(QStringLiteral("Unknown field with tag 65000")))
        << rows.Row(2).Message.toStdString();
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("scanner.PNG")});
}

TEST_F(RunTest, SourcesThatAreNoRegularFileFailWithoutBeingRead)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(source(QStringLiteral("pipe.png"))).constData(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(source(QStringLiteral("zero.png"))).constData()), 0);
    addEntry(QStringLiteral("pipe.png"));
    addEntry(QStringLiteral("zero.png"));
    addImage(QStringLiteral("fine.png"));
    rebuild();
    for (const bool multipage : {false, true}) {
        job().MultiPages = multipage ? 1 : 0;
        runHere(output(QStringLiteral("album.PNG")));
        EXPECT_EQ(statuses(), (QList<quint8>{1, 1, 2})) << multipage;
        EXPECT_EQ(rows.Row(0).Message, QStringLiteral("Not a regular file: ") + source(QStringLiteral("pipe.png")));
        EXPECT_EQ(rows.Row(1).Message, QStringLiteral("Not a regular file: ") + source(QStringLiteral("zero.png")));
    }
}

TEST_F(RunTest, StagingLeftByARunWhoseProcessIsGoneIsRemoved)
{
    QProcess gone;
    gone.start(QStringLiteral("sleep"), {QStringLiteral("0.1")});
    ASSERT_TRUE(gone.waitForStarted(30000));
    const qint64 goneId = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(30000));
    const QString stale = output(QStringLiteral(".pictavo-%1-AbCdEf").arg(goneId));
    const QString ours = output(QStringLiteral(".pictavo-%1-GhIjKl").arg(QCoreApplication::applicationPid()));
    const QString foreign = output(QStringLiteral(".pictavo-notes"));
    for (const QString &folder : {stale, ours, foreign}) {
        QDir().mkpath(folder);
        WriteFileBytes(folder + QStringLiteral("/half.PNG"), QByteArray("half"));
    }
    addImage(QStringLiteral("next.png"));
    rebuild();
    runHere();
    EXPECT_EQ(statuses(), QList<quint8>{2});
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(ours + QStringLiteral("/half.PNG")));
    EXPECT_TRUE(QFileInfo::exists(foreign + QStringLiteral("/half.PNG")));
}

TEST_F(RunTest, ASizeThatIsNoNumberFailsTheRow)
{
    addImage(QStringLiteral("sized.png"));
    rebuild();
    job().SizeAsIs = 0;
    job().Width = QStringLiteral("wide");
    job().Height = QStringLiteral("30");
    runHere();
    EXPECT_EQ(statuses(), QList<quint8>{1});
    EXPECT_TRUE(rows.Row(0).Message.contains(QStringLiteral("wide")));
    EXPECT_TRUE(outputFiles().isEmpty());
}

TEST_F(RunTest, AnOutputThatWouldReplaceASourceIsRefused)
{
    // Writing into the source folder, the PNG output of a.gif is a.PNG, itself a source.
    addImage(QStringLiteral("a.gif"));
    addImage(QStringLiteral("a.PNG"));
    rebuild();
    job().UseDestDir = 0;
    const QByteArray before = ReadFileBytes(source(QStringLiteral("a.PNG")));
    runHere();
    EXPECT_EQ(ReadFileBytes(source(QStringLiteral("a.PNG"))), before);
    // Both rows still convert: collision handling moves the outputs off the sources.
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2}));
    for (const QString &written : std::as_const(display.outputs))
        EXPECT_NE(written, source(QStringLiteral("a.PNG")));
}

TEST_F(RunTest, RowsAreTakenInTheOrderTheViewShows)
{
    addImage(QStringLiteral("b.png"));
    addImage(QStringLiteral("c.png"));
    addImage(QStringLiteral("a.png"));
    rebuild();
    rows.ApplySort(TSourcesModel::ColumnName, Qt::DescendingOrder);
    job().UseCounter = 1;
    job().CounterStart = 7;
    runHere();
    // The counter follows the rows as shown: c, b, a.
    EXPECT_EQ(display.outputs, (QStringList{output(QStringLiteral("c_7.PNG")),
                                            output(QStringLiteral("b_8.PNG")),
                                            output(QStringLiteral("a_9.PNG"))}));
    EXPECT_EQ(rows.Row(0).Name, QStringLiteral("c.png"));
}

TEST_F(RunTest, StopDuringTheSecondOfFiveFinishesThatRowOnly)
{
    for (int i = 1; i <= 5; ++i)
        addImage(QStringLiteral("s%1.png").arg(i));
    rebuild();
    display.onRowStarted = [&](int row) {
        if (row == 1)
            run->Stop();
    };
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2, 0, 0, 0}));
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("s1.PNG"), QStringLiteral("s2.PNG")}));
    for (int row = 2; row < 5; ++row)
        EXPECT_TRUE(rows.Row(row).Message.isEmpty());
}

TEST_F(RunTest, StatusesFromAnEarlierRunAreNotCarriedOver)
{
    addImage(QStringLiteral("again.png"));
    rebuild();
    rows.SetRowResult(0, 1, QStringLiteral("old"));
    rows.ResetStatuses();
    runHere();
    EXPECT_EQ(statuses(), QList<quint8>{2});
    EXPECT_TRUE(rows.Row(0).Message.isEmpty());
}

TEST_F(RunTest, QualityIsTakenWhenTheRunIsCreated)
{
    addImage(QStringLiteral("q.png"), 64, 64, QStringLiteral("plasma:"));
    rebuild();
    job().TargetExt = QStringLiteral("JPG");
    job().Quality = 10;
    TThreadConvert early(rows, display, RunSettingsFor(job()));
    job().Quality = 100;
    early.Execute();
    const qint64 lowQuality = QFileInfo(output(QStringLiteral("q.JPG"))).size();
    QFile::remove(output(QStringLiteral("q.JPG")));
    TThreadConvert late(rows, display, RunSettingsFor(job()));
    late.Execute();
    EXPECT_LT(lowQuality, QFileInfo(output(QStringLiteral("q.JPG"))).size());
}

// --- The thread and its completion -------------------------------------------------

TEST_F(RunTest, TheRowsAndTheDisplayAreOnlyTouchedOnTheUserInterfaceThread)
{
    addImage(QStringLiteral("t1.png"));
    addImage(QStringLiteral("t2.png"));
    rebuild();
    QList<QThread *> displayThreads;
    display.onRowStarted = [&](int) { displayThreads.append(QThread::currentThread()); };
    display.onRowFinished = [&](int) { displayThreads.append(QThread::currentThread()); };
    ASSERT_TRUE(runThreaded(QString(), 2));
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2}));
    ASSERT_EQ(displayThreads.size(), 4);
    for (QThread *thread : std::as_const(displayThreads))
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
}

TEST_F(RunTest, StopReachesTheLaunchedRunBeforeItsNextRow)
{
    for (int i = 1; i <= 4; ++i)
        addImage(QStringLiteral("p%1.png").arg(i));
    rebuild();
    display.onRowFinished = [&](int row) {
        if (row == 0 && run)
            run->Stop();
    };
    ASSERT_TRUE(runThreaded());
    EXPECT_EQ(statuses(), (QList<quint8>{2, 0, 0, 0}));
}

// --- Multipage ---------------------------------------------------------------------

TEST_F(RunTest, MultipageCollectsEveryReadableSourceIntoOneFile)
{
    job().MultiPages = 1;
    job().TargetExt = QStringLiteral("TIFF");
    addImage(QStringLiteral("m1.png"));
    addFile(QStringLiteral("m2.png"), QByteArray("broken"));
    addImage(QStringLiteral("m3.gif"), 30, 40);
    rebuild();
    const QString album = output(QStringLiteral("album.TIFF"));
    runHere(album);
    EXPECT_TRUE(escapedError.isEmpty());
    EXPECT_EQ(statuses(), (QList<quint8>{2, 1, 2}));
    EXPECT_EQ(rows.Row(1).Message, QStringLiteral("Can not encode image"));
    EXPECT_EQ(ImageFileFrameCount(album), 2);
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("album.TIFF")});
    EXPECT_EQ(display.written, (QList<int>{0, 2}));
}

TEST_F(RunTest, MultipageOneRowHasNoNamingStage)
{
    job().MultiPages = 1;
    addImage(QStringLiteral("single.png"));
    rebuild();
    runHere(output(QStringLiteral("one.PNG")));
    EXPECT_EQ(display.gauge, (Gauge{0, 10, 30, 50, 80, 100}));
}

TEST_F(RunTest, MultipageStoppedWritesNothing)
{
    job().MultiPages = 1;
    job().TargetExt = QStringLiteral("TIFF");
    for (int i = 1; i <= 5; ++i)
        addImage(QStringLiteral("mp%1.png").arg(i));
    rebuild();
    display.onRowFinished = [&](int row) {
        if (row == 2)
            run->Stop();
    };
    runHere(output(QStringLiteral("stopped.TIFF")));
    // Their frames never reached a file: the rows did not convert.
    EXPECT_EQ(statuses(), (QList<quint8>{1, 1, 1, 0, 0}));
    EXPECT_TRUE(rows.Row(0).Message.startsWith(QStringLiteral("Not written")));
    EXPECT_TRUE(outputFiles().isEmpty());
    EXPECT_TRUE(display.written.isEmpty());
}

TEST_F(RunTest, MultipageWithNothingReadableWritesNothingAndBlamesNoWrite)
{
    job().MultiPages = 1;
    addFile(QStringLiteral("n1.png"), QByteArray());
    addFile(QStringLiteral("n2.png"), QByteArray("nope"));
    rebuild();
    runHere(output(QStringLiteral("none.PNG")));
    EXPECT_EQ(statuses(), (QList<quint8>{1, 1}));
    EXPECT_EQ(rows.Row(0).Message, QStringLiteral("Can not encode image"));
    EXPECT_TRUE(outputFiles().isEmpty());
    EXPECT_TRUE(escapedError.isEmpty());
}

TEST_F(RunTest, MultipageFinalWriteErrorFailsEveryRowThatGaveFrames)
{
    job().MultiPages = 1;
    job().TargetExt = QStringLiteral("TIFF");
    addImage(QStringLiteral("w1.png"));
    addFile(QStringLiteral("w2.png"), QByteArray());
    addImage(QStringLiteral("w3.png"));
    rebuild();
    runHere(sandbox.filePath(QStringLiteral("no/such/folder/album.TIFF")));
    EXPECT_TRUE(escapedError.isEmpty());
    EXPECT_EQ(statuses(), (QList<quint8>{1, 1, 1}));
    EXPECT_FALSE(rows.Row(0).Message.isEmpty());
    EXPECT_NE(rows.Row(0).Message, QStringLiteral("Can not encode image"));
    EXPECT_EQ(rows.Row(0).Message, rows.Row(2).Message);
    EXPECT_EQ(rows.Row(1).Message, QStringLiteral("Can not encode image"));
    // The gauge still ends at 100: the run itself went through.
    EXPECT_EQ(display.gauge.last(), 100);
}

TEST_F(RunTest, MultipageNeverReplacesASource)
{
    job().MultiPages = 1;
    job().TargetExt = QStringLiteral("TIFF");
    addImage(QStringLiteral("k1.TIFF"));
    addImage(QStringLiteral("k2.png"));
    rebuild();
    const QByteArray before = ReadFileBytes(source(QStringLiteral("k1.TIFF")));
    runHere(source(QStringLiteral("k1.TIFF")));
    EXPECT_EQ(ReadFileBytes(source(QStringLiteral("k1.TIFF"))), before);
    EXPECT_EQ(statuses(), (QList<quint8>{1, 1}));
    EXPECT_TRUE(rows.Row(0).Message.contains(QStringLiteral("not overwritten")));
    EXPECT_EQ(QDir(sandbox.filePath(QStringLiteral("src"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

TEST_F(RunTest, MultipageIntoAFormatOfOneFrameWritesAFilePerFrame)
{
    job().MultiPages = 1;
    job().TargetExt = QStringLiteral("PNG");
    addImage(QStringLiteral("f1.png"));
    addImage(QStringLiteral("f2.png"));
    rebuild();
    runHere(output(QStringLiteral("frames.PNG")));
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2}));
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("frames-0.PNG"), QStringLiteral("frames-1.PNG")}));
}

TEST_F(RunTest, MultipageMayReplaceTheFileTheUserChose)
{
    job().MultiPages = 1;
    job().TargetExt = QStringLiteral("TIFF");
    addImage(QStringLiteral("r1.png"));
    addImage(QStringLiteral("r2.png"));
    rebuild();
    const QString album = output(QStringLiteral("album.TIFF"));
    WriteFileBytes(album, QByteArray("old"));
    runHere(album);
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2}));
    EXPECT_EQ(ImageFileFrameCount(album), 2);
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("album.TIFF")});
}

TEST_F(RunTest, MultiPagesIsReadWhenTheRunStarts)
{
    addImage(QStringLiteral("mode.png"));
    rebuild();
    job().MultiPages = 0;
    TThreadConvert modeRun(rows, display, RunSettingsFor(job()));
    display.onRowStarted = [&](int) { job().MultiPages = 1; };
    modeRun.Execute();
    EXPECT_FALSE(modeRun.Multipage());
    EXPECT_EQ(outputFiles(), QStringList{QStringLiteral("mode.PNG")});
}

} // namespace

namespace {

// --- Files in parallel -------------------------------------------------------------

// Width, height and the 8-bit red channel of every tenth pixel along the diagonal.
QString PixelPrint(const QString &path)
{
    const TImageListPtr frames = ReadImageFile(path);
    if (!frames)
        return QStringLiteral("unreadable");
    QString print = QStringLiteral("%1x%2:").arg(frames->columns).arg(frames->rows);
    for (size_t i = 0; i < qMin(frames->columns, frames->rows); i += 10) {
        const TRgb pixel = PixelAt(frames.get(), int(i), int(i));
        print += QStringLiteral(" %1/%2/%3").arg(pixel.red).arg(pixel.green).arg(pixel.blue);
    }
    return print;
}

TEST_F(RunTest, OneFileAtATimeAndFourGiveTheSameNamesAndPixels)
{
    // Collisions among the sources and with a file left by an earlier run, a failing
    // file in between, and a large first file that finishes last when four run at once.
    addImage(QStringLiteral("a.jpg"), 600, 450, QStringLiteral("plasma:"));
    addImage(QStringLiteral("a.gif"), 50, 40);
    addFile(QStringLiteral("a.bmp"), QByteArray("no image"));
    addImage(QStringLiteral("a.tif"), 30, 60, QStringLiteral("gradient:green-yellow"));
    addImage(QStringLiteral("b.png"), 64, 48, QStringLiteral("plasma:"));
    addImage(QStringLiteral("b.jpeg"), 48, 64);
    rebuild();
    job().SizeAsIs = 0;
    job().Width = QStringLiteral("40");
    job().Height = QStringLiteral("30");
    const QString earlier = output(QStringLiteral("a_1.PNG"));

    struct TOutcome
    {
        QStringList names;
        QList<quint8> statuses;
        QStringList prints;
    };
    auto runWith = [&](int filesAtOnce) {
        for (const QString &name : outputFiles())
            QFile::remove(output(name));
        WriteFileBytes(earlier, QByteArray("earlier run"));
        rows.ResetStatuses();
        display = TRecordingDisplay();
        runHere(QString(), filesAtOnce);
        TOutcome outcome{display.outputs, statuses(), {}};
        for (const QString &name : outputFiles())
            outcome.prints.append(name + QLatin1Char(' ') + (name == QLatin1String("a_1.PNG") ? QString::fromLatin1(ReadFileBytes(earlier)) : PixelPrint(output(name))));
        return outcome;
    };
    const TOutcome one = runWith(1);
    const TOutcome four = runWith(4);
    EXPECT_EQ(one.statuses, (QList<quint8>{2, 2, 1, 2, 2, 2}));
    // The failing a.bmp writes nothing and takes no name.
    EXPECT_EQ(one.names, (QStringList{output(QStringLiteral("a.PNG")), output(QStringLiteral("a_2.PNG")),
                                      QString(), output(QStringLiteral("a_3.PNG")),
                                      output(QStringLiteral("b.PNG")), output(QStringLiteral("b_1.PNG"))}));
    EXPECT_EQ(four.names, one.names);
    EXPECT_EQ(four.statuses, one.statuses);
    EXPECT_EQ(four.prints, one.prints);
    EXPECT_EQ(display.finished, (QList<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(display.gauge, (Gauge{0, 17, 33, 50, 67, 83, 100, 100}));
}

TEST_F(RunTest, StopDuringAParallelRunStartsNoFurtherRow)
{
    for (int i = 1; i <= 8; ++i)
        addImage(QStringLiteral("q%1.png").arg(i), 200, 150);
    rebuild();
    display.onRowStarted = [&](int row) {
        if (row == 2)
            run->Stop();
    };
    runHere(QString(), 4);
    // The rows already in work end with their writes; no other row is touched.
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2, 2, 0, 0, 0, 0, 0}));
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("q1.PNG"), QStringLiteral("q2.PNG"),
                                          QStringLiteral("q3.PNG")}));
    EXPECT_EQ(display.started, (QList<int>{0, 1, 2}));
}

TEST_F(RunTest, MultipageDecodedInParallelKeepsTheOrderOfTheRows)
{
    job().MultiPages = 1;
    job().TargetExt = QStringLiteral("TIFF");
    // The first source is the slowest, so its job ends last.
    addImage(QStringLiteral("m0.png"), 600, 450);
    addImage(QStringLiteral("m1.png"), 11, 21);
    addFile(QStringLiteral("m2.png"), QByteArray("broken"));
    addImage(QStringLiteral("m3.gif"), 13, 23);
    addImage(QStringLiteral("m4.jpg"), 14, 24);
    rebuild();
    const QString album = output(QStringLiteral("album.TIFF"));
    runHere(album, 4);
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2, 1, 2, 2}));
    EXPECT_EQ(display.written, (QList<int>{0, 1, 3, 4}));
    const TImageListPtr frames = ReadImageFile(album);
    QStringList sizes;
    for (const Image *frame = frames.get(); frame; frame = frame->next)
        sizes.append(QStringLiteral("%1x%2").arg(frame->columns).arg(frame->rows));
    EXPECT_EQ(sizes, (QStringList{QStringLiteral("600x450"), QStringLiteral("11x21"),
                                  QStringLiteral("13x23"), QStringLiteral("14x24")}));
}

TEST_F(RunTest, EveryRowWorksWithTheProjectAsItWasWhenTheRunStarted)
{
    addImage(QStringLiteral("e1.png"), 80, 60);
    addImage(QStringLiteral("e2.png"), 80, 60);
    rebuild();
    job().SizeAsIs = 0;
    job().Width = QStringLiteral("40");
    job().Height = QStringLiteral("30");
    // An edit made during the run reaches the next run only.
    display.onRowStarted = [&](int row) {
        if (row == 0)
            job().Width = QStringLiteral("20");
    };
    runHere(QString(), 1);
    EXPECT_EQ(PixelPrint(output(QStringLiteral("e1.PNG"))).section(QLatin1Char(':'), 0, 0), QStringLiteral("40x30"));
    EXPECT_EQ(PixelPrint(output(QStringLiteral("e2.PNG"))).section(QLatin1Char(':'), 0, 0), QStringLiteral("40x30"));
}

} // namespace

namespace {

TEST_F(RunTest, TwoRunsSideBySideEachFollowTheValueTheyWereGiven)
{
    addImage(QStringLiteral("s.png"), 80, 60);
    rebuild();
    TRunSettings smaller = RunSettingsFor(job());
    smaller.Project.SizeAsIs = 0;
    smaller.Project.Width = QStringLiteral("40");
    smaller.Project.Height = QStringLiteral("30");
    TRunSettings counted = RunSettingsFor(job());
    counted.Project.TargetExt = QStringLiteral("GIF");
    counted.Project.UseCounter = 1;
    counted.Project.CounterStart = 7;
    // The window's project plays no part in either run.
    job().TargetExt = QStringLiteral("BMP");
    TSourcesModel otherRows;
    otherRows.Rebuild(FavorList());
    TRecordingDisplay otherDisplay;

    int ended = 0;
    QEventLoop loop;
    for (auto *sideBySide : {new TThreadConvert(rows, display, smaller),
                             new TThreadConvert(otherRows, otherDisplay, counted)}) {
        sideBySide->Launch([&](TThreadConvert &) {
            if (++ended == 2)
                loop.quit();
        });
    }
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    ASSERT_EQ(ended, 2);
    EXPECT_EQ(outputFiles(), (QStringList{QStringLiteral("s.PNG"), QStringLiteral("s_7.GIF")}));
    EXPECT_TRUE(PixelPrint(output(QStringLiteral("s.PNG"))).startsWith(QLatin1String("40x30:")));
    EXPECT_TRUE(PixelPrint(output(QStringLiteral("s_7.GIF"))).startsWith(QLatin1String("80x60:")));
}

} // namespace

// A holiday tree gathered for real, converted into the same tree named by the date taken,
// with dates kept; the second run keeps what the first wrote and says so on every row.
TEST_F(RunTest, AGatheredTreeKeepsItsFoldersAndASecondRunSkipsEveryOutput)
{
    const QString tree = sandbox.filePath(QStringLiteral("src/Holiday"));
    ASSERT_TRUE(QDir().mkpath(tree + QStringLiteral("/Beach/Day 1")));
    const QStringList sources = {QStringLiteral("Holiday/a.png"), QStringLiteral("Holiday/Beach/b.gif"),
                                 QStringLiteral("Holiday/Beach/Day 1/c.jpg")};
    for (const QString &name : sources)
        WriteFileBytes(source(name), MakeImageBytes(QStringLiteral("xc:red"), 8, 6, QFileInfo(name).suffix()));
    addImage(QStringLiteral("single.png")); // added on its own: into the destination itself
    const QDateTime taken(QDate(2024, 7, 14), QTime(18, 30, 5));
    for (const QString &name : sources + QStringList{QStringLiteral("single.png")}) {
        QFile file(source(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(taken, QFileDevice::FileModificationTime));
    }
    PendingFavorList().append(PendingEntryFor(tree));
    const TGatherResult gathered = GatherWithThread(GatherMasks(true, job().SourceExts), false);
    ASSERT_TRUE(gathered.Error.isEmpty()) << gathered.Error.toStdString();
    rebuild();
    ASSERT_EQ(rows.Count(), 4);

    TOutputRules rules;
    rules.KeepFolders = true;
    rules.NamePattern = QStringLiteral("{taken}_{name}");
    rules.LowerExt = true;
    rules.Existing = TExisting::Skip;
    rules.KeepDates = true;
    rules.WriteTo(job().Options);
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2, 2, 2}));
    const QStringList expected = {QStringLiteral("out/2024-07-14_183005_single.png"), QStringLiteral("out/2024-07-14_183005_a.png"),
                                  QStringLiteral("out/Beach/2024-07-14_183005_b.png"),
                                  QStringLiteral("out/Beach/Day 1/2024-07-14_183005_c.png")};
    for (const QString &name : expected) {
        EXPECT_TRUE(QFileInfo::exists(sandbox.filePath(name))) << name.toStdString();
    }
    EXPECT_EQ(QFileInfo(sandbox.filePath(expected.at(3))).lastModified(), taken);

    const QByteArray before = ReadFileBytes(sandbox.filePath(expected.at(2)));
    rows.ResetStatuses();
    display = TRecordingDisplay();
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{3, 3, 3, 3}));
    EXPECT_EQ(rows.Row(1).Message, QStringLiteral("Skipped, exists: 2024-07-14_183005_a.png"));
    EXPECT_EQ(ReadFileBytes(sandbox.filePath(expected.at(2))), before);
    EXPECT_EQ(display.gauge.last(), 100);
    FinishSummary(ConversionSummary, rows.ReportRows(), job(), false);
    EXPECT_EQ(ConversionSummary.Succeeded, 0);
    EXPECT_EQ(ConversionSummary.Failed, 0);
    EXPECT_TRUE(ComposeReport(ConversionSummary, rows.ReportRows()).contains(QStringLiteral("Skipped     :4")));

    // Replace writes over the earlier outputs, through the staging folder.
    rules.Existing = TExisting::Replace;
    rules.WriteTo(job().Options);
    rows.ResetStatuses();
    runHere();
    EXPECT_EQ(statuses(), (QList<quint8>{2, 2, 2, 2}));
    EXPECT_EQ(QDir(sandbox.filePath(QStringLiteral("out/Beach"))).entryList(QDir::Files).size(), 1);
}

namespace {

// The same sources at 1, 2 and 4 files at once: the names of a run of one file at a time,
// in which a name is made and tested just before each source converts, and the same
// pixels (the encoder stamps the time into the files).
TEST_F(RunTest, AnyNumberOfFilesAtOnceGivesTheNamesAndPixelsOfOneAtATime)
{
    struct Case
    {
        const char *name;
        std::function<void()> sources;
        QStringList outputs;
        QList<quint8> statuses;
        // Library limits in MiB: memory, map, disk; 0 keeps the usual ones.
        int limits[3] = {0, 0, 0};
    };
    const quint64 usualDisk = CurrentLibraryLimits().Disk;
    const auto setLimits = [](int memory, int map, quint64 disk) {
        MemoryLimit = memory;
        MapLimit = map;
        ApplyResourceLimits();
        MagickEntry<MagickBooleanType(ResourceType, MagickSizeType)>("SetMagickResourceLimit")(DiskResource, disk);
    };
    QStringList gifOutputs{QStringLiteral("g-0.PNG"), QStringLiteral("g-1.PNG")};
    for (int i = 1; i < 40; ++i)
        gifOutputs << QStringLiteral("g_%1-0.PNG").arg(i) << QStringLiteral("g_%1-1.PNG").arg(i);
    gifOutputs.sort();
    const QList<Case> cases = {
        {"pages beside their per-page names",
         [&] {
             addFile(QStringLiteral("a.tif"), MakeImageBytes(QStringLiteral("plasma:"), 30, 20, QStringLiteral("tif"), 3));
             addImage(QStringLiteral("a-0.png"));
             addImage(QStringLiteral("a-1.gif"));
         },
         {QStringLiteral("a-0.PNG"), QStringLiteral("a-0_1.PNG"), QStringLiteral("a-1.PNG"),
          QStringLiteral("a-1_1.PNG"), QStringLiteral("a-2.PNG")},
         {2, 2, 2}},
        {"a damaged file takes no name",
         [&] {
             addFile(QStringLiteral("x.jpg"), QByteArray("\xff\xd8\xff\xe0 damaged", 12));
             addImage(QStringLiteral("x.png"));
         },
         {QStringLiteral("x.PNG")},
         {1, 2}},
        {"forty two-frame GIFs of one base name",
         [&] {
             addFile(QStringLiteral("g.gif"), GifOfFrames(2));
             for (int i = 1; i < 40; ++i)
                 addFile(QStringLiteral("g.%1.gif").arg(i, 2, 10, QLatin1Char('0')), GifOfFrames(2));
         },
         gifOutputs,
         QList<quint8>(40, 2)},
        {"two large files that need the memory of both",
         [&] {
             addImage(QStringLiteral("big1.png"), 1000, 900, QStringLiteral("plasma:"));
             addImage(QStringLiteral("big2.png"), 1000, 900, QStringLiteral("plasma:"));
         },
         {QStringLiteral("big1.PNG"), QStringLiteral("big2.PNG")},
         {2, 2},
         {8, 16, 4}},
    };
    for (const Case &c : cases) {
        FavorList().Clear();
        c.sources();
        rebuild();
        if (c.limits[0] > 0)
            setLimits(c.limits[0], c.limits[1], quint64(c.limits[2]) << 20);
        QStringList first;
        for (int filesAtOnce : {1, 2, 4}) {
            for (const QString &name : outputFiles())
                QFile::remove(output(name));
            runHere(QString(), filesAtOnce);
            EXPECT_EQ(statuses(), c.statuses) << c.name << " at " << filesAtOnce << " " << rows.Row(0).Message.toStdString();
            EXPECT_EQ(outputFiles(), c.outputs) << c.name << " at " << filesAtOnce;
            QStringList prints;
            for (const QString &name : outputFiles())
                prints.append(name + QLatin1Char(' ') + PixelPrint(output(name)));
            if (filesAtOnce == 1)
                first = prints;
            EXPECT_EQ(prints, first) << c.name << " at " << filesAtOnce;
        }
        setLimits(32, 64, usualDisk);
    }
}

} // namespace
