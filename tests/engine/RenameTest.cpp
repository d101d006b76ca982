#include "engine/unitNamePattern.h"
#include "engine/unitRename.h"
#include "project/unitFavor.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class OutputNaming : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        job().TargetExt = QStringLiteral("JPEG");
        job().UseDestDir = 0;
        job().UseCounter = 0;
        job().RenameMode = 0;
        job().CounterStart = 1;
        photos = sandbox.filePath(QStringLiteral("photos"));
        ASSERT_TRUE(QDir().mkpath(photos));
    }

    TCnvJob &job() { return project; }
    QString in(const QString &name) const { return photos + QLatin1Char('/') + name; }
    void touch(const QString &name) { WriteFileBytes(in(name), QByteArrayLiteral("old")); }
    QString outputFor(const QString &name)
    {
        return naming.ResolveOutputName(naming.MakeOutputName(name, photos));
    }

    QTemporaryDir sandbox;
    QString photos;
    TCnvJob project{QString()};
    TOutputNaming naming{project};
};

} // namespace

TEST_F(OutputNaming, PlainNameIsFolderBaseAndTargetCodeAsStored)
{
    naming.ResetNaming();
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral("sunset.jpg"), QStringLiteral("/photos")),
              QStringLiteral("/photos/sunset.JPEG"));
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral("sunset.jpg"), QStringLiteral("/photos/")),
              QStringLiteral("/photos/sunset.JPEG"));
    // The base ends at the first dot; a leading dot leaves it empty.
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral("my.summer.photo.png"), QStringLiteral("/photos")),
              QStringLiteral("/photos/my.JPEG"));
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral(".hidden.jpg"), QStringLiteral("/photos")),
              QStringLiteral("/photos/.JPEG"));
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral("README"), QStringLiteral("/photos")),
              QStringLiteral("/photos/README.JPEG"));

    job().TargetExt = QStringLiteral("tif");
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral("a.png"), QStringLiteral("/photos")),
              QStringLiteral("/photos/a.tif"));
}

TEST_F(OutputNaming, DestinationFolderReplacesTheSourceFolderOnlyWhenSwitchedOn)
{
    job().DestDir = QStringLiteral("/out");
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral("sunset.jpg"), QStringLiteral("/photos")),
              QStringLiteral("/photos/sunset.JPEG"));
    job().UseDestDir = 1;
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral("sunset.jpg"), QStringLiteral("/photos")),
              QStringLiteral("/out/sunset.JPEG"));
    job().DestDir = QStringLiteral("/out/");
    EXPECT_EQ(naming.MakeOutputName(QStringLiteral("sunset.jpg"), QStringLiteral("/photos")),
              QStringLiteral("/out/sunset.JPEG"));
}

TEST_F(OutputNaming, FreePlainNameIsKeptAndNothingIsRegistered)
{
    naming.ResetNaming();
    EXPECT_EQ(outputFor(QStringLiteral("sunset.jpg")), in(QStringLiteral("sunset.JPEG")));
    EXPECT_EQ(naming.RegistryCount(), 0);
}

TEST_F(OutputNaming, SameNameSourcesCarryTheirNumberOnThroughTheRun)
{
    job().TargetExt = QStringLiteral("PNG");
    naming.ResetNaming();
    EXPECT_EQ(outputFor(QStringLiteral("a.jpg")), in(QStringLiteral("a.PNG")));
    touch(QStringLiteral("a.PNG")); // written by the run
    EXPECT_EQ(outputFor(QStringLiteral("a.gif")), in(QStringLiteral("a_1.PNG")));
    touch(QStringLiteral("a_1.PNG"));
    EXPECT_EQ(outputFor(QStringLiteral("a.bmp")), in(QStringLiteral("a_2.PNG")));
    ASSERT_EQ(naming.RegistryCount(), 1);
    EXPECT_EQ(naming.RegistryNext(0), 3);
}

TEST_F(OutputNaming, NumbersLeftByEarlierRunsAreSkipped)
{
    job().TargetExt = QStringLiteral("PNG");
    touch(QStringLiteral("a_1.PNG"));
    naming.ResetNaming();
    EXPECT_EQ(outputFor(QStringLiteral("a.jpg")), in(QStringLiteral("a.PNG")));
    touch(QStringLiteral("a.PNG"));
    EXPECT_EQ(outputFor(QStringLiteral("a.gif")), in(QStringLiteral("a_2.PNG")));
    touch(QStringLiteral("a_2.PNG"));
    EXPECT_EQ(outputFor(QStringLiteral("a.bmp")), in(QStringLiteral("a_3.PNG")));
    touch(QStringLiteral("a_3.PNG"));

    // A new run starts the registry afresh.
    naming.ResetNaming();
    EXPECT_EQ(naming.RegistryCount(), 0);
    EXPECT_EQ(outputFor(QStringLiteral("a.tga")), in(QStringLiteral("a_4.PNG")));
}

TEST_F(OutputNaming, RegistryMatchesPathsAsTheFileSystemComparesNames)
{
    if (FileNameCase() != Qt::CaseSensitive)
        GTEST_SKIP() << "names that differ only in case are one file here";
    touch(QStringLiteral("a.PNG"));
    touch(QStringLiteral("A.PNG"));
    naming.ResetNaming();
    EXPECT_EQ(naming.RegisterExisting(in(QStringLiteral("a.PNG"))), 0);
    EXPECT_EQ(naming.RegisterExisting(in(QStringLiteral("A.png"))), -1); // no such file
    EXPECT_EQ(naming.RegisterExisting(in(QStringLiteral("A.PNG"))), 1);
    EXPECT_EQ(naming.RegisterExisting(in(QStringLiteral("a.PNG"))), 0);
    EXPECT_EQ(naming.RegistryCount(), 2);

    // Sources a.png and A.png of one run: two outputs, each numbered off its own name.
    job().TargetExt = QStringLiteral("PNG");
    naming.ResetNaming(TSourcePaths({in(QStringLiteral("a.png")), in(QStringLiteral("A.png"))}));
    EXPECT_EQ(outputFor(QStringLiteral("a.png")), in(QStringLiteral("a_1.PNG")));
    touch(QStringLiteral("a_1.PNG"));
    EXPECT_EQ(outputFor(QStringLiteral("A.png")), in(QStringLiteral("A_1.PNG")));
}

TEST_F(OutputNaming, SourceNamedByItsOwnOutputIsNeverOverwritten)
{
    job().TargetExt = QStringLiteral("JPG");
    touch(QStringLiteral("sunset.JPG"));
    naming.ResetNaming(TSourcePaths({in(QStringLiteral("sunset.JPG"))}));
    EXPECT_EQ(outputFor(QStringLiteral("sunset.JPG")), in(QStringLiteral("sunset_1.JPG")));
}

TEST_F(OutputNaming, SourceNotYetOnDiskStillBlocksItsPath)
{
    // b.JPG is a source of the run that is missing now; its path stays off limits.
    job().TargetExt = QStringLiteral("JPG");
    naming.ResetNaming(TSourcePaths({in(QStringLiteral("b.JPG"))}));
    EXPECT_EQ(outputFor(QStringLiteral("b.png")), in(QStringLiteral("b_1.JPG")));
}

TEST_F(OutputNaming, SourcesAreRecognisedThroughDotSegmentsAndLinkedFolders)
{
    job().TargetExt = QStringLiteral("JPG");
    const QString link = sandbox.filePath(QStringLiteral("link"));
    ASSERT_TRUE(QFile::link(photos, link));
    touch(QStringLiteral("c.JPG"));
    naming.ResetNaming(TSourcePaths({link + QStringLiteral("/./c.JPG")}));
    EXPECT_EQ(outputFor(QStringLiteral("c.gif")), in(QStringLiteral("c_1.JPG")));
    // A new run: within one run, c_1.JPG now belongs to c.gif.
    naming.ResetNaming(TSourcePaths({link + QStringLiteral("/./c.JPG")}));
    EXPECT_EQ(naming.ResolveOutputName(photos + QStringLiteral("/../photos/c.JPG")),
              photos + QStringLiteral("/../photos/c_1.JPG"));
}

TEST_F(OutputNaming, CounterNumbersEverySourceWhateverExists)
{
    job().UseCounter = 1;
    job().CounterStart = 7;
    touch(QStringLiteral("b_8.JPEG"));
    naming.ResetNaming();
    EXPECT_EQ(outputFor(QStringLiteral("a.png")), in(QStringLiteral("a_7.JPEG")));
    EXPECT_EQ(outputFor(QStringLiteral("b.png")), in(QStringLiteral("b_8.JPEG")));
    EXPECT_EQ(outputFor(QStringLiteral("c.png")), in(QStringLiteral("c_9.JPEG")));
    EXPECT_EQ(naming.RunCounter(), 10);
    EXPECT_EQ(naming.RegistryCount(), 0);

    naming.ResetNaming();
    EXPECT_EQ(outputFor(QStringLiteral("a.png")), in(QStringLiteral("a_7.JPEG")));
}

TEST_F(OutputNaming, CounterGoesOnPastTheLargest32BitNumberWithoutWrapping)
{
    job().UseCounter = 1;
    job().CounterStart = 2147483647;
    naming.ResetNaming();
    EXPECT_EQ(outputFor(QStringLiteral("a.png")), in(QStringLiteral("a_2147483647.JPEG")));
    EXPECT_EQ(outputFor(QStringLiteral("b.png")), in(QStringLiteral("b_2147483648.JPEG")));
    EXPECT_EQ(outputFor(QStringLiteral("c.png")), in(QStringLiteral("c_2147483649.JPEG")));
}

TEST_F(OutputNaming, CountedNameThatIsASourceMovesOnAsACollision)
{
    job().UseCounter = 1;
    job().CounterStart = 1;
    job().TargetExt = QStringLiteral("JPG");
    touch(QStringLiteral("x_1.JPG"));
    touch(QStringLiteral("x_1_1.JPG")); // an ordinary file: skipped as well
    naming.ResetNaming(TSourcePaths({in(QStringLiteral("x_1.JPG")), in(QStringLiteral("x.png"))}));
    EXPECT_EQ(outputFor(QStringLiteral("x.png")), in(QStringLiteral("x_1_2.JPG")));
    EXPECT_EQ(naming.RunCounter(), 2);
}

TEST_F(OutputNaming, DotsInFoldersStayInTheFolder)
{
    const QString dotted = sandbox.filePath(QStringLiteral("My.Pictures/out"));
    ASSERT_TRUE(QDir().mkpath(dotted));
    job().UseDestDir = 1;
    job().DestDir = dotted;
    WriteFileBytes(dotted + QStringLiteral("/sunset.JPEG"), "old");
    naming.ResetNaming();
    EXPECT_EQ(naming.ResolveOutputName(naming.MakeOutputName(QStringLiteral("sunset.jpg"), photos)),
              dotted + QStringLiteral("/sunset_1.JPEG"));

    job().UseCounter = 1;
    naming.ResetNaming();
    EXPECT_EQ(naming.ResolveOutputName(naming.MakeOutputName(QStringLiteral("sunset.jpg"), photos)),
              dotted + QStringLiteral("/sunset_1.JPEG"));

    // No extension in the file name: the suffix goes at the end, not into the folder.
    EXPECT_EQ(naming.CounterName(dotted + QStringLiteral("/plain")), dotted + QStringLiteral("/plain_2"));
}

TEST_F(OutputNaming, LongPathsAreKeptWhole)
{
    const QString deep = photos + QLatin1Char('/') + QString(120, QLatin1Char('d')) +
                         QLatin1Char('/') + QString(120, QLatin1Char('e'));
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString name = QString(60, QLatin1Char('n'));
    const QString plain = deep + QLatin1Char('/') + name + QStringLiteral(".JPEG");
    ASSERT_GT(plain.size(), 250);
    WriteFileBytes(plain, "old");
    naming.ResetNaming();
    EXPECT_EQ(naming.ResolveOutputName(plain), deep + QLatin1Char('/') + name + QStringLiteral("_1.JPEG"));
    EXPECT_EQ(naming.RegistryPath(0), plain);
}

TEST_F(OutputNaming, TimeModeWaitsForAFreeSecondWithoutSpinning)
{
    QDateTime clock(QDate(2024, 6, 1), QTime(9, 5, 3, 400));
    int sleeps = 0;
    TNamingEnvironment environment = SystemNamingEnvironment();
    environment.Now = [&] { return clock; };
    environment.SleepPastSecond = [&](const QDateTime &moment) {
        ++sleeps;
        clock = moment.addSecs(1);
    };
    naming.SetEnvironment(environment);
    job().RenameMode = 1;
    touch(QStringLiteral("sunset.JPEG"));
    naming.ResetNaming();
    EXPECT_EQ(outputFor(QStringLiteral("sunset.jpg")), in(QStringLiteral("sunset_090503.JPEG")));
    EXPECT_EQ(sleeps, 0);

    touch(QStringLiteral("sunset_090503.JPEG"));
    touch(QStringLiteral("sunset_090504.JPEG"));
    EXPECT_EQ(outputFor(QStringLiteral("sunset.png")), in(QStringLiteral("sunset_090505.JPEG")));
    EXPECT_EQ(sleeps, 2);
}

TEST_F(OutputNaming, SystemClockSleepsUntilTheNextSecond)
{
    const TNamingEnvironment environment = SystemNamingEnvironment();
    const QDateTime before = environment.Now();
    environment.SleepPastSecond(before);
    const QDateTime after = environment.Now();
    EXPECT_GT(after.toSecsSinceEpoch(), before.toSecsSinceEpoch());
    EXPECT_LT(before.msecsTo(after), 1500);
}

TEST(NamePattern, EachFieldPaddingAndEveryProblem)
{
    TNameFields fields;
    fields.FileName = QStringLiteral("2026.07.14 Beach.jpg");
    fields.Folder = QStringLiteral("/photos/Holiday/");
    fields.Counter = 7;
    fields.RunStart = QDateTime(QDate(2026, 12, 10), QTime(9, 5, 3));
    fields.Taken = QDateTime(QDate(2026, 7, 14), QTime(18, 30, 0));
    fields.Width = 1600;
    fields.Height = 1200;

    struct Case
    {
        const char *pattern;
        const char *name; // empty when the pattern is refused
        TPatternProblem::Kind problem;
        const char *part;
    };
    const Case cases[] = {
        {"{name}", "2026.07.14 Beach", TPatternProblem::None, ""},
        {"{base}", "2026", TPatternProblem::None, ""},
        {"{n}", "7", TPatternProblem::None, ""},
        {"img{n:3}", "img007", TPatternProblem::None, ""},
        {"{date} {time}", "2026-12-10 090503", TPatternProblem::None, ""},
        {"{taken}_{name}", "2026-07-14_183000_2026.07.14 Beach", TPatternProblem::None, ""},
        {"{width}x{height}", "1600x1200", TPatternProblem::None, ""},
        {"{folder}-{n:2}", "Holiday-07", TPatternProblem::None, ""},
        {"plain text, no fields", "plain text, no fields", TPatternProblem::None, ""},
        {"{size}", "", TPatternProblem::UnknownField, "{size}"},
        {"{n:0}", "", TPatternProblem::UnknownField, "{n:0}"},
        {"{name:3}", "", TPatternProblem::UnknownField, "{name:3}"},
        {"{Name}", "", TPatternProblem::UnknownField, "{Name}"},
        {"a/b", "", TPatternProblem::RefusedCharacter, "/"},
        {"a\tb", "", TPatternProblem::RefusedCharacter, "\t"},
        {"{name", "", TPatternProblem::UnmatchedBrace, "{"},
        {"name}", "", TPatternProblem::UnmatchedBrace, "}"},
    };
    for (const Case &c : cases) {
        const QString pattern = QString::fromUtf8(c.pattern);
        const TPatternProblem problem = CheckNamePattern(pattern);
        EXPECT_EQ(problem.What, c.problem) << c.pattern;
        EXPECT_EQ(problem.Part, QString::fromUtf8(c.part)) << c.pattern;
        EXPECT_EQ(ApplyNamePattern(pattern, fields), QString::fromUtf8(c.name)) << c.pattern;
    }
    EXPECT_TRUE(PatternUses(QStringLiteral("x{taken}"), TNameField::Taken));
    EXPECT_FALSE(PatternUses(QStringLiteral("{name}"), TNameField::Width));
}

TEST_F(OutputNaming, APatternsNameCollidesAndKeepsOrReplacesByTheExistingRule)
{
    TOutputRules rules;
    rules.NamePattern = QStringLiteral("trip_{n:2}{folder}");
    rules.LowerExt = true;
    rules.WriteTo(job().Options);
    job().CounterStart = 9;
    touch(QStringLiteral("trip_09photos.jpeg"));
    naming.ResetNaming(TSourcePaths({in(QStringLiteral("a.jpg"))}));
    // Numbered off the existing file, then the counter moves on per source.
    EXPECT_EQ(outputFor(QStringLiteral("a.jpg")), in(QStringLiteral("trip_09photos_1.jpeg")));
    EXPECT_EQ(outputFor(QStringLiteral("b.jpg")), in(QStringLiteral("trip_10photos.jpeg")));

    rules.NamePattern = QStringLiteral("same");
    touch(QStringLiteral("same_1.jpeg"));
    for (const TExisting existing : {TExisting::Skip, TExisting::Replace}) {
        rules.Existing = existing;
        rules.WriteTo(job().Options);
        touch(QStringLiteral("same.jpeg"));
        naming.ResetNaming();
        const TOutputNaming::TTarget first = naming.ResolveOutput(naming.MakeOutputName(QStringLiteral("a.png"), photos));
        EXPECT_EQ(first.Path, in(QStringLiteral("same.jpeg")));
        EXPECT_EQ(first.Skip, existing == TExisting::Skip);
        // A name this run gave is numbered, never kept nor replaced; a numbered name
        // from an earlier run is met again.
        const TOutputNaming::TTarget second = naming.ResolveOutput(naming.MakeOutputName(QStringLiteral("b.png"), photos));
        EXPECT_EQ(second.Path, in(QStringLiteral("same_1.jpeg")));
        EXPECT_EQ(second.Skip, existing == TExisting::Skip);
    }
}
