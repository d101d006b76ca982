#include "support/TestFrames.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

TImageInfoPtr newInfo()
{
    auto acquire = MagickEntry<ImageInfo *()>("AcquireImageInfo");
    return TImageInfoPtr(acquire());
}

void expectClean(const ExceptionInfo *exception, const char *what)
{
    EXPECT_EQ(exception->severity, UndefinedException)
        << what << ": " << (exception->reason ? exception->reason : "")
        << (exception->description ? exception->description : "");
}

} // namespace

TImageListPtr MakeFrames(const QString &pattern, int width, int height, int count)
{
    auto cloneString = MagickEntry<char *(char **, const char *)>("CloneString");
    auto readImage = MagickEntry<Image *(const ImageInfo *, ExceptionInfo *)>("ReadImage");
    auto append = MagickEntry<void(Image **, Image *)>("AppendImageToList");
    TImageListPtr frames;
    for (int i = 0; i < count; ++i) {
        TImageInfoPtr info = newInfo();
        cloneString(&info->size, QByteArray::number(width).append('x').append(QByteArray::number(height)).constData());
        const QByteArray name = pattern.toUtf8();
        std::strncpy(info->filename, name.constData(), MaxTextExtent - 1);
        TExceptionPtr exception = NewException();
        Image *frame = readImage(info.get(), exception.get());
        expectClean(exception.get(), "ReadImage");
        if (!frame)
            return frames;
        if (!frames) {
            frames.reset(frame);
        } else {
            Image *head = frames.get();
            append(&head, frame);
        }
    }
    return frames;
}

void WriteFrames(Image *frames, const QString &path, bool adjoin, int quality)
{
    auto writeImages =
        MagickEntry<MagickBooleanType(const ImageInfo *, Image *, const char *, ExceptionInfo *)>(
            "WriteImages");
    TImageInfoPtr info = newInfo();
    info->adjoin = adjoin ? MagickTrue : MagickFalse;
    if (quality > 0)
        info->quality = size_t(quality);
    TExceptionPtr exception = NewException();
    writeImages(info.get(), frames, QFile::encodeName(path).constData(), exception.get());
    expectClean(exception.get(), "WriteImages");
}

QByteArray MakeImageBytes(const QString &pattern, int width, int height, const QString &ext,
                          int count)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("image.") + ext);
    TImageListPtr frames = MakeFrames(pattern, width, height, count);
    if (!frames)
        return {};
    WriteFrames(frames.get(), path);
    return ReadFileBytes(path);
}

TImageListPtr ReadImageFile(const QString &path)
{
    auto readImage = MagickEntry<Image *(const ImageInfo *, ExceptionInfo *)>("ReadImage");
    TImageInfoPtr info = newInfo();
    const QByteArray name = QFile::encodeName(path);
    std::strncpy(info->filename, name.constData(), MaxTextExtent - 1);
    TExceptionPtr exception = NewException();
    return TImageListPtr(readImage(info.get(), exception.get()));
}

int ImageFileFrameCount(const QString &path)
{
    auto length = MagickEntry<size_t(const Image *)>("GetImageListLength");
    TImageListPtr frames = ReadImageFile(path);
    return frames ? int(length(frames.get())) : 0;
}

QByteArray IccProfileOf(const Image *image)
{
    auto getProfile = MagickEntry<const StringInfo *(const Image *, const char *)>("GetImageProfile");
    auto length = MagickEntry<size_t(const StringInfo *)>("GetStringInfoLength");
    auto datum = MagickEntry<unsigned char *(const StringInfo *)>("GetStringInfoDatum");
    const StringInfo *profile = getProfile(image, "icc");
    if (!profile)
        return {};
    return QByteArray(reinterpret_cast<const char *>(datum(profile)), qsizetype(length(profile)));
}

void EmbedIccProfile(Image *image, const QByteArray &profile)
{
    auto acquire = MagickEntry<StringInfo *(size_t)>("AcquireStringInfo");
    auto setDatum = MagickEntry<void(StringInfo *, const unsigned char *)>("SetStringInfoDatum");
    auto setProfile =
        MagickEntry<MagickBooleanType(Image *, const char *, const StringInfo *)>("SetImageProfile");
    auto destroy = MagickEntry<StringInfo *(StringInfo *)>("DestroyStringInfo");
    StringInfo *info = acquire(size_t(profile.size()));
    setDatum(info, reinterpret_cast<const unsigned char *>(profile.constData()));
    EXPECT_EQ(setProfile(image, "icc", info), MagickTrue);
    destroy(info);
}

TRgb PixelAt(const Image *image, int x, int y)
{
    auto getPixel = MagickEntry<MagickBooleanType(const Image *, ssize_t, ssize_t, PixelPacket *,
                                                  ExceptionInfo *)>("GetOneVirtualPixel");
    PixelPacket pixel{};
    TExceptionPtr exception = NewException();
    getPixel(image, x, y, &pixel, exception.get());
    const auto eight = [](Quantum q) { return int(q) * 255 / int(QuantumRange); };
    return TRgb{eight(pixel.red), eight(pixel.green), eight(pixel.blue)};
}

QString SystemSrgbProfile() { return QStringLiteral("/usr/share/color/icc/ghostscript/srgb.icc"); }

QString SystemCmykProfile()
{
    return QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");
}

void InstallPrintProfiles(const QString &folder)
{
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(SystemSrgbProfile(), folder + QStringLiteral("/sRGB.icm")));
    ASSERT_TRUE(QFile::copy(SystemCmykProfile(), folder + QStringLiteral("/USWebCoatedSWOP.icc")));
}

void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }

QByteArray GifOfFrames(int count)
{
    QByteArray bytes("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff", 19);
    const QByteArray frame("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 15);
    for (int i = 0; i < count; ++i)
        bytes += frame;
    return bytes + ';';
}
