#include "engine/MagickImage.h"

#include "project/unitGeneral.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>

void ThrowIfLibraryError(const ExceptionInfo *exception)
{
    if (!exception || exception->severity == UndefinedException)
        return;
    const QString reason = QString::fromUtf8(exception->reason ? exception->reason : "");
    const QString description =
        QString::fromUtf8(exception->description ? exception->description : "");
    throw TError(reason + QStringLiteral("\r\n") + description);
}

namespace {

// Decoders of this library generation leave their warnings in the frames' own records
// rather than in the caller's. Once reported they are cleared, or the write would
// report them again as its own failure.
void throwIfDecodingProblem(const ExceptionInfo *exception, Image *frames)
{
    ThrowIfLibraryError(exception);
    for (Image *frame = frames; frame; frame = frame->next) {
        if (frame->exception.severity == UndefinedException)
            continue;
        try {
            ThrowIfLibraryError(&frame->exception);
        } catch (...) {
            for (Image *each = frames; each; each = each->next)
                Magick().ClearMagickException(&each->exception);
            throw;
        }
    }
}

} // namespace

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
    // Left to itself the JPEG encoder optimises its Huffman tables only while the memory
    // limit has room, so the limit would decide the size of the output.
    Magick().SetImageOption(m_info.get(), "jpeg:optimize-coding", "true");
}

void TMagickImage::SetShrinkOnLoad(const QByteArray &source, size_t shortSide)
{
    static const char kJpegMagic[] = "\xFF\xD8\xFF";
    if (shortSide == 0 || !source.startsWith(QByteArray::fromRawData(kJpegMagic, 3)))
        return;
    TImageInfoPtr pingInfo(Magick().CloneImageInfo(nullptr));
    TExceptionPtr exception = NewException();
    const TImageListPtr header(Magick().PingBlob(pingInfo.get(), source.constData(),
                                                 size_t(source.size()), exception.get()));
    if (!header || exception->severity != UndefinedException)
        return;
    const size_t w = header->columns, h = header->rows;
    // The decoder scales by eighths: 1/8, 2/8, 3/8 or 4/8, chosen by the hint's divisor.
    struct TScale { size_t eighths; size_t divisor; };
    for (const TScale scale : {TScale{1, 8}, TScale{2, 4}, TScale{3, 3}, TScale{4, 2}}) {
        if ((w * scale.eighths) % 8 != 0 || (h * scale.eighths) % 8 != 0)
            continue;
        if (qMin(w, h) * scale.eighths / 8 < shortSide)
            continue;
        const QByteArray hint = QByteArray::number(qulonglong(w / scale.divisor)) + 'x'
            + QByteArray::number(qulonglong(h / scale.divisor));
        Magick().SetImageOption(m_info.get(), "jpeg:size", hint.constData());
        return;
    }
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

void TMagickImage::LoadFrames(QIODevice &stream)
{
    TExceptionPtr exception;
    TImageListPtr decoded = decode(stream, exception);
    m_frames = std::move(decoded);
    m_frameIndex = 0;
    throwIfDecodingProblem(exception.get(), m_frames.get());
}

void TMagickImage::AppendFrames(QIODevice &stream)
{
    TExceptionPtr exception;
    TImageListPtr decoded = decode(stream, exception);
    throwIfDecodingProblem(exception.get(), decoded.get());
    if (!decoded)
        return;
    if (!m_frames) {
        m_frames = std::move(decoded);
        return;
    }
    Image *head = m_frames.get();
    Magick().AppendImageToList(&head, decoded.release());
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

void TMagickImage::SaveFrames(const QString &path)
{
    Image *frame = CurrentFrame();
    if (!frame)
        return;
    // The encoders of this library generation read the quality from each frame, which a
    // decoded JPEG already carries, not from the image-info record.
    if (m_info->quality != 0) {
        for (Image *each = frame; each; each = each->next)
            each->quality = m_info->quality;
    }
    TExceptionPtr exception = NewException();
    Magick().WriteImages(m_info.get(), frame, QFile::encodeName(path).constData(),
                         exception.get());
    ThrowIfLibraryError(exception.get());
}
