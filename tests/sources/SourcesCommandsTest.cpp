#include "SourcesFixture.h"

#include "project/unitGeneral.h"
#include "support/ScriptedPrompt.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <stdexcept>

namespace {

const QString kNothingAdded = QStringLiteral("Not found files or duplicate");

TFavorCell entryFor(const QFileInfo &file)
{
    TFavorCell cell;
    cell.Name = file.fileName();
    cell.Size = file.size();
    cell.FileType = file.suffix().toUpper() + QStringLiteral(" file");
    cell.Modified = DateTimeFromQt(file.lastModified());
    cell.Folder = file.absolutePath() + QLatin1Char('/');
    return cell;
}

// Stands in for the file gatherer's contract: walks the pending entries (a folder: its
// files, not its subfolders) and appends what is new. Records what it was handed.
struct TTestGatherer
{
    int calls = 0;
    QList<TFavorCell> handed;

    void operator()()
    {
        ++calls;
        handed = PendingFavorList();
        for (const TFavorCell &pending : PendingFavorList()) {
            if (pending.Name.isEmpty()) {
                const QFileInfoList files =
                    QDir(pending.Folder).entryInfoList(QDir::Files, QDir::Name);
                for (const QFileInfo &file : files)
                    FavorList().Append(entryFor(file));
            } else {
                const QFileInfo file(pending.Folder + pending.Name);
                if (file.isFile())
                    FavorList().Append(entryFor(file));
            }
        }
    }
};

class SourcesCommands : public SourcesTest
{
protected:
    void SetUp() override
    {
        SourcesTest::SetUp();
        ASSERT_TRUE(dir.isValid());
    }

    QString file(const QString &relative, int size = 10)
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        WriteFileBytes(path, QByteArray(size, 'x'));
        return path;
    }

    int add(const QStringList &paths, TTestGatherer &gatherer,
            const TAddOptions &options = TAddOptions())
    {
        return AddToSources(model, paths, [&] { gatherer(); }, options);
    }

    QTemporaryDir dir;
    TScriptedPrompt prompt;
};

} // namespace

TEST_F(SourcesCommands, AddGathersTheSelectionAndShowsTheListInItsOrder)
{
    const QString folder = dir.filePath(QStringLiteral("album"));
    file(QStringLiteral("album/b.jpg"), 20);
    file(QStringLiteral("album/a.jpg"), 30);
    file(QStringLiteral("album/deeper/c.jpg"));
    const QString single = file(QStringLiteral("z.png"), 5);
    TTestGatherer gatherer;

    EXPECT_EQ(add({single, folder}, gatherer), 3);
    EXPECT_EQ(gatherer.calls, 1);
    ASSERT_EQ(gatherer.handed.size(), 2);
    EXPECT_EQ(gatherer.handed[0].Name, QStringLiteral("z.png"));
    EXPECT_EQ(gatherer.handed[0].Folder, dir.path() + QLatin1Char('/'));
    EXPECT_TRUE(gatherer.handed[1].Name.isEmpty());
    EXPECT_EQ(gatherer.handed[1].Folder, folder);

    EXPECT_TRUE(PendingFavorList().isEmpty());
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_EQ(RowNames(model), Names({"z.png", "a.jpg", "b.jpg"}));
    EXPECT_EQ(model.Row(1).Size, 30);
    EXPECT_EQ(model.Row(1).Folder, folder + QLatin1Char('/'));
    EXPECT_EQ(FavorList().Count(), 3);
}

TEST_F(SourcesCommands, AddOfWhatIsThereWarnsOnceAndClearsStatuses)
{
    const QString a = file(QStringLiteral("a.jpg"));
    const QString b = file(QStringLiteral("b.jpg"));
    TTestGatherer gatherer;
    ASSERT_EQ(add({a, b}, gatherer), 2);
    model.SetRowResult(0, 2, QString());
    model.SetRowResult(1, 1, QStringLiteral("Can not decode"));

    EXPECT_EQ(add({b, a, dir.path()}, gatherer), 0);
    EXPECT_EQ(prompt.warnings, QStringList{kNothingAdded});
    EXPECT_EQ(FavorList().Count(), 2);
    ASSERT_EQ(model.Count(), 2);
    for (int row = 0; row < model.Count(); ++row) {
        EXPECT_EQ(model.Row(row).Status, 0);
        EXPECT_TRUE(model.Row(row).Message.isEmpty());
    }
    EXPECT_TRUE(PendingFavorList().isEmpty());
}

TEST_F(SourcesCommands, AddKeepsOneEntryPerFile)
{
    // A folder and a file inside it, and a name that differs only in letter case: on a
    // case-sensitive file system that is a file of its own.
    const QString folder = dir.filePath(QStringLiteral("f"));
    const QString inside = file(QStringLiteral("f/photo.jpg"));
    const QString upper = file(QStringLiteral("f/PHOTO.JPG"));
    const int files = FileNameCase() == Qt::CaseSensitive ? 2 : 1;
    TTestGatherer gatherer;
    EXPECT_EQ(add({folder, inside, upper}, gatherer), files);
    EXPECT_EQ(FavorList().Count(), files);
    EXPECT_EQ(model.Count(), files);
    EXPECT_TRUE(prompt.warnings.isEmpty());
}

TEST_F(SourcesCommands, AddWithNothingSelectedDoesNothing)
{
    const QString a = file(QStringLiteral("a.jpg"));
    TTestGatherer gatherer;
    ASSERT_EQ(add({a}, gatherer), 1);
    model.SetRowResult(0, 2, QString());
    gatherer.calls = 0;

    EXPECT_EQ(add({}, gatherer), 0);
    EXPECT_EQ(gatherer.calls, 0);
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_EQ(model.Row(0).Status, 2); // not rebuilt
}

TEST_F(SourcesCommands, FailedGatheringEmptiesThePendingListAndShowsWhatCame)
{
    const QString a = file(QStringLiteral("a.jpg"));
    const QString b = file(QStringLiteral("b.jpg"));
    auto failing = [&] {
        FavorList().Append(entryFor(QFileInfo(a)));
        throw TError(QStringLiteral("Can not read folder"));
    };
    try {
        AddToSources(model, {a, b}, failing);
        ADD_FAILURE() << "the gatherer's error was swallowed";
    } catch (const TError &error) {
        EXPECT_EQ(error.text(), QStringLiteral("Can not read folder"));
    }
    EXPECT_TRUE(PendingFavorList().isEmpty());
    EXPECT_TRUE(prompt.warnings.isEmpty());
    // The entry that made it into the list is a row too, so the run sees what the list holds.
    EXPECT_EQ(RowNames(model), Names({"a.jpg"}));
    EXPECT_FALSE(model.IsBusy());

    // Any exception, not only the program's own.
    EXPECT_THROW(AddToSources(model, {b}, [] { throw std::runtime_error("out of memory"); }),
                 std::runtime_error);
    EXPECT_TRUE(PendingFavorList().isEmpty());
    EXPECT_FALSE(model.IsBusy());
}

TEST_F(SourcesCommands, AddSortsAgainByTheViewsOwnOrder)
{
    const QString c = file(QStringLiteral("c.jpg"), 1);
    const QString a = file(QStringLiteral("a.jpg"), 3);
    const QString b = file(QStringLiteral("b.jpg"), 2);
    TTestGatherer gatherer;
    ASSERT_EQ(add({c}, gatherer), 1);
    model.HeaderSort(TSourcesModel::ColumnName);
    model.HeaderSort(TSourcesModel::ColumnName); // descending

    add({a, b}, gatherer);
    EXPECT_EQ(RowNames(model), Names({"c.jpg", "b.jpg", "a.jpg"}));
    EXPECT_EQ(model.SortColumn(), TSourcesModel::ColumnName);
    EXPECT_EQ(model.SortOrder(), Qt::DescendingOrder);
}

TEST_F(SourcesCommands, AddInSyncModeTakesTheFileListsOrder)
{
    const QString c = file(QStringLiteral("c.jpg"), 1);
    const QString a = file(QStringLiteral("a.jpg"), 3);
    const QString b = file(QStringLiteral("b.jpg"), 2);
    TTestGatherer gatherer;
    model.HeaderSort(TSourcesModel::ColumnName);
    TAddOptions sync;
    sync.SyncSort = true;
    sync.SyncColumn = TSourcesModel::ColumnSize;
    sync.SyncOrder = Qt::DescendingOrder;

    add({c, a, b}, gatherer, sync);
    EXPECT_EQ(RowNames(model), Names({"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(model.SortColumn(), TSourcesModel::ColumnSize);
    EXPECT_EQ(model.SortOrder(), Qt::DescendingOrder);

    // No sort column on the file list's side: the list order.
    sync.SyncColumn = TSourcesModel::NoSortColumn;
    add({c}, gatherer, sync);
    EXPECT_EQ(RowNames(model), Names({"c.jpg", "a.jpg", "b.jpg"}));
    EXPECT_EQ(model.SortColumn(), TSourcesModel::NoSortColumn);
}

TEST_F(SourcesCommands, SameDayFilesShowOneDateAndSortByTime)
{
    const QString late = file(QStringLiteral("a-late.jpg"));
    const QString early = file(QStringLiteral("b-early.jpg"));
    const QDate day(2023, 7, 14);
    for (const auto &[path, time] : {std::pair{late, QTime(18, 45, 10)}, std::pair{early, QTime(7, 5, 0)}}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime(day, time), QFileDevice::FileModificationTime));
    }
    TTestGatherer gatherer;
    ASSERT_EQ(add({late, early}, gatherer), 2);

    model.ApplySort(TSourcesModel::ColumnModified, Qt::AscendingOrder);
    EXPECT_EQ(RowNames(model), Names({"b-early.jpg", "a-late.jpg"}));
    const QString shown = model.data(model.index(0, TSourcesModel::ColumnModified)).toString();
    EXPECT_EQ(shown, QLocale::system().toString(day, QLocale::ShortFormat));
    EXPECT_EQ(model.data(model.index(1, TSourcesModel::ColumnModified)).toString(), shown);
    model.ApplySort(TSourcesModel::ColumnModified, Qt::DescendingOrder);
    EXPECT_EQ(RowNames(model), Names({"a-late.jpg", "b-early.jpg"}));
}

TEST_F(SourcesCommands, DeleteWithoutSelectionAsksNothing)
{
    TTestGatherer gatherer;
    add({file(QStringLiteral("a.jpg"))}, gatherer);
    EXPECT_FALSE(DeleteFromSources(model, {}));
    EXPECT_FALSE(DeleteFromSources(model, {4, -1})); // rows that are not there
    EXPECT_TRUE(prompt.questions.isEmpty());
    EXPECT_EQ(model.Count(), 1);
    EXPECT_EQ(FavorList().Count(), 1);
}

TEST_F(SourcesCommands, DeleteAnsweredNoKeepsEverything)
{
    TTestGatherer gatherer;
    add({file(QStringLiteral("a.jpg")), file(QStringLiteral("b.jpg"))}, gatherer);
    prompt.answers = {TAnswer::No};
    EXPECT_FALSE(DeleteFromSources(model, {0}));
    EXPECT_EQ(prompt.questions, QStringList{QStringLiteral("Delete selection?")});
    EXPECT_EQ(model.Count(), 2);
    EXPECT_EQ(FavorList().Count(), 2);
}

TEST_F(SourcesCommands, DeleteRemovesTheSelectedFilesFromListAndView)
{
    TTestGatherer gatherer;
    add({file(QStringLiteral("a.jpg"), 4), file(QStringLiteral("b.jpg"), 1), file(QStringLiteral("c.jpg"), 3),
         file(QStringLiteral("d.jpg"), 2)},
        gatherer);
    model.ApplySort(TSourcesModel::ColumnSize, Qt::AscendingOrder); // b d c a
    prompt.answers = {TAnswer::Yes};

    EXPECT_TRUE(DeleteFromSources(model, {2, 0, 2}));
    EXPECT_EQ(prompt.questions.size(), 1);
    EXPECT_EQ(RowNames(model), Names({"d.jpg", "a.jpg"}));
    ASSERT_EQ(FavorList().Count(), 2);
    EXPECT_EQ(FavorList().At(0).Name, QStringLiteral("a.jpg"));
    EXPECT_EQ(FavorList().At(1).Name, QStringLiteral("d.jpg"));
    // A deleted file can be added again.
    EXPECT_EQ(add({dir.filePath(QStringLiteral("b.jpg"))}, gatherer), 1);
}

TEST_F(SourcesCommands, DeleteRemovesARowWhoseEntryIsGone)
{
    TTestGatherer gatherer;
    add({file(QStringLiteral("a.jpg")), file(QStringLiteral("b.jpg"))}, gatherer);
    ASSERT_TRUE(FavorList().RemoveKey(EntryKey(model.Row(0))));
    prompt.answers = {TAnswer::Yes};
    EXPECT_TRUE(DeleteFromSources(model, {0}));
    EXPECT_EQ(RowNames(model), Names({"b.jpg"}));
    EXPECT_EQ(FavorList().Count(), 1);
}

TEST_F(SourcesCommands, ClearOnAnEmptyViewEmptiesTheListWithoutAsking)
{
    FavorList().Append(entryFor(QFileInfo(file(QStringLiteral("a.jpg")))));
    EXPECT_TRUE(ClearSources(model));
    EXPECT_TRUE(prompt.questions.isEmpty());
    EXPECT_TRUE(FavorList().IsEmpty());
}

TEST_F(SourcesCommands, ClearAsksAndObeysTheAnswer)
{
    TTestGatherer gatherer;
    add({file(QStringLiteral("a.jpg")), file(QStringLiteral("b.jpg"))}, gatherer);
    prompt.answers = {TAnswer::No, TAnswer::Yes};

    EXPECT_FALSE(ClearSources(model));
    EXPECT_EQ(model.Count(), 2);
    EXPECT_EQ(FavorList().Count(), 2);

    EXPECT_TRUE(ClearSources(model));
    EXPECT_EQ(prompt.questions, QStringList(2, QStringLiteral("Clear data?")));
    EXPECT_EQ(model.Count(), 0);
    EXPECT_TRUE(FavorList().IsEmpty());
}

TEST_F(SourcesCommands, CommandsWaitWhileTheSourcesAreBusy)
{
    TTestGatherer gatherer;
    const QString a = file(QStringLiteral("a.jpg"));
    add({a}, gatherer);
    prompt.answers = {TAnswer::Yes};

    model.BeginBusy();
    EXPECT_EQ(add({file(QStringLiteral("b.jpg"))}, gatherer), 0);
    EXPECT_FALSE(DeleteFromSources(model, {0}));
    EXPECT_FALSE(ClearSources(model));
    EXPECT_TRUE(prompt.questions.isEmpty());
    EXPECT_EQ(FavorList().Count(), 1);
    EXPECT_EQ(model.Count(), 1);
    model.EndBusy();

    // The gatherer pumps events: a command arriving meanwhile leaves the sources alone.
    bool clearedDuringGathering = true;
    AddToSources(model, {dir.filePath(QStringLiteral("b.jpg"))}, [&] {
        clearedDuringGathering = ClearSources(model);
        gatherer();
    });
    EXPECT_FALSE(clearedDuringGathering);
    EXPECT_EQ(RowNames(model), Names({"a.jpg", "b.jpg"}));
}
