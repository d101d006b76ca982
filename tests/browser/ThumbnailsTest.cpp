// Thumbnails of the file list: made in the background over real images, kept in the cache
// file, and a damaged or unwritable cache file never costs a good one.

#include "BrowserFixture.h"
#include "engine/unitFormats.h"
#include "support/TestImages.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QListView>
#include <QPixmap>
#include <QPixmapCache>
#include <QTest>
#include <QTimer>

namespace {

class Thumbnails : public BrowserFixture
{
protected:
    void SetUp() override
    {
        BrowserFixture::SetUp();
        folder = makeFolder(QStringLiteral("photos"));
        makeFolder(QStringLiteral("photos/sub"));
        for (int i = 0; i < kImages; ++i) {
            const QString suffix = i % 2 ? QStringLiteral("png") : QStringLiteral("jpg");
            WriteImage(folder + QStringLiteral("/img%1.").arg(i, 2, 10, QLatin1Char('0')) + suffix,
                       600 + i, 400, colourOf(i));
        }
        WriteBytes(folder + QStringLiteral("/broken.png"), QByteArray(500, 'x'));
        WriteBytes(folder + QStringLiteral("/readme.txt"), "text");
    }

    static QColor colourOf(int i) { return QColor::fromHsv((i * 37) % 360, 255, 230); }

    // The framed thumbnail of a row as the view would draw it, or a null pixmap while pending.
    static QPixmap shown(TFileList &list, const QString &file, TThumbnailMaker::TState *state)
    {
        QPixmap pixmap;
        *state = list.ThumbnailMaker().Find(QFileInfo(file), &pixmap);
        return pixmap;
    }

    bool allReady(TFileList &list, const QStringList &files)
    {
        for (const QString &file : files) {
            TThumbnailMaker::TState state;
            shown(list, file, &state);
            if (state != TThumbnailMaker::TState::Ready)
                return false;
        }
        return true;
    }

    QStringList images() const
    {
        QStringList files;
        for (int i = 0; i < kImages; ++i)
            files.append(folder + QStringLiteral("/img%1.").arg(i, 2, 10, QLatin1Char('0'))
                         + (i % 2 ? QStringLiteral("png") : QStringLiteral("jpg")));
        return files;
    }

    static constexpr int kImages = 12;
    QString folder;
};

TEST_F(Thumbnails, ArriveInTheBackgroundWhileTheEventLoopRuns)
{
    auto list = makeList(900, 700);
    ASSERT_TRUE(list->Browse(folder));
    list->SetViewStyle(TFileList::Thumbnails);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));

    // The first look at a row queues its thumbnail and shows the placeholder at once.
    const int row = list->Model().RowOf(images().at(3));
    const QPixmap first = list->Model().index(row, 0).data(Qt::DecorationRole).value<QPixmap>();
    EXPECT_EQ(first.toImage(), TThumbnailMaker::Placeholder().toImage());

    QList<int> changedRows;
    QObject::connect(&list->Model(), &QAbstractItemModel::dataChanged, list.get(),
                     [&](const QModelIndex &top) { changedRows.append(top.row()); });
    int ticks = 0;
    qint64 longestGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
        ++ticks;
    });
    ticker.start(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return allReady(*list, images()); }, 20000));
    ticker.stop();
    std::printf("thumbnails: %d timer ticks while waiting, longest gap %lld ms\n", ticks,
                static_cast<long long>(longestGap));
    EXPECT_GT(ticks, 0);
    EXPECT_TRUE(changedRows.contains(row));

    for (int i = 0; i < kImages; ++i) {
        TThumbnailMaker::TState state;
        const QImage image = shown(*list, images().at(i), &state).toImage();
        ASSERT_EQ(image.size(), QSize(TThumbnailMaker::FramedEdge, TThumbnailMaker::FramedEdge));
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        const QColor want = colourOf(i);
        EXPECT_NEAR(centre.red(), want.red(), 12) << i;
        EXPECT_NEAR(centre.green(), want.green(), 12) << i;
        EXPECT_NEAR(centre.blue(), want.blue(), 12) << i;
    }

    // A file that does not decode shows its type icon; a text file is not even tried.
    TThumbnailMaker::TState state;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        shown(*list, folder + QStringLiteral("/broken.png"), &state);
        return state == TThumbnailMaker::TState::Failed;
    }));
    shown(*list, folder + QStringLiteral("/readme.txt"), &state);
    EXPECT_EQ(state, TThumbnailMaker::TState::Failed);
    const QPixmap broken = list->Model()
                               .index(list->Model().RowOf(folder + QStringLiteral("/broken.png")), 0)
                               .data(Qt::DecorationRole)
                               .value<QPixmap>();
    EXPECT_NE(broken.toImage(), TThumbnailMaker::Placeholder().toImage());
    EXPECT_EQ(broken.size(), QSize(TThumbnailMaker::FramedEdge, TThumbnailMaker::FramedEdge));
}

// Qt has no reader for these; the image library makes their thumbnails, on the same threads.
TEST_F(Thumbnails, HeicAndAvifCellsGetTheirPictures)
{
    BuildAvailableFormats();
    for (const char *suffix : {"heic", "avif"}) {
        SCOPED_TRACE(suffix);
        const QString path = folder + QStringLiteral("/wide.") + QLatin1String(suffix);
        WriteFileBytes(path, MakeImageBytes(QStringLiteral("xc:orange"), 200, 100, QLatin1String(suffix)));
        ASSERT_TRUE(TThumbnailMaker::CanDecode(QFileInfo(path)));
        TThumbnailMaker maker;
        maker.SetCacheFile(folder + QStringLiteral("/cache-") + QLatin1String(suffix));
        QPixmap pixmap;
        maker.Find(QFileInfo(path), &pixmap);
        QElapsedTimer clock;
        clock.start();
        while (maker.Find(QFileInfo(path), &pixmap) == TThumbnailMaker::TState::Pending && clock.elapsed() < 30000)
            QTest::qWait(20);
        ASSERT_FALSE(pixmap.isNull());
        const QImage image = TThumbnailMaker::MakeThumbnail(path);
        ASSERT_EQ(image.size(), QSize(TThumbnailMaker::Edge, TThumbnailMaker::Edge / 2));
        const QColor centre = image.pixelColor(image.rect().center());
        EXPECT_NEAR(centre.red(), 255, 12);
        EXPECT_NEAR(centre.green(), 165, 12);
        EXPECT_NEAR(centre.blue(), 0, 12);
    }
}

TEST_F(Thumbnails, AFolderSeenBeforeShowsThemWithoutDecoding)
{
    {
        auto list = makeList(900, 700);
        ASSERT_TRUE(list->Browse(folder));
        list->SetViewStyle(TFileList::Thumbnails);
        for (const QString &file : images()) {
            TThumbnailMaker::TState state;
            shown(*list, file, &state);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return allReady(*list, images()); }, 20000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->ThumbnailMaker().PendingCount() == 0; }));
    } // the cache file is written when the list goes
    ASSERT_TRUE(QFileInfo::exists(cacheFile()));
    QPixmapCache::clear();

    const int decodesBefore = TThumbnailMaker::DecodeCount();
    auto again = makeList(900, 700);
    ASSERT_TRUE(again->Browse(folder));
    again->SetViewStyle(TFileList::Thumbnails);
    EXPECT_TRUE(allReady(*again, images()));
    QCoreApplication::processEvents();
    EXPECT_EQ(TThumbnailMaker::DecodeCount(), decodesBefore);

    // A changed file is made anew.
    WriteImage(images().at(0), 50, 50, Qt::black);
    SetModified(images().at(0), QDateTime::currentDateTime().addSecs(60));
    TThumbnailMaker::TState state;
    shown(*again, images().at(0), &state);
    EXPECT_EQ(state, TThumbnailMaker::TState::Pending);
    EXPECT_TRUE(QTest::qWaitFor([&] { return allReady(*again, images()); }, 20000));
    EXPECT_EQ(TThumbnailMaker::DecodeCount(), decodesBefore + 1);
}

TEST_F(Thumbnails, RequestsAreDroppedWhenTheFolderChanges)
{
    auto list = makeList(900, 700);
    ASSERT_TRUE(list->Browse(folder));
    list->SetViewStyle(TFileList::Thumbnails);
    for (const QString &file : images())
        list->ThumbnailMaker().Prefetch(QFileInfo(file));
    ASSERT_TRUE(list->Browse(folder + QStringLiteral("/sub")));
    EXPECT_EQ(list->ThumbnailMaker().PendingCount(), 0);
    // Whatever was already being decoded lands in the cache but is not announced.
    int announced = 0;
    QObject::connect(&list->ThumbnailMaker(), &TThumbnailMaker::thumbnailReady, [&] { ++announced; });
    QTest::qWait(300);
    EXPECT_EQ(announced, 0);
}

TEST_F(Thumbnails, StoppingAtTheWindowsCloseSavesWhatWasMadeAndRecordsNoHalfMadeOne)
{
    // A picture large enough to be still in the decoder when the window closes.
    const QString large = folder + QStringLiteral("/large.png");
    WriteImage(large, 3000, 2000, Qt::darkCyan);
    auto list = makeList(900, 700);
    ASSERT_TRUE(list->Browse(folder));
    list->SetViewStyle(TFileList::Thumbnails);
    TThumbnailMaker &maker = list->ThumbnailMaker();
    TThumbnailMaker::TState state;
    shown(*list, images().at(0), &state);
    ASSERT_TRUE(QTest::qWaitFor([&] { return allReady(*list, {images().at(0)}); }, 20000));
    const int decodesBefore = TThumbnailMaker::DecodeCount();
    shown(*list, large, &state);
    // The view's own prefetch may have started it already, or even finished it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return TThumbnailMaker::DecodeCount() > decodesBefore || allReady(*list, {large}); }, 20000));

    maker.Stop();
    EXPECT_EQ(maker.PendingCount(), 0);
    TThumbnailCache saved;
    ASSERT_TRUE(saved.Load(cacheFile()));
    const QFileInfo made(images().at(0));
    EXPECT_TRUE(saved.Contains(made.absoluteFilePath(), made.size(), made.lastModified().toMSecsSinceEpoch()));
    // Stopped half-way is not a file that cannot be decoded: asked again, it is made.
    shown(*list, large, &state);
    EXPECT_NE(state, TThumbnailMaker::TState::Failed);
    EXPECT_TRUE(QTest::qWaitFor([&] { return allReady(*list, {large}); }, 20000));

    std::atomic_bool stop{true};
    EXPECT_TRUE(TThumbnailMaker::MakeThumbnail(large, &stop).isNull());
    EXPECT_FALSE(TThumbnailMaker::MakeThumbnail(large).isNull());
}

class ThumbnailCacheFile : public Thumbnails
{
protected:
    // A cache file with the thumbnails of the folder, written by a list that made them.
    QByteArray goodFile()
    {
        {
            auto list = makeList(900, 700);
            if (!list->Browse(folder))
                return {};
            list->SetViewStyle(TFileList::Thumbnails);
            for (const QString &file : images()) {
                TThumbnailMaker::TState state;
                shown(*list, file, &state);
            }
            if (!QTest::qWaitFor([&] { return allReady(*list, images()); }, 20000))
                return {};
            if (!QTest::qWaitFor([&] { return list->ThumbnailMaker().PendingCount() == 0; }))
                return {};
            if (!list->ThumbnailMaker().SaveCache())
                return {};
        }
        return ReadFileBytes(cacheFile());
    }
};

TEST_F(ThumbnailCacheFile, RoundTripsEveryEntry)
{
    const QByteArray bytes = goodFile();
    ASSERT_FALSE(bytes.isEmpty());
    TThumbnailCache cache;
    ASSERT_TRUE(cache.Load(cacheFile()));
    EXPECT_EQ(cache.Count(), kImages + 1); // the images and the broken file
    for (const QString &file : images()) {
        const QFileInfo info(file);
        QByteArray encoded;
        ASSERT_TRUE(cache.Find(file, info.size(), info.lastModified().toMSecsSinceEpoch(), &encoded));
        const QImage thumb = QImage::fromData(encoded);
        EXPECT_EQ(std::max(thumb.width(), thumb.height()), TThumbnailMaker::Edge);
    }
    QByteArray encoded("unchanged");
    const QFileInfo broken(folder + QStringLiteral("/broken.png"));
    ASSERT_TRUE(cache.Find(broken.absoluteFilePath(), broken.size(), broken.lastModified().toMSecsSinceEpoch(),
                           &encoded));
    EXPECT_TRUE(encoded.isEmpty());
    EXPECT_FALSE(cache.Find(broken.absoluteFilePath(), broken.size() + 1,
                            broken.lastModified().toMSecsSinceEpoch(), nullptr));
}

TEST_F(ThumbnailCacheFile, ADamagedFileIsIgnored)
{
    const QByteArray good = goodFile();
    ASSERT_GT(good.size(), 100);
    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x5a);
    QByteArray lying = good;
    lying[40] = char(0x7f); // the entry count, under a digest that no longer matches
    const QList<QByteArray> damaged{good.left(good.size() - 1), good.left(20), flipped, lying,
                                    QByteArray(4096, '\xff'), QByteArray(), good + "x"};
    for (const QByteArray &bytes : damaged) {
        WriteFileBytes(cacheFile(), bytes);
        TThumbnailCache cache;
        EXPECT_FALSE(cache.Load(cacheFile())) << bytes.size();
        EXPECT_EQ(cache.Count(), 0);
        EXPECT_EQ(cache.Bytes(), 0);
    }

    // A list over a damaged cache makes its thumbnails as if there were none.
    WriteFileBytes(cacheFile(), flipped);
    QPixmapCache::clear();
    const int decodesBefore = TThumbnailMaker::DecodeCount();
    auto list = makeList(900, 700);
    ASSERT_TRUE(list->Browse(folder));
    list->SetViewStyle(TFileList::Thumbnails);
    for (const QString &file : images()) {
        TThumbnailMaker::TState state;
        shown(*list, file, &state);
        EXPECT_EQ(state, TThumbnailMaker::TState::Pending);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return allReady(*list, images()); }, 20000));
    EXPECT_GE(TThumbnailMaker::DecodeCount() - decodesBefore, kImages);
}

TEST_F(ThumbnailCacheFile, AFailedWriteLeavesTheOldFileWhole)
{
    const QByteArray good = goodFile();
    ASSERT_FALSE(good.isEmpty());
    TThumbnailCache cache;
    ASSERT_TRUE(cache.Load(cacheFile()));
    cache.Insert(path(QStringLiteral("more.png")), 1, 2, QByteArray(200000, 'm'));
    {
        TFileSizeLimit limit(good.size() / 2);
        EXPECT_FALSE(cache.Save(cacheFile()));
    }
    EXPECT_EQ(ReadFileBytes(cacheFile()), good);
    EXPECT_EQ(QDir(cacheDir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Thumbnails.Cache")});

    EXPECT_TRUE(cache.Save(cacheFile()));
    TThumbnailCache reread;
    ASSERT_TRUE(reread.Load(cacheFile()));
    EXPECT_EQ(reread.Count(), cache.Count());
    EXPECT_EQ(reread.Bytes(), cache.Bytes());
    EXPECT_FALSE(TThumbnailCache().Save(path(QStringLiteral("no/such/folder/Thumbnails.Cache"))));
}

TEST(ThumbnailCache, DropsTheEntriesUsedLongestAgoPastItsBounds)
{
    TThumbnailCache cache;
    cache.SetLimits(10, 1 << 20);
    for (int i = 0; i < 10; ++i)
        cache.Insert(QStringLiteral("/f%1").arg(i), i, 0, QByteArray(10, 'a'));
    ASSERT_TRUE(cache.Find(QStringLiteral("/f0"), 0, 0, nullptr)); // used again: now the newest
    cache.Insert(QStringLiteral("/f10"), 10, 0, QByteArray(10, 'a'));
    EXPECT_LE(cache.Count(), 10);
    EXPECT_TRUE(cache.Contains(QStringLiteral("/f0"), 0, 0));
    EXPECT_TRUE(cache.Contains(QStringLiteral("/f10"), 10, 0));
    EXPECT_FALSE(cache.Contains(QStringLiteral("/f1"), 1, 0));

    TThumbnailCache bytes;
    bytes.SetLimits(1000, 1000);
    for (int i = 0; i < 30; ++i)
        bytes.Insert(QStringLiteral("/g%1").arg(i), 0, 0, QByteArray(100, 'b'));
    EXPECT_LE(bytes.Bytes(), 1000);
    EXPECT_TRUE(bytes.Contains(QStringLiteral("/g29"), 0, 0));
    EXPECT_FALSE(bytes.Contains(QStringLiteral("/g0"), 0, 0));

    // The same file replaced keeps one entry and counts its bytes once.
    bytes.Insert(QStringLiteral("/g29"), 0, 0, QByteArray(50, 'c'));
    qint64 total = 0;
    for (int i = 0; i < 30; ++i) {
        QByteArray encoded;
        if (bytes.Find(QStringLiteral("/g%1").arg(i), 0, 0, &encoded))
            total += encoded.size();
    }
    EXPECT_EQ(bytes.Bytes(), total);
}

} // namespace
