#include "engine/unitImageLibrary.h"
#include "engine/unitMagickHandles.h"
#include "project/unitGeneral.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

TEST(SecurityPolicy, RefusesDelegatesScriptsAndWhatOnlyADelegateReads)
{
    auto authorized = [](PolicyDomain domain, PolicyRights rights, const char *name) {
        return Magick().IsRightsAuthorized(domain, rights, name) != MagickFalse;
    };
    for (const char *coder : {"SVG", "MSVG", "MVG", "MSL", "TEXT", "TXT", "HTML", "SHTML", "EPHEMERAL",
                              "URL", "HTTPS", "MPC", "PS", "EPT", "PDF", "PCL"})
        EXPECT_FALSE(authorized(CoderPolicyDomain, ReadPolicyRights, coder)) << coder;
    for (const char *coder : {"SVG", "HTML", "SHTML", "TXT", "MSL"})
        EXPECT_FALSE(authorized(CoderPolicyDomain, WritePolicyRights, coder)) << coder;
    // Written by the library itself: kept where the system's policy allows it. Debian's
    // refuses PS and EPS, and so EPT, whose writer needs EPS.
    EXPECT_TRUE(authorized(CoderPolicyDomain, WritePolicyRights, "EPSF"));
    EXPECT_TRUE(authorized(CoderPolicyDomain, WritePolicyRights, "PCL"));
    EXPECT_FALSE(authorized(CoderPolicyDomain, WritePolicyRights, "PS"));
    EXPECT_FALSE(authorized(CoderPolicyDomain, WritePolicyRights, "EPT"));
    for (const char *coder : {"PNG", "JPEG", "GIF", "TIFF", "BMP"}) {
        EXPECT_TRUE(authorized(CoderPolicyDomain, ReadPolicyRights, coder)) << coder;
        EXPECT_TRUE(authorized(CoderPolicyDomain, WritePolicyRights, coder)) << coder;
    }
    EXPECT_FALSE(authorized(DelegatePolicyDomain, ExecutePolicyRights, "svg:decode"));
    EXPECT_FALSE(authorized(PathPolicyDomain, ReadPolicyRights, "@/etc/passwd"));
    EXPECT_EQ(limit(ListLengthResource), MagickSizeType(kMaxFramesPerImage));
}

TEST(SecurityPolicy, AFrameBombFailsAtOnceWhileAManyPageTiffStillReads)
{
    TExceptionPtr exception = NewException();
    const QByteArray bomb = GifOfFrames(50000);
    TImageListPtr none(Magick().BlobToImage(newInfo().get(), bomb.constData(), size_t(bomb.size()), exception.get()));
    EXPECT_FALSE(none);
    EXPECT_NE(exception->severity, UndefinedException);

    const QByteArray pages = MakeImageBytes(QStringLiteral("xc:teal"), 4, 4, QStringLiteral("tif"), 300);
    TExceptionPtr clean = NewException();
    TImageListPtr all(Magick().BlobToImage(newInfo().get(), pages.constData(), size_t(pages.size()), clean.get()));
    ASSERT_TRUE(all);
    EXPECT_EQ(Magick().GetImageListLength(all.get()), 300u);
}

TEST(LibraryTemporaryFolder, IsAFolderOfTheProcessAndTidiesWhatVanishedOnesLeft)
{
    QTemporaryDir scratch;
    QProcess gone;
    gone.start(QStringLiteral("sleep"), {QStringLiteral("0.1")});
    ASSERT_TRUE(gone.waitForStarted(30000));
    const qint64 goneId = gone.processId();
    ASSERT_TRUE(gone.waitForFinished(30000));
    const QString stale = scratch.filePath(QStringLiteral("pictavo-magick-%1-XyZ123").arg(goneId));
    const QString unrelated = scratch.filePath(QStringLiteral("pictavo-magick-notes"));
    for (const QString &folder : {stale, unrelated}) {
        QDir().mkpath(folder);
        WriteFileBytes(folder + QStringLiteral("/magick-abc"), QByteArray("pixels"));
    }
    const QByteArray before = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(scratch.path()));
    PrepareLibraryTemporaryFolder();
    const QString folder = LibraryTemporaryFolder();
    qputenv("TMPDIR", before);
    EXPECT_FALSE(QFileInfo::exists(stale));
    EXPECT_TRUE(QFileInfo::exists(unrelated + QStringLiteral("/magick-abc")));
    EXPECT_EQ(QFileInfo(folder).absolutePath(), QDir(scratch.path()).absolutePath());
    EXPECT_TRUE(QFileInfo(folder).fileName().startsWith(QStringLiteral("pictavo-magick-%1-").arg(QCoreApplication::applicationPid())));
    EXPECT_EQ(qgetenv("MAGICK_TEMPORARY_PATH"), QFile::encodeName(folder));
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
