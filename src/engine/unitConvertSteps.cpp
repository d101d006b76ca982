#include "engine/unitConvertSteps.h"

#include "engine/unitImageLibrary.h"
#include "engine/unitMetadata.h"
#include "project/unitGeneral.h"
#include "project/unitOutputOptions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <tuple>
#include <utility>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr long double kPixelsPerCentimetre = 28.35L;
constexpr long double kPixelsPerInch = 72.0L;
constexpr size_t kSrgbProfileLimit = 5000;
constexpr size_t kSwopProfileLimit = 600000;
const char kIccProfile[] = "icc";

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

void transformEveryFrame(TMagickImage &image, bool redraw, const TRunSettings &run,
                         const QString &outputPath, const TEncoderSettings &encoder)
{
    const bool flatten = !FormatKeepsAlpha(QFileInfo(outputPath).suffix());
    const int count = image.FrameCount();
    for (int i = 0; i < count; ++i) {
        image.SelectFrame(i);
        if (redraw && image.FrameCount() > 1)
            AffineRedrawFrame(image);
        if (run.TurnUpright)
            UprightFrame(image);
        OrientFrame(image, run.Project);
        ResizeFrame(image, run.Project, FilterTypes(run.ResizeFilter), run.ResizeBlur, run.NoEnlarge);
        if (flatten)
            FlattenFrameOnto(image, encoder);
    }
    image.SelectFrame(0);
}

const QLatin1String kStagingPrefix(".pictavo-");

// Once per folder and process: staging folders whose process is gone hold nothing that
// anyone will move into place.
void removeStagingLeftIn(const QString &folder)
{
    static QMutex lock;
    static QSet<QString> seen;
    {
        QMutexLocker locked(&lock);
        if (seen.contains(folder))
            return;
        seen.insert(folder);
    }
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (LeftByVanishedProcess(name, kStagingPrefix))
            QDir(dir.filePath(name)).removeRecursively();
    }
}

QString stemOf(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

// Moves a file to a name no file has, and never replaces one that appeared meanwhile
// (another process): 0, EEXIST, or the system's error number.
int moveToFreeName(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the flag: a hard link fails when the name is taken.
    if (::link(source.constData(), target.constData()) != 0)
        return errno;
    ::unlink(source.constData());
    return 0;
}

// The source's modification time, to the nanosecond, on each file of its output. The
// files are this run's own, just written; a time that cannot be set leaves them as they are.
void keepSourceDate(const QString &sourcePath, const QStringList &outputs)
{
    struct stat source = {};
    if (::stat(QFile::encodeName(sourcePath).constData(), &source) != 0)
        return;
    const struct timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
    for (const QString &output : outputs)
        ::utimensat(AT_FDCWD, QFile::encodeName(output).constData(), times, 0);
}

} // namespace

static_assert(kMitchellFilter == MitchellFilter, "the library's Mitchell filter");

TStagedOutput::TStagedOutput(const QString &plainOutputPath) : m_plain(plainOutputPath)
{
    const QString folder = QFileInfo(plainOutputPath).absolutePath();
    removeStagingLeftIn(folder);
    // The name carries the process id, so that a later run can tell what a killed one left.
    QByteArray pattern = QFile::encodeName(QDir(folder).filePath(
        kStagingPrefix + QString::number(::getpid()) + QStringLiteral("-XXXXXX")));
    if (!::mkdtemp(pattern.data()))
        throw TFileWriteError(plainOutputPath, QString::fromLocal8Bit(std::strerror(errno)));
    m_folder = QFile::decodeName(pattern);
}

TStagedOutput::~TStagedOutput() { QDir(m_folder).removeRecursively(); }

void TStagedOutput::Write(TMagickImage &image)
{
    try {
        m_warning = image.SaveFrames(m_folder + QLatin1Char('/') + QFileInfo(m_plain).fileName());
    } catch (const TFileWriteError &error) {
        throw error.For(m_plain);
    }
    m_files = QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

QString TStagedOutput::Place(const QString &outputPath, const TSourcePaths &sources, bool mayReplace)
{
    const QFileInfo output(outputPath);
    const QDir target = output.absoluteDir();
    const QString plainStem = stemOf(QFileInfo(m_plain).fileName());
    const QString finalStem = stemOf(output.fileName());
    QStringList destinations;
    for (const QString &name : std::as_const(m_files)) {
        // Per-frame files are named after the output as the writer names them.
        const QString placed = name.startsWith(plainStem) ? finalStem + name.mid(plainStem.size()) : name;
        const QString destination = target.filePath(placed);
        if (sources.Contains(destination))
            return QStringLiteral("Source file not overwritten: ") + destination;
        if (!mayReplace && QFileInfo::exists(destination))
            return QStringLiteral("File exists, not overwritten: ") + destination;
        destinations.append(destination);
    }
    for (int i = 0; i < m_files.size(); ++i) {
        const QString staged = m_folder + QLatin1Char('/') + m_files.at(i);
        int error = 0;
        if (mayReplace)
            error = std::rename(QFile::encodeName(staged).constData(),
                                QFile::encodeName(destinations.at(i)).constData()) == 0 ? 0 : errno;
        else
            error = moveToFreeName(staged, destinations.at(i));
        if (error == 0)
            continue;
        // Nothing of this output stays half placed.
        for (int back = 0; back < i; ++back)
            moveToFreeName(destinations.at(back), m_folder + QLatin1Char('/') + m_files.at(back));
        if (error == EEXIST)
            return QStringLiteral("File exists, not overwritten: ") + destinations.at(i);
        throw TFileWriteError(destinations.at(i), QString::fromLocal8Bit(std::strerror(error)));
    }
    m_files.clear();
    return QString();
}

QStringList TStagedOutput::Files() const
{
    QStringList paths;
    for (const QString &name : m_files)
        paths.append(m_folder + QLatin1Char('/') + name);
    return paths;
}

void PrepareOutput(TMagickImage &image, const QString &sourcePath, const QString &outputPath,
                   const TRunSettings &run)
{
    const TEncoderSettings encoder = EncoderSettings(run.Project.TargetExt, run.Project.Options);
    transformEveryFrame(image, true, run, outputPath, encoder);
    if (IsJpegToTiff(sourcePath, run.Project.TargetExt) && encoder.PrintCmyk)
        ConvertToPrintProfile(image, run.ProfileFolder);
    ApplyMetadataChoice(image, TOutputRules::From(run.Project.Options).Metadata);
    image.SetAdjoin(false);
    image.SetQuality(run.Quality);
    ApplyEncoderSettings(image, encoder);
}

std::unique_ptr<TStagedOutput> StageSource(TMagickImage &image, const QString &sourcePath,
                                           const QString &plainOutputPath, const TRunSettings &run)
{
    PrepareOutput(image, sourcePath, plainOutputPath, run);
    const TOutputRules rules = TOutputRules::From(run.Project.Options);
    // Kept folders below the destination are made as their outputs need them.
    if (rules.KeepFolders && run.Project.UseDestDir)
        QDir().mkpath(QFileInfo(plainOutputPath).absolutePath());
    auto staged = std::make_unique<TStagedOutput>(plainOutputPath);
    staged->Write(image);
    // A rename keeps the time, so the staged files take it before they are placed.
    if (rules.KeepDates)
        keepSourceDate(sourcePath, staged->Files());
    return staged;
}

QString ConvertSource(TMagickImage &image, const QString &sourcePath, const QString &outputPath,
                      const TRunSettings &run)
{
    const auto staged = StageSource(image, sourcePath, outputPath, run);
    const QString taken = staged->Place(outputPath, run.Sources, OutputMayReplaceFiles(run.Project));
    if (!taken.isEmpty())
        throw TError(taken);
    return staged->Warning();
}

void CollectSource(TMagickImage &image, const QString &sourcePath, const TRunSettings &run)
{
    if (IsJpegToTiff(sourcePath, run.Project.TargetExt)
        && EncoderSettings(run.Project.TargetExt, run.Project.Options).PrintCmyk)
        ConvertToPrintProfile(image, run.ProfileFolder);
    image.SetQuality(run.Quality);
}

void PrepareCollection(TMagickImage &image, const QString &outputPath, const TRunSettings &run)
{
    const TEncoderSettings encoder = EncoderSettings(run.Project.TargetExt, run.Project.Options);
    transformEveryFrame(image, false, run, outputPath, encoder);
    ApplyMetadataChoice(image, TOutputRules::From(run.Project.Options).Metadata);
    ApplyEncoderSettings(image, encoder);
}

QString WriteCollection(TMagickImage &image, const QString &outputPath, const TRunSettings &run)
{
    PrepareCollection(image, outputPath, run);
    TStagedOutput staged(outputPath);
    staged.Write(image);
    // The user chose this file and may replace it; the sources stay untouched.
    const QString taken = staged.Place(outputPath, run.Sources, true);
    if (!taken.isEmpty())
        throw TError(taken);
    return staged.Warning();
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
    // A transform that moves no pixel by a millionth of its width leaves the frame as it
    // is: redrawing it would only cost a pass over a pixel cache that the memory limit may
    // have put on disk.
    const double moved = std::fabs(affine.sx - 1.0) * double(frame->columns)
        + std::fabs(affine.ry) * double(frame->columns) + std::fabs(affine.rx) * double(frame->rows)
        + std::fabs(affine.sy - 1.0) * double(frame->rows) + std::fabs(affine.tx) + std::fabs(affine.ty);
    if (moved < 1e-6)
        return;
    TExceptionPtr exception = NewException();
    TImageListPtr redrawn(Magick().AffineTransformImage(frame, &affine, exception.get()));
    // This library generation pads the result by a pixel on each side; only a frame of
    // the same size is the redraw the step stands for.
    if (redrawn && redrawn->columns == frame->columns && redrawn->rows == frame->rows)
        image.ReplaceCurrentFrame(std::move(redrawn));
}

void UprightFrame(TMagickImage &image)
{
    Image *frame = image.CurrentFrame();
    if (!frame || frame->orientation == UndefinedOrientation)
        return;
    if (frame->orientation != TopLeftOrientation) {
        TExceptionPtr exception = NewException();
        TImageListPtr turned(Magick().AutoOrientImage(frame, frame->orientation, exception.get()));
        // Like the project's own turn: a failure leaves the frame as it was.
        if (!turned)
            return;
        image.ReplaceCurrentFrame(std::move(turned));
        frame = image.CurrentFrame();
    }
    frame->orientation = TopLeftOrientation;
    // Encoders that copy the property (PNG) would otherwise have viewers turn it again.
    Magick().SetImageProperty(frame, "exif:Orientation", "1");
}

void OrientFrame(TMagickImage &image, const TCnvJob &job)
{
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

TOutputSize ResizedSize(size_t w, size_t h, const TCnvJob &job, bool noEnlarge)
{
    if (job.SizeAsIs || w == 0 || h == 0)
        return {w, h, false};
    const TSizeSpec optionSpec = ProjectSizeSpec(job.Options);
    if (optionSpec.Mode != TSizeMode::Rules) {
        const TFrameGeometry geometry = SizeModeGeometry(qint64(w), qint64(h), optionSpec, noEnlarge);
        if (geometry.Crop)
            return {size_t(geometry.CropWidth), size_t(geometry.CropHeight), true};
        return {size_t(geometry.Columns), size_t(geometry.Rows), geometry.Resize};
    }
    const long double width = parseSize(job.Width);
    const long double height = parseSize(job.Height);
    const bool landscape = w > h;
    const long double ratio = landscape ? (long double)w / h : (long double)h / w;
    long double columns = landscape ? width : height;
    long double rows = landscape ? height : width;
    if (job.LockHeight)
        columns = landscape ? rows * ratio : rows / ratio;
    else if (job.LockWidth)
        rows = landscape ? columns / ratio : columns * ratio;
    const size_t pixelColumns = checkedPixels(SizeToPixels(columns, job.Measure));
    const size_t pixelRows = checkedPixels(SizeToPixels(rows, job.Measure));
    if (noEnlarge && pixelColumns >= w && pixelRows >= h)
        return {w, h, false};
    return {pixelColumns, pixelRows, true};
}

void ResizeFrame(TMagickImage &image, const TCnvJob &job, FilterTypes filter, double blur,
                 bool noEnlarge)
{
    const TSizeSpec optionSpec = ProjectSizeSpec(job.Options);
    if (!job.SizeAsIs && optionSpec.Mode != TSizeMode::Rules && image.FrameWidth() > 0 && image.FrameHeight() > 0) {
        ResizeFrameTo(image, SizeModeGeometry(qint64(image.FrameWidth()), qint64(image.FrameHeight()), optionSpec, noEnlarge),
                      filter, blur);
        return;
    }
    const TOutputSize size = ResizedSize(image.FrameWidth(), image.FrameHeight(), job, noEnlarge);
    if (size.Resize)
        image.ResizeCurrentFrame(size.Columns, size.Rows, 2, filter, blur);
}

TSourceFacts ProbeSource(const QString &sourcePath, const TRunSettings &run)
{
    TSourceFacts facts;
    facts.Taken = QFileInfo(sourcePath).lastModified();
    try {
        QFile file;
        OpenSource(file, sourcePath);
        const QByteArray bytes = file.readAll();
        TImageInfoPtr info(Magick().CloneImageInfo(nullptr));
        TExceptionPtr exception = NewException();
        const TImageListPtr header(
            Magick().PingBlob(info.get(), bytes.constData(), size_t(bytes.size()), exception.get()));
        if (!header)
            return facts;
        const QDateTime taken = QDateTime::fromString(
            QString::fromUtf8(Magick().GetImageProperty(header.get(), "exif:DateTimeOriginal")),
            QStringLiteral("yyyy:MM:dd HH:mm:ss"));
        if (taken.isValid())
            facts.Taken = taken;
        const TCnvJob &job = run.Project;
        size_t w = header->columns, h = header->rows;
        if (run.TurnUpright && header->orientation >= LeftTopOrientation)
            std::swap(w, h);
        if (!job.OrientAsIs && ((job.Orientation == 0 && w > h) || (job.Orientation == 1 && w < h)))
            std::swap(w, h);
        const TOutputSize size = ResizedSize(w, h, job, run.NoEnlarge);
        facts.Width = qint64(size.Columns);
        facts.Height = qint64(size.Rows);
    } catch (const std::exception &) {
        // The run reports what is wrong with the source; the name makes do without it.
    }
    return facts;
}

void ResizeFrameTo(TMagickImage &image, const TFrameGeometry &geometry, FilterTypes filter, double blur)
{
    if (geometry.Resize)
        image.ResizeCurrentFrame(checkedPixels(geometry.Columns), checkedPixels(geometry.Rows), 2,
                                 filter, blur);
    const Image *frame = image.CurrentFrame();
    if (!geometry.Crop || !frame)
        return;
    RectangleInfo region{size_t(geometry.CropWidth), size_t(geometry.CropHeight),
                         ssize_t(geometry.CropX), ssize_t(geometry.CropY)};
    TExceptionPtr exception = NewException();
    TImageListPtr cropped(Magick().CropImage(frame, &region, exception.get()));
    ThrowIfLibraryError(exception.get());
    if (!cropped)
        return;
    // The crop keeps the frame's place on a larger page; the output is the crop alone.
    cropped->page = RectangleInfo{0, 0, 0, 0};
    image.ReplaceCurrentFrame(std::move(cropped));
}

void ApplyEncoderSettings(TMagickImage &image, const TEncoderSettings &encoder)
{
    ImageInfo *info = image.Info();
    const auto option = [info](const char *key, const QByteArray &value) {
        Magick().SetImageOption(info, key, value.constData());
    };
    if (encoder.Progressive)
        info->interlace = PlaneInterlace;
    if (!encoder.JpegSamplingFactor.isEmpty())
        Magick().CloneString(&info->sampling_factor, encoder.JpegSamplingFactor.toLatin1().constData());
    if (encoder.WebpLossless)
        option("webp:lossless", "true");
    if (encoder.WebpEffort >= 0)
        option("webp:method", QByteArray::number(encoder.WebpEffort));
    if (encoder.PngLevel >= 0)
        option("png:compression-level", QByteArray::number(encoder.PngLevel));
    if (encoder.PngPalette)
        option("png:format", "png8");
    image.SetHeifSpeed(encoder.HeifSpeed);
    if (encoder.TiffCompression.isEmpty())
        return;
    static const QMap<QString, CompressionType> compressions = {
        {QStringLiteral("none"), NoCompression},
        {QStringLiteral("lzw"), LZWCompression},
        {QStringLiteral("zip"), ZipCompression},
        {QStringLiteral("jpeg"), JPEGCompression},
    };
    const CompressionType compression = compressions.value(encoder.TiffCompression, UndefinedCompression);
    info->compression = compression;
    // The TIFF encoder also reads each frame's own, which a decoded TIFF carries.
    for (Image *frame = image.Frames(); frame; frame = frame->next)
        frame->compression = compression;
}

bool FormatKeepsAlpha(const QString &code)
{
    // The encoders of this library that write an alpha channel; HEIC and AVIF do not.
    static const QStringList keepers = {
        QStringLiteral("PNG"),  QStringLiteral("GIF"),  QStringLiteral("TIFF"), QStringLiteral("TIF"),
        QStringLiteral("PTIF"), QStringLiteral("WEBP"), QStringLiteral("JXL"),  QStringLiteral("TGA"),
        QStringLiteral("PAM"),  QStringLiteral("EXR"),  QStringLiteral("ICO"),  QStringLiteral("CUR"),
        QStringLiteral("BMP"),  QStringLiteral("DIB"),  QStringLiteral("JP2"),  QStringLiteral("SGI"),
        QStringLiteral("MIFF"), QStringLiteral("MPC"),  QStringLiteral("PSD"),  QStringLiteral("PCX"),
        QStringLiteral("XPM"),  QStringLiteral("PICON"), QStringLiteral("SUN"), QStringLiteral("VIFF"),
        QStringLiteral("AVS"),  QStringLiteral("DPX"),  QStringLiteral("MNG"),  QStringLiteral("JNG"),
        QStringLiteral("RGBA")};
    return keepers.contains(code, Qt::CaseInsensitive);
}

void FlattenFrameOnto(TMagickImage &image, const TEncoderSettings &encoder)
{
    Image *frame = image.CurrentFrame();
    if (!frame || frame->matte == MagickFalse)
        return;
    // A grey frame keeps equal channels, so a coloured background needs it in RGB first.
    const bool grey = encoder.BackgroundRed == encoder.BackgroundGreen
        && encoder.BackgroundGreen == encoder.BackgroundBlue;
    if (frame->colorspace == GRAYColorspace && !grey) {
        frame->colorspace = sRGBColorspace;
        frame->type = UndefinedType;
    }
    // Dropping the channel lays the pixels onto the background colour, black by default.
    frame->background_color.red = Quantum(QuantumRange * encoder.BackgroundRed / 255.0);
    frame->background_color.green = Quantum(QuantumRange * encoder.BackgroundGreen / 255.0);
    frame->background_color.blue = Quantum(QuantumRange * encoder.BackgroundBlue / 255.0);
    frame->background_color.opacity = OpaqueOpacity;
    Magick().SetImageAlphaChannel(frame, RemoveAlphaChannel);
}

size_t DecodeEighths(size_t w, size_t h, const TRunSettings &run)
{
    // The resize a frame of w x h gets and what of it is kept, crop included.
    const auto plan = [&run](size_t columns, size_t rows) {
        const TSizeSpec optionSpec = ProjectSizeSpec(run.Project.Options);
        if (!run.Project.SizeAsIs && optionSpec.Mode != TSizeMode::Rules) {
            const TFrameGeometry geometry = SizeModeGeometry(qint64(columns), qint64(rows), optionSpec, run.NoEnlarge);
            return std::tuple(geometry.Resize, size_t(geometry.Columns), size_t(geometry.Rows),
                              size_t(geometry.Crop ? geometry.CropWidth : geometry.Columns),
                              size_t(geometry.Crop ? geometry.CropHeight : geometry.Rows));
        }
        const TOutputSize size = ResizedSize(columns, rows, run.Project, run.NoEnlarge);
        return std::tuple(size.Resize, size.Columns, size.Rows, size.Columns, size.Rows);
    };
    try {
        for (const size_t eighths : {1, 2, 3, 4}) {
            if ((w * eighths) % 8 != 0 || (h * eighths) % 8 != 0)
                continue;
            bool keeps = true;
            for (const bool turned : {false, true}) {
                const size_t columns = turned ? h : w, rows = turned ? w : h;
                const size_t scaledColumns = columns * eighths / 8, scaledRows = rows * eighths / 8;
                auto full = plan(columns, rows), scaled = plan(scaledColumns, scaledRows);
                // A scaled frame already at the output's size needs no resize of its own.
                const bool resized = std::exchange(std::get<0>(full), true);
                std::get<0>(scaled) = true;
                keeps = keeps && resized && full == scaled && std::get<1>(full) <= scaledColumns
                    && std::get<2>(full) <= scaledRows;
            }
            if (keeps)
                return eighths;
        }
    } catch (const TError &) {
        // A size that is no number: the resize step reports it on the full frame.
    }
    return 8;
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

bool IsJpegToTiff(const QString &sourcePath, const QString &targetExt)
{
    const QString name = QFileInfo(sourcePath).fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot).toUpper();
    return extension.contains(QLatin1String("JP")) && targetExt.contains(QLatin1String("TIF"));
}

void ConvertToPrintProfile(TMagickImage &image, const QString &profileFolder)
{
    Image *frame = image.CurrentFrame();
    if (!frame)
        return;
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
    // The pixels are converted from the profile they carry; only unlabelled pixels are
    // taken as sRGB, and without a label the CMYK profile would merely be attached.
    if (!Magick().GetImageProfile(frame, kIccProfile)
        && !Magick().ProfileImage(frame, kIccProfile, srgb.get(), srgbLength, MagickFalse))
        return;
    Magick().ProfileImage(frame, kIccProfile, swop.get(), swopLength, MagickFalse);
}
