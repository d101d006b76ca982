#include "engine/unitConvertSteps.h"

#include "engine/unitRename.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr long double kPixelsPerCentimetre = 28.35L;
constexpr long double kPixelsPerInch = 72.0L;
constexpr size_t kSrgbProfileLimit = 5000;
constexpr size_t kSwopProfileLimit = 600000;
const char kIccProfile[] = "icc";

const TCnvJob &project()
{
    const TCnvJob *job = CurrentJob();
    if (!job)
        throw TError(QStringLiteral("No conversion project"));
    return *job;
}

long double parseSize(const QString &text)
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        throw TError(QLatin1Char('\'') + text + QStringLiteral("' is not a valid floating point value"));
    return value;
}

size_t checkedPixels(qint64 pixels)
{
    // A negative size would reach the library as an enormous unsigned one.
    if (pixels < 0 || pixels > std::numeric_limits<qint32>::max())
        throw TError(QStringLiteral("Invalid image size: ") + QString::number(pixels));
    return size_t(pixels);
}

QString profilePath(const QString &folder, const QString &name)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + name;
}

void transformEveryFrame(TMagickImage &image, bool redraw, const TRunSettings &run)
{
    const int count = image.FrameCount();
    for (int i = 0; i < count; ++i) {
        image.SelectFrame(i);
        if (redraw && image.FrameCount() > 1)
            AffineRedrawFrame(image);
        OrientFrame(image);
        ResizeFrame(image, run.ResizeFilter, run.ResizeBlur);
    }
    image.SelectFrame(0);
}

// Writes into a hidden folder beside the output and moves the files into place only
// when none of them would replace a source of the run, or an existing file where the
// run keeps existing files. With several frames the library names one file per frame,
// names the naming step never saw. Each file also lands whole or not at all.
void saveWithoutOverwriting(TMagickImage &image, const QString &outputPath, bool mayReplace)
{
    const QFileInfo output(outputPath);
    QTemporaryDir staging(output.absolutePath() + QStringLiteral("/.pictavo-XXXXXX"));
    if (!staging.isValid()) {
        // No place to stage: the library's own write reports the folder's problem.
        if (IsRunSource(outputPath))
            throw TError(QStringLiteral("Source file not overwritten: ") + outputPath);
        if (!mayReplace && QFileInfo::exists(outputPath))
            throw TError(QStringLiteral("File exists, not overwritten: ") + outputPath);
        image.SaveFrames(outputPath);
        return;
    }
    image.SaveFrames(staging.filePath(output.fileName()));

    const QDir target = output.absoluteDir();
    const QStringList written = QDir(staging.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : written) {
        const QString destination = target.filePath(name);
        if (IsRunSource(destination))
            throw TError(QStringLiteral("Source file not overwritten: ") + destination);
        if (!mayReplace && QFileInfo::exists(destination))
            throw TError(QStringLiteral("File exists, not overwritten: ") + destination);
    }
    for (const QString &name : written) {
        const QString destination = target.filePath(name);
        if (std::rename(QFile::encodeName(staging.filePath(name)).constData(),
                        QFile::encodeName(destination).constData()) != 0)
            throw TError(QStringLiteral("Cannot write ") + destination);
    }
}

} // namespace

TRunSettings::TRunSettings() : ProfileFolder(DefaultProfileFolder()) {}

QString DefaultProfileFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/profiles");
}

void ConvertSource(TMagickImage &image, const QString &sourcePath, const QString &outputPath,
                   const TRunSettings &run)
{
    transformEveryFrame(image, true, run);
    if (IsJpegToTiff(sourcePath))
        ConvertToPrintProfile(image, run.ProfileFolder);
    image.SetAdjoin(false);
    image.SetQuality(run.Quality);
    saveWithoutOverwriting(image, outputPath, OutputMayReplaceFiles());
}

void CollectSource(TMagickImage &image, const QString &sourcePath, const TRunSettings &run)
{
    if (IsJpegToTiff(sourcePath))
        ConvertToPrintProfile(image, run.ProfileFolder);
    image.SetQuality(run.Quality);
}

void WriteCollection(TMagickImage &image, const QString &outputPath, const TRunSettings &run)
{
    transformEveryFrame(image, false, run);
    // The user chose this file and may replace it; the sources stay untouched.
    saveWithoutOverwriting(image, outputPath, true);
}

void AffineRedrawFrame(TMagickImage &image)
{
    const Image *frame = image.CurrentFrame();
    if (!frame)
        return;
    AffineMatrix affine{};
    affine.sx = 1.0;
    affine.rx = 0.0;
    affine.ry = 1e-29;
    affine.sy = 1.0;
    affine.tx = 0.0;
    affine.ty = 0.0;
    TExceptionPtr exception = NewException();
    TImageListPtr redrawn(Magick().AffineTransformImage(frame, &affine, exception.get()));
    // This library generation pads the result by a pixel on each side; only a frame of
    // the same size is the redraw the step stands for.
    if (redrawn && redrawn->columns == frame->columns && redrawn->rows == frame->rows)
        image.ReplaceCurrentFrame(std::move(redrawn));
}

void OrientFrame(TMagickImage &image)
{
    const TCnvJob &job = project();
    const Image *frame = image.CurrentFrame();
    if (job.OrientAsIs || !frame)
        return;
    const size_t w = frame->columns, h = frame->rows;
    const bool turn = (job.Orientation == 0 && w > h) || (job.Orientation == 1 && w < h);
    if (!turn)
        return;
    const double angle = job.RotateCCW ? -90.0 : 90.0;
    TExceptionPtr exception = NewException();
    image.ReplaceCurrentFrame(TImageListPtr(Magick().RotateImage(frame, angle, exception.get())));
}

void ResizeFrame(TMagickImage &image, FilterTypes filter, double blur)
{
    const TCnvJob &job = project();
    if (job.SizeAsIs || image.FrameWidth() == 0 || image.FrameHeight() == 0)
        return;
    const long double w = image.FrameWidth(), h = image.FrameHeight();
    const long double width = parseSize(job.Width);
    const long double height = parseSize(job.Height);
    const bool landscape = w > h;
    const long double ratio = landscape ? w / h : h / w;
    long double columns = landscape ? width : height;
    long double rows = landscape ? height : width;
    if (job.LockHeight)
        columns = landscape ? rows * ratio : rows / ratio;
    else if (job.LockWidth)
        rows = landscape ? columns / ratio : columns * ratio;
    image.ResizeCurrentFrame(checkedPixels(SizeToPixels(columns, job.Measure)),
                             checkedPixels(SizeToPixels(rows, job.Measure)), 2, filter, blur);
}

size_t ShortSideNeeded()
{
    const TCnvJob *job = CurrentJob();
    if (!job || job->SizeAsIs)
        return 0;
    try {
        const qint64 width = SizeToPixels(parseSize(job->Width), job->Measure);
        const qint64 height = SizeToPixels(parseSize(job->Height), job->Measure);
        const qint64 larger = qMax(width, height);
        return larger > 0 && larger <= std::numeric_limits<qint32>::max() ? size_t(larger) : 0;
    } catch (const TError &) {
        return 0;
    }
}

qint64 SizeToPixels(long double value, int measure)
{
    long double pixels = value;
    if (measure == 1)
        pixels = value * kPixelsPerCentimetre;
    else if (measure == 2)
        pixels = value * kPixelsPerInch;
    if (!std::isfinite(pixels) || std::fabs(pixels) > 1e15L)
        return -1;
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double rounded = std::nearbyintl(pixels);
    std::fesetround(mode);
    return qint64(rounded);
}

bool IsJpegToTiff(const QString &sourcePath)
{
    const QString name = QFileInfo(sourcePath).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot).toUpper();
    const TCnvJob *job = CurrentJob();
    return job && extension.contains(QLatin1String("JP")) &&
           job->TargetExt.contains(QLatin1String("TIF"));
}

void ConvertToPrintProfile(TMagickImage &image, const QString &profileFolder)
{
    Image *frame = image.CurrentFrame();
    if (!frame)
        return;
    Magick().ProfileImage(frame, kIccProfile, nullptr, 0, MagickFalse);

    const QString srgbPath = profilePath(profileFolder, QStringLiteral("sRGB.icm"));
    const QString swopPath = profilePath(profileFolder, QStringLiteral("USWebCoatedSWOP.icc"));
    if (!QFileInfo::exists(srgbPath) || !QFileInfo::exists(swopPath))
        return;

    TExceptionPtr exception = NewException();
    size_t srgbLength = 0, swopLength = 0;
    TMagickMemoryPtr srgb(FileToBlob(srgbPath, kSrgbProfileLimit, &srgbLength, exception.get()));
    TMagickMemoryPtr swop(FileToBlob(swopPath, kSwopProfileLimit, &swopLength, exception.get()));
    if (!srgb || !swop || srgbLength == 0 || swopLength == 0)
        return;
    // Without the sRGB label the CMYK profile would only be attached to RGB pixels.
    if (!Magick().ProfileImage(frame, kIccProfile, srgb.get(), srgbLength, MagickFalse))
        return;
    Magick().ProfileImage(frame, kIccProfile, swop.get(), swopLength, MagickFalse);
}
