// Benchmarks of the file list, and screenshots of its view styles.
//
// --listing [COUNT [ROUNDS]]: a folder of COUNT files (100,000 by default, made once under the
// system's temporary folder and kept for later runs) is browsed in the large-icon and the
// details view. Noted: the first screen (Browse() to the first paint), the longest gap of a
// 1 ms timer while the folder fills, the time to the last row, and the process's resident
// memory that the listed folder adds. The reference in the same run is a QListView on a
// QFileSystemModel over the same folder. Every run is a process of its own; ROUNDS (3)
// rounds, medians and best. Exits 1 when a median misses a target: first screen under
// 200 ms, longest gap under 50 ms, memory under 200 MiB.
//
// [COUNT] alone: the thumbnail view.
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
#include <QFile>
#include <QFileSystemModel>
#include <QTreeView>
#include <QElapsedTimer>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QListView>
#include <QPainter>
#include <QPixmapCache>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

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

// --- Listing ---------------------------------------------------------------------

constexpr qint64 kFirstScreenLimitMs = 200;
constexpr qint64 kListingStallLimitMs = 50;
constexpr double kListMemoryLimitMiB = 200;

double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    }
    return 0;
}

// A folder of `count` small files named as a camera names them, made once and reused.
QString bigFolder(int count)
{
    const QString folder = QDir::tempPath() + QStringLiteral("/pictavo-browser-bench-%1").arg(count);
    const QString done = folder + QStringLiteral(".complete");
    if (QFileInfo::exists(done))
        return folder;
    std::printf("making %d files in %s (once)...\n", count, qPrintable(folder));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QByteArray base = QFile::encodeName(folder);
    for (int i = 0; i < count; ++i) {
        const QByteArray name = base + "/IMG_" + QByteArray::number(i).rightJustified(6, '0')
                                + (i % 10 == 0 ? ".png" : ".jpg");
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            return {};
        const QByteArray bytes(i % 251, 'x');
        if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size()) {
            ::close(fd);
            return {};
        }
        ::close(fd);
    }
    for (int i = 0; i < 20; ++i)
        QDir().mkpath(folder + QStringLiteral("/roll%1").arg(i));
    QFile(done).open(QIODevice::WriteOnly);
    return folder;
}

struct TListingFigures
{
    qint64 FirstScreenMs = -1;
    qint64 LongestGapMs = 0;
    qint64 AllRowsMs = -1;
    int Rows = 0;
    double AddedMiB = 0;
};

// Runs the event loop with a 1 ms ticker until done() holds; the longest gap between ticks.
qint64 fillUntil(const std::function<bool()> &done, int timeoutMs)
{
    qint64 longest = 0;
    QElapsedTimer total;
    total.start();
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    ticker.start(1);
    while (!done() && total.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    return std::max(longest, sinceTick.elapsed());
}

// Painted once: the view has drawn what it holds.
class TPaintWatch : public QObject
{
public:
    explicit TPaintWatch(QWidget *viewport) { viewport->installEventFilter(this); }
    bool Painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return false;
    }
};

TListingFigures listProgram(const QString &folder, int style)
{
    TListingFigures figures;
    auto list = std::make_unique<TFileList>();
    list->resize(1280, 900);
    list->SetViewStyle(style);
    list->show();
    runUntil([] { return false; }, 200);
    const double before = residentMiB();

    TPaintWatch painted(list->View()->viewport());
    QElapsedTimer clock;
    clock.start();
    list->Browse(folder);
    // The call holds the loop up as one stall.
    const qint64 browseMs = clock.elapsed();
    runUntil([&] { return painted.Painted; }, 10000);
    figures.FirstScreenMs = clock.elapsed();
    figures.LongestGapMs = std::max(browseMs, fillUntil([&] { return !list->Model().IsListing(); }, 120000));
    if (!list->Model().IsListing())
        figures.AllRowsMs = clock.elapsed();
    // The views lay out their last rows after the last batch.
    figures.LongestGapMs = std::max(figures.LongestGapMs, fillUntil([] { return false; }, 300));
    figures.Rows = list->VisibleCount();
    figures.AddedMiB = residentMiB() - before;
    return figures;
}

TListingFigures listReference(const QString &folder, int expected, bool details)
{
    TListingFigures figures;
    QFileSystemModel model;
    std::unique_ptr<QAbstractItemView> view;
    if (details)
        view = std::make_unique<QTreeView>();
    else {
        auto *icons = new QListView;
        icons->setViewMode(QListView::IconMode);
        icons->setUniformItemSizes(true);
        icons->setLayoutMode(QListView::Batched);
        view.reset(icons);
    }
    view->setModel(&model);
    view->resize(1280, 900);
    view->show();
    runUntil([] { return false; }, 200);
    const double before = residentMiB();

    TPaintWatch painted(view->viewport());
    QElapsedTimer clock;
    clock.start();
    const QModelIndex root = model.setRootPath(folder);
    view->setRootIndex(root);
    const qint64 browseMs = clock.elapsed();
    runUntil([&] { return painted.Painted && model.rowCount(root) > 0; }, 10000);
    figures.FirstScreenMs = clock.elapsed();
    figures.LongestGapMs = std::max(browseMs, fillUntil([&] { return model.rowCount(root) >= expected; }, 120000));
    if (model.rowCount(root) >= expected)
        figures.AllRowsMs = clock.elapsed();
    figures.LongestGapMs = std::max(figures.LongestGapMs, fillUntil([] { return false; }, 300));
    figures.Rows = model.rowCount(root);
    figures.AddedMiB = residentMiB() - before;
    return figures;
}

// One measurement in a process of its own, so that what one listing leaves on the heap does
// not hide what the next one takes.
int listingChild(const QStringList &arguments)
{
    const QString folder = arguments.value(1);
    const bool reference = arguments.value(2) == QStringLiteral("reference");
    const bool details = arguments.value(3) == QStringLiteral("details");
    const int expected = arguments.value(4).toInt();
    const TListingFigures f = reference ? listReference(folder, expected, details)
                                        : listProgram(folder, details ? TFileList::Details : TFileList::LargeIcons);
    std::printf("%lld %lld %lld %d %.1f\n", static_cast<long long>(f.FirstScreenMs),
                static_cast<long long>(f.LongestGapMs), static_cast<long long>(f.AllRowsMs), f.Rows, f.AddedMiB);
    return 0;
}

TListingFigures runChild(const QString &folder, bool reference, bool details, int expected)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--listing-child"), folder,
                 reference ? QStringLiteral("reference") : QStringLiteral("program"),
                 details ? QStringLiteral("details") : QStringLiteral("icons"), QString::number(expected)});
    TListingFigures f;
    if (!child.waitForFinished(300000) || child.exitCode() != 0)
        return f;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split('\n').last().split(' ');
    if (fields.size() != 5)
        return f;
    f.FirstScreenMs = fields[0].toLongLong();
    f.LongestGapMs = fields[1].toLongLong();
    f.AllRowsMs = fields[2].toLongLong();
    f.Rows = fields[3].toInt();
    f.AddedMiB = fields[4].toDouble();
    return f;
}

// The median, or the best, of each figure on its own.
TListingFigures summarise(const std::vector<TListingFigures> &rounds, bool best)
{
    auto pick = [&](auto field) {
        std::vector<std::decay_t<decltype(rounds[0].*field)>> values;
        for (const TListingFigures &f : rounds)
            values.push_back(f.*field);
        std::sort(values.begin(), values.end());
        return best ? values.front() : values[values.size() / 2];
    };
    TListingFigures f;
    f.FirstScreenMs = pick(&TListingFigures::FirstScreenMs);
    f.LongestGapMs = pick(&TListingFigures::LongestGapMs);
    f.AllRowsMs = pick(&TListingFigures::AllRowsMs);
    f.Rows = pick(&TListingFigures::Rows);
    f.AddedMiB = pick(&TListingFigures::AddedMiB);
    return f;
}

void printFigures(const char *what, const TListingFigures &f)
{
    std::printf("  %-29s first screen %4lld ms, longest gap %5lld ms, all %d rows after %5lld ms, +%.0f MiB\n", what,
                static_cast<long long>(f.FirstScreenMs), static_cast<long long>(f.LongestGapMs), f.Rows,
                static_cast<long long>(f.AllRowsMs), f.AddedMiB);
}

int listingBenchmark(int count, int rounds)
{
    const QString folder = bigFolder(count);
    if (folder.isEmpty()) {
        std::printf("cannot make the folder\n");
        return 2;
    }
    const int expected = count + 20;
    bool pass = true;
    std::printf("a folder of %d files and 20 folders, window 1280x900, %d rounds, each run a process of its own:\n",
                count, rounds);
    for (const bool details : {false, true}) {
        std::vector<TListingFigures> program;
        std::vector<TListingFigures> reference;
        // Alternated, so that a noisy moment of the machine falls on both alike.
        for (int round = 0; round < rounds; ++round) {
            program.push_back(runChild(folder, false, details, expected));
            reference.push_back(runChild(folder, true, details, expected));
        }
        const TListingFigures median = summarise(program, false);
        std::printf("%s\n", details ? "details view:" : "large-icon view:");
        printFigures("file list, median:", median);
        printFigures("file list, best:", summarise(program, true));
        printFigures(details ? "QTreeView+QFSModel, median:" : "QListView+QFSModel, median:",
                     summarise(reference, false));
        printFigures(details ? "QTreeView+QFSModel, best:" : "QListView+QFSModel, best:", summarise(reference, true));
        pass = pass && median.Rows == expected && median.FirstScreenMs < kFirstScreenLimitMs
               && median.LongestGapMs < kListingStallLimitMs && median.AddedMiB < kListMemoryLimitMiB;
    }
    std::printf("%s (targets, on the medians: first screen under %lld ms, longest gap under %lld ms, under %.0f MiB)\n",
                pass ? "PASS" : "FAIL", static_cast<long long>(kFirstScreenLimitMs),
                static_cast<long long>(kListingStallLimitMs), kListMemoryLimitMiB);
    return pass ? 0 : 1;
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
    if (arguments.value(0) == QStringLiteral("--listing-child"))
        return listingChild(arguments);
    if (arguments.value(0) == QStringLiteral("--listing"))
        return listingBenchmark(arguments.size() > 1 ? std::max(1, arguments.at(1).toInt()) : 100000,
                                arguments.size() > 2 ? std::max(1, arguments.at(2).toInt()) : 3);
    const int count = arguments.isEmpty() ? 5000 : std::max(1, arguments.first().toInt());
    return benchmark(count);
}
