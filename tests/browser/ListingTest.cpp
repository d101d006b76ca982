// A big folder is read in the background: the first screen at once, then batches that
// arrive sorted and filtered, and a change of folder drops the old listing.

#include "BrowserFixture.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QSignalSpy>
#include <QTest>

namespace {

// The big folder is made once for all its tests: thousands of files take a while to write.
class BigFolder : public BrowserFixture
{
protected:
    static constexpr int kFiles = 3000;
    static constexpr int kFolders = 3;

    static void SetUpTestSuite()
    {
        shared = new QTemporaryDir;
        const QString folder = shared->filePath(QStringLiteral("scans"));
        QDir().mkpath(folder);
        for (int i = 0; i < kFiles; ++i) {
            // Sizes and extensions vary, so that sorting by size and filtering have work.
            const QString name = QStringLiteral("/scan%1.%2").arg(i).arg(i % 3 ? QStringLiteral("jpg")
                                                                               : QStringLiteral("tif"));
            WriteBytes(folder + name, QByteArray((i * 7919) % 97, 's'));
        }
        for (int i = 0; i < kFolders; ++i)
            QDir().mkpath(folder + QStringLiteral("/box%1").arg(i));
    }

    static void TearDownTestSuite()
    {
        delete shared;
        shared = nullptr;
    }

    void SetUp() override
    {
        BrowserFixture::SetUp();
        big = shared->filePath(QStringLiteral("scans"));
        small = makeFolder(QStringLiteral("letters"));
        WriteBytes(small + QStringLiteral("/a.txt"), "a");
        WriteBytes(small + QStringLiteral("/b.txt"), "b");
        list = makeList();
    }

    bool waitListed(int timeoutMs = 30000)
    {
        return QTest::qWaitFor([this] { return !list->Model().IsListing(); }, timeoutMs);
    }

    // Folders first, then the list's own order: by name, or by size with name for ties.
    ::testing::AssertionResult inOrder() const
    {
        static QCollator collator = [] {
            QCollator c;
            c.setNumericMode(true);
            c.setCaseSensitivity(Qt::CaseInsensitive);
            return c;
        }();
        const TFolderListModel &model = list->Model();
        const bool ascending = model.SortOrder() == Qt::AscendingOrder;
        for (int row = 1; row < model.Count(); ++row) {
            const QFileInfo &a = model.Info(row - 1);
            const QFileInfo &b = model.Info(row);
            int order = 0;
            if (a.isDir() != b.isDir())
                order = a.isDir() ? -1 : 1;
            else if (model.SortColumn() == TFolderListModel::ColSize && !a.isDir() && a.size() != b.size())
                order = (a.size() < b.size() ? -1 : 1) * (ascending ? 1 : -1);
            else
                order = collator.compare(a.fileName(), b.fileName()) * (ascending ? 1 : -1);
            if (order > 0)
                return ::testing::AssertionFailure() << "row " << row << ": " << a.fileName().toStdString()
                                                     << " before " << b.fileName().toStdString();
        }
        return ::testing::AssertionSuccess();
    }

    static inline QTemporaryDir *shared = nullptr;
    QString big;
    QString small;
    std::unique_ptr<TFileList> list;
};

TEST_F(BigFolder, ShowsTheFirstScreenAtOnceAndTheRestInSortedBatches)
{
    QAbstractItemModelTester tester(&list->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy finished(&list->Model(), &TFolderListModel::listingFinished);
    int batches = 0;
    bool everBatchInOrder = true;
    QObject::connect(&list->Model(), &TFolderListModel::listed, list.get(), [&] {
        ++batches;
        everBatchInOrder = everBatchInOrder && inOrder();
    });

    ASSERT_TRUE(list->Browse(big));
    EXPECT_TRUE(list->Model().IsListing());
    EXPECT_EQ(list->VisibleCount(), TFolderListModel::FirstScreen);
    EXPECT_TRUE(inOrder());
    // The user selects a row of the first screen and sorts while the rest arrives.
    const QString chosen = list->Item(10).FullPath;
    list->View()->selectionModel()->select(list->Model().index(10, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    list->ApplySort(TFolderListModel::ColSize, Qt::DescendingOrder);

    ASSERT_TRUE(waitListed());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_GT(batches, 1);
    EXPECT_TRUE(everBatchInOrder);
    EXPECT_EQ(list->VisibleCount(), kFiles + kFolders);
    EXPECT_TRUE(inOrder());
    QSet<QString> names;
    for (int row = 0; row < list->VisibleCount(); ++row)
        names.insert(list->Item(row).Name);
    EXPECT_EQ(names.size(), kFiles + kFolders);
    EXPECT_TRUE(names.contains(QStringLiteral("scan2999.jpg")));
    ASSERT_EQ(list->SelectedItems().size(), 1);
    EXPECT_EQ(list->SelectedItems().first().FullPath, chosen);
}

TEST_F(BigFolder, AcceptanceAndFilterFollowTheBatches)
{
    list->SetItemAcceptance([](const QFileInfo &info) { return info.isDir() || info.suffix() == QLatin1String("tif"); });
    ASSERT_TRUE(list->Browse(big));
    ASSERT_TRUE(waitListed());
    EXPECT_EQ(list->VisibleCount(), kFiles / 3 + kFolders);

    // A new filter while shown: the old rows stay until the new listing is complete.
    list->View()->selectionModel()->select(list->Model().index(kFolders, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString chosen = list->Item(kFolders).FullPath;
    list->SetObjectFilter(TObjectFilterFlag::NonFolders);
    if (list->Model().IsListing()) {
        EXPECT_EQ(list->VisibleCount(), kFiles / 3 + kFolders);
    }
    ASSERT_TRUE(waitListed());
    EXPECT_EQ(list->VisibleCount(), kFiles / 3);
    EXPECT_TRUE(inOrder());
    ASSERT_EQ(list->SelectedItems().size(), 1);
    EXPECT_EQ(list->SelectedItems().first().FullPath, chosen);
}

TEST_F(BigFolder, AChangeOfFolderDropsTheListingUnderWay)
{
    QSignalSpy finished(&list->Model(), &TFolderListModel::listingFinished);
    ASSERT_TRUE(list->Browse(big));
    ASSERT_TRUE(list->Model().IsListing());
    ASSERT_TRUE(list->Browse(small));
    EXPECT_FALSE(list->Model().IsListing());
    EXPECT_EQ(finished.count(), 1);
    // Long enough for the old reader to have read the whole folder, were it still at work.
    QTest::qWait(500);
    EXPECT_EQ(list->VisibleCount(), 2);
    EXPECT_EQ(list->Item(0).Name, QStringLiteral("a.txt"));
    EXPECT_EQ(list->Item(1).Name, QStringLiteral("b.txt"));
    EXPECT_EQ(finished.count(), 1);

    // And back: the big folder is read anew, whole.
    ASSERT_TRUE(list->Browse(big));
    ASSERT_TRUE(waitListed());
    EXPECT_EQ(list->VisibleCount(), kFiles + kFolders);
}

TEST_F(BigFolder, GoingUpFromAFolderLandsOnItOnceTheParentIsRead)
{
    ASSERT_TRUE(list->Browse(big + QStringLiteral("/box2")));
    ASSERT_TRUE(list->GoUp());
    ASSERT_TRUE(waitListed());
    ASSERT_EQ(list->SelectedItems().size(), 1);
    EXPECT_EQ(list->SelectedItems().first().Name, QStringLiteral("box2"));
}

TEST_F(BigFolder, ClosingWhileListingWaitsForTheReader)
{
    ASSERT_TRUE(list->Browse(big));
    ASSERT_TRUE(list->Model().IsListing());
    list.reset();
    // Nothing of the old list is left to receive the reader's batches.
    QTest::qWait(300);
    SUCCEED();
}

} // namespace
