#include "engine/MagickImage.h"

#include "engine/unitHeifEncoder.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QList>
#include <QString>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TFileWriteError::TFileWriteError(const QString &path, const QString &reason)
    : TError(QStringLiteral("Cannot write ") + path + QStringLiteral("\r\n") + reason),
      m_reason(reason)
{
}

void ThrowIfLibraryError(const ExceptionInfo *exception)
{
    if (!exception || exception->severity == UndefinedException)
        return;
    const QString reason = QString::fromUtf8(exception->reason ? exception->reason : "");
    const QString description =
        QString::fromUtf8(exception->description ? exception->description : "");
    if (exception->severity == PolicyWarning || exception->severity == PolicyError) {
        // "... not allowed by the security policy `SVG'"
        const int open = reason.lastIndexOf(QLatin1Char('`'));
        const int close = reason.indexOf(QLatin1Char('\''), open + 1);
        const QString format = open >= 0 && close > open ? reason.mid(open + 1, close - open - 1)
                                                         : QString();
        throw TSourceRefused(QStringLiteral("Format not allowed: ") + format);
    }
    throw TError(reason + QStringLiteral("\r\n") + description);
}

void OpenSource(QFile &file, const QString &path)
{
    // Opening a pipe for reading would wait for a writer; with O_NONBLOCK it does not.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw TError(QString::fromLocal8Bit(std::strerror(errno)) + QStringLiteral(": ") + path);
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw TSourceRefused(QStringLiteral("Not a regular file: ") + path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // A file opened from a descriptor has no name; formats known only by their extension
    // are read by it.
    file.setObjectName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw TError(file.errorString() + QStringLiteral(": ") + path);
    }
}

namespace {

// A warning shown beside a converted row: the library's words without an empty second line.
QString withoutEmptyDescription(QString text)
{
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    return text;
}

// Whether a report means pixels are missing: errors, truncation and read errors, whatever
// severity the library gave them (data read from memory can turn a coder's read error
// into a warning). Other warnings (stray bytes between JPEG markers, an unknown TIFF tag,
// a questionable profile) leave the frames whole.
bool saysPixelsMissing(const ExceptionInfo &report)
{
    if (report.severity >= ErrorException)
        return true;
    const QString reason = QString::fromUtf8(report.reason ? report.reason : "");
    if (reason.contains(QLatin1String("extraneous bytes before marker"), Qt::CaseInsensitive))
        return false;
    if (report.severity == CorruptImageWarning)
        return true;
    static const char *const kMissingData[] = {"premature end", "unexpected end", "end of file",
                                               "read error", "insufficient image data", "truncat"};
    for (const char *words : kMissingData) {
        if (reason.contains(QLatin1String(words), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Decoders of this library generation leave their warnings in the frames' own records
// rather than in the caller's. Once judged they are cleared, or the write would report
// them again as its own. Throws when pixels are missing; returns a harmless warning.
QString judgeDecoding(const ExceptionInfo *exception, Image *frames)
{
    QList<const ExceptionInfo *> reports;
    if (exception && exception->severity != UndefinedException)
        reports.append(exception);
    for (Image *frame = frames; frame; frame = frame->next) {
        if (frame->exception.severity != UndefinedException)
            reports.append(&frame->exception);
    }
    if (reports.isEmpty())
        return QString();
    const ExceptionInfo *problem = reports.first();
    for (const ExceptionInfo *report : std::as_const(reports)) {
        if (saysPixelsMissing(*report)) {
            problem = report;
            break;
        }
    }
    QString text;
    try {
        ThrowIfLibraryError(problem);
    } catch (const TSourceRefused &) {
        throw;
    } catch (const TError &error) {
        text = error.text();
    }
    const bool missing = saysPixelsMissing(*problem);
    for (Image *each = frames; each; each = each->next)
        Magick().ClearMagickException(&each->exception);
    if (missing)
        throw TCorruptSource(text);
    return withoutEmptyDescription(text);
}

// Writes the bytes into a new file; on any failure the file is removed.
void writeNewFile(const QString &path, const void *bytes, size_t length)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw TFileWriteError(path, QString::fromLocal8Bit(std::strerror(errno)));
    const char *at = static_cast<const char *>(bytes);
    size_t left = length;
    int problem = 0;
    while (left > 0) {
        const ssize_t written = ::write(fd, at, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            problem = written < 0 ? errno : ENOSPC;
            break;
        }
        at += written;
        left -= size_t(written);
    }
    if (::close(fd) != 0 && problem == 0)
        problem = errno;
    if (problem != 0) {
        ::unlink(name.constData());
        throw TFileWriteError(path, QString::fromLocal8Bit(std::strerror(problem)));
    }
}

// Encodes one frame (`whole` false) or the list from `frame` on into memory. An encoder's
// warning (a questionable profile it copies) does not stop it; it goes to `warning`.
QByteArray encodeFrames(const ImageInfo *info, Image *frame, bool whole, QString &warning)
{
    TExceptionPtr exception = NewException();
    size_t length = 0;
    TMagickMemoryPtr blob(whole ? Magick().ImagesToBlob(info, frame, &length, exception.get())
                                : Magick().ImageToBlob(info, frame, &length, exception.get()));
    try {
        ThrowIfLibraryError(exception.get());
    } catch (const TError &error) {
        if (!blob || exception->severity >= ErrorException)
            throw;
        warning = withoutEmptyDescription(error.text());
    }
    if (!blob)
        throw TError(QStringLiteral("Can not encode image"));
    return QByteArray(static_cast<const char *>(blob.get()), qsizetype(length));
}

// The frame as libheif takes it: sRGB, 8 bits a channel, alpha when the frame keeps one,
// its rows read as the encoder needs them rather than copied whole first.
THeifPicture heifPictureOf(const Image *frame)
{
    std::shared_ptr<Image> converted;
    if (frame->colorspace != sRGBColorspace && frame->colorspace != RGBColorspace
        && frame->colorspace != GRAYColorspace) {
        TExceptionPtr exception = NewException();
        converted.reset(Magick().CloneImage(frame, 0, 0, MagickTrue, exception.get()), TImageListDeleter());
        ThrowIfLibraryError(exception.get());
        if (!converted || !Magick().TransformImageColorspace(converted.get(), sRGBColorspace))
            throw TError(QStringLiteral("Can not encode image: colour conversion failed"));
        frame = converted.get();
    }
    THeifPicture picture;
    picture.Width = int(frame->columns);
    picture.Height = int(frame->rows);
    picture.Alpha = frame->matte != MagickFalse;
    picture.ReadRow = [frame, converted, map = picture.Alpha ? "RGBA" : "RGB"](int y, uint8_t *row) {
        TExceptionPtr exception = NewException();
        if (!Magick().ExportImagePixels(frame, 0, ssize_t(y), frame->columns, 1, map, CharPixel, row,
                                        exception.get())) {
            ThrowIfLibraryError(exception.get());
            throw TError(QStringLiteral("Can not encode image: pixels not readable"));
        }
    };
    picture.Icc = ImageProfileBytes(frame, "icc");
    picture.Exif = ImageProfileBytes(frame, "exif");
    static_assert(TopLeftOrientation == 1 && LeftBottomOrientation == 8, "orientations numbered as EXIF's");
    picture.Orientation = int(frame->orientation);
    return picture;
}

} // namespace

QByteArray ImageProfileBytes(const Image *frame, const char *name)
{
    const StringInfo *profile = Magick().GetImageProfile(frame, name);
    if (!profile)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(Magick().GetStringInfoDatum(profile)),
                      qsizetype(Magick().GetStringInfoLength(profile)));
}

TMagickImage::TMagickImage()
{
    if (!ImageLibraryLoaded || !Magick().CloneImageInfo)
        throw TError(QStringLiteral("ImageMagick library not loaded"));
    Reset();
}

TMagickImage::~TMagickImage() = default;

void TMagickImage::Reset()
{
    m_frames.reset();
    m_info.reset(Magick().CloneImageInfo(nullptr));
    m_frameIndex = 0;
    m_heifSpeed = -1;
    // Left to itself the JPEG encoder optimises its Huffman tables only while the memory
    // limit has room, so the limit would decide the size of the output.
    Magick().SetImageOption(m_info.get(), "jpeg:optimize-coding", "true");
}

void TMagickImage::SetShrinkOnLoad(size_t columns, size_t rows, size_t eighths)
{
    if (eighths < 1 || eighths > 4)
        return;
    // The library picks the eighths from a divisor of the size: 8, 4, 3 and 2 give 1/8 to 4/8.
    const size_t divisor = eighths == 3 ? 3 : 8 / eighths;
    const QByteArray hint = QByteArray::number(qulonglong(columns / divisor)) + 'x'
        + QByteArray::number(qulonglong(rows / divisor));
    Magick().SetImageOption(m_info.get(), "jpeg:size", hint.constData());
}

void TMagickImage::ShrinkAsOnLoad(size_t eighths)
{
    const Image *frame = CurrentFrame();
    if (eighths < 1 || eighths > 4 || FrameCount() != 1 || qstrcmp(frame->magick, "JPEG") != 0)
        return;
    TExceptionPtr exception = NewException();
    TImageListPtr scaled(Magick().ScaleImage(frame, frame->columns * eighths / 8, frame->rows * eighths / 8,
                                             exception.get()));
    ThrowIfLibraryError(exception.get());
    ReplaceCurrentFrame(std::move(scaled));
}

void TMagickImage::TakeFrames(TMagickImage &other)
{
    if (!other.m_frames)
        return;
    if (!m_frames) {
        m_frames = std::move(other.m_frames);
    } else {
        Image *head = m_frames.get();
        Magick().AppendImageToList(&head, other.m_frames.release());
    }
    other.m_frameIndex = 0;
}

void TMagickImage::CopyFramesFrom(const TMagickImage &other)
{
    Reset();
    if (!other.m_frames)
        return;
    TExceptionPtr exception = NewException();
    TImageListPtr copy(Magick().CloneImageList(other.m_frames.get(), exception.get()));
    ThrowIfLibraryError(exception.get());
    m_frames = std::move(copy);
}

int TMagickImage::FrameCount() const
{
    return m_frames ? int(Magick().GetImageListLength(m_frames.get())) : 0;
}

Image *TMagickImage::FrameAt(int index) const
{
    if (index < 0 || index >= FrameCount())
        return nullptr;
    return Magick().GetImageFromList(m_frames.get(), ssize_t(index));
}

void TMagickImage::SelectFrame(int index)
{
    const int count = FrameCount();
    if (index == m_frameIndex || count <= 1)
        return;
    m_frameIndex = qBound(0, index, count - 1);
}

size_t TMagickImage::FrameWidth() const
{
    const Image *frame = CurrentFrame();
    return frame ? frame->columns : 0;
}

size_t TMagickImage::FrameHeight() const
{
    const Image *frame = CurrentFrame();
    return frame ? frame->rows : 0;
}

TImageListPtr TMagickImage::decode(QIODevice &stream, TExceptionPtr &exception)
{
    const qint64 remaining = stream.size() - stream.pos();
    if (remaining <= 0)
        throw TError(QStringLiteral("Stream size must be defined."));
    exception = NewException();
    return TImageListPtr(ReadImageFromStream(stream, m_info.get(), remaining, exception.get()));
}

QString TMagickImage::LoadFrames(QIODevice &stream)
{
    TExceptionPtr exception;
    TImageListPtr decoded = decode(stream, exception);
    m_frames = std::move(decoded);
    m_frameIndex = 0;
    return judgeDecoding(exception.get(), m_frames.get());
}

QString TMagickImage::AppendFrames(QIODevice &stream)
{
    TExceptionPtr exception;
    TImageListPtr decoded = decode(stream, exception);
    const QString warning = judgeDecoding(exception.get(), decoded.get());
    if (!decoded)
        return warning;
    if (!m_frames) {
        m_frames = std::move(decoded);
        return warning;
    }
    Image *head = m_frames.get();
    Magick().AppendImageToList(&head, decoded.release());
    return warning;
}

void TMagickImage::ReplaceCurrentFrame(TImageListPtr replacement)
{
    Image *current = CurrentFrame();
    if (!current || !replacement)
        return;
    Image *incoming = replacement.release();
    const bool isHead = m_frameIndex == 0;
    // The old frame is destroyed inside; the list must not destroy it a second time.
    if (isHead)
        (void)m_frames.release();
    Magick().ReplaceImageInList(&current, incoming);
    if (isHead)
        m_frames.reset(current);
}

void TMagickImage::ResizeCurrentFrame(size_t columns, size_t rows, int method,
                                      FilterTypes filter, double blur)
{
    const Image *frame = CurrentFrame();
    if (!frame)
        return;
    TExceptionPtr exception = NewException();
    ExceptionInfo *record = exception.get();
    Image *result = nullptr;
    switch (method) {
    case 0: result = Magick().MagnifyImage(frame, record); break;
    case 1: result = Magick().MinifyImage(frame, record); break;
    case 2: result = Magick().ResizeImage(frame, columns, rows, filter, blur, record); break;
    case 3: result = Magick().SampleImage(frame, columns, rows, record); break;
    case 4: result = Magick().ScaleImage(frame, columns, rows, record); break;
    case 5: result = Magick().ThumbnailImage(frame, columns, rows, record); break;
    default: return;
    }
    TImageListPtr resized(result);
    ThrowIfLibraryError(record);
    ReplaceCurrentFrame(std::move(resized));
}

void TMagickImage::SetQuality(int quality) { m_info->quality = size_t(qMax(0, quality)); }

void TMagickImage::SetAdjoin(bool adjoin) { m_info->adjoin = adjoin ? MagickTrue : MagickFalse; }

QList<TEncodedFile> TMagickImage::EncodeFrames(const QString &path)
{
    QList<TEncodedFile> files;
    Image *frame = CurrentFrame();
    if (!frame)
        return files;
    // The encoders of this library generation read the quality from each frame, which a
    // decoded JPEG already carries, not from the image-info record.
    if (m_info->quality != 0) {
        for (Image *each = frame; each; each = each->next)
            each->quality = m_info->quality;
    }
    // The extension names the encoder, from the file name's last dot.
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? path.left(dot) : path;
    const QString extension = dot > slash ? path.mid(dot) : QString();
    const QByteArray magick = extension.mid(1).toUpper().toLatin1();
    TImageInfoPtr info(Magick().CloneImageInfo(m_info.get()));
    // The format is named, never derived from a file name the library would interpret.
    info->filename[0] = '\0';
    qstrncpy(info->magick, magick.constData(), sizeof info->magick);

    TExceptionPtr lookup = NewException();
    const MagickInfo *format = Magick().GetMagickInfo(magick.constData(), lookup.get());
    const bool oneFile = m_info->adjoin && format && Magick().GetMagickAdjoin(format);
    const bool ownHeif = m_heifSpeed >= 0 && (magick == "AVIF" || magick == "HEIC");
    const auto encode = [&](Image *first, bool whole, QString &warning) {
        if (!ownHeif)
            return encodeFrames(info.get(), first, whole, warning);
        QList<THeifPicture> pictures;
        for (const Image *each = first; each; each = whole ? each->next : nullptr)
            pictures.append(heifPictureOf(each));
        return EncodeHeif(pictures, {QString::fromLatin1(magick).toLower(), int(first->quality), m_heifSpeed});
    };
    if (!frame->next || oneFile) {
        TEncodedFile file{path, {}, {}};
        file.Bytes = encode(frame, oneFile, file.Warning);
        files.append(file);
        return files;
    }
    // Numbered by scene, as the library numbers them: scenes that do not rise from frame
    // to frame are counted up from the first one.
    bool rising = true;
    for (const Image *each = frame; each->next; each = each->next)
        rising = rising && each->scene < each->next->scene;
    size_t number = frame->scene;
    for (Image *each = frame; each; each = each->next, ++number) {
        TEncodedFile file{stem + QLatin1Char('-') + QString::number(rising ? each->scene : number) + extension, {}, {}};
        file.Bytes = encode(each, false, file.Warning);
        files.append(file);
    }
    return files;
}

QString TMagickImage::SaveFrames(const QString &path)
{
    QString warning;
    for (const TEncodedFile &file : EncodeFrames(path)) {
        writeNewFile(file.Path, file.Bytes.constData(), size_t(file.Bytes.size()));
        if (warning.isEmpty())
            warning = file.Warning;
    }
    return warning;
}
