// Benchmark of the real main window during a conversion, run offscreen.
//
// A batch of 4000x3000 JPEGs (20 by default) is added to the sources and converted to
// 1024x768 JPEG, Mitchell, quality 85, through the convert command, as a user starts it.
// A 1 ms timer ticks throughout; the longest gap between two ticks, from the command to
// the report, is how long the window did not answer; the same meter over the idle window
// beforehand shows what the machine allows. Exits 1 when the run's gap reaches 50 ms,
// a row did not convert, or the run did not end within 5 minutes.
//
// Settings go to a temporary XDG_CONFIG_HOME, so the user's own are never read or written.

#include "app/unitMain.h"
#include "dialogs/unitDlgReport.h"
#include "engine/MagickImage.h"
#include "engine/unitImageLibrary.h"
#include "i18n/unitMultiLang.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "ui/unitFileBrowser.h"

#include "LibraryJpeg.h"
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 kStallLimitMs = 50;
constexpr int kRunTimeoutMs = 300000;
bool g_listGaps = false;

void usage()
{
    std::printf("usage: pictavo-convertwindow-bench [--count N] [--jobs N] [--gaps]\n"
                "  Runs offscreen. --count: 4000x3000 JPEGs converted (default 20); --jobs: files\n"
                "  converted at once (default the number of cores); --gaps: every gap of 20 ms\n"
                "  or more, with when it came.\n");
}

// A noisy 4000x3000 photo stand-in, encoded by the loaded MagickCore at quality 92.
QByteArray makeJpeg(QString *failure)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator noise(7);
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

int run(int count, int jobs)
{
    PrepareProgram();
    TMLang lang;
    lang.RegisterBuiltIn();
    lang.SelectLanguage(TMLang::BuiltInName());

    QString failure;
    const QByteArray jpeg = makeJpeg(&failure);
    if (jpeg.isEmpty()) {
        std::printf("cannot make the sample image through MagickCore: %s\n", qPrintable(failure));
        return 2;
    }
    QTemporaryDir sandbox;
    const QString photos = sandbox.filePath(QStringLiteral("photos"));
    const QString out = sandbox.filePath(QStringLiteral("out"));
    QDir().mkpath(photos);
    QDir().mkpath(out);
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/photo%2.jpg").arg(photos).arg(i, 3, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size()) {
            std::printf("cannot write %s\n", qPrintable(file.fileName()));
            return 2;
        }
    }

    TProgramWindows windows(lang);
    windows.Main->show();
    if (!windows.Main->FileList()->Browse(photos))
        return 2;
    windows.Main->Action("ACTION_SELECT_ALL")->trigger();
    windows.Main->Action("ACTION_ADDTOFAVOR")->trigger();
    QElapsedTimer gathering;
    gathering.start();
    while (FavorList().Count() < count && gathering.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    if (FavorList().Count() != count) {
        std::printf("only %d of %d sources were added\n", FavorList().Count(), count);
        return 2;
    }
    TCnvJob &project = *CurrentJob();
    project.TargetExt = QStringLiteral("JPG");
    project.UseDestDir = 1;
    project.DestDir = out;
    project.SizeAsIs = 0;
    project.Width = QStringLiteral("1024");
    project.Height = QStringLiteral("768");
    project.Quality = 85;
    FilesAtOnce = jobs;

    QElapsedTimer sinceTick;
    QElapsedTimer clock;
    qint64 longest = 0;
    bool reportShown = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (reportShown)
            return;
        const qint64 gap = sinceTick.restart();
        longest = std::max(longest, gap);
        if (gap >= 20 && g_listGaps)
            std::printf("  gap %lld ms at %lld ms, %s\n", static_cast<long long>(gap),
                        static_cast<long long>(clock.elapsed()),
                        windows.Main->IsRunning() ? "running" : "idle");
        if (windows.Report && windows.Report->isVisible()) {
            reportShown = true;
            windows.Report->closeButton()->click();
        }
    });
    // The same meter over an idle window first: what the machine itself allows.
    clock.start();
    sinceTick.start();
    ticker.start(1);
    while (clock.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    const qint64 idleLongest = longest;
    longest = 0;
    clock.restart();
    sinceTick.restart();
    windows.Main->Action("ACTION_CONVERT")->trigger();
    while (!reportShown && clock.elapsed() < kRunTimeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    const qint64 runMs = clock.elapsed();
    ticker.stop();

    const int converted = QDir(out).entryList(QDir::Files).size();
    std::printf("%d x 4000x3000 JPEG -> 1024x768 JPEG, %d file(s) at once, offscreen\n", count, jobs);
    std::printf("  run, convert command to report: %lld ms\n", static_cast<long long>(runMs));
    std::printf("  longest gap of a 1 ms timer:    %lld ms (target < %lld ms)\n",
                static_cast<long long>(longest), static_cast<long long>(kStallLimitMs));
    std::printf("  the same over 2 s idle, before: %lld ms\n", static_cast<long long>(idleLongest));
    std::printf("  outputs written:                %d of %d\n", converted, count);
    return reportShown && converted == count && longest < kStallLimitMs ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    int count = 20;
    int jobs = DefaultFilesAtOnce();
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--gaps") {
            g_listGaps = true;
        } else if ((arg == "--count" || arg == "--jobs") && i + 1 < argc) {
            const int value = QByteArray(argv[++i]).toInt();
            if (value < 1 || (arg == "--jobs" && value > kMaxFilesAtOnce)) {
                usage();
                return 2;
            }
            (arg == "--count" ? count : jobs) = value;
        } else {
            usage();
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    if (!config.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    if (!StartImageLibrary()) {
        std::printf("%s\n", qPrintable(ImageLibraryMissingText()));
        return 2;
    }
    int code;
    {
        QApplication app(argc, argv);
        code = run(count, jobs);
    }
    StopImageLibrary();
    return code;
}
