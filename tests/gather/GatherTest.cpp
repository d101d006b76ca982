// The file gatherer on real folder trees: search modes and their order, masks, skipped
// names, failures, cancelling, duplicates, the fields of new entries and the thread
// hand-over.

#include "gather/unitThreadFilelist.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

const QStringList kShowAll{QStringLiteral("*.*")};

class GatherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sandbox.isValid());
        FavorList().Clear();
        PendingFavorList().clear();
    }

    void TearDown() override
    {
        FavorList().Clear();
        PendingFavorList().clear();
    }

    // A file under the sandbox, with its folders; the content decides its size.
    QString MakeFile(const QString &relative, const QByteArray &content = QByteArrayLiteral("x"))
    {
        const QString path = m_sandbox.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
        EXPECT_EQ(file.write(content), content.size());
        return path;
    }

    QString MakeFolder(const QString &relative)
    {
        const QString path = m_sandbox.filePath(relative);
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }

    QString Path(const QString &relative) const { return m_sandbox.filePath(relative); }

    // Selects the paths as the add command does and gathers them on this thread.
    TGatherResult Gather(const QStringList &paths, const QStringList &masks = kShowAll,
                         bool rootOnly = false, const TGatherHooks &hooks = {})
    {
        PendingFavorList().clear();
        for (const QString &path : paths)
            PendingFavorList().append(PendingEntryFor(path));
        const TGatherResult result = GatherPending(masks, rootOnly, m_cancel, hooks);
        PendingFavorList().clear();
        return result;
    }

    // Keys of the sources list relative to the sandbox, in list order.
    QStringList Gathered() const
    {
        QStringList keys;
        const QString prefix = m_sandbox.path() + QLatin1Char('/');
        for (const TFavorCell &cell : FavorList().Cells()) {
            QString key = EntryKey(cell);
            if (key.startsWith(prefix))
                key = key.mid(prefix.size());
            keys.append(key);
        }
        return keys;
    }

    // The subfolder names of a folder in the order the file system lists them.
    static QStringList SubfoldersInListingOrder(const QString &folder)
    {
        QStringList names;
        QDirIterator it(folder, QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            names.append(it.fileName());
        }
        return names;
    }

    QTemporaryDir m_sandbox;
    std::atomic<bool> m_cancel{false};
};

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

TEST(GatherMasks, ShowAllIsOneMaskWhateverIsChecked)
{
    const TExtList checks{{QStringLiteral("JPEG"), 1}, {QStringLiteral("PNG"), 0}};
    EXPECT_EQ(GatherMasks(false, checks), QStringList{QStringLiteral("*.*")});
    EXPECT_EQ(GatherMasks(false, {}), QStringList{QStringLiteral("*.*")});
}

TEST(GatherMasks, CustomFilterTakesTheCheckedItemsInListOrder)
{
    const TExtList checks{{QStringLiteral("PNG"), 1},
                          {QStringLiteral("GIF"), 0},
                          {QStringLiteral("JPEG"), 1}};
    EXPECT_EQ(GatherMasks(true, checks),
              (QStringList{QStringLiteral("*.PNG"), QStringLiteral("*.JPEG")}));
    EXPECT_TRUE(GatherMasks(true, {{QStringLiteral("GIF"), 0}}).isEmpty());
}

TEST(MaskMatches, QuestionMarkIsExactlyOneCharacter)
{
    const QStringList masks{QStringLiteral("a?c.jpg")};
    EXPECT_TRUE(MaskMatches(QStringLiteral("abc.jpg"), masks));
    EXPECT_FALSE(MaskMatches(QStringLiteral("ac.jpg"), masks));
    EXPECT_FALSE(MaskMatches(QStringLiteral("abbc.jpg"), masks));
    EXPECT_TRUE(MaskMatches(QStringLiteral("a\U0001F600c.jpg"), masks)); // one character, two UTF-16 units
}

TEST(MaskMatches, StarMatchesAnyRunTheEmptyOneIncluded)
{
    EXPECT_TRUE(MaskMatches(QStringLiteral("ab"), {QStringLiteral("a*b")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("a-x-b"), {QStringLiteral("a*b")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("x."), {QStringLiteral("*.*")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("a.b.c"), {QStringLiteral("*.c")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("abcabd"), {QStringLiteral("*abd")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("anything"), {QStringLiteral("*")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("x.jpg"), {QStringLiteral("**.jpg")}));
}

TEST(MaskMatches, TheWholeNameMustBeConsumed)
{
    EXPECT_FALSE(MaskMatches(QStringLiteral("a.jpgx"), {QStringLiteral("*.jpg")}));
    EXPECT_FALSE(MaskMatches(QStringLiteral("xa.jpg"), {QStringLiteral("a.jpg")}));
    EXPECT_FALSE(MaskMatches(QStringLiteral("README"), {QStringLiteral("*.*")}));
    EXPECT_FALSE(MaskMatches(QString(), {QStringLiteral("?")}));
    EXPECT_TRUE(MaskMatches(QString(), {QStringLiteral("*")}));
}

TEST(MaskMatches, ComparesInUpperCase)
{
    EXPECT_TRUE(MaskMatches(QStringLiteral("photo.jpg"), {QStringLiteral("*.JPG")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("PHOTO.JPG"), {QStringLiteral("*.jpg")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("Ёлка.ЖПГ"), {QStringLiteral("ёлка.жпг")}));
    EXPECT_TRUE(MaskMatches(QStringLiteral("фото.Jpg"), {QStringLiteral("*.JPG")}));
}

TEST(MaskMatches, AnyMaskOfTheListAndAnEmptyListMatchesAll)
{
    const QStringList masks{QStringLiteral("*.JPEG"), QStringLiteral("*.PNG")};
    EXPECT_TRUE(MaskMatches(QStringLiteral("b.png"), masks));
    EXPECT_FALSE(MaskMatches(QStringLiteral("c.gif"), masks));
    EXPECT_TRUE(MaskMatches(QStringLiteral("README"), {}));
}

TEST_F(GatherTest, RootOnlyTakesOnlyTheFilesDirectlyInTheFolder)
{
    MakeFile(QStringLiteral("T/a.jpg"));
    MakeFile(QStringLiteral("T/sub/b.jpg"));
    const TGatherResult result = Gather({Path(QStringLiteral("T"))}, kShowAll, true);
    EXPECT_EQ(result.Added, 1);
    EXPECT_EQ(Gathered(), QStringList{QStringLiteral("T/a.jpg")});
}

TEST_F(GatherTest, SubfoldersFollowTheirParentsFilesDepthFirst)
{
    MakeFile(QStringLiteral("T/f1.jpg"));
    MakeFile(QStringLiteral("T/f2.jpg"));
    MakeFile(QStringLiteral("T/s1/x.jpg"));
    MakeFile(QStringLiteral("T/s1/deep/y.jpg"));
    MakeFile(QStringLiteral("T/s2/z.jpg"));
    const TGatherResult result = Gather({Path(QStringLiteral("T"))});
    EXPECT_EQ(result.Added, 5);
    EXPECT_TRUE(result.Error.isEmpty());

    const QStringList got = Gathered();
    ASSERT_EQ(got.size(), 5);
    EXPECT_EQ(Sorted(got.mid(0, 2)), (QStringList{QStringLiteral("T/f1.jpg"), QStringLiteral("T/f2.jpg")}));
    const QStringList s1Tree{QStringLiteral("T/s1/x.jpg"), QStringLiteral("T/s1/deep/y.jpg")};
    const QStringList s2Tree{QStringLiteral("T/s2/z.jpg")};
    const QStringList order = SubfoldersInListingOrder(Path(QStringLiteral("T")));
    const QStringList expected = order.first() == QStringLiteral("s1") ? s1Tree + s2Tree : s2Tree + s1Tree;
    EXPECT_EQ(got.mid(2), expected);
}

TEST_F(GatherTest, CustomFilterTakesOnlyTheCheckedTypes)
{
    MakeFile(QStringLiteral("T/a.jpeg"));
    MakeFile(QStringLiteral("T/b.PNG"));
    MakeFile(QStringLiteral("T/c.gif"));
    const TExtList checks{{QStringLiteral("JPEG"), 1},
                          {QStringLiteral("PNG"), 1},
                          {QStringLiteral("GIF"), 0}};
    const TGatherResult result = Gather({Path(QStringLiteral("T"))}, GatherMasks(true, checks));
    EXPECT_EQ(result.Added, 2);
    EXPECT_EQ(Sorted(Gathered()), (QStringList{QStringLiteral("T/a.jpeg"), QStringLiteral("T/b.PNG")}));
}

TEST_F(GatherTest, CustomFilterWithNothingCheckedTakesEveryFile)
{
    MakeFile(QStringLiteral("T/a.jpeg"));
    MakeFile(QStringLiteral("T/c.gif"));
    MakeFile(QStringLiteral("T/README"));
    const TGatherResult result =
        Gather({Path(QStringLiteral("T"))}, GatherMasks(true, {{QStringLiteral("JPEG"), 0}}));
    EXPECT_EQ(result.Added, 3);
    EXPECT_EQ(Sorted(Gathered()), (QStringList{QStringLiteral("T/README"), QStringLiteral("T/a.jpeg"),
                                               QStringLiteral("T/c.gif")}));
}

TEST_F(GatherTest, ShowAllSkipsANameWithoutDotButTakesItSelectedAlone)
{
    MakeFile(QStringLiteral("T/README"));
    MakeFile(QStringLiteral("T/a.jpg"));
    EXPECT_EQ(Gather({Path(QStringLiteral("T"))}).Added, 1);
    EXPECT_EQ(Gathered(), QStringList{QStringLiteral("T/a.jpg")});

    const TGatherResult alone = Gather({Path(QStringLiteral("T/README"))});
    EXPECT_EQ(alone.Added, 1);
    EXPECT_TRUE(alone.Error.isEmpty());
    EXPECT_EQ(Gathered().last(), QStringLiteral("T/README"));
}

TEST_F(GatherTest, NamesBeginningWithADotAreSkipped)
{
    MakeFile(QStringLiteral("T/.hidden/inside.jpg"));
    MakeFile(QStringLiteral("T/.dot.jpg"));
    MakeFile(QStringLiteral("T/seen.jpg"));
    MakeFile(QStringLiteral("T/sub/.git/objects/x.jpg"));
    MakeFile(QStringLiteral("T/sub/y.jpg"));
    Gather({Path(QStringLiteral("T"))});
    EXPECT_EQ(Sorted(Gathered()), (QStringList{QStringLiteral("T/seen.jpg"), QStringLiteral("T/sub/y.jpg")}));
}

TEST_F(GatherTest, AnEmptyFolderAddsNothingAndTheWalkGoesOn)
{
    MakeFolder(QStringLiteral("T/empty"));
    MakeFile(QStringLiteral("T/later/a.jpg"));
    const TGatherResult result = Gather({Path(QStringLiteral("T"))});
    EXPECT_EQ(result.Added, 1);
    EXPECT_EQ(Gathered(), QStringList{QStringLiteral("T/later/a.jpg")});
}

TEST_F(GatherTest, AFolderVanishingMidWalkIsNamedAndTheRestOfTheWalkGoesOn)
{
    MakeFile(QStringLiteral("T/a.jpg"));
    MakeFile(QStringLiteral("T/b.jpg"));
    MakeFile(QStringLiteral("T/s1/x.jpg"));
    MakeFile(QStringLiteral("T/s2/y.jpg"));
    MakeFile(QStringLiteral("U/u.jpg"));
    // The subfolder searched first goes while T is being listed; the other one of the same
    // tree is still searched.
    const QStringList subfolders = SubfoldersInListingOrder(Path(QStringLiteral("T")));
    const QString first = subfolders.first(), second = subfolders.last();
    bool removed = false;
    TGatherHooks hooks;
    hooks.DispatchOne = [&] {
        if (!removed)
            removed = QDir(Path(QStringLiteral("T/") + first)).removeRecursively();
    };
    const TGatherResult result = Gather({Path(QStringLiteral("T")), Path(QStringLiteral("U"))},
                                        kShowAll, false, hooks);
    ASSERT_TRUE(removed);
    EXPECT_TRUE(result.Error.isEmpty());
    EXPECT_FALSE(result.Cancelled);
    EXPECT_EQ(result.Unlisted, QStringList{Path(QStringLiteral("T/") + first) + QLatin1Char('/')});
    EXPECT_EQ(result.Added, 4);
    const QString kept = QStringLiteral("T/") + second + (second == QLatin1String("s1") ? QStringLiteral("/x.jpg") : QStringLiteral("/y.jpg"));
    EXPECT_EQ(Sorted(Gathered()), Sorted({QStringLiteral("T/a.jpg"), QStringLiteral("T/b.jpg"), kept, QStringLiteral("U/u.jpg")}));
    EXPECT_EQ(UnlistedFoldersText(result, QStringLiteral("Folder cannot be listed: %1")),
              QStringLiteral("Folder cannot be listed: ") + result.Unlisted.first());
}

TEST_F(GatherTest, ASelectedFolderGoneBeforeTheWalkStopsItWithAnError)
{
    MakeFile(QStringLiteral("T/a.jpg"));
    MakeFile(QStringLiteral("U/u.jpg"));
    PendingFavorList() = {PendingEntryFor(Path(QStringLiteral("T"))),
                          PendingEntryFor(Path(QStringLiteral("U")))};
    ASSERT_TRUE(QDir(Path(QStringLiteral("T"))).removeRecursively());
    // The pending entry still names a folder (empty Name), but nothing is there any more:
    // it is a path that is neither folder nor file, and the walk stops.
    const TGatherResult result = GatherPending(kShowAll, false, m_cancel, {});
    EXPECT_EQ(result.Added, 0);
    EXPECT_EQ(result.Error, QStringLiteral("Cannot read ") + Path(QStringLiteral("T"))
                                + QStringLiteral(": no such file or folder"));
    EXPECT_TRUE(FavorList().IsEmpty()); // U comes after the failure
}

TEST_F(GatherTest, CancelFromAHookAddsNothingFurther)
{
    for (int i = 0; i < 10; ++i)
        MakeFile(QStringLiteral("T/f%1.jpg").arg(i));
    MakeFile(QStringLiteral("T/sub/s.jpg"));
    MakeFile(QStringLiteral("U/u.jpg"));
    const QString loose = MakeFile(QStringLiteral("loose.jpg"));
    TGatherHooks hooks;
    hooks.DispatchAll = [&] {
        if (FavorList().Count() == 3)
            m_cancel = true;
    };
    const TGatherResult result = Gather({Path(QStringLiteral("T")), Path(QStringLiteral("U")), loose},
                                        kShowAll, false, hooks);
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(result.Added, 3);
    EXPECT_EQ(FavorList().Count(), 3);
    EXPECT_TRUE(result.Error.isEmpty());
}

TEST_F(GatherTest, CancelBeforeTheWalkAddsNothing)
{
    const QString file = MakeFile(QStringLiteral("loose.jpg"));
    MakeFile(QStringLiteral("T/a.jpg"));
    m_cancel = true;
    const TGatherResult result = Gather({file, Path(QStringLiteral("T"))});
    EXPECT_TRUE(result.Cancelled);
    EXPECT_EQ(result.Added, 0);
    EXPECT_TRUE(FavorList().IsEmpty());
}

TEST_F(GatherTest, NamesDifferingOnlyInLetterCaseAreTwoFilesOnThisFileSystem)
{
    if (FileNameCase() != Qt::CaseSensitive)
        GTEST_SKIP() << "names that differ only in case are one file here";
    MakeFile(QStringLiteral("T/a.jpg"));
    MakeFile(QStringLiteral("T/A.jpg"));
    MakeFile(QStringLiteral("Фото/Ёлка.jpg"));
    MakeFile(QStringLiteral("фото/ёлка.JPG"));
    const TGatherResult result = Gather({Path(QStringLiteral("T")), Path(QStringLiteral("Фото")),
                                         Path(QStringLiteral("фото"))});
    EXPECT_EQ(result.Added, 4);
    QStringList gathered = Gathered();
    gathered.sort();
    QStringList expected{QStringLiteral("T/A.jpg"), QStringLiteral("T/a.jpg"), QStringLiteral("Фото/Ёлка.jpg"),
                         QStringLiteral("фото/ёлка.JPG")};
    expected.sort();
    EXPECT_EQ(gathered, expected);

    // The very same paths again, folder or file, are duplicates.
    EXPECT_EQ(Gather({Path(QStringLiteral("T/A.jpg")), Path(QStringLiteral("фото"))}).Added, 0);
}

TEST_F(GatherTest, TheSameFolderTwiceAddsItsFilesOnce)
{
    MakeFile(QStringLiteral("T/a.jpg"));
    MakeFile(QStringLiteral("T/sub/b.jpg"));
    const QString folder = Path(QStringLiteral("T"));
    EXPECT_EQ(Gather({folder, folder + QLatin1Char('/')}).Added, 2);
    EXPECT_EQ(FavorList().Count(), 2);
    const TGatherResult again = Gather({folder});
    EXPECT_EQ(again.Added, 0);
    EXPECT_TRUE(again.Error.isEmpty());
    EXPECT_EQ(FavorList().Count(), 2);
}

TEST_F(GatherTest, AFolderAndAFileInsideItSelectedTogetherGiveTheFileOnce)
{
    const QString file = MakeFile(QStringLiteral("T/a.jpg"));
    MakeFile(QStringLiteral("T/b.jpg"));
    EXPECT_EQ(Gather({Path(QStringLiteral("T")), file}).Added, 2);
    EXPECT_EQ(Sorted(Gathered()), (QStringList{QStringLiteral("T/a.jpg"), QStringLiteral("T/b.jpg")}));

    FavorList().Clear();
    EXPECT_EQ(Gather({file, Path(QStringLiteral("T"))}).Added, 2);
    EXPECT_EQ(Gathered().first(), QStringLiteral("T/a.jpg"));
    EXPECT_EQ(FavorList().Count(), 2);
}

TEST_F(GatherTest, AMissingSelectedFileStopsTheWalkWithAnError)
{
    const QString first = MakeFile(QStringLiteral("first.jpg"));
    MakeFile(QStringLiteral("T/after.jpg"));
    const QString missing = Path(QStringLiteral("gone.jpg"));
    const TGatherResult result = Gather({first, missing, Path(QStringLiteral("T"))});
    EXPECT_EQ(result.Added, 1);
    EXPECT_FALSE(result.Cancelled);
    EXPECT_EQ(Gathered(), QStringList{QStringLiteral("first.jpg")});
    EXPECT_TRUE(result.Error.startsWith(QStringLiteral("Cannot read ") + missing + QStringLiteral(": ")))
        << qPrintable(result.Error);
}

TEST_F(GatherTest, ASelectedFileIsTakenWhateverItsExtension)
{
    const QString odd = MakeFile(QStringLiteral("notes.gif"));
    const TGatherResult result = Gather({odd}, {QStringLiteral("*.JPEG")});
    EXPECT_EQ(result.Added, 1);
    EXPECT_EQ(Gathered(), QStringList{QStringLiteral("notes.gif")});
}

TEST_F(GatherTest, NewEntriesCarryTheFileSystemsFacts)
{
    const QString unknown = MakeFile(QStringLiteral("T/thing.xyz"), QByteArray(1234, 'a'));
    const QString photo = MakeFile(QStringLiteral("T/photo.jpg"), QByteArray(77, 'b'));
    const QDateTime moment(QDate(2021, 7, 14), QTime(15, 16, 17, 250));
    {
        QFile file(unknown);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(moment, QFileDevice::FileModificationTime));
    }
    Gather({Path(QStringLiteral("T"))});
    ASSERT_EQ(FavorList().Count(), 2);
    const QString folder = Path(QStringLiteral("T")) + QLatin1Char('/');
    for (const TFavorCell &cell : FavorList().Cells()) {
        EXPECT_EQ(cell.Folder, folder);
        EXPECT_EQ(cell.Status, 0);
        EXPECT_TRUE(cell.Message.isEmpty());
        const QString path = cell.Folder + cell.Name;
        EXPECT_EQ(cell.Modified, DateTimeFromQt(QFileInfo(path).lastModified()));
        if (cell.Name == QStringLiteral("thing.xyz")) {
            EXPECT_EQ(cell.Size, 1234);
            EXPECT_EQ(cell.FileType, QStringLiteral("XYZ file"));
            EXPECT_EQ(cell.Modified, DateTimeFromQt(moment));
        } else {
            EXPECT_EQ(path, photo);
            EXPECT_EQ(cell.Size, 77);
            EXPECT_EQ(cell.FileType, QStringLiteral("JPEG image"));
        }
    }
}

TEST_F(GatherTest, ASelectedFilesEntryHasTheSameFacts)
{
    const QString file = MakeFile(QStringLiteral("one/solo.xyz"), QByteArray(5, 'c'));
    Gather({file});
    ASSERT_EQ(FavorList().Count(), 1);
    const TFavorCell &cell = FavorList().At(0);
    EXPECT_EQ(cell.Name, QStringLiteral("solo.xyz"));
    EXPECT_EQ(cell.Folder, Path(QStringLiteral("one")) + QLatin1Char('/'));
    EXPECT_EQ(cell.Size, 5);
    EXPECT_EQ(cell.FileType, QStringLiteral("XYZ file"));
    EXPECT_EQ(cell.Modified, DateTimeFromQt(QFileInfo(file).lastModified()));
}

TEST(FileTypeText, TheDatabaseNameElseTheExtensionInUpperCase)
{
    EXPECT_EQ(FileTypeText(QFileInfo(QStringLiteral("/nowhere/a.png"))), QStringLiteral("PNG image"));
    EXPECT_EQ(FileTypeText(QFileInfo(QStringLiteral("/nowhere/a.JPG"))), QStringLiteral("JPEG image"));
    EXPECT_EQ(FileTypeText(QFileInfo(QStringLiteral("/nowhere/b.qqz"))), QStringLiteral("QQZ file"));
    // Asked again: the same answer, now from the cache.
    EXPECT_EQ(FileTypeText(QFileInfo(QStringLiteral("/elsewhere/c.qqz"))), QStringLiteral("QQZ file"));
    EXPECT_EQ(FileTypeText(QFileInfo(QStringLiteral("/nowhere/zzqqnoext"))), QStringLiteral("File"));
}

TEST_F(GatherTest, LinksToFilesAreFollowedLinksToFoldersAreNot)
{
    const QString target = MakeFile(QStringLiteral("real/target.jpg"), QByteArray(42, 'z'));
    MakeFile(QStringLiteral("T/own.jpg"));
    ASSERT_TRUE(QFile::link(target, Path(QStringLiteral("T/link.jpg"))));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("real")), Path(QStringLiteral("T/linkdir"))));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("T")), Path(QStringLiteral("T/loop"))));
    ASSERT_TRUE(QFile::link(Path(QStringLiteral("nothing")), Path(QStringLiteral("T/broken.jpg"))));
    const TGatherResult result = Gather({Path(QStringLiteral("T"))});
    EXPECT_TRUE(result.Error.isEmpty());
    EXPECT_EQ(Sorted(Gathered()), (QStringList{QStringLiteral("T/link.jpg"), QStringLiteral("T/own.jpg")}));
    for (const TFavorCell &cell : FavorList().Cells()) {
        if (cell.Name == QStringLiteral("link.jpg")) {
            EXPECT_EQ(cell.Size, 42);
        }
    }
}

TEST_F(GatherTest, HooksRunBetweenEntriesAndAfterEachOfferedFile)
{
    MakeFile(QStringLiteral("T/a.jpg"));
    MakeFile(QStringLiteral("T/b.jpg"));
    MakeFile(QStringLiteral("T/c.txt_no_dot_mask")); // matches *.* as well
    MakeFile(QStringLiteral("T/README"));
    int one = 0;
    int all = 0;
    TGatherHooks hooks;
    hooks.DispatchOne = [&] { ++one; };
    hooks.DispatchAll = [&] { ++all; };
    Gather({Path(QStringLiteral("T"))}, kShowAll, false, hooks);
    EXPECT_EQ(one, 3); // four entries, three gaps
    EXPECT_EQ(all, 3); // README is not offered
}

TEST_F(GatherTest, GatherWithThreadWalksOnTheCallingThreadAndReturns)
{
    MakeFile(QStringLiteral("T/a.jpg"));
    MakeFile(QStringLiteral("T/b.jpg"));
    PendingFavorList() = {PendingEntryFor(Path(QStringLiteral("T")))};
    QThread *walkThread = nullptr;
    TGatherHooks hooks;
    hooks.DispatchAll = [&] { walkThread = QThread::currentThread(); };
    const TGatherResult result = GatherWithThread(kShowAll, false, hooks);
    EXPECT_EQ(result.Added, 2);
    EXPECT_EQ(walkThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(walkThread, QThread::currentThread());
    EXPECT_EQ(FavorList().Count(), 2);
}

TEST_F(GatherTest, TheGatherersCancelStopsItsWalk)
{
    for (int i = 0; i < 5; ++i)
        MakeFile(QStringLiteral("T/f%1.jpg").arg(i));
    PendingFavorList() = {PendingEntryFor(Path(QStringLiteral("T")))};
    TThreadFilelist *gatherer = nullptr;
    TGatherHooks hooks;
    hooks.DispatchAll = [&] { gatherer->Cancel(); };
    TThreadFilelist thread(kShowAll, false, hooks);
    gatherer = &thread;
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread.start();
    loop.exec();
    thread.wait();
    EXPECT_TRUE(thread.Result().Cancelled);
    EXPECT_EQ(thread.Result().Added, 1);
    EXPECT_EQ(FavorList().Count(), 1);
}
