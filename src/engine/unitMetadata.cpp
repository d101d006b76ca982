#include "engine/unitMetadata.h"

#include <QList>
#include <QStringList>
#include <QtEndian>

#include <algorithm>

namespace {

const QByteArray kExifLead("Exif\0\0", 6);
constexpr quint16 kOrientationTag = 0x0112;
constexpr quint16 kExifPointerTag = 0x8769;

// The first directory's tags a shared picture keeps, then the EXIF directory's.
const quint16 kKeptMainTags[] = {0x010F, 0x0110, 0x0112, 0x011A, 0x011B, 0x0128,
                                 0x0132, 0x0213, 0x8298};
const quint16 kKeptExifTags[] = {
    0x829A, 0x829D, 0x8822, 0x8827, 0x8830, 0x9000, 0x9003, 0x9004, 0x9010, 0x9011,
    0x9012, 0x9101, 0x9201, 0x9202, 0x9204, 0x9205, 0x9207, 0x9208, 0x9209, 0x920A,
    0x9290, 0x9291, 0x9292, 0xA000, 0xA001, 0xA402, 0xA403, 0xA404, 0xA405, 0xA406,
    0xA408, 0xA409, 0xA40A, 0xA432, 0xA433, 0xA434};

struct TEntry
{
    quint16 Tag = 0;
    quint16 Type = 0;
    quint32 Count = 0;
    QByteArray Value; // count x type size bytes, in the block's byte order
};

int typeSize(quint16 type)
{
    static const int sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < std::size(sizes) ? sizes[type] : 0;
}

class TTiffBytes
{
public:
    TTiffBytes(const QByteArray &bytes, bool bigEndian) : m_bytes(bytes), m_big(bigEndian) {}

    bool u16(qint64 at, quint16 &value) const
    {
        if (at < 0 || at + 2 > m_bytes.size())
            return false;
        const char *p = m_bytes.constData() + at;
        value = m_big ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
        return true;
    }
    bool u32(qint64 at, quint32 &value) const
    {
        if (at < 0 || at + 4 > m_bytes.size())
            return false;
        const char *p = m_bytes.constData() + at;
        value = m_big ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
        return true;
    }

    // The entries of the directory at `offset` whose tags are in `kept`.
    bool directory(quint32 offset, const quint16 *keptBegin, const quint16 *keptEnd,
                   QList<TEntry> &entries, quint32 *exifPointer) const
    {
        quint16 count = 0;
        if (!u16(offset, count))
            return false;
        for (quint16 i = 0; i < count; ++i) {
            const qint64 at = qint64(offset) + 2 + 12 * qint64(i);
            TEntry entry;
            quint32 valueOffset = 0;
            if (!u16(at, entry.Tag) || !u16(at + 2, entry.Type) || !u32(at + 4, entry.Count)
                || !u32(at + 8, valueOffset))
                return false;
            if (entry.Tag == kExifPointerTag && exifPointer) {
                *exifPointer = valueOffset;
                continue;
            }
            if (std::find(keptBegin, keptEnd, entry.Tag) == keptEnd || typeSize(entry.Type) == 0)
                continue;
            const qint64 size = qint64(entry.Count) * typeSize(entry.Type);
            const qint64 from = size <= 4 ? at + 8 : qint64(valueOffset);
            if (size > 65536 || from + size > m_bytes.size())
                return false;
            entry.Value = m_bytes.mid(from, size);
            entries.append(entry);
        }
        return true;
    }

private:
    const QByteArray &m_bytes;
    bool m_big;
};

class TTiffWriter
{
public:
    explicit TTiffWriter(bool bigEndian) : m_big(bigEndian) {}

    void u16(QByteArray &out, quint16 value) const
    {
        char b[2];
        m_big ? qToBigEndian(value, b) : qToLittleEndian(value, b);
        out.append(b, 2);
    }
    void u32(QByteArray &out, quint32 value) const
    {
        char b[4];
        m_big ? qToBigEndian(value, b) : qToLittleEndian(value, b);
        out.append(b, 4);
    }

    // A directory placed at `start`, its long values right after it; no next directory.
    QByteArray directory(QList<TEntry> entries, quint32 start) const
    {
        std::sort(entries.begin(), entries.end(),
                  [](const TEntry &a, const TEntry &b) { return a.Tag < b.Tag; });
        QByteArray table, data;
        const quint32 dataStart = start + 2 + 12 * quint32(entries.size()) + 4;
        u16(table, quint16(entries.size()));
        for (const TEntry &entry : std::as_const(entries)) {
            u16(table, entry.Tag);
            u16(table, entry.Type);
            u32(table, entry.Count);
            if (entry.Value.size() <= 4) {
                table.append(entry.Value).append(QByteArray(4 - entry.Value.size(), '\0'));
            } else {
                u32(table, dataStart + quint32(data.size()));
                data.append(entry.Value);
                if (data.size() % 2)
                    data.append('\0');
            }
        }
        u32(table, 0);
        return table + data;
    }

private:
    bool m_big;
};

void setOrientationUpright(QList<TEntry> &entries, const TTiffWriter &writer)
{
    TEntry upright{kOrientationTag, 3, 1, {}};
    writer.u16(upright.Value, 1);
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const TEntry &e) { return e.Tag == kOrientationTag; }),
                  entries.end());
    entries.append(upright);
}

void setProfile(Image *frame, const char *name, const QByteArray &bytes)
{
    const TStringInfoPtr info(Magick().BlobToStringInfo(bytes.constData(), size_t(bytes.size())));
    if (info)
        Magick().SetImageProfile(frame, name, info.get());
}

template <typename Next, typename Reset>
QStringList namesOf(Next next, Reset reset, const Image *frame)
{
    QStringList names;
    reset(frame);
    while (const char *name = next(frame))
        names.append(QString::fromUtf8(name));
    return names;
}

bool isColourProfile(const QString &name)
{
    return name.compare(QLatin1String("icc"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("icm"), Qt::CaseInsensitive) == 0;
}

// Properties the readers fill from metadata, which some writers (TIFF, PNG) write back.
bool isMetadataProperty(const QString &name, TMetadata choice)
{
    static const QStringList privateFields = {
        QStringLiteral("tiff:artist"), QStringLiteral("tiff:software"),
        QStringLiteral("tiff:hostcomputer"), QStringLiteral("tiff:document")};
    // EXIF properties are parsed again from the block the frame keeps.
    if (name.startsWith(QLatin1String("exif:")))
        return true;
    if (choice == TMetadata::Private)
        return privateFields.contains(name, Qt::CaseInsensitive);
    static const QStringList prefixes = {QStringLiteral("tiff:"), QStringLiteral("xmp:"),
                                         QStringLiteral("iptc:"), QStringLiteral("8bim:"),
                                         QStringLiteral("date:")};
    static const QStringList names = {QStringLiteral("comment"), QStringLiteral("label"),
                                      QStringLiteral("caption")};
    return names.contains(name, Qt::CaseInsensitive)
        || std::any_of(prefixes.cbegin(), prefixes.cend(),
                       [&](const QString &p) { return name.startsWith(p, Qt::CaseInsensitive); });
}

void applyToFrame(Image *frame, TMetadata choice)
{
    const QStringList profiles =
        namesOf(Magick().GetNextImageProfile, Magick().ResetImageProfileIterator, frame);
    for (const QString &name : profiles) {
        if (isColourProfile(name))
            continue;
        const QByteArray key = name.toUtf8();
        if (choice == TMetadata::Private && name.compare(QLatin1String("exif"), Qt::CaseInsensitive) == 0) {
            const QByteArray kept = PrivateExif(ImageProfileBytes(frame, key.constData()));
            if (!kept.isEmpty()) {
                setProfile(frame, key.constData(), kept);
                continue;
            }
        }
        Magick().DeleteImageProfile(frame, key.constData());
    }
    const QStringList properties =
        namesOf(Magick().GetNextImageProperty, Magick().ResetImagePropertyIterator, frame);
    for (const QString &name : properties) {
        if (isMetadataProperty(name, choice))
            Magick().DeleteImageProperty(frame, name.toUtf8().constData());
    }
}

} // namespace

QByteArray PrivateExif(const QByteArray &exif)
{
    const bool lead = exif.startsWith(kExifLead);
    const QByteArray tiff = lead ? exif.mid(kExifLead.size()) : exif;
    if (tiff.size() < 8)
        return QByteArray();
    bool big;
    if (tiff.startsWith("II*"))
        big = false;
    else if (tiff.startsWith(QByteArray("MM\0*", 4)))
        big = true;
    else
        return QByteArray();
    const TTiffBytes reader(tiff, big);
    quint32 first = 0, exifOffset = 0;
    QList<TEntry> main, camera;
    if (!reader.u32(4, first)
        || !reader.directory(first, std::begin(kKeptMainTags), std::end(kKeptMainTags), main, &exifOffset))
        return QByteArray();
    if (exifOffset != 0
        && !reader.directory(exifOffset, std::begin(kKeptExifTags), std::end(kKeptExifTags), camera, nullptr))
        return QByteArray();

    const TTiffWriter writer(big);
    setOrientationUpright(main, writer);
    QByteArray out = big ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4);
    writer.u32(out, 8);
    if (!camera.isEmpty()) {
        // The pointer's value does not change the directory's size: place it, then point.
        TEntry pointer{kExifPointerTag, 4, 1, QByteArray(4, '\0')};
        main.append(pointer);
        const quint32 cameraAt = 8 + quint32(writer.directory(main, 8).size());
        main.last().Value.clear();
        writer.u32(main.last().Value, cameraAt);
        out.append(writer.directory(main, 8)).append(writer.directory(camera, cameraAt));
    } else {
        out.append(writer.directory(main, 8));
    }
    return lead ? kExifLead + out : out;
}

void ApplyMetadataChoice(TMagickImage &image, TMetadata choice)
{
    if (choice == TMetadata::Keep)
        return;
    for (int i = 0; i < image.FrameCount(); ++i) {
        if (Image *frame = image.FrameAt(i))
            applyToFrame(frame, choice);
    }
}
