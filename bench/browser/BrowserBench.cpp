// Benchmark of the file list's thumbnail view, and screenshots of its view styles.
//
// A folder of generated small JPEG and PNG images is shown in thumbnail view in an
// offscreen window. A 5 ms timer notes the longest gap between its ticks while the
// thumbnails fill in; the reference is the time a decoder on the user-interface thread
// would have blocked it for the same visible images. Exits 1 when the longest stall
// reaches 50 ms.

#include "ui/unitFileBrowser.h"
#include "ui/unitThumbnails.h"
#include "ThumbnailProgress.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QListView>
#include <QPainter>
#include <QPixmapCache>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr qint64 kStallLimitMs = 50;

QImage generated(int i, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor::fromHsv((i * 29) % 360, 200, 240));
    gradient.setColorAt(1, QColor::fromHsv((i * 29 + 120) % 360, 255, 120));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    painter.drawEllipse(QPoint(width / 3, height / 2), width / 5, height / 4);
    return image;
}

void makeImages(const QString &folder, int count)
{
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("%1/photo%2.").arg(folder).arg(i, 5, 10, QLatin1Char('0'))
                             + (i % 3 == 2 ? QStringLiteral("png") : QStringLiteral("jpg"));
        generated(i, 320 + (i % 7) * 16, 240).save(name);
    }
}

// Runs the event loop until done() holds, noting the longest gap between 5 ms ticks.
struct TStall
{
    qint64 LongestGapMs = 0;
    qint64 ElapsedMs = 0;
    bool Finished = false;
};

TStall runUntil(const std::function<bool()> &done, int timeoutMs)
{
    TStall stall;
    QElapsedTimer total;
    total.start();
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        stall.LongestGapMs = std::max(stall.LongestGapMs, sinceTick.restart());
    });
    ticker.start(5);
    while (total.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (done()) {
            stall.Finished = true;
            break;
        }
    }
    stall.LongestGapMs = std::max(stall.LongestGapMs, sinceTick.elapsed());
    stall.ElapsedMs = total.elapsed();
    return stall;
}

int benchmark(int count)
{
    QTemporaryDir sandbox;
    const QString folder = sandbox.filePath(QStringLiteral("images"));
    QDir().mkpath(folder);
    std::printf("generating %d images...\n", count);
    makeImages(folder, count);
    const QString cacheFile = sandbox.filePath(QStringLiteral("Thumbnails.Cache"));

    int exitCode = 0;
    QList<int> visible;
    for (const bool warm : {false, true}) {
        QPixmapCache::clear();
        TFileList list;
        QElapsedTimer loading;
        loading.start();
        list.ThumbnailMaker().SetCacheFile(cacheFile);
        const qint64 loadMs = loading.elapsed();
        list.resize(1280, 900);
        list.SetViewStyle(TFileList::Thumbnails);
        list.show();
        runUntil([] { return false; }, 100);

        const int decodesBefore = TThumbnailMaker::DecodeCount();
        QElapsedTimer listing;
        listing.start();
        list.Browse(folder);
        const qint64 listMs = listing.elapsed();
        visible = visibleRows(list);
        const TStall fill = runUntil([&] { return allCached(list, visible); }, 120000);

        // Then the user pages down through the folder, one screen every 40 ms.
        TPager pageDown(list.IconView()->verticalScrollBar(), 40);
        const TStall scroll = runUntil([&] { return pageDown(); }, 60000);
        const TStall bottom = runUntil([&] { return allCached(list, visibleRows(list)); }, 60000);

        std::printf("%s cache%s: cache load %lld ms, listing %d items %lld ms\n", warm ? "warm" : "cold",
                    warm ? "" : " (none)", static_cast<long long>(loadMs), list.VisibleCount(),
                    static_cast<long long>(listMs));
        std::printf("  %lld visible thumbnails in after %lld ms, longest stall %lld ms%s, %d decodes\n",
                    static_cast<long long>(visible.size()), static_cast<long long>(fill.ElapsedMs),
                    static_cast<long long>(fill.LongestGapMs), fill.Finished ? "" : " (TIMED OUT)",
                    TThumbnailMaker::DecodeCount() - decodesBefore);
        std::printf("  paging to the end: longest stall %lld ms; last screen in after %lld ms more\n",
                    static_cast<long long>(std::max(scroll.LongestGapMs, bottom.LongestGapMs)),
                    static_cast<long long>(bottom.ElapsedMs));
        const qint64 worst = std::max({fill.LongestGapMs, scroll.LongestGapMs, bottom.LongestGapMs});
        if (worst >= kStallLimitMs || !fill.Finished)
            exitCode = 1;
        list.ThumbnailMaker().SaveCache();
    }

    // Reference: the same visible thumbnails decoded on this thread, as a blocking list would.
    QElapsedTimer blocking;
    blocking.start();
    for (int i = 0; i < visible.size(); ++i) {
        QImageReader reader(QStringLiteral("%1/photo%2.").arg(folder).arg(i, 5, 10, QLatin1Char('0'))
                            + (i % 3 == 2 ? QStringLiteral("png") : QStringLiteral("jpg")));
        reader.setScaledSize(reader.size().scaled(TThumbnailMaker::Edge, TThumbnailMaker::Edge,
                                                  Qt::KeepAspectRatio));
        reader.read();
    }
    std::printf("reference: decoding those %lld thumbnails on the user-interface thread blocks it %lld ms\n",
                static_cast<long long>(visible.size()), static_cast<long long>(blocking.elapsed()));
    std::printf("%s (limit: longest stall under %lld ms)\n", exitCode == 0 ? "PASS" : "FAIL",
                static_cast<long long>(kStallLimitMs));
    return exitCode;
}

int screenshots()
{
    QTemporaryDir sandbox;
    const QString folder = sandbox.filePath(QStringLiteral("Holiday photos"));
    QDir().mkpath(folder);
    for (const char *name : {"Beach", "Mountains", "Raw files from the second camera"})
        QDir(folder).mkpath(QString::fromLatin1(name));
    const char *images[] = {"sunset.jpg", "harbour at night.png", "IMG_0042.jpg", "panorama.jpg", "portrait.png",
                            "a rather long file name of a scanned postcard.jpg"};
    const QSize sizes[] = {{800, 533}, {640, 480}, {1200, 900}, {1600, 400}, {300, 450}, {700, 500}};
    for (int i = 0; i < 6; ++i)
        generated(i * 3, sizes[i].width(), sizes[i].height()).save(folder + QLatin1Char('/') + QString::fromLatin1(images[i]));
    QFile notes(folder + QStringLiteral("/notes.txt"));
    notes.open(QIODevice::WriteOnly);
    notes.write("notes");
    notes.close();
    QFile broken(folder + QStringLiteral("/damaged.png"));
    broken.open(QIODevice::WriteOnly);
    broken.write(QByteArray(300, 'x'));
    broken.close();

    TFileList list;
    list.ThumbnailMaker().SetCacheFile(sandbox.filePath(QStringLiteral("Thumbnails.Cache")));
    list.resize(640, 420);
    list.show();
    list.Browse(folder);
    const char *names[] = {"large-icons", "small-icons", "list", "details", "thumbnails"};
    for (int style = 0; style < 5; ++style) {
        list.SetViewStyle(style);
        if (style == 0)
            list.IconView()->selectionModel()->select(list.Model().index(4, 0),
                                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        runUntil([&] { return list.ThumbnailMaker().PendingCount() == 0; }, 10000);
        runUntil([] { return false; }, 200);
        const QString file = QStringLiteral("/tmp/pictavo-browser-%1.png").arg(QString::fromLatin1(names[style]));
        list.grab().save(file);
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.contains(QStringLiteral("--shots")))
        return screenshots();
    const int count = arguments.isEmpty() ? 5000 : std::max(1, arguments.first().toInt());
    return benchmark(count);
}
