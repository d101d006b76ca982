// Sources that would hurt or mislead: run under a library policy without caps of its own
// (MAGICK_CONFIGURE_PATH names one), so that only the program's caps stand.
#include "RunFixture.h"

#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "support/TestImages.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QFile>
#include <QtEndian>

#include <functional>

namespace {

constexpr quint32 kSide = 16384;

QByteArray bigEndian(quint64 value, int size)
{
    QByteArray bytes;
    for (int i = size - 1; i >= 0; --i)
        bytes.append(char((value >> (8 * i)) & 0xff));
    return bytes;
}

QByteArray littleEndian(quint64 value, int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes.append(char((value >> (8 * i)) & 0xff));
    return bytes;
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian(data.size(), 4) + type + data + bigEndian(crc32(type + data), 4);
}

// An 8-bit RGB PNG of 8 by 8 grey pixels that says it is `side` by `side`, with `extra`
// chunks between its header and its data.
QByteArray plainPng(quint32 side = 8, const QByteArray &extra = QByteArray())
{
    QByteArray rows;
    for (int y = 0; y < 8; ++y)
        rows += QByteArray(1, '\0') + QByteArray(24, '\x80');
    return QByteArray("\x89PNG\r\n\x1a\n", 8)
        + pngChunk("IHDR", bigEndian(side, 4) + bigEndian(side, 4) + QByteArray("\x08\x02\0\0\0", 5))
        + extra + pngChunk("IDAT", qCompress(rows).mid(4)) + pngChunk("IEND", QByteArray());
}

QByteArray pngBomb() { return plainPng(kSide); }

// One 8-bit grey strip of 16384 by 16384, no pixel of it in the file.
QByteArray tiffBomb()
{
    const quint32 entries[][4] = {{256, 4, 1, kSide}, {257, 4, 1, kSide}, {258, 3, 1, 8},
                                  {259, 3, 1, 1},     {262, 3, 1, 1},     {273, 4, 1, 8},
                                  {277, 3, 1, 1},     {278, 4, 1, kSide}, {279, 4, 1, kSide * kSide}};
    QByteArray bytes = QByteArray("II*\0", 4) + littleEndian(16, 4) + QByteArray(8, '\0');
    bytes += littleEndian(std::size(entries), 2);
    for (const auto &entry : entries)
        bytes += littleEndian(entry[0], 2) + littleEndian(entry[1], 2) + littleEndian(entry[2], 4) + littleEndian(entry[3], 4);
    return bytes + littleEndian(0, 4);
}

// A large-document Photoshop header, RGB, raw, no pixel data.
QByteArray psbBomb()
{
    return QByteArray("8BPS") + bigEndian(2, 2) + QByteArray(6, '\0') + bigEndian(3, 2) + bigEndian(kSide, 4)
        + bigEndian(kSide, 4) + bigEndian(8, 2) + bigEndian(3, 2) + bigEndian(0, 4) + bigEndian(0, 4)
        + bigEndian(0, 8) + bigEndian(0, 2) + QByteArray(16, '\0');
}

// A scan-line OpenEXR header with one half channel and its offset table, 16 lines a block.
QByteArray exrBomb()
{
    const auto attribute = [](const char *name, const char *type, const QByteArray &value) -> QByteArray {
        return QByteArray(name) + '\0' + QByteArray(type) + '\0' + littleEndian(value.size(), 4) + value;
    };
    const QByteArray window = littleEndian(0, 4) + littleEndian(0, 4) + littleEndian(kSide - 1, 4) + littleEndian(kSide - 1, 4);
    QByteArray bytes = QByteArray("\x76\x2f\x31\x01", 4) + littleEndian(2, 4);
    bytes += attribute("channels", "chlist", QByteArray("R\0", 2) + littleEndian(1, 4) + QByteArray(4, '\0') + littleEndian(1, 4) + littleEndian(1, 4) + QByteArray(1, '\0'));
    bytes += attribute("compression", "compression", QByteArray(1, '\3'));
    bytes += attribute("dataWindow", "box2i", window) + attribute("displayWindow", "box2i", window);
    bytes += attribute("lineOrder", "lineOrder", QByteArray(1, '\0'));
    bytes += attribute("pixelAspectRatio", "float", littleEndian(0x3f800000, 4));
    bytes += attribute("screenWindowCenter", "v2f", QByteArray(8, '\0'));
    bytes += attribute("screenWindowWidth", "float", littleEndian(0x3f800000, 4)) + '\0';
    const quint64 blocks = kSide / 16, first = bytes.size() + 8 * blocks;
    for (quint64 i = 0; i < blocks; ++i)
        bytes += littleEndian(first, 8);
    return bytes + littleEndian(0, 4) + littleEndian(8, 4) + QByteArray(8, '\0');
}

// A real small JPEG whose frame header says 16384 by 16384.
QByteArray jpegBomb()
{
    QByteArray bytes = MakeImageBytes(QStringLiteral("xc:white"), 16, 16, QStringLiteral("jpg"));
    const int frame = bytes.indexOf("\xff\xc0");
    bytes.replace(frame + 5, 4, QByteArray(bigEndian(kSide, 2) + bigEndian(kSide, 2)));
    return bytes;
}

// A real small HEIC whose spatial extent says 16384 by 16384.
QByteArray heicBomb()
{
    QByteArray bytes = MakeImageBytes(QStringLiteral("xc:white"), 64, 64, QStringLiteral("heic"));
    const int extent = bytes.indexOf("ispe");
    if (extent > 0)
        bytes.replace(extent + 8, 8, QByteArray(bigEndian(kSide, 4) + bigEndian(kSide, 4)));
    return bytes;
}

// A 4x4 lossless WEBP of one colour, its size fields set to 16384 by 16384: every pixel
// decodes from no bits at all.
QByteArray webpBomb()
{
    return QByteArray("RIFF\x1c\0\0\0WEBPVP8L\x0f\0\0\0\x2f", 21) + littleEndian(0x0fffffff, 4)
        + QByteArray("\x07\x10\xfd\x8f\xfe\x07\x22\xa2\xff\x01\x00", 11);
}

// A bottom-up 24-bit bitmap, its rows promised and missing; then a top-down one.
QByteArray bmpBomb(qint64 height)
{
    return QByteArray("BM") + littleEndian(54, 4) + littleEndian(0, 4) + littleEndian(54, 4) + littleEndian(40, 4)
        + littleEndian(kSide, 4) + littleEndian(height, 4) + littleEndian(1, 2) + littleEndian(24, 2)
        + QByteArray(24, '\0');
}

// The process's peak resident memory in megabytes, after a reset of the peak when asked
// (then it is the memory in use); -1 where the peak cannot be reset or read.
qint64 peakMegabytes(bool reset)
{
    if (reset) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
            return -1;
    }
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024;
    }
    return -1;
}

qint64 folderBytes(const QString &folder)
{
    qint64 total = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext())
        total += QFileInfo(files.next()).size();
    return total;
}

bool offered(const QString &code)
{
    for (const TFilterItemType &format : AvailableFormats) {
        if (format.Code == code)
            return true;
    }
    return false;
}

TEST_F(RunTest, HeaderBombsAreRefusedBeforeDecodingWithMemoryAndDiskBounded)
{
    const struct
    {
        const char *name;
        std::function<QByteArray()> make;
    } bombs[] = {{"bomb.png", pngBomb},  {"bomb.tif", tiffBomb}, {"bomb.psd", psbBomb},
                 {"bomb.exr", exrBomb},  {"bomb.jpg", jpegBomb}, {"bomb.heic", heicBomb},
                 {"bomb.webp", webpBomb}, {"bomb.bmp", [] { return bmpBomb(kSide); }},
                 {"down.bmp", [] { return bmpBomb(-kSide); }}};
    PrepareLibraryTemporaryFolder();
    const QString scratch = LibraryTemporaryFolder();
    for (const auto &bomb : bombs) {
        const QString name = QString::fromLatin1(bomb.name);
        if (!offered(QFileInfo(name).suffix().toUpper())) {
            std::cout << "[  SKIPPED ] " << bomb.name << ": format not offered by this library\n";
            continue;
        }
        FavorList().Clear();
        addFile(name, bomb.make());
        rebuild();
        const qint64 before = peakMegabytes(true);
        runHere();
        EXPECT_EQ(statuses(), QList<quint8>{1}) << bomb.name;
        EXPECT_TRUE(rows.Row(0).Message.startsWith(QStringLiteral("Image too large: 16384x16384 (limit 32768x32768, 256 megapixels)")))
            << bomb.name << ": " << rows.Row(0).Message.toStdString();
        if (before >= 0) {
            EXPECT_LT(peakMegabytes(false) - before, 100) << bomb.name;
        }
        EXPECT_LT(folderBytes(scratch), 1 << 20) << bomb.name;
        EXPECT_TRUE(outputFiles().isEmpty()) << bomb.name;
    }
}

// A JPEG with two stray bytes before its scan: the pixels are all there.
QByteArray jpegWithStrayBytes()
{
    QByteArray bytes = MakeImageBytes(QStringLiteral("gradient:red-blue"), 64, 48, QStringLiteral("jpg"));
    return bytes.insert(bytes.indexOf("\xff\xda"), QByteArray(2, '\0'));
}

QByteArray pngWithQuestionableChromaticities()
{
    QByteArray values = bigEndian(31270, 4) + bigEndian(32900, 4);
    for (int i = 0; i < 6; ++i)
        values += bigEndian(10000, 4);
    return plainPng(8, pngChunk("cHRM", values));
}

// An sRGB profile whose illuminant is not the one a profile must name.
QByteArray pngWithQuestionableProfile()
{
    QByteArray profile = ReadFileBytes(SystemSrgbProfile());
    profile.replace(68, 12, bigEndian(0x10000, 4).repeated(3));
    return plainPng(8, pngChunk("iCCP", QByteArray("icc\0\0", 5) + qCompress(profile).mid(4)));
}

// A 128x128 grey TIFF of four 64x64 tiles, the last two beyond the end of the file, as in
// a file cut short.
QByteArray tiledTiffCutShort()
{
    constexpr quint32 kTileBytes = 64 * 64, kData = 8 + 2 + 10 * 12 + 4 + 32;
    const quint32 end = kData + 2 * kTileBytes;
    const quint32 entries[][4] = {{256, 3, 1, 128}, {257, 3, 1, 128}, {258, 3, 1, 8},  {259, 3, 1, 1},
                                  {262, 3, 1, 1},   {277, 3, 1, 1},   {322, 3, 1, 64}, {323, 3, 1, 64},
                                  {324, 4, 4, kData - 32}, {325, 4, 4, kData - 16}};
    QByteArray bytes = QByteArray("II*\0", 4) + littleEndian(8, 4) + littleEndian(std::size(entries), 2);
    for (const auto &entry : entries)
        bytes += littleEndian(entry[0], 2) + littleEndian(entry[1], 2) + littleEndian(entry[2], 4) + littleEndian(entry[3], 4);
    bytes += littleEndian(0, 4);
    for (const quint32 offset : {kData, kData + kTileBytes, end + 100000, end + 100000 + kTileBytes})
        bytes += littleEndian(offset, 4);
    bytes += littleEndian(kTileBytes, 4).repeated(4);
    return bytes + QByteArray(2 * kTileBytes, '\x80');
}

TEST_F(RunTest, MissingPixelsFailARowWhileWarningsThatLeaveThemWholeConvertAndSaySo)
{
    const QByteArray jpeg = MakeImageBytes(QStringLiteral("gradient:red-blue"), 64, 48, QStringLiteral("jpg"));
    const struct
    {
        const char *name;
        QByteArray bytes;
        quint8 status;
        const char *message; // the start of the row's text
    } cases[] = {
        {"stray.jpg", jpegWithStrayBytes(), 2, "Corrupt JPEG data: 2 extraneous bytes before marker"},
        {"chrm.png", pngWithQuestionableChromaticities(), 2, "cHRM: invalid chromaticities"},
        {"iccp.png", pngWithQuestionableProfile(), 2, "iCCP: profile 'icc': 0h: PCS illuminant is not D50"},
        {"cut.jpg", jpeg.left(jpeg.size() * 6 / 10), 1, "Premature end of JPEG file"},
        {"cut.tif", tiledTiffCutShort(), 1, "Read error: tile 2 lies beyond the end of the file"},
        {"djvu.jpg", QByteArray("AT&TFORM\0\0\0\x20" "DJVUINFO\0\0\0\x0a\0\x10\0\x10\x18\0\x64\0\x16\0", 34), 1, "Format not allowed: DJVU"},
    };
    for (const auto &each : cases)
        addFile(QString::fromLatin1(each.name), each.bytes);
    rebuild();
    runHere();
    for (int row = 0; row < rows.Count(); ++row) {
        const auto &expected = cases[row];
        EXPECT_EQ(rows.Row(row).Status, expected.status) << expected.name;
        EXPECT_TRUE(rows.Row(row).Message.startsWith(QString::fromLatin1(expected.message)))
            << expected.name << ": " << rows.Row(row).Message.toStdString();
        const QString written = output(QFileInfo(QString::fromLatin1(expected.name)).completeBaseName() + QStringLiteral(".PNG"));
        EXPECT_EQ(QFileInfo::exists(written), expected.status == 2) << expected.name;
    }
}

} // namespace
