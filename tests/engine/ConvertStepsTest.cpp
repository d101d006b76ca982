#include "engine/unitConvertSteps.h"
#include "engine/unitRename.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ConversionSteps : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        job().TargetExt = QStringLiteral("PNG");
        job().SizeAsIs = 0;
        job().OrientAsIs = 1;
        job().Measure = 0;
        job().Width = QStringLiteral("400");
        job().Height = QStringLiteral("300");
        run.ProfileFolder = sandbox.filePath(QStringLiteral("profiles"));
    }

    void TearDown() override
    {
        QLocale::setDefault(QLocale::c());
    }

    TCnvJob &job() { return run.Project; }
    QString at(const QString &name) const { return sandbox.filePath(name); }

    void load(TMagickImage &image, const QString &pattern, int w, int h, const QString &ext = QStringLiteral("png"), int count = 1)
    {
        QByteArray bytes = MakeImageBytes(pattern, w, h, ext, count);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        image.LoadFrames(buffer);
    }

    // The frame's size after ResizeFrame with the current project.
    std::pair<size_t, size_t> resized(int w, int h)
    {
        TMagickImage image;
        load(image, QStringLiteral("xc:gray"), w, h);
        ResizeFrame(image, job(), FilterTypes(run.ResizeFilter), run.ResizeBlur);
        return {image.FrameWidth(), image.FrameHeight()};
    }

    QString resizeError(int w, int h)
    {
        try {
            resized(w, h);
        } catch (const TError &error) {
            return error.text();
        }
        return QString();
    }

    // A JPEG of a red-to-blue gradient carrying the sRGB profile.
    QString jpegWithProfile(const QString &name)
    {
        TImageListPtr frames = MakeFrames(QStringLiteral("gradient:red-blue"), 64, 48);
        EmbedIccProfile(frames.get(), ReadFileBytes(SystemSrgbProfile()));
        WriteFrames(frames.get(), at(name));
        return at(name);
    }

    QTemporaryDir sandbox;
    TRunSettings run;
};

using Size = std::pair<size_t, size_t>;

} // namespace

TEST_F(ConversionSteps, WidthIsTheLongSideOfLandscapeAndTheShortSideOfPortrait)
{
    EXPECT_EQ(resized(800, 600), Size(400, 300));
    EXPECT_EQ(resized(600, 800), Size(300, 400));
    EXPECT_EQ(resized(600, 600), Size(300, 400)); // a square counts as portrait
    // Without a lock the frame is stretched.
    EXPECT_EQ(resized(800, 200), Size(400, 300));
}

TEST_F(ConversionSteps, LockKeepsOneSideAndFollowsTheFrameForTheOther)
{
    job().LockHeight = 1;
    job().Width = QStringLiteral("999");
    EXPECT_EQ(resized(800, 600), Size(400, 300));
    job().Width = QStringLiteral("400");
    job().Height = QStringLiteral("1");
    EXPECT_EQ(resized(600, 800), Size(300, 400));

    job().LockHeight = 0;
    job().LockWidth = 1;
    job().Width = QStringLiteral("200");
    job().Height = QStringLiteral("100");
    EXPECT_EQ(resized(800, 400), Size(200, 100));
    EXPECT_EQ(resized(400, 800), Size(100, 200)); // portrait: Height is its width
    job().Height = QStringLiteral("150");
    EXPECT_EQ(resized(400, 800), Size(150, 300));
}

TEST_F(ConversionSteps, CentimetresAndInchesAreCountedAt72PixelsPerInch)
{
    job().Measure = 1;
    job().Width = QStringLiteral("5");
    job().Height = QStringLiteral("4");
    EXPECT_EQ(resized(800, 600), Size(142, 113));
    job().Measure = 2;
    job().Width = QStringLiteral("8.5");
    job().Height = QStringLiteral("6");
    EXPECT_EQ(resized(800, 600), Size(612, 432));
}

TEST_F(ConversionSteps, SizesRoundHalvesToEven)
{
    EXPECT_EQ(SizeToPixels(0.5L, 0), 0);
    EXPECT_EQ(SizeToPixels(1.5L, 0), 2);
    EXPECT_EQ(SizeToPixels(2.5L, 0), 2);
    EXPECT_EQ(SizeToPixels(2.4999L, 0), 2);
    EXPECT_EQ(SizeToPixels(10, 1), 284);  // 283.5
    EXPECT_EQ(SizeToPixels(30, 1), 850);  // 850.5
    EXPECT_EQ(SizeToPixels(0.25L, 2), 18);
}

TEST_F(ConversionSteps, SizesAreReadWithTheLocaleDecimalSeparator)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    job().Measure = 1;
    job().Width = QStringLiteral("2,5");
    job().Height = QStringLiteral("2");
    EXPECT_EQ(resized(800, 600), Size(71, 57));
    job().Width = QStringLiteral("2.5");
    EXPECT_EQ(resizeError(800, 600), QStringLiteral("'2.5' is not a valid floating point value"));
}

TEST_F(ConversionSteps, TextThatIsNoNumberRaisesAClearError)
{
    job().Width = QStringLiteral("abc");
    EXPECT_EQ(resizeError(800, 600), QStringLiteral("'abc' is not a valid floating point value"));
    // Read even when the lock makes it irrelevant.
    job().LockHeight = 1;
    EXPECT_EQ(resizeError(800, 600), QStringLiteral("'abc' is not a valid floating point value"));
    job().LockHeight = 0;
    job().Width = QStringLiteral("nan");
    EXPECT_FALSE(resizeError(800, 600).isEmpty());
    job().Width = QStringLiteral("1,000");
    EXPECT_FALSE(resizeError(800, 600).isEmpty());
}

TEST_F(ConversionSteps, NegativeOrZeroSizesAreErrorsNotHugeImages)
{
    job().Width = QStringLiteral("-5");
    EXPECT_EQ(resizeError(800, 600), QStringLiteral("Invalid image size: -5"));
    job().Width = QStringLiteral("1e30");
    EXPECT_FALSE(resizeError(800, 600).isEmpty());
    job().Width = QStringLiteral("0");
    EXPECT_TRUE(resizeError(800, 600).contains(QStringLiteral("\r\n")));
}

TEST_F(ConversionSteps, SizeAsIsLeavesTheFrame)
{
    job().SizeAsIs = 1;
    job().Width = QStringLiteral("abc");
    EXPECT_EQ(resized(80, 60), Size(80, 60));
}

TEST_F(ConversionSteps, OrientationTurnsClockwiseOrCounterClockwise)
{
    job().OrientAsIs = 0;
    job().Orientation = 0;
    {
        TMagickImage image;
        load(image, QStringLiteral("gradient:red-blue"), 80, 60);
        OrientFrame(image, job());
        ASSERT_EQ(Size(image.FrameWidth(), image.FrameHeight()), Size(60, 80));
        // Clockwise: the red top edge is now on the right.
        EXPECT_GT(PixelAt(image.CurrentFrame(), 59, 40).red, 200);
        EXPECT_LT(PixelAt(image.CurrentFrame(), 0, 40).red, 55);
    }
    job().RotateCCW = 1;
    {
        TMagickImage image;
        load(image, QStringLiteral("gradient:red-blue"), 80, 60);
        OrientFrame(image, job());
        ASSERT_EQ(Size(image.FrameWidth(), image.FrameHeight()), Size(60, 80));
        EXPECT_GT(PixelAt(image.CurrentFrame(), 0, 40).red, 200);
    }
}

TEST_F(ConversionSteps, OrientationLeavesMatchingAndSquareFramesAlone)
{
    job().OrientAsIs = 0;
    const auto oriented = [&](int w, int h) {
        TMagickImage image;
        load(image, QStringLiteral("xc:gray"), w, h);
        OrientFrame(image, job());
        return Size(image.FrameWidth(), image.FrameHeight());
    };
    job().Orientation = 0;
    EXPECT_EQ(oriented(60, 80), Size(60, 80));
    EXPECT_EQ(oriented(50, 50), Size(50, 50));
    job().Orientation = 1;
    EXPECT_EQ(oriented(80, 60), Size(80, 60));
    EXPECT_EQ(oriented(60, 80), Size(80, 60));
    EXPECT_EQ(oriented(50, 50), Size(50, 50));
    job().Orientation = 2;
    EXPECT_EQ(oriented(60, 80), Size(60, 80));
    job().Orientation = 1;
    job().OrientAsIs = 1;
    EXPECT_EQ(oriented(60, 80), Size(60, 80));
}

TEST_F(ConversionSteps, AffineRedrawKeepsSizeAndPixels)
{
    TMagickImage image;
    load(image, QStringLiteral("gradient:red-blue"), 40, 30);
    const TRgb before = PixelAt(image.CurrentFrame(), 20, 2);
    AffineRedrawFrame(image);
    EXPECT_EQ(Size(image.FrameWidth(), image.FrameHeight()), Size(40, 30));
    const TRgb after = PixelAt(image.CurrentFrame(), 20, 2);
    EXPECT_NEAR(after.red, before.red, 3);
    EXPECT_NEAR(after.blue, before.blue, 3);
}

TEST_F(ConversionSteps, OrientedResizedPortraitIsWrittenWithItsQuality)
{
    job().OrientAsIs = 0;
    job().Orientation = 0;
    job().TargetExt = QStringLiteral("JPEG");
    run.Quality = 85;
    TMagickImage image;
    load(image, QStringLiteral("gradient:red-blue"), 800, 600);
    ConvertSource(image, at(QStringLiteral("wide.png")), at(QStringLiteral("wide.JPEG")), run);
    TImageListPtr back = ReadImageFile(at(QStringLiteral("wide.JPEG")));
    ASSERT_TRUE(back);
    EXPECT_EQ(Size(back->columns, back->rows), Size(300, 400));
    EXPECT_EQ(back->quality, 85u);
}

TEST_F(ConversionSteps, UnchangedGeometryIsOnlyReencoded)
{
    job().SizeAsIs = 1;
    job().TargetExt = QStringLiteral("JPEG");
    run.Quality = 30;
    TMagickImage image;
    load(image, QStringLiteral("gradient:red-blue"), 90, 70);
    ConvertSource(image, at(QStringLiteral("a.png")), at(QStringLiteral("a.JPEG")), run);
    TImageListPtr back = ReadImageFile(at(QStringLiteral("a.JPEG")));
    ASSERT_TRUE(back);
    EXPECT_EQ(Size(back->columns, back->rows), Size(90, 70));
    EXPECT_EQ(back->quality, 30u);
}

TEST_F(ConversionSteps, ThreePageSourceBecomesThreeFilesEachTransformed)
{
    job().OrientAsIs = 0;
    job().Orientation = 0;
    job().Width = QStringLiteral("40");
    job().Height = QStringLiteral("30");
    TMagickImage image;
    load(image, QStringLiteral("gradient:red-blue"), 80, 60, QStringLiteral("tif"), 3);
    ConvertSource(image, at(QStringLiteral("pages.tif")), at(QStringLiteral("pages.PNG")), run);
    for (const char *name : {"pages-0.PNG", "pages-1.PNG", "pages-2.PNG"}) {
        TImageListPtr page = ReadImageFile(at(QString::fromLatin1(name)));
        ASSERT_TRUE(page) << name;
        EXPECT_EQ(Size(page->columns, page->rows), Size(30, 40)) << name;
    }
}

TEST_F(ConversionSteps, CollectionJoinsEverySourceIntoOneFile)
{
    job().TargetExt = QStringLiteral("TIFF");
    job().Width = QStringLiteral("40");
    job().Height = QStringLiteral("30");
    TMagickImage image;
    for (int pages : {3, 1}) {
        QByteArray bytes = MakeImageBytes(QStringLiteral("xc:red"), 80, 60, QStringLiteral("tif"), pages);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        image.AppendFrames(buffer);
        image.SelectFrame(image.FrameCount() - 1);
        CollectSource(image, at(QStringLiteral("s.tif")), run);
    }
    WriteCollection(image, at(QStringLiteral("book.TIFF")), run);
    TImageListPtr book = ReadImageFile(at(QStringLiteral("book.TIFF")));
    ASSERT_TRUE(book);
    EXPECT_EQ(ImageFileFrameCount(at(QStringLiteral("book.TIFF"))), 4);
    EXPECT_EQ(Size(book->columns, book->rows), Size(40, 30));

    TMagickImage empty;
    WriteCollection(empty, at(QStringLiteral("none.TIFF")), run);
    EXPECT_FALSE(QFile::exists(at(QStringLiteral("none.TIFF"))));
}

TEST_F(ConversionSteps, JpegToTiffTestLooksAtBothExtensions)
{
    job().TargetExt = QStringLiteral("TIFF");
    for (const char *name : {"/p/a.jpg", "/p/a.JPEG", "/p/b.jpe", "/p/c.jp2", "/p/x.png.Jpg"})
        EXPECT_TRUE(IsJpegToTiff(QString::fromLatin1(name), job().TargetExt)) << name;
    for (const char *name : {"/p/a.png", "/p/jpeg", "/p.jpg/a.png", "/p/a.gif"})
        EXPECT_FALSE(IsJpegToTiff(QString::fromLatin1(name), job().TargetExt)) << name;
    job().TargetExt = QStringLiteral("PTIF");
    EXPECT_TRUE(IsJpegToTiff(QStringLiteral("/p/a.jpg"), job().TargetExt));
    job().TargetExt = QStringLiteral("PNG");
    EXPECT_FALSE(IsJpegToTiff(QStringLiteral("/p/a.jpg"), job().TargetExt));
}

TEST_F(ConversionSteps, DefaultProfileFolderIsBesideTheExecutable)
{
    EXPECT_EQ(TRunSettings().ProfileFolder,
              QCoreApplication::applicationDirPath() + QStringLiteral("/profiles"));
    EXPECT_EQ(TRunSettings().ResizeFilter, MitchellFilter);
    EXPECT_EQ(TRunSettings().ResizeBlur, 1.0);
}

TEST_F(ConversionSteps, LibraryProfileCallsBehaveAsThePrintConversionRelies)
{
    auto profileImage = MagickEntry<MagickBooleanType(Image *, const char *, const void *, size_t,
                                                      MagickBooleanType)>("ProfileImage");
    TImageListPtr frame = MakeFrames(QStringLiteral("gradient:red-blue"), 32, 24);
    const QByteArray srgb = ReadFileBytes(SystemSrgbProfile());
    const QByteArray cmyk = ReadFileBytes(SystemCmykProfile());
    EmbedIccProfile(frame.get(), srgb);
    ASSERT_EQ(IccProfileOf(frame.get()), srgb);

    // No data removes the profile.
    profileImage(frame.get(), "icc", nullptr, 0, MagickFalse);
    EXPECT_TRUE(IccProfileOf(frame.get()).isEmpty());

    // The first profile is attached and the pixels stay.
    const TRgb before = PixelAt(frame.get(), 16, 1);
    EXPECT_EQ(profileImage(frame.get(), "icc", srgb.constData(), size_t(srgb.size()), MagickFalse),
              MagickTrue);
    EXPECT_EQ(IccProfileOf(frame.get()), srgb);
    const TRgb after = PixelAt(frame.get(), 16, 1);
    EXPECT_EQ(after.red, before.red);
    EXPECT_EQ(after.blue, before.blue);
    EXPECT_EQ(frame->colorspace, sRGBColorspace);

    // The second converts the pixels to CMYK and embeds its profile.
    EXPECT_EQ(profileImage(frame.get(), "icc", cmyk.constData(), size_t(cmyk.size()), MagickFalse),
              MagickTrue);
    EXPECT_EQ(frame->colorspace, CMYKColorspace);
    EXPECT_EQ(IccProfileOf(frame.get()), cmyk);
}

TEST_F(ConversionSteps, JpegBecomesCmykTiffWithTheInstalledPrintProfile)
{
    InstallPrintProfiles(run.ProfileFolder);
    job().TargetExt = QStringLiteral("TIFF");
    job().SizeAsIs = 1;
    const QString source = jpegWithProfile(QStringLiteral("photo.JPG"));
    TMagickImage image;
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    image.LoadFrames(file);
    ASSERT_FALSE(IccProfileOf(image.CurrentFrame()).isEmpty());
    ConvertSource(image, source, at(QStringLiteral("photo.TIFF")), run);

    TImageListPtr back = ReadImageFile(at(QStringLiteral("photo.TIFF")));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->colorspace, CMYKColorspace);
    EXPECT_EQ(IccProfileOf(back.get()), ReadFileBytes(SystemCmykProfile()));
}

TEST_F(ConversionSteps, JpegKeepsItsPixelsAndProfileWhenNoPrintProfileIsInstalled)
{
    job().TargetExt = QStringLiteral("TIFF");
    job().SizeAsIs = 1;
    const QString source = jpegWithProfile(QStringLiteral("photo.jpg"));
    TMagickImage image;
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    image.LoadFrames(file);
    ConvertSource(image, source, at(QStringLiteral("photo.TIFF")), run);
    TImageListPtr back = ReadImageFile(at(QStringLiteral("photo.TIFF")));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->colorspace, sRGBColorspace);
    EXPECT_EQ(IccProfileOf(back.get()), ReadFileBytes(SystemSrgbProfile()));
}

TEST_F(ConversionSteps, OnlyOneOfTheProfilesInstalledChangesNothing)
{
    ASSERT_TRUE(QDir().mkpath(run.ProfileFolder));
    ASSERT_TRUE(QFile::copy(SystemCmykProfile(), run.ProfileFolder + QStringLiteral("/USWebCoatedSWOP.icc")));
    TMagickImage image;
    QFile file(jpegWithProfile(QStringLiteral("p.jpg")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    image.LoadFrames(file);
    ConvertToPrintProfile(image, run.ProfileFolder);
    EXPECT_EQ(IccProfileOf(image.CurrentFrame()), ReadFileBytes(SystemSrgbProfile()));
    EXPECT_EQ(image.CurrentFrame()->colorspace, sRGBColorspace);
}

TEST_F(ConversionSteps, BrokenSrgbProfileLeavesUnlabelledPixelsUnlabelled)
{
    ASSERT_TRUE(QDir().mkpath(run.ProfileFolder));
    WriteFileBytes(run.ProfileFolder + QStringLiteral("/sRGB.icm"), QByteArray(300, 'x'));
    ASSERT_TRUE(QFile::copy(SystemCmykProfile(), run.ProfileFolder + QStringLiteral("/USWebCoatedSWOP.icc")));
    WriteFileBytes(at(QStringLiteral("p.jpg")), MakeImageBytes(QStringLiteral("gradient:red-blue"), 64, 48, QStringLiteral("jpg")));
    TMagickImage image;
    QFile file(at(QStringLiteral("p.jpg")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    image.LoadFrames(file);
    ASSERT_TRUE(IccProfileOf(image.CurrentFrame()).isEmpty());
    ConvertToPrintProfile(image, run.ProfileFolder);
    EXPECT_EQ(image.CurrentFrame()->colorspace, sRGBColorspace);
    EXPECT_TRUE(IccProfileOf(image.CurrentFrame()).isEmpty());

    // A frame with its own profile needs no sRGB file: it is converted from that profile.
    TMagickImage labelled;
    QFile source(jpegWithProfile(QStringLiteral("q.jpg")));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    labelled.LoadFrames(source);
    ConvertToPrintProfile(labelled, run.ProfileFolder);
    EXPECT_EQ(labelled.CurrentFrame()->colorspace, CMYKColorspace);
    EXPECT_EQ(IccProfileOf(labelled.CurrentFrame()), ReadFileBytes(SystemCmykProfile()));
}

TEST_F(ConversionSteps, ProfilesStayForOtherSourcesAndTargets)
{
    InstallPrintProfiles(run.ProfileFolder);
    job().SizeAsIs = 1;
    const QByteArray srgb = ReadFileBytes(SystemSrgbProfile());
    TImageListPtr frames = MakeFrames(QStringLiteral("gradient:red-blue"), 32, 24);
    EmbedIccProfile(frames.get(), srgb);
    WriteFrames(frames.get(), at(QStringLiteral("photo.png")));
    const QString jpeg = jpegWithProfile(QStringLiteral("photo.jpg"));

    const auto convert = [&](const QString &source, const QString &target) {
        TMagickImage image;
        QFile file(source);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        image.LoadFrames(file);
        job().TargetExt = target;
        const QString out = at(QStringLiteral("out.") + target);
        ConvertSource(image, source, out, run);
        return ReadImageFile(out);
    };
    TImageListPtr tiff = convert(at(QStringLiteral("photo.png")), QStringLiteral("TIFF"));
    ASSERT_TRUE(tiff);
    EXPECT_EQ(IccProfileOf(tiff.get()), srgb);
    EXPECT_NE(tiff->colorspace, CMYKColorspace);
    TImageListPtr png = convert(jpeg, QStringLiteral("PNG"));
    ASSERT_TRUE(png);
    EXPECT_EQ(IccProfileOf(png.get()), srgb);
}

TEST_F(ConversionSteps, CollectedJpegIsConvertedAsSoonAsItIsRead)
{
    InstallPrintProfiles(run.ProfileFolder);
    job().TargetExt = QStringLiteral("TIF");
    TMagickImage image;
    QFile file(jpegWithProfile(QStringLiteral("c.jpeg")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    image.AppendFrames(file);
    image.SelectFrame(image.FrameCount() - 1);
    CollectSource(image, file.fileName(), run);
    EXPECT_EQ(image.CurrentFrame()->colorspace, CMYKColorspace);
    EXPECT_EQ(image.Info()->quality, size_t(run.Quality));
}

TEST_F(ConversionSteps, JpegDecodedWithAWarningIsStillConverted)
{
    job().SizeAsIs = 1;
    QByteArray whole = MakeImageBytes(QStringLiteral("gradient:red-blue"), 256, 192, QStringLiteral("jpg"));
    QByteArray broken = whole.left(whole.size() * 6 / 10);
    QBuffer buffer(&broken);
    buffer.open(QIODevice::ReadOnly);
    TMagickImage image;
    EXPECT_THROW(image.LoadFrames(buffer), TError);
    ASSERT_EQ(image.FrameCount(), 1);
    ConvertSource(image, at(QStringLiteral("t.jpg")), at(QStringLiteral("t.PNG")), run);
    EXPECT_TRUE(QFile::exists(at(QStringLiteral("t.PNG"))));
}

TEST_F(ConversionSteps, PerFrameFilesNeverReplaceSourcesOrExistingFiles)
{
    job().SizeAsIs = 1;
    job().UseCounter = 0;
    const QString source = at(QStringLiteral("scan.tif"));
    WriteFileBytes(source, MakeImageBytes(QStringLiteral("xc:red"), 20, 10, QStringLiteral("tif"), 3));
    // A source of the run that the library's per-frame names would hit.
    WriteFileBytes(at(QStringLiteral("scan-1.PNG")), "keep me");
    run.Sources = TSourcePaths({source, at(QStringLiteral("scan-1.PNG"))});
    const auto convert = [&] {
        TMagickImage image;
        QFile file(source);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        image.LoadFrames(file);
        ConvertSource(image, source, at(QStringLiteral("scan.PNG")), run);
    };
    try {
        convert();
        ADD_FAILURE() << "a source was overwritten";
    } catch (const TError &error) {
        EXPECT_EQ(error.text(), QStringLiteral("Source file not overwritten: ") + at(QStringLiteral("scan-1.PNG")));
    }
    EXPECT_EQ(ReadFileBytes(at(QStringLiteral("scan-1.PNG"))), QByteArray("keep me"));
    EXPECT_FALSE(QFile::exists(at(QStringLiteral("scan-0.PNG"))));
    EXPECT_EQ(QDir(sandbox.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);

    // An ordinary file of an earlier run is kept too, unless the run counts its outputs.
    run.Sources = TSourcePaths({source});
    EXPECT_THROW(convert(), TError);
    EXPECT_EQ(ReadFileBytes(at(QStringLiteral("scan-1.PNG"))), QByteArray("keep me"));
    job().UseCounter = 1;
    convert();
    EXPECT_EQ(ImageFileFrameCount(at(QStringLiteral("scan-1.PNG"))), 1);
    EXPECT_TRUE(QFile::exists(at(QStringLiteral("scan-2.PNG"))));
}

TEST_F(ConversionSteps, WriteIntoAMissingFolderReportsTheLibraryText)
{
    job().SizeAsIs = 1;
    TMagickImage image;
    load(image, QStringLiteral("xc:red"), 8, 8);
    try {
        ConvertSource(image, at(QStringLiteral("a.png")), at(QStringLiteral("missing/a.PNG")), run);
        ADD_FAILURE() << "nothing was reported";
    } catch (const TError &error) {
        EXPECT_TRUE(error.text().contains(QStringLiteral("\r\n"))) << error.what();
    }
}
