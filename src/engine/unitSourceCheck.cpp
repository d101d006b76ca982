#include "engine/unitSourceCheck.h"

#include "engine/MagickImage.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitMagickApi.h"
#include "i18n/unitDclLang.h"
#include "project/unitGeneral.h"

#include <QSet>
#include <QtEndian>

#include <optional>

namespace {

quint32 little24(const uchar *at) { return at[0] | (quint32(at[1]) << 8) | (quint32(at[2]) << 16); }

// The canvas of an extended file, or the one frame of a simple lossy or lossless one.
std::optional<TDeclaredFrame> webpSize(const QByteArray &bytes)
{
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    if (bytes.size() < 30 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WEBP")
        return std::nullopt;
    const QByteArray chunk = bytes.mid(12, 4);
    if (chunk == "VP8X")
        return TDeclaredFrame{little24(d + 24) + 1, little24(d + 27) + 1};
    if (chunk == "VP8L" && d[20] == 0x2f) {
        const quint32 bits = qFromLittleEndian<quint32>(d + 21);
        return TDeclaredFrame{(bits & 0x3fff) + 1, ((bits >> 14) & 0x3fff) + 1};
    }
    if (chunk == "VP8 ")
        return TDeclaredFrame{qFromLittleEndian<quint16>(d + 26) & 0x3fff,
                              qFromLittleEndian<quint16>(d + 28) & 0x3fff};
    return std::nullopt;
}

// Photoshop files, large (PSB) or not: height, then width, after the channel count.
std::optional<TDeclaredFrame> psdSize(const QByteArray &bytes)
{
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    if (bytes.size() < 26 || !bytes.startsWith("8BPS"))
        return std::nullopt;
    return TDeclaredFrame{qFromBigEndian<quint32>(d + 18), qFromBigEndian<quint32>(d + 14)};
}

// Windows bitmaps: the library reads every pixel byte just to report the size.
std::optional<TDeclaredFrame> bmpSize(const QByteArray &bytes)
{
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    if (bytes.size() < 26 || !bytes.startsWith("BM"))
        return std::nullopt;
    if (qFromLittleEndian<quint32>(d + 14) == 12) // the OS/2 core header
        return TDeclaredFrame{qFromLittleEndian<quint16>(d + 18), qFromLittleEndian<quint16>(d + 20)};
    // A negative height means rows top down.
    return TDeclaredFrame{qAbs(qint64(qFromLittleEndian<qint32>(d + 18))),
                          qAbs(qint64(qFromLittleEndian<qint32>(d + 22)))};
}

} // namespace

TImageCaps TImageCaps::Current()
{
    TImageCaps caps;
    caps.Width = qMax(1, WidthLimit);
    caps.Height = qMax(1, HeightLimit);
    caps.Area = qint64(qMax(1, AreaLimit)) * 1000000;
    caps.TooLargeText = QString::fromUtf8(BuiltInString("MSG_IMAGE_TOO_LARGE"));
    return caps;
}

QString TImageCaps::TooLarge(qint64 width, qint64 height) const
{
    return TooLargeText.arg(width).arg(height).arg(Width).arg(Height).arg(Area / 1000000);
}

TSourceHeader ReadSourceHeader(const QByteArray &bytes)
{
    TSourceHeader header;
    header.Jpeg = bytes.startsWith(QByteArray::fromRawData("\xFF\xD8\xFF", 3));
    for (const auto &read : {webpSize, psdSize, bmpSize}) {
        if (const std::optional<TDeclaredFrame> size = read(bytes)) {
            header.Frames.append(*size);
            return header;
        }
    }
    if (!Magick().PingBlob || bytes.isEmpty())
        return header;
    TImageInfoPtr info(Magick().CloneImageInfo(nullptr));
    TExceptionPtr exception = NewException();
    const TImageListPtr frames(Magick().PingBlob(info.get(), bytes.constData(),
                                                 size_t(bytes.size()), exception.get()));
    for (const Image *frame = frames.get(); frame; frame = frame->next)
        header.Frames.append({qint64(frame->columns), qint64(frame->rows)});
    return header;
}

quint64 PixelBytesNeeded(const TSourceHeader &header)
{
    quint64 total = 0, largest = 0;
    for (const TDeclaredFrame &frame : header.Frames) {
        const quint64 pixels = quint64(frame.Width) * quint64(frame.Height);
        total += pixels;
        largest = qMax(largest, pixels);
    }
    return (total + largest) * (sizeof(PixelPacket) + sizeof(IndexPacket));
}

void CheckDeclaredSize(const TSourceHeader &header, const TImageCaps &caps)
{
    for (const TDeclaredFrame &size : header.Frames) {
        if (size.Width > caps.Width || size.Height > caps.Height
            || size.Width * size.Height > caps.Area)
            throw TSourceRefused(caps.TooLarge(size.Width, size.Height));
    }
}

QString MissingTiffData(const QByteArray &bytes)
{
    const quint64 size = quint64(bytes.size());
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    if (size < 8 || !(bytes.startsWith("II") || bytes.startsWith("MM")))
        return QString();
    const bool little = d[0] == 'I';
    const auto u16 = [&](quint64 at) -> quint32 {
        if (at + 2 > size)
            return 0;
        return little ? qFromLittleEndian<quint16>(d + at) : qFromBigEndian<quint16>(d + at);
    };
    const auto u32 = [&](quint64 at) -> quint64 {
        if (at + 4 > size)
            return 0;
        return little ? qFromLittleEndian<quint32>(d + at) : qFromBigEndian<quint32>(d + at);
    };
    if (u16(2) != 42) // BigTIFF and anything else: the library's own checks hold
        return QString();

    // An array of SHORT or LONG values, in the entry or where it points.
    struct TArray
    {
        quint32 Type = 0;
        quint64 Count = 0;
        quint64 At = 0;
    };
    const auto value = [&](const TArray &array, quint64 i) {
        return array.Type == 3 ? quint64(u16(array.At + 2 * i)) : u32(array.At + 4 * i);
    };
    QSet<quint64> seen;
    for (quint64 ifd = u32(4); ifd != 0 && !seen.contains(ifd) && seen.size() < kMaxFramesPerImage;) {
        seen.insert(ifd);
        const quint32 entries = u16(ifd);
        TArray offsets, lengths;
        bool tiles = false;
        for (quint32 i = 0; i < entries; ++i) {
            const quint64 entry = ifd + 2 + 12 * quint64(i);
            const quint32 tag = u16(entry), type = u16(entry + 2);
            if (type != 3 && type != 4)
                continue;
            const quint64 count = u32(entry + 4);
            const TArray array{type, count, count * (type == 3 ? 2 : 4) <= 4 ? entry + 8 : u32(entry + 8)};
            if (tag == 273 || tag == 324) {
                offsets = array;
                tiles = tag == 324;
            } else if (tag == 279 || tag == 325) {
                lengths = array;
            }
        }
        // Every value lies in the file, which bounds a count the header may inflate.
        const quint64 count = qMin(qMin(offsets.Count, lengths.Count), size / 2);
        for (quint64 i = 0; i < count; ++i) {
            if (value(offsets, i) + value(lengths, i) > size)
                return QStringLiteral("Read error: %1 %2 lies beyond the end of the file")
                    .arg(tiles ? QStringLiteral("tile") : QStringLiteral("strip"))
                    .arg(i);
        }
        ifd = u32(ifd + 2 + 12 * quint64(entries));
    }
    return QString();
}
