// Writes the project a command-line benchmark converts with: every source to JPEG (or the
// target given) at the given size ("asis" keeps it) and quality into the destination.
//   pictavo-bench-project OUT.prj DEST WIDTH HEIGHT QUALITY [TARGET]
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: pictavo-bench-project OUT.prj DEST WIDTH HEIGHT QUALITY [TARGET]\n");
        return 2;
    }
    StartImageLibrary();
    BuildAvailableFormats();
    TCnvJob job(QStringLiteral("Benchmark"));
    job.TargetExt = argc == 7 ? QString::fromLocal8Bit(argv[6]) : QStringLiteral("JPG");
    job.UseDestDir = 1;
    job.DestDir = QString::fromLocal8Bit(argv[2]);
    job.SizeAsIs = qstrcmp(argv[3], "asis") == 0 ? 1 : 0;
    job.Measure = 0;
    job.Width = QString::fromLocal8Bit(argv[3]);
    job.Height = QString::fromLocal8Bit(argv[4]);
    job.LockHeight = 0;
    job.LockWidth = 0;
    job.OrientAsIs = 1;
    job.Quality = quint8(QByteArray(argv[5]).toInt());
    int code = 0;
    try {
        job.SaveToFile(QString::fromLocal8Bit(argv[1]));
    } catch (const TError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        code = 1;
    }
    StopImageLibrary();
    return code;
}
