// Benchmark of the preview pane, run offscreen: previews of 4000x3000 JPEGs (4 by
// default) written as 1024x768 JPEG, one after another and then in a quick run of
// selections that supersede each other. A 1 ms timer ticks throughout; its longest gap
// is how long the window did not answer, against the same meter over the idle window.
// Exits 1 when a gap reaches 50 ms or a preview does not come.

#include "app/unitPreviewPane.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"

#include "LibraryJpeg.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 kStallLimitMs = 50;

QByteArray makeJpeg(int seed, QString *failure)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator noise(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(noise.bounded(48)) - 24;
            line[x] = qRgb(qBound(0, 208 - x / 24 + grain, 255), qBound(0, 64 + grain, 255),
                           qBound(0, 32 + y / 16 + grain, 255));
        }
    }
    return EncodeJpegWithLibrary(image, 92, failure);
}

// The longest gap of a 1 ms timer while `work` runs the event loop.
template <typename Work>
qint64 longestGap(Work work)
{
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    sinceTick.start();
    ticker.start();
    work();
    return longest;
}

void wait(qint64 ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int count = 4;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--count")
            count = std::max(1, QByteArray(argv[++i]).toInt());
    }
    if (!StartImageLibrary()) {
        std::printf("%s\n", qPrintable(ImageLibraryMissingText()));
        return 2;
    }
    QTemporaryDir folder;
    QStringList files;
    for (int i = 0; i < count; ++i) {
        QString failure;
        const QByteArray jpeg = makeJpeg(i + 1, &failure);
        QFile file(folder.filePath(QStringLiteral("photo%1.jpg").arg(i)));
        if (jpeg.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size()) {
            std::printf("cannot make the sample images: %s\n", qPrintable(failure));
            return 2;
        }
        files.append(file.fileName());
    }
    ListCnvJob().SetCurrent(ListCnvJob().Add(QStringLiteral("Untitled")));
    TCnvJob &job = *CurrentJob();
    job.TargetExt = QStringLiteral("JPEG");
    job.Quality = 85;
    job.SizeAsIs = 0;
    job.Width = QStringLiteral("1024");
    job.Height = QStringLiteral("768");

    TPreviewPane pane;
    pane.resize(1200, 700);
    pane.show();
    const qint64 idle = longestGap([] { wait(1000); });

    QList<qint64> latencies;
    bool allCame = true;
    const qint64 busy = longestGap([&] {
        int shown = 0;
        QObject::connect(&pane, &TPreviewPane::previewShown, [&shown] { ++shown; });
        for (const QString &file : std::as_const(files)) {
            QElapsedTimer clock;
            clock.start();
            shown = 0;
            pane.SetSource(file);
            while (shown == 0 && clock.elapsed() < 60000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            allCame = allCame && shown > 0;
            latencies.append(clock.elapsed());
        }
        // A user running down the list: each selection supersedes the one before.
        shown = 0;
        for (int round = 0; round < 3; ++round) {
            for (const QString &file : std::as_const(files)) {
                pane.SetSource(file);
                wait(60);
            }
        }
        QElapsedTimer clock;
        clock.start();
        while (shown == 0 && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        allCame = allCame && shown == 1 && pane.Source() == files.last();
    });

    std::sort(latencies.begin(), latencies.end());
    std::printf("previews of %d x 4000x3000 JPEG as 1024x768 JPEG, quality 85\n", int(files.size()));
    std::printf("  preview latency:                  best %lld ms, median %lld ms\n",
                static_cast<long long>(latencies.first()), static_cast<long long>(latencies.at(latencies.size() / 2)));
    std::printf("  longest gap of a 1 ms timer, idle: %lld ms\n", static_cast<long long>(idle));
    std::printf("  longest gap while previewing:      %lld ms (target < %lld ms)\n", static_cast<long long>(busy),
                static_cast<long long>(kStallLimitMs));
    if (!allCame)
        std::printf("  a preview did not come, or a superseded one was shown\n");
    StopImageLibrary();
    return busy < kStallLimitMs && allCame ? 0 : 1;
}
