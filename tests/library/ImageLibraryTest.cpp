#include "engine/unitImageLibrary.h"
#include "engine/unitMagickHandles.h"
#include "project/unitGeneral.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A 3×2 binary pixmap, written byte by byte.
QByteArray tinyPixmap()
{
    QByteArray bytes("P6\n3 2\n255\n");
    for (int i = 0; i < 6; ++i)
        bytes.append(char(40 * i)).append(char(255 - 40 * i)).append(char(7));
    return bytes;
}

TImageInfoPtr newInfo() { return TImageInfoPtr(Magick().AcquireImageInfo()); }

MagickSizeType limit(ResourceType type)
{
    auto get = MagickEntry<MagickSizeType(ResourceType)>("GetMagickResourceLimit");
    return get(type);
}

} // namespace

TEST(ImageLibrary, NestedLoadsOnlyCountReferences)
{
    ASSERT_TRUE(ImageLibraryIsLoaded());
    const int before = ImageLibraryReferenceCount();
    auto *genesis = Magick().MagickCoreGenesis;
    EXPECT_TRUE(LoadImageLibrary(QString()));
    EXPECT_EQ(ImageLibraryReferenceCount(), before + 1);
    EXPECT_EQ(Magick().MagickCoreGenesis, genesis);
    // An already loaded library is kept whatever folder the call names.
    EXPECT_TRUE(LoadImageLibrary(QStringLiteral("/nonexistent")));
    EXPECT_EQ(ImageLibraryReferenceCount(), before + 2);

    EXPECT_FALSE(UnloadImageLibrary());
    EXPECT_FALSE(UnloadImageLibrary());
    EXPECT_TRUE(ImageLibraryIsLoaded());
    EXPECT_EQ(ImageLibraryReferenceCount(), before);
    EXPECT_NE(Magick().ResizeImage, nullptr);
}

TEST(ImageLibrary, ResolvesEveryEntryPoint)
{
#define PICTAVO_CHECK_ENTRY(name) EXPECT_NE(Magick().name, nullptr) << #name;
    PICTAVO_MAGICK_ENTRY_POINTS(PICTAVO_CHECK_ENTRY)
#undef PICTAVO_CHECK_ENTRY
}

TEST(ImageLibrary, LimitsArePassedInBytesWithHalfTheMemoryAsArea)
{
    const int memory = MemoryLimit, map = MapLimit;
    MemoryLimit = 33;
    MapLimit = 64;
    ApplyResourceLimits();
    EXPECT_EQ(limit(MemoryResource), 33ull * 1048576);
    EXPECT_EQ(limit(MapResource), 64ull * 1048576);
    EXPECT_EQ(limit(AreaResource), 16ull * 1048576);
    MemoryLimit = 1;
    ApplyResourceLimits();
    EXPECT_EQ(limit(AreaResource), 0u);
    MemoryLimit = memory;
    MapLimit = map;
    ApplyResourceLimits();
    EXPECT_EQ(limit(MemoryResource), MagickSizeType(memory) * 1048576);
}

TEST(ReadImageFromStream, ReturnsNullForNoBytesAndLeavesTheStreamAlone)
{
    QByteArray bytes = tinyPixmap();
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    buffer.seek(4);
    TExceptionPtr exception = NewException();
    auto info = newInfo();
    EXPECT_EQ(ReadImageFromStream(buffer, info.get(), 0, exception.get()), nullptr);
    EXPECT_EQ(buffer.pos(), 4);
}

TEST(ReadImageFromStream, RefusesMoreBytesThanRemain)
{
    QByteArray bytes = tinyPixmap();
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    buffer.seek(1);
    TExceptionPtr exception = NewException();
    auto info = newInfo();
    try {
        ReadImageFromStream(buffer, info.get(), bytes.size(), exception.get());
        FAIL() << "no error";
    } catch (const TError &error) {
        EXPECT_EQ(error.text(), QLatin1String("Size is not available in stream!"));
    }
    EXPECT_EQ(buffer.pos(), 1);
}

TEST(ReadImageFromStream, DecodesAMemoryStreamInPlace)
{
    const QByteArray image = tinyPixmap();
    QByteArray bytes = QByteArray("junk") + image;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    buffer.seek(4);
    TExceptionPtr exception = NewException();
    auto info = newInfo();
    TImageListPtr decoded(ReadImageFromStream(buffer, info.get(), image.size(), exception.get()));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->columns, 3u);
    EXPECT_EQ(decoded->rows, 2u);
    EXPECT_EQ(buffer.pos(), 4);
}

TEST(ReadImageFromStream, ReadsAFileStreamAndAdvancesIt)
{
    QTemporaryDir sandbox;
    const QString path = sandbox.filePath(QStringLiteral("tiny.ppm"));
    WriteFileBytes(path, QByteArray("xx") + tinyPixmap());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    file.seek(2);
    TExceptionPtr exception = NewException();
    auto info = newInfo();
    TImageListPtr decoded(
        ReadImageFromStream(file, info.get(), file.size() - 2, exception.get()));
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->columns, 3u);
    EXPECT_TRUE(file.atEnd());
}

TEST(ReadImageFromStream, GivesNullAndAnExceptionForBytesThatAreNoImage)
{
    QByteArray bytes(64, '\x5a');
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    TExceptionPtr exception = NewException();
    auto info = newInfo();
    TImageListPtr decoded(ReadImageFromStream(buffer, info.get(), bytes.size(), exception.get()));
    EXPECT_EQ(decoded, nullptr);
    EXPECT_GE(int(exception->severity), int(ErrorException));
}

TEST(FileToBlob, ReadsAFileUpToTheLargestCount)
{
    QTemporaryDir sandbox;
    const QString path = sandbox.filePath(QStringLiteral("profile ä.icc"));
    WriteFileBytes(path, QByteArray(300, 'p'));
    TExceptionPtr exception = NewException();
    size_t length = 0;
    TMagickMemoryPtr block(FileToBlob(path, 5000, &length, exception.get()));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(length, 300u);
    EXPECT_EQ(static_cast<const char *>(block.get())[299], 'p');

    TMagickMemoryPtr missing(FileToBlob(sandbox.filePath(QStringLiteral("none.icc")), 5000,
                                        &length, exception.get()));
    EXPECT_EQ(missing, nullptr);
}
