#include "engine/unitConvertSteps.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitRename.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <array>
#include <cmath>

#include <gtest/gtest.h>

namespace {

// Stored corner colours of the test photo: red, green / blue, yellow.
const TRgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0};

bool near(const TRgb &a, const TRgb &b, int tolerance = 48)
{
    return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance
        && std::abs(a.blue - b.blue) <= tolerance;
}

// A binary PPM of w by h pixels: each quadrant one colour.
QByteArray quadrantPpm(int w, int h, const TRgb corners[4])
{
    QByteArray bytes = QStringLiteral("P6\n%1 %2\n255\n").arg(w).arg(h).toLatin1();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const TRgb &c = corners[(y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1)];
            bytes.append(char(c.red)).append(char(c.green)).append(char(c.blue));
        }
    }
    return bytes;
}

// A little-endian TIFF directory placed at `start`, its long values right after it.
struct TTag
{
    quint16 tag, type;
    quint32 count;
    QByteArray value;
};
QByteArray tiffDirectory(const QList<TTag> &tags, quint32 start)
{
    QByteArray table, data;
    char b[4];
    auto u16 = [&](QByteArray &out, quint16 v) { qToLittleEndian(v, b); out.append(b, 2); };
    auto u32 = [&](QByteArray &out, quint32 v) { qToLittleEndian(v, b); out.append(b, 4); };
    const quint32 dataAt = start + 2 + 12 * quint32(tags.size()) + 4;
    u16(table, quint16(tags.size()));
    for (const TTag &t : tags) {
        u16(table, t.tag);
        u16(table, t.type);
        u32(table, t.count);
        if (t.value.size() <= 4) {
            table.append(t.value.leftJustified(4, '\0'));
        } else {
            u32(table, dataAt + quint32(data.size()));
            data.append(t.value);
        }
    }
    u32(table, 0);
    return table + data;
}

TTag ascii(quint16 tag, const char *text) { return {tag, 2, quint32(qstrlen(text) + 1), QByteArray(text, int(qstrlen(text)) + 1)}; }
TTag longValue(quint16 tag, quint32 v) { QByteArray b(4, '\0'); qToLittleEndian(v, b.data()); return {tag, 4, 1, b}; }

// What a camera writes: owner, software, serial, maker note and GPS position beside the
// copyright, the date taken and orientation 6.
QByteArray cameraExif()
{
    QByteArray latitude(24, '\0');
    for (int i = 0; i < 3; ++i) {
        qToLittleEndian<quint32>(quint32(52 + i), latitude.data() + 8 * i);
        qToLittleEndian<quint32>(1, latitude.data() + 8 * i + 4);
    }
    const QList<TTag> gps = {ascii(0x0001, "N"), {0x0002, 5, 3, latitude}};
    const QList<TTag> camera = {ascii(0x9003, "2024:07:14 18:30:05"), {0x927C, 7, 8, QByteArray("MAKERNOT")},
                                ascii(0xA431, "SN-0042-77")};
    QList<TTag> main = {ascii(0x010F, "Canon"), {0x0112, 3, 1, QByteArray("\x06\x00", 2)},
                        ascii(0x0131, "Cam Firmware 1.0"), ascii(0x013B, "Anna Owner"),
                        ascii(0x8298, "(c) Anna"), longValue(0x8769, 0), longValue(0x8825, 0)};
    const quint32 cameraAt = 8 + quint32(tiffDirectory(main, 8).size());
    const quint32 gpsAt = cameraAt + quint32(tiffDirectory(camera, cameraAt).size());
    main[5] = longValue(0x8769, cameraAt);
    main[6] = longValue(0x8825, gpsAt);
    return QByteArray("II*\0\x08\0\0\0", 8) + tiffDirectory(main, 8) + tiffDirectory(camera, cameraAt)
        + tiffDirectory(gps, gpsAt);
}

// The JPEG with an EXIF block holding nothing but the orientation, put after SOI.
QByteArray withExif(const QByteArray &jpeg, const QByteArray &tiff);

QByteArray withExifOrientation(const QByteArray &jpeg, int orientation)
{
    QByteArray tiff("II*\0", 4);
    char word[4];
    qToLittleEndian<quint32>(8, word);
    tiff.append(word, 4);
    qToLittleEndian<quint16>(1, word);
    tiff.append(word, 2);
    for (quint16 value : {quint16(0x0112), quint16(3)}) {
        qToLittleEndian<quint16>(value, word);
        tiff.append(word, 2);
    }
    qToLittleEndian<quint32>(1, word);
    tiff.append(word, 4);
    qToLittleEndian<quint32>(quint32(orientation), word);
    tiff.append(word, 4);
    tiff.append(QByteArray(4, '\0'));
    return withExif(jpeg, tiff);
}

QByteArray withExif(const QByteArray &jpeg, const QByteArray &tiff)
{
    char word[2];
    const QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    qToBigEndian<quint16>(quint16(app1.size() + 2), word);
    segment.append(word, 2).append(app1);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// CIE L*a*b* of an 8-bit sRGB colour (D65).
std::array<double, 3> lab(const TRgb &c)
{
    auto linear = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    const double r = linear(c.red), g = linear(c.green), b = linear(c.blue);
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double deltaE(const TRgb &a, const TRgb &b)
{
    const auto p = lab(a), q = lab(b);
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1])
                     + (p[2] - q[2]) * (p[2] - q[2]));
}

MagickBooleanType applyProfile(Image *image, const QString &file)
{
    auto profileImage = MagickEntry<MagickBooleanType(Image *, const char *, const void *, size_t,
                                                      MagickBooleanType)>("ProfileImage");
    const QByteArray bytes = ReadFileBytes(file);
    return profileImage(image, "icc", bytes.constData(), size_t(bytes.size()), MagickFalse);
}

class PhotoSteps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        job().TargetExt = QStringLiteral("JPEG");
        job().SizeAsIs = 1;
        job().OrientAsIs = 1;
        job().Measure = 0;
        job().Width = QStringLiteral("400");
        job().Height = QStringLiteral("300");
        run.ProfileFolder = sandbox.filePath(QStringLiteral("no-profiles"));
    }


    TCnvJob &job() { return run.Project; }
    QString at(const QString &name) const { return sandbox.filePath(name); }

    // Loads the source as the run does, converts it and reads the output back.
    TImageListPtr convert(const QString &source, const QString &output)
    {
        TMagickImage image;
        QFile file(source);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        image.LoadFrames(file);
        ConvertSource(image, source, output, run);
        return ReadImageFile(output);
    }

    // A JPEG of 40 by 20 stored pixels, quadrants as the stored corner colours, tagged.
    QString photo(int orientation)
    {
        const TRgb corners[4] = {kRed, kGreen, kBlue, kYellow};
        WriteFileBytes(at(QStringLiteral("q.ppm")), quadrantPpm(40, 20, corners));
        TImageListPtr frames = ReadImageFile(at(QStringLiteral("q.ppm")));
        WriteFrames(frames.get(), at(QStringLiteral("q.jpg")), true, 95);
        const QString path = at(QStringLiteral("o%1.jpg").arg(orientation));
        WriteFileBytes(path, withExifOrientation(ReadFileBytes(at(QStringLiteral("q.jpg"))), orientation));
        return path;
    }

    QTemporaryDir sandbox;
    TRunSettings run;
};

TEST_F(PhotoSteps, EveryExifOrientationComesOutUpright)
{
    struct Case
    {
        int orientation;
        bool upright;
        int orientAsIs, projectOrientation;
        size_t width, height;
        TRgb topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {1, true, 1, 0, 40, 20, kRed, kGreen, kBlue, kYellow},
        {2, true, 1, 0, 40, 20, kGreen, kRed, kYellow, kBlue},
        {3, true, 1, 0, 40, 20, kYellow, kBlue, kGreen, kRed},
        {4, true, 1, 0, 40, 20, kBlue, kYellow, kRed, kGreen},
        {5, true, 1, 0, 20, 40, kRed, kBlue, kGreen, kYellow},
        {6, true, 1, 0, 20, 40, kBlue, kRed, kYellow, kGreen},
        {7, true, 1, 0, 20, 40, kYellow, kGreen, kBlue, kRed},
        {8, true, 1, 0, 20, 40, kGreen, kYellow, kRed, kBlue},
        // The preference off: the pixels as stored.
        {6, false, 1, 0, 40, 20, kRed, kGreen, kBlue, kYellow},
        // Landscape wanted: the upright portrait is turned clockwise by the project's rule.
        {6, true, 0, 1, 40, 20, kYellow, kBlue, kGreen, kRed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "orientation " << c.orientation << (c.upright ? "" : " kept"));
        run.TurnUpright = c.upright;
        job().OrientAsIs = quint8(c.orientAsIs);
        job().Orientation = c.projectOrientation;
        const QString output = at(QStringLiteral("out%1%2%3.jpg").arg(c.orientation).arg(c.upright).arg(c.orientAsIs));
        TImageListPtr back = convert(photo(c.orientation), output);
        ASSERT_TRUE(back);
        ASSERT_EQ(back->columns, c.width);
        ASSERT_EQ(back->rows, c.height);
        const int w = int(c.width) - 3, h = int(c.height) - 3;
        EXPECT_TRUE(near(PixelAt(back.get(), 2, 2), c.topLeft));
        EXPECT_TRUE(near(PixelAt(back.get(), w, 2), c.topRight));
        EXPECT_TRUE(near(PixelAt(back.get(), 2, h), c.bottomLeft));
        EXPECT_TRUE(near(PixelAt(back.get(), w, h), c.bottomRight));
        // Turned pixels carry top-left, so no viewer turns them again.
        if (c.upright) {
            EXPECT_EQ(back->orientation, TopLeftOrientation);
        }
    }
}

TEST_F(PhotoSteps, TransparencyBecomesWhiteOnlyWhereTheTargetCannotKeepIt)
{
    WriteFileBytes(at(QStringLiteral("logo.png")), MakeImageBytes(QStringLiteral("xc:none"), 16, 16, QStringLiteral("png")));
    struct Case
    {
        const char *output;
        bool keepsAlpha;
    };
    for (const Case &c : {Case{"logo.jpg", false}, Case{"logo.ppm", false}, Case{"logo.pgm", false},
                          Case{"logo.png", true}, Case{"logo.webp", true}, Case{"logo.tga", true}}) {
        SCOPED_TRACE(c.output);
        TImageListPtr back = convert(at(QStringLiteral("logo.png")), at(QStringLiteral("out_") + QLatin1String(c.output)));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->matte != MagickFalse, c.keepsAlpha);
        if (!c.keepsAlpha) {
            EXPECT_TRUE(near(PixelAt(back.get(), 8, 8), TRgb{255, 255, 255}, 6));
        }
    }
}

TEST_F(PhotoSteps, SmallFramesKeepTheirSizeOnlyWhenEnlargingIsOff)
{
    job().SizeAsIs = 0;
    struct Case
    {
        int w, h;
        bool noEnlarge;
        size_t width, height;
    };
    const Case cases[] = {
        {200, 100, true, 200, 100}, {200, 100, false, 400, 300}, {800, 600, true, 400, 300},
        {300, 400, true, 300, 400}, // portrait: Width is its vertical size
        {500, 100, true, 400, 300}, // wider than asked: resized as the project says
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (c.noEnlarge ? " no enlarging" : ""));
        TMagickImage image;
        QByteArray bytes = MakeImageBytes(QStringLiteral("xc:gray"), c.w, c.h, QStringLiteral("png"));
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        image.LoadFrames(buffer);
        ResizeFrame(image, job(), FilterTypes(run.ResizeFilter), run.ResizeBlur, c.noEnlarge);
        EXPECT_EQ(image.FrameWidth(), c.width);
        EXPECT_EQ(image.FrameHeight(), c.height);
    }
}

TEST_F(PhotoSteps, JpegWithItsOwnProfileKeepsItsColoursAsPrintTiff)
{
    // A chart of sRGB patches, 16 by 16 each, held in the Adobe-RGB-like space of a98.icc.
    const TRgb patches[] = {{200, 60, 50}, {60, 160, 70}, {50, 80, 180}, {220, 200, 60},
                            {120, 120, 120}, {230, 150, 170}};
    QByteArray ppm = QByteArrayLiteral("P6\n96 16\n255\n");
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 96; ++x) {
            const TRgb &c = patches[x / 16];
            ppm.append(char(c.red)).append(char(c.green)).append(char(c.blue));
        }
    }
    WriteFileBytes(at(QStringLiteral("chart.ppm")), ppm);
    const QString a98 = QStringLiteral("/usr/share/color/icc/ghostscript/a98.icc");
    TImageListPtr chart = ReadImageFile(at(QStringLiteral("chart.ppm")));
    EmbedIccProfile(chart.get(), ReadFileBytes(SystemSrgbProfile()));
    ASSERT_EQ(applyProfile(chart.get(), a98), MagickTrue);
    WriteFrames(chart.get(), at(QStringLiteral("chart.jpg")), true, 100);

    // The shipped profiles, as installed beside the program.
    run.ProfileFolder = QStringLiteral(PICTAVO_BIN_DIR "/profiles");
    job().TargetExt = QStringLiteral("TIFF");
    TImageListPtr tiff = convert(at(QStringLiteral("chart.jpg")), at(QStringLiteral("chart.tif")));
    ASSERT_TRUE(tiff);
    ASSERT_EQ(tiff->colorspace, CMYKColorspace);
    EXPECT_EQ(IccProfileOf(tiff.get()), ReadFileBytes(run.ProfileFolder + QStringLiteral("/USWebCoatedSWOP.icc")));

    // What the same patches become when converted from their true colours.
    TImageListPtr reference = ReadImageFile(at(QStringLiteral("chart.ppm")));
    EmbedIccProfile(reference.get(), ReadFileBytes(SystemSrgbProfile()));
    ASSERT_EQ(applyProfile(reference.get(), run.ProfileFolder + QStringLiteral("/USWebCoatedSWOP.icc")), MagickTrue);
    for (Image *image : {tiff.get(), reference.get()})
        ASSERT_EQ(applyProfile(image, SystemSrgbProfile()), MagickTrue);
    for (int i = 0; i < 6; ++i) {
        const TRgb got = PixelAt(tiff.get(), i * 16 + 8, 8), want = PixelAt(reference.get(), i * 16 + 8, 8);
        EXPECT_LE(deltaE(got, want), 2.0) << "patch " << i;
    }
}

TEST_F(PhotoSteps, AnEmbeddedProfileStaysWhenThePixelsAreNotConverted)
{
    const QByteArray a98 = ReadFileBytes(QStringLiteral("/usr/share/color/icc/ghostscript/a98.icc"));
    TImageListPtr frames = MakeFrames(QStringLiteral("gradient:red-blue"), 32, 24);
    EmbedIccProfile(frames.get(), a98);
    WriteFrames(frames.get(), at(QStringLiteral("p.jpg")));
    job().TargetExt = QStringLiteral("TIFF");
    // No profile files: the TIFF keeps the source's pixels and their profile.
    TImageListPtr tiff = convert(at(QStringLiteral("p.jpg")), at(QStringLiteral("p.tif")));
    ASSERT_TRUE(tiff);
    EXPECT_EQ(tiff->colorspace, sRGBColorspace);
    EXPECT_EQ(IccProfileOf(tiff.get()), a98);
    job().TargetExt = QStringLiteral("PNG");
    TImageListPtr png = convert(at(QStringLiteral("p.jpg")), at(QStringLiteral("p.png")));
    ASSERT_TRUE(png);
    EXPECT_EQ(IccProfileOf(png.get()), a98);
}

TEST_F(PhotoSteps, MetadataChoicesKeepWhatTheySayOnACameraLikeJpeg)
{
    const QByteArray srgb = ReadFileBytes(SystemSrgbProfile());
    TImageListPtr frames = MakeFrames(QStringLiteral("gradient:red-blue"), 40, 20);
    EmbedIccProfile(frames.get(), srgb);
    WriteFrames(frames.get(), at(QStringLiteral("plain.jpg")));
    const QString source = at(QStringLiteral("camera.jpg"));
    WriteFileBytes(source, withExif(ReadFileBytes(at(QStringLiteral("plain.jpg"))), cameraExif()));

    struct Case
    {
        TMetadata choice;
        const char *orientation, *gps, *serial, *software, *artist, *copyright, *taken, *make;
    };
    const Case cases[] = {
        {TMetadata::Keep, "1", "52/1, 53/1, 54/1", "SN-0042-77", "Cam Firmware 1.0", "Anna Owner",
         "(c) Anna", "2024:07:14 18:30:05", "Canon"},
        {TMetadata::Private, "1", nullptr, nullptr, nullptr, nullptr, "(c) Anna", "2024:07:14 18:30:05", "Canon"},
        {TMetadata::None, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    run.TurnUpright = true;
    // What a name pattern learns of it from the header alone.
    const TSourceFacts facts = ProbeSource(source, run);
    EXPECT_EQ(facts.Taken, QDateTime(QDate(2024, 7, 14), QTime(18, 30, 5)));
    EXPECT_EQ(facts.Width, 20);
    EXPECT_EQ(facts.Height, 40);
    for (const Case &c : cases) {
        SCOPED_TRACE(MetadataWord(c.choice).toStdString());
        SetOption(job().Options, kMetadataKey, MetadataWord(c.choice), MetadataWord(TMetadata::Keep));
        TImageListPtr back = convert(source, at(MetadataWord(c.choice) + QStringLiteral(".jpg")));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->columns, 20u) << "turned upright";
        EXPECT_EQ(IccProfileOf(back.get()), srgb);
        const std::pair<const char *, const char *> expected[] = {
            {"exif:Orientation", c.orientation}, {"exif:GPSLatitude", c.gps},
            {"exif:BodySerialNumber", c.serial}, {"exif:Software", c.software},
            {"exif:Artist", c.artist},           {"exif:Copyright", c.copyright},
            {"exif:DateTimeOriginal", c.taken},  {"exif:Make", c.make}};
        for (const auto &[property, value] : expected) {
            const char *found = Magick().GetImageProperty(back.get(), property);
            EXPECT_EQ(QString::fromUtf8(found), QString::fromUtf8(value)) << property;
        }
        if (c.choice != TMetadata::Keep) {
            EXPECT_EQ(Magick().GetImageProfile(back.get(), "exif") != nullptr, c.choice == TMetadata::Private);
        }
    }
}

} // namespace
