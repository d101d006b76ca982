#include "engine/unitConvertSteps.h"
#include "engine/unitHeifEncoder.h"
#include "project/unitJob.h"
#include "project/unitOutputOptions.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class OutputOptions : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        job().SizeAsIs = 0;
        run.ProfileFolder = sandbox.filePath(QStringLiteral("profiles"));
    }

    TCnvJob &job() { return run.Project; }
    QString at(const QString &name) const { return sandbox.filePath(name); }

    static void load(TMagickImage &image, QByteArray bytes)
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        image.LoadFrames(buffer);
    }

    // Converts a source made from `pattern` with the project's options, reads the output back.
    TImageListPtr converted(const QString &source, const QString &target, const QString &pattern = QStringLiteral("gradient:red-blue"))
    {
        job().TargetExt = target;
        const QString sourceExt = source.section(QLatin1Char('.'), -1);
        TMagickImage image;
        load(image, MakeImageBytes(pattern, 64, 48, sourceExt));
        output = at(source.section(QLatin1Char('.'), 0, 0) + QLatin1Char('.') + target);
        QFile::remove(output);
        ConvertSource(image, at(source), output, run);
        return ReadImageFile(output);
    }

    QTemporaryDir sandbox;
    TRunSettings run;
    QString output;
};

QString property(const Image *image, const char *name)
{
    auto get = MagickEntry<const char *(const Image *, const char *)>("GetImageProperty");
    return QString::fromLatin1(get(image, name));
}

} // namespace

// Every shape under every mode, with and without enlarging, gives the size ImageMagick's
// own geometry gives ("NxN" long edge, "NxN^" short edge and fill, "P%", ">" no enlarging);
// the real resize then delivers it, fill cropped to its box.
TEST_F(OutputOptions, SizeModesAgreeWithTheLibrarysGeometryForEveryShape)
{
    auto parse = MagickEntry<MagickStatusType(const char *, ssize_t *, ssize_t *, size_t *, size_t *)>(
        "ParseMetaGeometry");
    const QList<QSize> shapes = {{400, 300}, {300, 400}, {200, 200}, {80, 60}, {301, 3}};
    const QList<std::pair<QString, QString>> modes = {
        {QStringLiteral("long:192"), QStringLiteral("192x192")},
        {QStringLiteral("short:108"), QStringLiteral("108x108^")},
        {QStringLiteral("fit:192x108"), QStringLiteral("192x108")},
        {QStringLiteral("fill:108x108"), QStringLiteral("108x108^")},
        {QStringLiteral("percent:50"), QStringLiteral("50%")},
        {QStringLiteral("percent:150"), QStringLiteral("150%")},
    };
    for (const QSize &shape : shapes) {
        for (const auto &[mode, geometry] : modes) {
            for (const bool noEnlarge : {false, true}) {
                const QString trace = QStringLiteral("%1x%2 %3 no-enlarge %4")
                                          .arg(shape.width()).arg(shape.height()).arg(mode).arg(noEnlarge);
                TSizeSpec optionSpec;
                ASSERT_TRUE(ParseSizeSpec(mode, optionSpec)) << trace.toStdString();
                const TFrameGeometry mine = SizeModeGeometry(shape.width(), shape.height(), optionSpec, noEnlarge);
                ssize_t x = 0, y = 0;
                size_t columns = size_t(shape.width()), rows = size_t(shape.height());
                // The library's "P%>" compares with the scaled size and so enlarges anyway.
                const bool greater = noEnlarge && optionSpec.Mode != TSizeMode::Percent;
                parse((geometry + (greater ? QStringLiteral(">") : QString())).toLatin1().constData(), &x, &y,
                      &columns, &rows);
                if (noEnlarge && !greater) {
                    columns = qMin(columns, size_t(shape.width()));
                    rows = qMin(rows, size_t(shape.height()));
                }
                EXPECT_EQ(mine.Columns, qint64(columns)) << trace.toStdString();
                EXPECT_EQ(mine.Rows, qint64(rows)) << trace.toStdString();

                const QSize wanted = optionSpec.Mode == TSizeMode::Fill
                    ? QSize(int(qMin<qint64>(108, columns)), int(qMin<qint64>(108, rows)))
                    : QSize(int(columns), int(rows));
                job().Options.insert(OptionKey::Size, mode);
                TMagickImage image;
                load(image, MakeImageBytes(QStringLiteral("xc:gray"), shape.width(), shape.height(), QStringLiteral("png")));
                ResizeFrame(image, job(), FilterTypes(run.ResizeFilter), run.ResizeBlur, noEnlarge);
                EXPECT_EQ(QSize(int(image.FrameWidth()), int(image.FrameHeight())), wanted) << trace.toStdString();
                EXPECT_EQ(image.CurrentFrame()->page.x, 0) << trace.toStdString();
            }
        }
    }
    // "Long edge 1920" on a mixed folder: the long edge whatever the shape.
    TSizeSpec longEdge;
    ASSERT_TRUE(ParseSizeSpec(QStringLiteral("long:1920"), longEdge));
    EXPECT_EQ(SizeModeGeometry(3000, 4000, longEdge, false).Rows, 1920);
    EXPECT_EQ(SizeModeGeometry(4000, 3000, longEdge, false).Columns, 1920);
    for (const char *bad : {"long:", "long:0", "fit:10", "fill:10x", "percent:-5", "wide:10", "long:+5", "fit:1x99999"})
        EXPECT_FALSE(ParseSizeSpec(QLatin1String(bad), longEdge)) << bad;
}

// Each encoder option shows in the written file; the defaults write what was written before.
TEST_F(OutputOptions, EveryEncoderOptionShowsInTheWrittenFile)
{
    InstallPrintProfiles(at(QStringLiteral("profiles")));
    job().SizeAsIs = 1;
    struct Case
    {
        const char *source, *target, *key, *value;
        std::function<void(const Image *, const QByteArray &)> check;
    };
    const QList<Case> cases = {
        {"a.png", "JPEG", "jpeg.progressive", "true",
         [](const Image *image, const QByteArray &) { EXPECT_NE(image->interlace, NoInterlace); }},
        {"a.png", "JPEG", "jpeg.progressive", "false",
         [](const Image *image, const QByteArray &) { EXPECT_EQ(image->interlace, NoInterlace); }},
        {"a.png", "JPEG", "jpeg.subsampling", "444",
         [](const Image *image, const QByteArray &) {
             EXPECT_EQ(property(image, "jpeg:sampling-factor"), QLatin1String("1x1,1x1,1x1"));
             EXPECT_EQ(image->quality, 75u);
         }},
        {"a.png", "JPEG", "jpeg.subsampling", "auto",
         [](const Image *image, const QByteArray &) {
             EXPECT_EQ(property(image, "jpeg:sampling-factor"), QLatin1String("2x2,1x1,1x1"));
         }},
        {"a.png", "WEBP", "webp.lossless", "true",
         [](const Image *, const QByteArray &bytes) { EXPECT_EQ(bytes.mid(12, 4), "VP8L"); }},
        {"a.png", "WEBP", "webp.lossless", "false",
         [](const Image *, const QByteArray &bytes) { EXPECT_EQ(bytes.mid(12, 4), "VP8 "); }},
        {"a.png", "PNG", "png.palette", "true",
         [](const Image *, const QByteArray &bytes) { EXPECT_EQ(int(bytes.at(25)), 3); }},
        {"a.png", "PNG", "png.palette", "false",
         [](const Image *, const QByteArray &bytes) { EXPECT_NE(int(bytes.at(25)), 3); }},
        {"a.png", "TIFF", "tiff.compression", "lzw",
         [](const Image *image, const QByteArray &) { EXPECT_EQ(image->compression, LZWCompression); }},
        {"a.png", "TIFF", "tiff.compression", "zip",
         [](const Image *image, const QByteArray &) { EXPECT_EQ(image->compression, ZipCompression); }},
        {"a.png", "TIFF", "tiff.compression", "jpeg",
         [](const Image *image, const QByteArray &) { EXPECT_EQ(image->compression, JPEGCompression); }},
        {"a.tif", "TIFF", "tiff.compression", "none",
         [](const Image *image, const QByteArray &) { EXPECT_EQ(image->compression, NoCompression); }},
        {"a.jpg", "TIFF", "tiff.cmyk", "true",
         [](const Image *image, const QByteArray &) { EXPECT_EQ(image->colorspace, CMYKColorspace); }},
        {"a.jpg", "TIFF", "tiff.cmyk", "false",
         [](const Image *image, const QByteArray &) { EXPECT_NE(image->colorspace, CMYKColorspace); }},
    };
    for (const Case &c : cases) {
        job().Options.clear();
        job().Options.insert(QLatin1String(c.key), QLatin1String(c.value));
        ASSERT_EQ(CheckOutputOptions(QLatin1String(c.target), job().Options), QString()) << c.key;
        const TImageListPtr back = converted(QLatin1String(c.source), QLatin1String(c.target));
        ASSERT_TRUE(back) << c.key << '=' << c.value;
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        c.check(back.get(), ReadFileBytes(output));
    }

    // PNG level 0 stores, level 9 squeezes; the default leaves it to the quality as before.
    QList<qint64> sizes;
    for (const char *level : {"0", "9", "auto"}) {
        job().Options = {{QStringLiteral("png.level"), QLatin1String(level)}};
        converted(QStringLiteral("level.png"), QStringLiteral("PNG"), QStringLiteral("gradient:red-blue"));
        sizes.append(ReadFileBytes(output).size());
    }
    EXPECT_GT(sizes.at(0), sizes.at(1));
    job().Options.clear();
    converted(QStringLiteral("level.png"), QStringLiteral("PNG"), QStringLiteral("gradient:red-blue"));
    EXPECT_EQ(ReadFileBytes(output).size(), sizes.at(2));

    // Transparent pixels land on the chosen background.
    job().Options = {{QStringLiteral("background"), QStringLiteral("#ff0000")}};
    const TImageListPtr flat = converted(QStringLiteral("clear.png"), QStringLiteral("JPEG"), QStringLiteral("xc:none"));
    const TRgb pixel = PixelAt(flat.get(), 5, 5);
    EXPECT_GT(pixel.red, 240);
    EXPECT_LT(pixel.green, 15);
}

// A speed sends AVIF and HEIC through libheif: speed 0 and 9 each give the picture with
// its size, colours and profile, in different bytes; without one the library's coder
// writes the bytes it always wrote. A frame left turned shows turned as its source did.
TEST_F(OutputOptions, HeifSpeedIsLibheifsAndTheDefaultTheLibrarysCoder)
{
    const QByteArray icc = ReadFileBytes(SystemSrgbProfile());
    TImageListPtr source = MakeFrames(QStringLiteral("gradient:red-blue"), 64, 48);
    EmbedIccProfile(source.get(), icc);
    WriteFrames(source.get(), at(QStringLiteral("s.png")));
    const TRgb corner = PixelAt(source.get(), 3, 3), middle = PixelAt(source.get(), 32, 30);
    job().SizeAsIs = 1;
    for (const QString &target : {QStringLiteral("AVIF"), QStringLiteral("HEIC")}) {
        SCOPED_TRACE(target.toStdString());
        job().TargetExt = target;
        const auto written = [&](const QString &speed, OrientationType orientation = UndefinedOrientation) {
            job().Options.clear();
            if (!speed.isEmpty()) {
                EXPECT_EQ(SetOptionFromText(job(), QStringLiteral("speed=") + speed), QString());
            }
            TMagickImage image;
            load(image, ReadFileBytes(at(QStringLiteral("s.png"))));
            image.CurrentFrame()->orientation = orientation;
            output = at(QStringLiteral("s%1-%2.%3").arg(speed).arg(orientation).arg(target));
            ConvertSource(image, at(QStringLiteral("s.png")), output, run);
            return ReadFileBytes(output);
        };
        const QByteArray slowest = written(QStringLiteral("0")), fastest = written(QStringLiteral("9"));
        EXPECT_NE(slowest, fastest);
        for (const QByteArray &bytes : {slowest, fastest}) {
            // The library reads the picture back in RGB when it carries its profile.
            EXPECT_TRUE(bytes.contains(icc));
            WriteFileBytes(output, bytes);
            const TImageListPtr back = ReadImageFile(output);
            ASSERT_TRUE(back);
            EXPECT_EQ(QSize(int(back->columns), int(back->rows)), QSize(64, 48));
            for (const auto &[x, y, wanted] : {std::tuple(3, 3, corner), std::tuple(32, 30, middle)}) {
                const TRgb pixel = PixelAt(back.get(), x, y);
                EXPECT_NEAR(pixel.red, wanted.red, 12);
                EXPECT_NEAR(pixel.green, wanted.green, 12);
                EXPECT_NEAR(pixel.blue, wanted.blue, 12);
            }
        }
        const QString coder = at(QStringLiteral("coder.") + target);
        WriteFrames(source.get(), coder, false, 75);
        EXPECT_EQ(written(QString()), ReadFileBytes(coder));

        run.TurnUpright = false;
        written(QStringLiteral("9"), RightTopOrientation);
        run.TurnUpright = true;
        const TImageListPtr turned = ReadImageFile(output);
        ASSERT_TRUE(turned);
        EXPECT_EQ(QSize(int(turned->columns), int(turned->rows)), QSize(48, 64));
    }

    // A picture the encoder refuses fails with libheif's reason and leaves no file behind.
    job().Options = {{QStringLiteral("heic.speed"), QStringLiteral("9")}};
    TMagickImage image;
    load(image, MakeImageBytes(QStringLiteral("xc:red"), 16000, 16, QStringLiteral("png")));
    const QStringList before = QDir(sandbox.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    try {
        ConvertSource(image, at(QStringLiteral("wide.png")), at(QStringLiteral("wide.HEIC")), run);
        ADD_FAILURE() << "written";
    } catch (const TError &error) {
        EXPECT_TRUE(error.text().startsWith(QLatin1String("Can not encode image: "))) << error.text().toStdString();
    }
    EXPECT_EQ(QDir(sandbox.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

// Speed is offered where libheif and its encoder's speed are found, and only there.
TEST_F(OutputOptions, HeifSpeedIsOfferedOnlyWithLibheif)
{
    EXPECT_TRUE(HeifLibraryOffersSpeed(QStringLiteral("libheif.so.1"), QStringLiteral("avif")));
    EXPECT_TRUE(HeifLibraryOffersSpeed(QStringLiteral("libheif.so.1"), QStringLiteral("heic")));
    EXPECT_FALSE(HeifLibraryOffersSpeed(QStringLiteral("libheif-absent.so.1"), QStringLiteral("avif")));
    EXPECT_FALSE(HeifLibraryOffersSpeed(QStringLiteral("libz.so.1"), QStringLiteral("avif")));
    const auto offersSpeed = [](const char *target) {
        const QList<TOptionSpec> offered = OptionsForTarget(QLatin1String(target));
        return std::any_of(offered.cbegin(), offered.cend(),
                           [](const TOptionSpec &optionSpec) { return optionSpec.Key == QLatin1String("speed"); });
    };
    EXPECT_TRUE(offersSpeed("AVIF"));
    EXPECT_TRUE(offersSpeed("HEIC"));
    EXPECT_FALSE(offersSpeed("JPEG"));
    const QMap<QString, QString> slow = {{QStringLiteral("avif.speed"), QStringLiteral("2")}};
    EXPECT_EQ(EncoderSettings(QStringLiteral("AVIF"), slow).HeifSpeed, 2);
    SetOwnEncoderProbe([](const QString &) { return false; });
    EXPECT_FALSE(offersSpeed("AVIF"));
    EXPECT_EQ(EncoderSettings(QStringLiteral("AVIF"), slow).HeifSpeed, -1);
    EXPECT_EQ(CheckOutputOptions(QStringLiteral("AVIF"), slow),
              QLatin1String("Option avif.speed is not available: libheif not found"));
    job().TargetExt = QStringLiteral("HEIC");
    EXPECT_TRUE(SetOptionFromText(job(), QStringLiteral("speed=2")).startsWith(QLatin1String("Unknown option speed")));
    SetOwnEncoderProbe(&HeifOptionOffered);
}

TEST_F(OutputOptions, UnknownKeysAndValuesAreRefusedBeforeTheRun)
{
    TCnvJob &project = job();
    project.TargetExt = QStringLiteral("JPG");
    EXPECT_EQ(SetOptionFromText(project, QStringLiteral("progressive=TRUE")), QString());
    EXPECT_EQ(project.Options.value(QStringLiteral("jpeg.progressive")), QLatin1String("true"));
    EXPECT_EQ(SetOptionFromText(project, QStringLiteral("background=#00aa00")), QString());
    EXPECT_TRUE(SetOptionFromText(project, QStringLiteral("lossless=true")).contains(QLatin1String("Unknown option lossless")));
    EXPECT_TRUE(SetOptionFromText(project, QStringLiteral("subsampling=422")).contains(QLatin1String("auto|420|444")));
    EXPECT_TRUE(SetOptionFromText(project, QStringLiteral("background=red")).contains(QLatin1String("#RRGGBB")));
    EXPECT_FALSE(SetOptionFromText(project, QStringLiteral("progressive")).isEmpty());
    EXPECT_EQ(CheckOutputOptions(project.TargetExt, {{QStringLiteral("webp.effort"), QStringLiteral("7")}}),
              QLatin1String("Option webp.effort takes 0..6, not '7'"));
    EXPECT_EQ(CheckOutputOptions(project.TargetExt, {{QStringLiteral("tiff.colour"), QStringLiteral("x")}}),
              QLatin1String("Unknown option tiff.colour"));
    // Keys of other parts of the program are theirs to judge.
    EXPECT_EQ(CheckOutputOptions(project.TargetExt, {{QStringLiteral("keep-folders"), QStringLiteral("true")}}),
              QString());
}
