#include "ProjectFileBytes.h"

#include "engine/unitFormats.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"
#include "support/ScriptedPrompt.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class ProjectFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_GE(job.SourceExts.size(), 3) << "needs the real library's formats";
        ASSERT_TRUE(sandbox.isValid());
    }

    QString path(const char *name = "p.prj") const { return sandbox.filePath(QString::fromLatin1(name)); }

    void open(const QByteArray &bytes)
    {
        WriteFileBytes(path(), bytes);
        job.LoadFromFile(path());
    }

    QString openError(const QByteArray &bytes)
    {
        try {
            open(bytes);
        } catch (const TError &error) {
            return error.text();
        }
        return QStringLiteral("(no error)");
    }

    QByteArray code(int position) const { return job.SourceExts.at(position).Ext.toUtf8(); }

    QTemporaryDir sandbox;
    TScriptedPrompt prompt;
    TCnvJob job{QStringLiteral("Untitled")};
};

// A complete file with every header field set to something other than a default.
TProjectFileBytes fullFile()
{
    TProjectFileBytes file;
    file.text(6, "Holiday", 25)
        .text(32, "Anna", 15)
        .dateTime(48, 46000.25)
        .dateTime(56, 46001.5)
        .dateTime(64, 12345.0)
        .text(76, "png", 5)
        .byte(82, 1)
        .byte(83, 1)
        .text(84, "/photos/out", 250)
        .byte(335, 1)
        .byte(336, 0)
        .byte(337, 2)
        .int32(340, -1)
        .text(344, "8.5", 5)
        .text(350, "11", 5)
        .byte(356, 1)
        .byte(357, 0)
        .byte(358, 0)
        .int32(360, 1)
        .byte(364, 1)
        .byte(365, 90)
        .byte(366, 1)
        .int32(368, 42)
        .text(372, "/var/tmp", 250);
    return file;
}

} // namespace

TEST_F(ProjectFile, OpensEveryFieldFromHandWrittenBytes)
{
    const TExtList targetsBefore = job.TargetExts;
    job.MultiPages = 1;
    TProjectFileBytes file = fullFile();
    file.record(code(0), 0).record(code(1), 1).record(code(2), 0).comment("first\r\nsecond\r\n");
    const double before = NowDateTime();
    open(file.bytes());

    EXPECT_TRUE(prompt.warnings.isEmpty()) << prompt.warnings.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(job.Name, QLatin1String("Holiday"));
    EXPECT_EQ(job.Author, QLatin1String("Anna"));
    EXPECT_EQ(job.Created, 46000.25);
    EXPECT_EQ(job.Modified, 46001.5);
    EXPECT_GE(job.Opened, before);
    EXPECT_EQ(job.TargetExt, QLatin1String("png"));
    EXPECT_EQ(job.SearchMode, 1);
    EXPECT_EQ(job.UseDestDir, 1);
    EXPECT_EQ(job.DestDir, QLatin1String("/photos/out"));
    EXPECT_EQ(job.RenameMode, 1);
    EXPECT_EQ(job.SizeAsIs, 0);
    EXPECT_EQ(job.Measure, 2);
    EXPECT_EQ(job.PresetIndex, -1);
    EXPECT_EQ(job.Width, QLatin1String("8.5"));
    EXPECT_EQ(job.Height, QLatin1String("11"));
    EXPECT_EQ(job.LockHeight, 1);
    EXPECT_EQ(job.LockWidth, 0);
    EXPECT_EQ(job.OrientAsIs, 0);
    EXPECT_EQ(job.Orientation, 1);
    EXPECT_EQ(job.RotateCCW, 1);
    EXPECT_EQ(job.Quality, 90);
    EXPECT_EQ(job.UseCounter, 1);
    EXPECT_EQ(job.CounterStart, 42);
    EXPECT_EQ(job.ScratchDrive, QLatin1String("/var/tmp"));
    EXPECT_EQ(job.Comment, QStringList({QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_EQ(job.SourceExts.at(0).Enabled, 0);
    EXPECT_EQ(job.SourceExts.at(1).Enabled, 1);
    EXPECT_EQ(job.SourceExts.at(2).Enabled, 0);
    EXPECT_EQ(job.SourceExts.at(3).Enabled, 1);
    EXPECT_EQ(job.MultiPages, 1);
    EXPECT_EQ(job.TargetExts.size(), targetsBefore.size());
}

TEST_F(ProjectFile, SavesTheDocumentedLayout)
{
    job.Name = QStringLiteral("Holiday");
    job.Comment = QStringList({QStringLiteral("a"), QStringLiteral("b")});
    job.RotateCCW = 1;
    job.Quality = 85;
    job.UseCounter = 0;
    job.CounterStart = 0x01020304;
    job.Opened = 777.0;
    job.SourceExts[1].Enabled = 0;
    const double modifiedInMemory = job.Modified;
    const double before = NowDateTime();
    job.SaveToFile(path());
    const QByteArray bytes = ReadFileBytes(path());
    const int n = int(job.SourceExts.size());

    ASSERT_EQ(bytes.size(), 624 + 7 * n + 6);
    EXPECT_EQ(bytes.left(6), QByteArray("\x05PRJ01"));
    EXPECT_EQ(bytes.mid(6, 8), QByteArray("\x07Holiday"));
    EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 72), n);
    EXPECT_EQ(bytes.mid(364, 3), QByteArray("\x01\x55\x00", 3));
    EXPECT_EQ(bytes.mid(368, 4), QByteArray("\x04\x03\x02\x01"));
    double stored;
    std::memcpy(&stored, bytes.constData() + 56, 8);
    EXPECT_GE(stored, before);
    EXPECT_EQ(job.Modified, modifiedInMemory);
    std::memcpy(&stored, bytes.constData() + 64, 8);
    EXPECT_EQ(stored, 777.0);
    const QByteArray secondRecord = bytes.mid(624 + 7, 7);
    EXPECT_EQ(int(secondRecord.at(0)), job.SourceExts.at(1).Ext.size());
    EXPECT_EQ(secondRecord.mid(1, secondRecord.at(0)), job.SourceExts.at(1).Ext.toUtf8());
    EXPECT_EQ(secondRecord.at(6), 0);
    EXPECT_EQ(bytes.right(6), QByteArray("a\r\nb\r\n"));
}

TEST_F(ProjectFile, RoundTripsEveryStoredField)
{
    TCnvJob original(QStringLiteral("Übersicht 2026"));
    original.Author = QStringLiteral("Jürgen");
    original.Created = 45000.125;
    original.Comment = QStringList({QStringLiteral("line one"), QString(), QStringLiteral("  spaced  ")});
    original.TargetExt = QStringLiteral("TIFF");
    original.SearchMode = 1;
    original.UseDestDir = 1;
    original.DestDir = QStringLiteral("/srv/bilder/ausgabe");
    original.RenameMode = 1;
    original.SizeAsIs = 0;
    original.Measure = 1;
    original.PresetIndex = 3;
    original.Width = QStringLiteral("12,5");
    original.Height = QStringLiteral("9");
    original.LockWidth = 1;
    original.OrientAsIs = 0;
    original.Orientation = 1;
    original.RotateCCW = 1;
    original.UseCounter = 1;
    original.CounterStart = -5;
    original.Quality = 100;
    original.ScratchDrive = QStringLiteral("/scratch");
    for (int i = 0; i < original.SourceExts.size(); i += 2)
        original.SourceExts[i].Enabled = 0;
    const double saved = NowDateTime();
    original.SaveToFile(path());

    job.MultiPages = 1;
    job.LoadFromFile(path());
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_EQ(job.Name, original.Name);
    EXPECT_EQ(job.Author, original.Author);
    EXPECT_EQ(job.Created, original.Created);
    EXPECT_GE(job.Modified, saved);
    EXPECT_GE(job.Opened, job.Modified);
    EXPECT_EQ(job.Comment, original.Comment);
    EXPECT_EQ(job.TargetExt, original.TargetExt);
    EXPECT_EQ(job.SearchMode, original.SearchMode);
    EXPECT_EQ(job.UseDestDir, original.UseDestDir);
    EXPECT_EQ(job.DestDir, original.DestDir);
    EXPECT_EQ(job.RenameMode, original.RenameMode);
    EXPECT_EQ(job.SizeAsIs, original.SizeAsIs);
    EXPECT_EQ(job.Measure, original.Measure);
    EXPECT_EQ(job.PresetIndex, original.PresetIndex);
    EXPECT_EQ(job.Width, original.Width);
    EXPECT_EQ(job.Height, original.Height);
    EXPECT_EQ(job.LockHeight, original.LockHeight);
    EXPECT_EQ(job.LockWidth, original.LockWidth);
    EXPECT_EQ(job.OrientAsIs, original.OrientAsIs);
    EXPECT_EQ(job.Orientation, original.Orientation);
    EXPECT_EQ(job.RotateCCW, original.RotateCCW);
    EXPECT_EQ(job.UseCounter, original.UseCounter);
    EXPECT_EQ(job.CounterStart, original.CounterStart);
    EXPECT_EQ(job.Quality, original.Quality);
    EXPECT_EQ(job.ScratchDrive, original.ScratchDrive);
    ASSERT_EQ(job.SourceExts.size(), original.SourceExts.size());
    for (int i = 0; i < job.SourceExts.size(); ++i)
        EXPECT_EQ(job.SourceExts.at(i).Enabled, original.SourceExts.at(i).Enabled) << i;
    EXPECT_EQ(job.MultiPages, 1);
}

TEST_F(ProjectFile, CutsTextsToTheirCapacity)
{
    job.Name = QStringLiteral("abcdefghijklmnopqrstuvwxyz1234");
    job.Width = QStringLiteral("12.345");
    job.SaveToFile(path());
    EXPECT_EQ(ReadFileBytes(path()).size(), 624 + 7 * job.SourceExts.size());
    TCnvJob reopened(QStringLiteral("x"));
    reopened.LoadFromFile(path());
    EXPECT_EQ(reopened.Name, QLatin1String("abcdefghijklmnopqrstuvwxy"));
    EXPECT_EQ(reopened.Width, QLatin1String("12.34"));
}

TEST_F(ProjectFile, ClampsALengthByteBeyondItsCapacity)
{
    TProjectFileBytes file = fullFile();
    file.text(6, "Holiday", 25).rawLength(6, 200).text(344, "12345", 5).rawLength(344, 9);
    open(file.bytes());
    EXPECT_EQ(job.Name.size(), 25);
    EXPECT_TRUE(job.Name.startsWith(QLatin1String("Holiday")));
    EXPECT_EQ(job.Width, QLatin1String("12345"));
}

TEST_F(ProjectFile, IgnoresAForeignTagSilently)
{
    const QString name = job.Name;
    TProjectFileBytes sixth = fullFile();
    sixth.rawLength(0, 6);
    open(sixth.bytes());
    TProjectFileBytes lower = fullFile();
    lower.text(0, "prj01", 5);
    open(lower.bytes());
    EXPECT_EQ(job.Name, name);
    EXPECT_EQ(job.Quality, 75);
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_TRUE(prompt.errors.isEmpty());
}

TEST_F(ProjectFile, RefusesAShortFileAndChangesNothing)
{
    EXPECT_EQ(openError(fullFile().bytes().left(623)), QLatin1String("Stream read error"));
    EXPECT_EQ(openError(QByteArray()), QLatin1String("Stream read error"));
    EXPECT_EQ(job.Name, QLatin1String("Untitled"));
    EXPECT_EQ(job.Quality, 75);
}

TEST_F(ProjectFile, ReportsAFileThatCannotBeOpened)
{
    const QString missing = path("none.prj");
    try {
        job.LoadFromFile(missing);
        FAIL();
    } catch (const TError &error) {
        EXPECT_EQ(error.text(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    }
    EXPECT_THROW(job.LoadFromFile(sandbox.path()), TError);
    EXPECT_EQ(job.Name, QLatin1String("Untitled"));
}

TEST_F(ProjectFile, StopsInsideTheRecordsWithWhatWasReadApplied)
{
    TProjectFileBytes file = fullFile();
    file.record(code(0), 0).record(code(1), 0).count(5);
    const QByteArray bytes = file.bytes();
    EXPECT_EQ(openError(bytes.left(bytes.size() - 3)), QLatin1String("Stream read error"));
    // The fields before the records and the first record are in; the rest is not.
    EXPECT_EQ(job.Name, QLatin1String("Holiday"));
    EXPECT_EQ(job.Quality, 90);
    EXPECT_EQ(job.TargetExt, QLatin1String("png"));
    EXPECT_EQ(job.SourceExts.at(0).Enabled, 0);
    EXPECT_EQ(job.SourceExts.at(1).Enabled, 1);
    EXPECT_EQ(job.SearchMode, 0);
    EXPECT_EQ(job.DestDir, DefaultOutputFolder());
}

TEST_F(ProjectFile, RefusesARecordBeyondTheListWithItsPosition)
{
    TProjectFileBytes file = fullFile();
    const int n = int(job.SourceExts.size());
    for (int i = 0; i < n; ++i)
        file.record(code(i), 0);
    file.record(code(0), 1);
    EXPECT_EQ(openError(file.bytes()), QStringLiteral("List index out of bounds (%1)").arg(n));
    EXPECT_EQ(job.SourceExts.at(n - 1).Enabled, 0);
    EXPECT_EQ(job.SearchMode, 0);
}

TEST_F(ProjectFile, WarnsOncePerUnknownCodeAndAppliesFlagsByPosition)
{
    TProjectFileBytes file = fullFile();
    file.text(76, "ZZ'Z", 5)
        .record("QQQ", 0)      // unknown: warned and skipped, entry 0 keeps its flag
        .record(code(2), 0)    // known code elsewhere in the list: the flag goes to entry 1
        .record("", 0)         // empty code: applies to entry 2
        .record("qqq", 0);     // unknown again: another warning
    open(file.bytes());
    EXPECT_EQ(prompt.warnings,
              QStringList({QStringLiteral("Not found plugin for 'ZZ''Z'"),
                           QStringLiteral("Not found plugin for 'QQQ'"),
                           QStringLiteral("Not found plugin for 'qqq'")}));
    EXPECT_TRUE(job.TargetExt.isEmpty());
    EXPECT_EQ(job.SourceExts.at(0).Enabled, 1);
    EXPECT_EQ(job.SourceExts.at(1).Enabled, 0);
    EXPECT_EQ(job.SourceExts.at(2).Enabled, 0);
    EXPECT_EQ(job.SourceExts.at(3).Enabled, 1);
    EXPECT_EQ(job.Orientation, 1);
}

TEST_F(ProjectFile, TreatsANegativeCountAsNoRecords)
{
    TProjectFileBytes file = fullFile();
    file.count(-3).comment("note");
    open(file.bytes());
    EXPECT_EQ(job.Comment, QStringList({QStringLiteral("note")}));
    for (const TExtCell &cell : job.SourceExts)
        EXPECT_EQ(cell.Enabled, 1);
}

TEST_F(ProjectFile, SplitsTheCommentAtEveryKindOfLineEnd)
{
    const auto lines = [this](const QByteArray &comment) {
        TProjectFileBytes file = fullFile();
        file.comment(comment);
        open(file.bytes());
        return job.Comment;
    };
    const QStringList ab({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_EQ(lines("a\r\nb\r\n"), ab);
    EXPECT_EQ(lines("a\r\nb"), ab);
    EXPECT_EQ(lines("a\rb\n"), ab);
    EXPECT_EQ(lines("a\n\rb"), QStringList({QStringLiteral("a"), QString(), QStringLiteral("b")}));
    EXPECT_EQ(lines("a\r\n\r\n"), QStringList({QStringLiteral("a"), QString()}));
    EXPECT_EQ(lines(QByteArray("a\r\nb\0c\r\n", 8)), ab);
    EXPECT_EQ(lines("\xD0\x9F\xD1\x80\xD0\xB8"), QStringList({QStringLiteral("При")}));
    EXPECT_TRUE(lines("").isEmpty());
}

TEST_F(ProjectFile, ReadsFromAnyStream)
{
    TProjectFileBytes file = fullFile();
    file.comment("x");
    QByteArray bytes = file.bytes();
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    job.LoadFromStream(buffer);
    EXPECT_EQ(job.Name, QLatin1String("Holiday"));
    EXPECT_EQ(job.Comment, QStringList({QStringLiteral("x")}));
}

TEST_F(ProjectFile, ReportsAFileThatCannotBeCreated)
{
    const QString target = sandbox.filePath(QStringLiteral("missing/p.prj"));
    try {
        job.SaveToFile(target);
        FAIL();
    } catch (const TError &error) {
        EXPECT_TRUE(error.text().startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(target)))
            << error.text().toStdString();
        EXPECT_GT(error.text().size(), QStringLiteral("Cannot create file \"%1\". ").arg(target).size());
    }
    EXPECT_FALSE(QFileInfo::exists(target));
}

TEST_F(ProjectFile, AFailedSaveKeepsTheEarlierFile)
{
    const QString folder = sandbox.filePath(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString target = folder + QStringLiteral("/p.prj");
    job.Name = QStringLiteral("Earlier");
    job.SaveToFile(target);
    const QByteArray earlier = ReadFileBytes(target);

    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    const bool locked = ::access(QFile::encodeName(folder).constData(), W_OK) != 0;
    if (locked) {
        job.Name = QStringLiteral("Later");
        EXPECT_THROW(job.SaveToFile(target), TError);
        EXPECT_EQ(ReadFileBytes(target), earlier);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList({QStringLiteral("p.prj")}));
    }
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    if (!locked)
        GTEST_SKIP() << "the folder stays writable for this user (root)";
}

TEST_F(ProjectFile, ASaveThatRunsOutOfRoomKeepsTheEarlierFile)
{
    const QString target = path();
    job.Name = QStringLiteral("Earlier");
    job.Comment = QStringList({QStringLiteral("keep me")});
    job.SaveToFile(target);
    const QByteArray earlier = ReadFileBytes(target);

    job.Name = QStringLiteral("Later");
    QString message;
    {
        const TFileSizeLimit limit(100);
        try {
            job.SaveToFile(target);
        } catch (const TError &error) {
            message = error.text();
        }
    }

    EXPECT_EQ(message, QLatin1String("Stream write error"));
    EXPECT_EQ(ReadFileBytes(target), earlier);
    EXPECT_EQ(QDir(sandbox.path()).entryList(QDir::Files), QStringList({QStringLiteral("p.prj")}));
}

TEST_F(ProjectFile, OpensAFileOfTheEarlierFormatListWithoutAWarning)
{
    // The records as the program wrote them when only the table rows of the installed
    // modules were offered, PDF and PS among them, flags alternating.
    TProjectFileBytes file = fullFile();
    QMap<QString, int> flags;
    int n = 0;
    for (const TFilterItemType &format : FormatsForModules(InstalledCoderModules())) {
        if (!format.Mode.contains(QLatin1Char('R')))
            continue;
        flags.insert(format.Code, n % 2);
        file.record(format.Code.toUtf8(), n++ % 2);
    }
    ASSERT_TRUE(flags.contains(QStringLiteral("PDF")));
    ASSERT_FALSE(flags.contains(QStringLiteral("WEBP")));
    open(file.bytes());
    EXPECT_TRUE(prompt.warnings.isEmpty()) << prompt.warnings.join(QLatin1Char('\n')).toStdString();
    for (const TExtCell &cell : std::as_const(job.SourceExts))
        EXPECT_EQ(cell.Enabled, flags.value(cell.Ext, 1)) << cell.Ext.toStdString();
    // The new rows, untouched by the file, show their files in the browser.
    for (const char *name : {"a.webp", "b.HEIC", "c.avif", "d.ico", "e.ppm", "f.pgm", "g.pbm", "h.pam"})
        EXPECT_TRUE(AcceptItem(QLatin1String(name), false, true, job.SourceExts)) << name;
}

TEST_F(ProjectFile, KeepsTheProgramsSettingsAfterTheCommentAndWritesUnknownKeysBack)
{
    job.Name = QStringLiteral("Holiday");
    job.Comment = QStringList({QStringLiteral("a")});
    job.SaveToFile(path("plain.prj"));
    const QByteArray plain = ReadFileBytes(path("plain.prj"));
    EXPECT_EQ(plain.size(), 624 + 7 * job.SourceExts.size() + 3) << "no block without settings";

    TOutputRules rules;
    rules.NamePattern = QStringLiteral("{taken}_{name}");
    rules.Existing = TExisting::Skip;
    rules.WriteTo(job.Options);
    job.Options.insert(QStringLiteral("webp.lossless"), QStringLiteral("1"));
    job.Options.insert(QStringLiteral("from-a-later-version"), QString::fromUtf8("a=b\\c\nd\r\xC3\xA4"));
    const TJobOptions written = job.Options;
    job.SaveToFile(path());
    const QByteArray bytes = ReadFileBytes(path());
    EXPECT_EQ(bytes.left(624 + 7 * job.SourceExts.size() + 3).mid(64), plain.mid(64));
    EXPECT_EQ(bytes.mid(plain.size()),
              QByteArray(1, '\0') + QByteArray("PICTAVO-SETTINGS 1\nexisting=skip\nfrom-a-later-version=a=b\\\\c\\nd\\r\xC3\xA4\n"
                         "name={taken}_{name}\nwebp.lossless=1\n"));

    TCnvJob reopened(QStringLiteral("Other"));
    reopened.LoadFromFile(path());
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_EQ(reopened.Options, written);
    EXPECT_EQ(reopened.Comment, job.Comment);

    // Settings back at their defaults leave the file as it was without them.
    TOutputRules().WriteTo(reopened.Options);
    reopened.Options.remove(QStringLiteral("webp.lossless"));
    reopened.Options.remove(QStringLiteral("from-a-later-version"));
    reopened.SaveToFile(path("again.prj"));
    EXPECT_EQ(ReadFileBytes(path("again.prj")).size(), plain.size());
}

TEST_F(ProjectFile, ADamagedSettingsBlockIsIgnoredWithOneWarningAndTheRestLoads)
{
    const QByteArray blocks[] = {
        QByteArray("garbage\n"),
        QByteArray("PICTAVO-SETTINGS 2\nname=x\n"),
        QByteArray("PICTAVO-SETTINGS 1\nno equals sign\n"),
        QByteArray("PICTAVO-SETTINGS 1\nname=bad \\q escape\n"),
        QByteArray("PICTAVO-SETTINGS 1\nname=\xFF\xFE\n"),
        QByteArray("PICTAVO-SETTINGS 1\nname=cut short"),
    };
    for (const QByteArray &block : blocks) {
        job.Options.insert(QStringLiteral("stale"), QStringLiteral("1"));
        prompt.warnings.clear();
        TProjectFileBytes file = fullFile();
        file.comment(QByteArray("kept\r\n") + '\0' + block);
        open(file.bytes());
        EXPECT_EQ(prompt.warnings.size(), 1) << block.toStdString();
        EXPECT_TRUE(job.Options.isEmpty()) << block.toStdString();
        EXPECT_EQ(job.Name, QLatin1String("Holiday"));
        EXPECT_EQ(job.CounterStart, 42);
        EXPECT_EQ(job.Comment, QStringList({QStringLiteral("kept")}));
    }
}
