#include "engine/MagickImage.h"
#include "engine/unitConvertSteps.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const TError &error) {
        return error.text();
    }
    return QString();
}

void load(TMagickImage &image, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    image.LoadFrames(buffer);
}

void append(TMagickImage &image, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    image.AppendFrames(buffer);
}

QByteArray truncatedJpeg()
{
    const QByteArray whole = MakeImageBytes(QStringLiteral("gradient:red-blue"), 256, 192,
                                            QStringLiteral("jpg"));
    return whole.left(whole.size() * 6 / 10);
}

} // namespace

TEST(MagickImage, StartsEmptyWithDefaultOptions)
{
    TMagickImage image;
    EXPECT_EQ(image.FrameCount(), 0);
    EXPECT_EQ(image.CurrentFrame(), nullptr);
    EXPECT_EQ(image.FrameWidth(), 0u);
    EXPECT_EQ(image.FrameHeight(), 0u);
    ASSERT_NE(image.Info(), nullptr);
    EXPECT_EQ(image.Info()->adjoin, MagickTrue);
    // Saving nothing writes nothing and raises nothing.
    QTemporaryDir folder;
    image.SaveFrames(folder.filePath(QStringLiteral("none.png")));
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("none.png"))));
}

TEST(MagickImage, LoadsFramesFromMemoryAndFromFiles)
{
    TMagickImage image;
    load(image, MakeImageBytes(QStringLiteral("gradient:red-blue"), 80, 60, QStringLiteral("png")));
    EXPECT_EQ(image.FrameCount(), 1);
    EXPECT_EQ(image.FrameWidth(), 80u);
    EXPECT_EQ(image.FrameHeight(), 60u);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("pages.tif"));
    WriteFileBytes(path, MakeImageBytes(QStringLiteral("xc:red"), 30, 20, QStringLiteral("tif"), 3));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    image.LoadFrames(file);
    EXPECT_EQ(image.FrameCount(), 3);
    EXPECT_EQ(image.FrameWidth(), 30u);
}

TEST(MagickImage, EmptySourceIsRefusedAndChangesNothing)
{
    TMagickImage image;
    load(image, MakeImageBytes(QStringLiteral("xc:white"), 8, 8, QStringLiteral("png")));
    EXPECT_EQ(errorOf([&] { load(image, QByteArray()); }),
              QStringLiteral("Stream size must be defined."));
    EXPECT_EQ(errorOf([&] { append(image, QByteArray()); }),
              QStringLiteral("Stream size must be defined."));
    EXPECT_EQ(image.FrameCount(), 1);

    // A stream already at its end is as empty.
    QByteArray bytes("abc");
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    buffer.seek(3);
    EXPECT_EQ(errorOf([&] { image.LoadFrames(buffer); }),
              QStringLiteral("Stream size must be defined."));
}

TEST(MagickImage, UndecodableBytesRaiseTheLibraryText)
{
    QByteArray noise(4096, '\0');
    QRandomGenerator generator(7);
    for (char &c : noise)
        c = char(generator.bounded(256));
    noise[0] = 'Z'; // no known signature

    TMagickImage image;
    const QString text = errorOf([&] { load(image, noise); });
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n"))) << text.toStdString();
    EXPECT_EQ(image.FrameCount(), 0);
}

TEST(MagickImage, WarningKeepsLoadedFramesButAppendsNone)
{
    const QByteArray broken = truncatedJpeg();
    TMagickImage image;
    const QString text = errorOf([&] { load(image, broken); });
    EXPECT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n")));
    EXPECT_EQ(image.FrameCount(), 1);

    EXPECT_FALSE(errorOf([&] { append(image, broken); }).isEmpty());
    EXPECT_EQ(image.FrameCount(), 1);
}

TEST(MagickImage, AppendsSourcesInOrderAndSelectsWithinTheList)
{
    TMagickImage image;
    append(image, MakeImageBytes(QStringLiteral("xc:red"), 10, 10, QStringLiteral("tif"), 3));
    append(image, MakeImageBytes(QStringLiteral("xc:blue"), 20, 5, QStringLiteral("png")));
    ASSERT_EQ(image.FrameCount(), 4);
    EXPECT_EQ(image.FrameAt(4), nullptr);
    EXPECT_EQ(image.FrameAt(-1), nullptr);

    image.SelectFrame(3);
    EXPECT_EQ(image.FrameIndex(), 3);
    EXPECT_EQ(image.FrameWidth(), 20u);
    image.SelectFrame(99);
    EXPECT_EQ(image.FrameIndex(), 3);
    image.SelectFrame(-4);
    EXPECT_EQ(image.FrameIndex(), 0);

    TMagickImage single;
    load(single, MakeImageBytes(QStringLiteral("xc:red"), 10, 10, QStringLiteral("png")));
    single.SelectFrame(2);
    EXPECT_EQ(single.FrameIndex(), 0);

    image.Reset();
    EXPECT_EQ(image.FrameCount(), 0);
    EXPECT_EQ(image.FrameIndex(), 0);
}

TEST(MagickImage, ResizingReplacesOnlyTheCurrentFrame)
{
    TMagickImage image;
    load(image, MakeImageBytes(QStringLiteral("xc:red"), 40, 30, QStringLiteral("tif"), 3));
    image.ResizeCurrentFrame(20, 15, 2, MitchellFilter, 1.0);
    image.SelectFrame(1);
    image.ResizeCurrentFrame(8, 6, 3, MitchellFilter, 1.0);
    image.SelectFrame(2);
    image.ResizeCurrentFrame(0, 0, 0, MitchellFilter, 1.0); // magnify doubles
    ASSERT_EQ(image.FrameCount(), 3);
    EXPECT_EQ(image.FrameAt(0)->columns, 20u);
    EXPECT_EQ(image.FrameAt(0)->rows, 15u);
    EXPECT_EQ(image.FrameAt(1)->columns, 8u);
    EXPECT_EQ(image.FrameAt(2)->columns, 80u);
    EXPECT_EQ(image.Frames(), image.FrameAt(0));

    image.ResizeCurrentFrame(5, 5, 9, MitchellFilter, 1.0);
    EXPECT_EQ(image.FrameWidth(), 80u);
}

TEST(MagickImage, ResizeToNothingRaisesTheLibraryTextAndKeepsTheFrame)
{
    TMagickImage image;
    load(image, MakeImageBytes(QStringLiteral("xc:red"), 40, 30, QStringLiteral("png")));
    const QString text = errorOf([&] { image.ResizeCurrentFrame(0, 10, 2, MitchellFilter, 1.0); });
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n"))) << text.toStdString();
    EXPECT_EQ(image.FrameWidth(), 40u);
}

TEST(MagickImage, AdjoinDecidesBetweenOneFileAndOneFilePerFrame)
{
    QTemporaryDir folder;
    TMagickImage image;
    load(image, MakeImageBytes(QStringLiteral("xc:red"), 12, 9, QStringLiteral("tif"), 3));
    image.SaveFrames(folder.filePath(QStringLiteral("all.tif")));
    EXPECT_EQ(ImageFileFrameCount(folder.filePath(QStringLiteral("all.tif"))), 3);

    image.SetAdjoin(false);
    image.SaveFrames(folder.filePath(QStringLiteral("multi.PNG")));
    for (const char *name : {"multi-0.PNG", "multi-1.PNG", "multi-2.PNG"})
        EXPECT_TRUE(QFile::exists(folder.filePath(QString::fromLatin1(name)))) << name;
    EXPECT_FALSE(QFile::exists(folder.filePath(QStringLiteral("multi.PNG"))));
}

TEST(MagickImage, QualityReachesTheEncoder)
{
    QTemporaryDir folder;
    TMagickImage image;
    load(image, MakeImageBytes(QStringLiteral("gradient:red-blue"), 64, 48, QStringLiteral("png")));
    image.SetQuality(42);
    image.SaveFrames(folder.filePath(QStringLiteral("q.JPEG")));
    TImageListPtr back = ReadImageFile(folder.filePath(QStringLiteral("q.JPEG")));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->quality, 42u);

    // A decoded JPEG carries its own quality; the chosen one still wins.
    TMagickImage again;
    QFile file(folder.filePath(QStringLiteral("q.JPEG")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    again.LoadFrames(file);
    again.SetQuality(77);
    again.SaveFrames(folder.filePath(QStringLiteral("r.JPEG")));
    EXPECT_EQ(ReadImageFile(folder.filePath(QStringLiteral("r.JPEG")))->quality, 77u);
}

TEST(MagickImage, FailedWriteRaisesTheLibraryText)
{
    QTemporaryDir folder;
    TMagickImage image;
    load(image, MakeImageBytes(QStringLiteral("xc:red"), 8, 8, QStringLiteral("png")));
    const QString text =
        errorOf([&] { image.SaveFrames(folder.filePath(QStringLiteral("missing/out.png"))); });
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n"))) << text.toStdString();
}

TEST(MagickImage, AJpegThatComesOutSmallerIsDecodedAtTheSmallestScaleThatKeepsItsOutput)
{
    const QString pattern = QStringLiteral("gradient:red-blue");
    const QByteArray jpeg = MakeImageBytes(pattern, 800, 600, QStringLiteral("jpg"));
    const QByteArray odd = MakeImageBytes(pattern, 801, 600, QStringLiteral("jpg"));
    const QByteArray png = MakeImageBytes(pattern, 800, 600, QStringLiteral("png"));
    struct TCase
    {
        const QByteArray *bytes;
        const char *size; // a size mode, "WxH" for the width and height rules, "" as is
        size_t columns, rows;
    };
    const TCase cases[] = {
        {&jpeg, "", 800, 600},              // no resize: full size
        {&jpeg, "long:100", 100, 75},       // 1/8
        {&jpeg, "long:101", 200, 150},      // 1/8 is too small: 2/8
        {&jpeg, "short:76", 200, 150},
        {&jpeg, "long:300", 300, 225},      // 3/8
        {&jpeg, "long:400", 400, 300},      // 4/8
        {&jpeg, "long:401", 800, 600},      // no scale is enough
        {&jpeg, "long:1000", 800, 600},     // larger than the source: never enlarged
        {&jpeg, "fill:150x150", 200, 150},  // the resize before the crop is what counts
        {&jpeg, "fit:100x100", 100, 75},    // turned, it needs 75x100: 1/8 still holds it
        {&jpeg, "percent:25", 800, 600},    // a share of a smaller decode is smaller
        {&jpeg, "100x75", 100, 75},         // the rules read the long side's number first
        {&jpeg, "100x76", 200, 150},
        {&odd, "long:100", 801, 600},       // a side that no scale divides exactly
        {&png, "long:100", 800, 600},       // only JPEG decodes smaller
    };
    for (const TCase &test : cases) {
        TRunSettings run;
        const QString size = QString::fromLatin1(test.size);
        run.Project.SizeAsIs = size.isEmpty();
        if (size.contains(QLatin1Char(':')))
            run.Project.Options.insert(QStringLiteral("size"), size);
        else if (!size.isEmpty())
            std::tie(run.Project.Width, run.Project.Height) = std::pair(size.section(QLatin1Char('x'), 0, 0),
                                                                        size.section(QLatin1Char('x'), 1, 1));
        // As the run does it: the header once, a hint for JPEG only.
        const TSourceHeader header = ReadSourceHeader(*test.bytes);
        ASSERT_EQ(header.Frames.size(), 1);
        const size_t w = size_t(header.Frames.first().Width), h = size_t(header.Frames.first().Height);
        TMagickImage image;
        if (header.Jpeg)
            image.SetShrinkOnLoad(w, h, DecodeEighths(w, h, run));
        load(image, *test.bytes);
        EXPECT_EQ(image.FrameWidth(), test.columns) << test.size;
        EXPECT_EQ(image.FrameHeight(), test.rows) << test.size;
    }
}

TEST(MagickImage, TheJpegOutputsSizeDoesNotDependOnTheMemoryLimit)
{
    QTemporaryDir folder;
    // Under a 1 MiB limit this library leaves the tables of such an image unoptimised.
    const QByteArray source = MakeImageBytes(QStringLiteral("gradient:red-blue"), 700, 700, QStringLiteral("png"));
    const int keptMemory = MemoryLimit, keptMap = MapLimit;
    QList<qint64> sizes;
    for (int limit : {1, 2048}) {
        MemoryLimit = limit;
        MapLimit = 2 * limit;
        ApplyResourceLimits();
        TMagickImage image;
        load(image, source);
        image.SetQuality(85);
        const QString path = folder.filePath(QStringLiteral("out%1.jpg").arg(limit));
        image.SaveFrames(path);
        sizes.append(QFileInfo(path).size());
    }
    MemoryLimit = keptMemory;
    MapLimit = keptMap;
    ApplyResourceLimits();
    EXPECT_GT(sizes.first(), 0);
    EXPECT_EQ(sizes.first(), sizes.last());
}
