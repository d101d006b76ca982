// What a thumbnail shows: for a table of small files in the encodings cameras, scanners and
// the program itself write, the thumbnail's pixels match the image library's own decode of
// the same file, scaled to the same size.

#include "BrowserFixture.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {

struct TPictureCase
{
    const char *Name;
    const char *File;
    std::vector<std::pair<const char *, const char *>> Options; // coder options for the writer
    std::pair<int, int> PngHeader;                              // bit depth and colour type it must get
    int Colours = 0; // 1: flat orange; 3 or 4: flat quadrants; 16 or 256: shaded in steps; 0: smooth
    bool GreyAlpha = false;
    int Depth = 8;
    bool Cmyk = false;
    bool Progressive = false;
    int ExifOrientation = 1; // 1 upright; 6 shown turned a quarter clockwise
};

// A picture no turn or mirror maps onto itself: quadrants of different colours, shaded
// unless the case asks for a few flat colours.
std::vector<unsigned char> drawPicture(const TPictureCase &c, int width, int height)
{
    static const int quadrant[4][3] = {{255, 165, 0}, {30, 60, 200}, {40, 170, 60}, {240, 240, 230}};
    std::vector<unsigned char> rgba(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char *p = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
            int q = c.Colours == 1 ? 0 : (y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1);
            if (c.Colours == 3)
                q = std::min(q, 2);
            for (int ch = 0; ch < 3; ++ch) {
                int value = quadrant[q][ch];
                if (c.Colours == 0)
                    value = value * 3 / 4 + (ch == 0 ? x * 63 / width : y * 63 / height);
                else if (c.Colours == 16)
                    value = value * 3 / 4 + (x * 4 / width) * 16;
                else if (c.Colours == 256)
                    value = value * 3 / 4 + (ch == 0 ? x * 8 / width : y * 8 / height) * 8;
                p[ch] = static_cast<unsigned char>(value);
            }
            p[3] = 255;
            if (c.GreyAlpha) {
                const int grey = x * 255 / width;
                p[0] = p[1] = p[2] = static_cast<unsigned char>(grey);
                p[3] = static_cast<unsigned char>(q == 3 ? 0 : 80 + y * 175 / height);
            }
        }
    }
    return rgba;
}

// An EXIF block holding only the orientation, put right after the JPEG's start marker.
QByteArray withExifOrientation(const QByteArray &jpeg, int orientation)
{
    QByteArray tiff("MM\0*\0\0\0\x08", 8);
    tiff += QByteArray("\0\x01", 2);                                // one entry
    tiff += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8);              // Orientation, SHORT, 1
    tiff += char(0), tiff += char(orientation), tiff += QByteArray(2, '\0');
    tiff += QByteArray(4, '\0');                                    // no next directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = int(payload.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment += char(length >> 8), segment += char(length & 0xFF);
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

void writePicture(const TPictureCase &c, const QString &path, int width, int height)
{
    auto constitute = MagickEntry<Image *(size_t, size_t, const char *, StorageType, const void *,
                                          ExceptionInfo *)>("ConstituteImage");
    auto setOption = MagickEntry<MagickBooleanType(ImageInfo *, const char *, const char *)>("SetImageOption");
    auto toColourspace = MagickEntry<MagickBooleanType(Image *, ColorspaceType)>("TransformImageColorspace");
    auto acquireInfo = MagickEntry<ImageInfo *()>("AcquireImageInfo");
    auto writeImages =
        MagickEntry<MagickBooleanType(const ImageInfo *, Image *, const char *, ExceptionInfo *)>("WriteImages");

    const std::vector<unsigned char> rgba = drawPicture(c, width, height);
    TExceptionPtr exception = NewException();
    TImageListPtr image(constitute(size_t(width), size_t(height), "RGBA", CharPixel, rgba.data(), exception.get()));
    ASSERT_TRUE(image) << c.Name;
    image->depth = size_t(c.Depth);
    if (c.Cmyk) {
        ASSERT_EQ(toColourspace(image.get(), CMYKColorspace), MagickTrue);
    }
    TImageInfoPtr info(acquireInfo());
    for (const auto &[key, value] : c.Options)
        setOption(info.get(), key, value);
    info->quality = 95;
    if (c.Progressive)
        info->interlace = PlaneInterlace;
    ASSERT_EQ(writeImages(info.get(), image.get(), QFile::encodeName(path).constData(), exception.get()),
              MagickTrue)
        << c.Name << ": " << (exception->reason ? exception->reason : "");
    if (c.PngHeader.first) {
        const QByteArray header = ReadFileBytes(path).left(26);
        ASSERT_EQ(header.size(), 26);
        EXPECT_EQ(std::make_pair(int(header[24]), int(header[25])), c.PngHeader) << c.Name << ": the encoding asked for";
    }
    if (c.ExifOrientation != 1) {
        const QByteArray bytes = withExifOrientation(ReadFileBytes(path), c.ExifOrientation);
        WriteBytes(path, bytes);
    }
}

// The library's decode, upright and in sRGB, scaled to the given size; RGBA bytes.
std::vector<unsigned char> libraryDecode(const QString &path, int orientation, QSize size)
{
    auto autoOrient = MagickEntry<Image *(const Image *, OrientationType, ExceptionInfo *)>("AutoOrientImage");
    auto toColourspace = MagickEntry<MagickBooleanType(Image *, ColorspaceType)>("TransformImageColorspace");
    auto resize = MagickEntry<Image *(const Image *, size_t, size_t, FilterTypes, double, ExceptionInfo *)>(
        "ResizeImage");
    auto exportPixels = MagickEntry<MagickBooleanType(const Image *, ssize_t, ssize_t, size_t, size_t,
                                                      const char *, StorageType, void *, ExceptionInfo *)>(
        "ExportImagePixels");

    TExceptionPtr exception = NewException();
    TImageListPtr image = ReadImageFile(path);
    if (!image)
        return {};
    TImageListPtr upright(autoOrient(image.get(), OrientationType(orientation), exception.get()));
    if (!upright)
        return {};
    if (upright->colorspace != sRGBColorspace)
        toColourspace(upright.get(), sRGBColorspace);
    TImageListPtr scaled(resize(upright.get(), size_t(size.width()), size_t(size.height()), TriangleFilter, 1.0,
                                exception.get()));
    if (!scaled)
        return {};
    std::vector<unsigned char> rgba(size_t(size.width()) * size_t(size.height()) * 4);
    if (exportPixels(scaled.get(), 0, 0, size_t(size.width()), size_t(size.height()), "RGBA", CharPixel,
                     rgba.data(), exception.get())
        != MagickTrue)
        return {};
    return rgba;
}

void PrintTo(const TPictureCase &c, std::ostream *out)
{
    *out << c.Name;
}

// Over white, as the list draws a thumbnail.
int overWhite(int channel, int alpha)
{
    return (channel * alpha + 255 * (255 - alpha) + 127) / 255;
}

class ThumbnailPicture : public BrowserFixture, public ::testing::WithParamInterface<TPictureCase>
{
};

TEST_P(ThumbnailPicture, MatchesTheLibrarysOwnDecode)
{
    const TPictureCase &c = GetParam();
    constexpr int kWidth = 640;
    constexpr int kHeight = 480;
    const QString file = path(QString::fromLatin1(c.File));
    writePicture(c, file, kWidth, kHeight);
    if (HasFatalFailure())
        return;

    const QImage thumbnail = TThumbnailMaker::MakeThumbnail(file).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(thumbnail.isNull()) << c.Name;
    const QSize upright = c.ExifOrientation >= 5 ? QSize(kHeight, kWidth) : QSize(kWidth, kHeight);
    const QSize expected = upright.scaled(TThumbnailMaker::Edge, TThumbnailMaker::Edge, Qt::KeepAspectRatio);
    ASSERT_LE(std::abs(thumbnail.width() - expected.width()), 1) << c.Name;
    ASSERT_LE(std::abs(thumbnail.height() - expected.height()), 1) << c.Name;

    const std::vector<unsigned char> reference = libraryDecode(file, c.ExifOrientation, thumbnail.size());
    ASSERT_FALSE(reference.empty()) << c.Name;

    // Scaling filters differ at the quadrant borders; elsewhere the pictures agree.
    double sum = 0;
    int far = 0;
    const int pixels = thumbnail.width() * thumbnail.height();
    for (int y = 0; y < thumbnail.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(thumbnail.constScanLine(y));
        for (int x = 0; x < thumbnail.width(); ++x) {
            const unsigned char *ref = &reference[(size_t(y) * size_t(thumbnail.width()) + size_t(x)) * 4];
            const int got[3] = {qRed(line[x]), qGreen(line[x]), qBlue(line[x])};
            int worst = 0;
            for (int ch = 0; ch < 3; ++ch)
                worst = std::max(worst, std::abs(overWhite(got[ch], qAlpha(line[x])) - overWhite(ref[ch], ref[3])));
            sum += worst;
            if (worst > 48)
                ++far;
        }
    }
    EXPECT_LT(sum / pixels, 6.0) << c.Name << ": mean difference from the library's decode";
    EXPECT_LT(far, pixels / 25) << c.Name << ": pixels far from the library's decode";
}

// A one-colour picture is what the library writes as a 1-bit palette PNG.
const TPictureCase kPictureCases[] = {
    {"Palette1Bit", "one-bit.png", {{"png:color-type", "3"}, {"png:bit-depth", "1"}}, {1, 3}, 1},
    {"Palette2Bit", "two-bit.png", {{"png:color-type", "3"}, {"png:bit-depth", "2"}}, {2, 3}, 3},
    {"Palette4Bit", "four-bit.png", {{"png:color-type", "3"}, {"png:bit-depth", "4"}}, {4, 3}, 16},
    {"Palette8Bit", "eight-bit.png", {{"png:color-type", "3"}, {"png:bit-depth", "8"}}, {8, 3}, 256},
    {"GreyWithAlpha", "grey-alpha.png", {{"png:color-type", "4"}}, {8, 4}, 0, true},
    {"Png16Bit", "deep.png", {{"png:bit-depth", "16"}}, {16, 6}, 0, false, 16},
    {"Tiff16Bit", "deep.tif", {}, {}, 0, false, 16},
    {"CmykJpeg", "cmyk.jpg", {}, {}, 0, false, 8, true},
    {"ProgressiveJpeg", "progressive.jpg", {}, {}, 0, false, 8, false, true},
    {"ExifRotatedJpeg", "rotated.jpg", {}, {}, 0, false, 8, false, false, 6},
    {"Gif", "picture.gif", {}, {}, 4},
    {"Bmp", "picture.bmp", {}, {}, 0},
    {"Webp", "picture.webp", {{"webp:lossless", "true"}}, {}, 0},
};

INSTANTIATE_TEST_SUITE_P(Files, ThumbnailPicture, ::testing::ValuesIn(kPictureCases),
                         [](const ::testing::TestParamInfo<TPictureCase> &info) {
                             return std::string(info.param.Name);
                         });

} // namespace
