// Converts the given JPEGs through the program's own pipeline, as a one-output run does,
// and prints the elapsed milliseconds on stdout.
//   pictavo-bench OUTPUT_FOLDER WIDTH HEIGHT QUALITY FILE...
#include "engine/MagickImage.h"
#include "engine/unitConvertSteps.h"
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitRename.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 6) {
        std::fprintf(stderr, "usage: pictavo-bench OUTPUT_FOLDER WIDTH HEIGHT QUALITY FILE...\n");
        return 2;
    }
    if (!StartImageLibrary()) {
        std::fprintf(stderr, "%s\n", qPrintable(ImageLibraryMissingText()));
        return 1;
    }
    ApplyResourceLimits();
    BuildAvailableFormats();
    TRunSettings run;
    TCnvJob &job = run.Project;
    job.TargetExt = QStringLiteral("JPG");
    job.UseDestDir = 1;
    job.DestDir = args.at(1);
    job.SizeAsIs = 0;
    job.Width = args.at(2);
    job.Height = args.at(3);
    run.Quality = args.at(4).toInt();

    int failures = 0;
    QElapsedTimer timer;
    timer.start();
    run.Sources = TSourcePaths(args.mid(5));
    TOutputNaming naming(job);
    naming.ResetNaming(run.Sources);
    for (int i = 5; i < args.size(); ++i) {
        const QString source = args.at(i);
        const QFileInfo info(source);
        const QString output = naming.ResolveOutputName(naming.MakeOutputName(info.fileName(), info.path()));
        try {
            TMagickImage image;
            QFile file(source);
            if (!file.open(QIODevice::ReadOnly))
                throw TError(QStringLiteral("cannot open ") + source);
            image.LoadFrames(file);
            ConvertSource(image, source, output, run);
        } catch (const TError &error) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(source), error.what());
            ++failures;
        }
    }
    std::printf("%lld\n", static_cast<long long>(timer.elapsed()));
    StopImageLibrary();
    return failures ? 1 : 0;
}
