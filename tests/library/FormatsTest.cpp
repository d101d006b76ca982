#include "engine/unitFormatCache.h"
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitMagickHandles.h"
#include "project/unitGeneral.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QStringList codes(const QList<TFilterItemType> &formats)
{
    QStringList list;
    for (const TFilterItemType &format : formats)
        list.append(format.Code);
    return list;
}

} // namespace

TEST(FormatTable, HoldsEveryRowOnceWithTheDocumentedModes)
{
    QSet<QString> seen;
    int rw = 0, r = 0, w = 0;
    for (const TFilterItemType &row : FormatTable) {
        EXPECT_FALSE(seen.contains(row.Code)) << row.Code.toStdString();
        seen.insert(row.Code);
        EXPECT_EQ(row.Code, row.Code.toUpper());
        EXPECT_LE(row.Code.size(), 5);
        EXPECT_FALSE(row.Description.isEmpty());
        rw += row.Mode == QLatin1String("RW");
        r += row.Mode == QLatin1String("R");
        w += row.Mode == QLatin1String("W");
    }
    EXPECT_EQ(seen.size(), 102);
    EXPECT_EQ(rw, 72);
    EXPECT_EQ(r, 25);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(FormatTable[0].Code, QLatin1String("ART"));
    EXPECT_EQ(FormatTable[101].Code, QLatin1String("YUV"));
    EXPECT_EQ(FormatTable[101].Description, QLatin1String("CCIR 601 4:1:1"));
}

TEST(FormatTable, FindsCodesIgnoringLetterCase)
{
    EXPECT_EQ(FindFormat(QStringLiteral("ART")), 0);
    EXPECT_EQ(FindFormat(QStringLiteral("jpeg")), FindFormat(QStringLiteral("JPEG")));
    EXPECT_EQ(FormatTable[FindFormat(QStringLiteral("Tif"))].Code, QLatin1String("TIF"));
    EXPECT_EQ(FindFormat(QStringLiteral("XC")), -1);
    EXPECT_EQ(FindFormat(QString()), -1);
    EXPECT_EQ(FindFormat(QStringLiteral("JPEG ")), -1);
}

TEST(FormatsForModules, FollowsTheTagOrderAndAddsJpgAndTif)
{
    const auto formats = FormatsForModules(
        {QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("TIFF")});
    EXPECT_EQ(codes(formats),
              QStringList({QStringLiteral("JPEG"), QStringLiteral("JPG"), QStringLiteral("PNG"),
                           QStringLiteral("TIFF"), QStringLiteral("TIF")}));
}

TEST(FormatsForModules, MatchesLowerCaseTagsAndSkipsUnknownOnes)
{
    const auto formats = FormatsForModules({QStringLiteral("xc"), QStringLiteral("png"),
                                            QStringLiteral("jpeg"), QStringLiteral("pcl"),
                                            QStringLiteral("dcm"), QStringLiteral("tiff")});
    EXPECT_EQ(codes(formats),
              QStringList({QStringLiteral("PNG"), QStringLiteral("JPEG"), QStringLiteral("JPG"),
                           QStringLiteral("PCL"), QStringLiteral("DCM"), QStringLiteral("TIFF"),
                           QStringLiteral("TIF")}));
    EXPECT_EQ(formats.at(3).Mode, QLatin1String("W"));
    EXPECT_EQ(formats.at(4).Mode, QLatin1String("R"));
}

TEST(FormatsForModules, AddsARowOncePerMatchingModuleAndNothingForAnEmptyList)
{
    EXPECT_TRUE(FormatsForModules({}).isEmpty());
    EXPECT_EQ(codes(FormatsForModules({QStringLiteral("PNG"), QStringLiteral("png")})),
              QStringList({QStringLiteral("PNG"), QStringLiteral("PNG")}));
    // A tag naming the JPG row itself gives that row alone.
    EXPECT_EQ(codes(FormatsForModules({QStringLiteral("JPG")})), QStringList({QStringLiteral("JPG")}));
}

// What the library says when asked to write a 1-pixel image in that format.
QString writeError(const QString &code)
{
    TImageListPtr frame = MakeFrames(QStringLiteral("xc:white"), 1, 1);
    TImageInfoPtr info(Magick().CloneImageInfo(nullptr));
    qstrncpy(info->magick, code.toLatin1().constData(), sizeof info->magick);
    TExceptionPtr exception = NewException();
    size_t length = 0;
    using ImageToBlobFn = void *(const ImageInfo *, Image *, size_t *, ExceptionInfo *);
    TMagickMemoryPtr blob(MagickEntry<ImageToBlobFn>("ImageToBlob")(info.get(), frame.get(), &length, exception.get()));
    if (exception->severity == UndefinedException && blob && length > 0)
        return QString();
    return QString::fromUtf8(exception->reason ? exception->reason : "failed");
}

const TFilterItemType *offered(const QString &code)
{
    for (const TFilterItemType &format : std::as_const(AvailableFormats)) {
        if (format.Code == code)
            return &format;
    }
    return nullptr;
}

TEST(AvailableFormats, KeepTheInstalledModulesTableRowsFirstInTheirOrder)
{
    ASSERT_TRUE(ImageLibraryLoaded);
    // The coder modules on disk, independently of the library's own listing.
    QDir coders(MagickLibraryFolder() + QStringLiteral("/ImageMagick-6.9.11/modules-Q16/coders"));
    ASSERT_TRUE(coders.exists()) << coders.path().toStdString();
    QStringList tableRows;
    const QStringList modules = coders.entryList({QStringLiteral("*.la")}, QDir::Files, QDir::Name);
    for (const QString &module : modules) {
        const QString tag = module.chopped(3).toUpper();
        const int row = FindFormat(tag);
        if (row >= 0)
            tableRows.append(FormatTable[row].Code);
        if (tag == QLatin1String("JPEG"))
            tableRows.append(QStringLiteral("JPG"));
        if (tag == QLatin1String("TIFF"))
            tableRows.append(QStringLiteral("TIF"));
    }
    // Those rows come first, in that order, less the ones the library cannot do now.
    QStringList kept;
    for (const QString &code : std::as_const(tableRows)) {
        const TFilterItemType *format = offered(code);
        if (!format) {
            // Debian's policy refuses PS, PDF...: the library must really refuse them.
            const QString table = FormatTable[FindFormat(code)].Mode;
            if (table.contains(QLatin1Char('W'))) {
                EXPECT_FALSE(writeError(code).isEmpty()) << code.toStdString();
            }
            continue;
        }
        kept.append(code);
        const QString table = FormatTable[FindFormat(code)].Mode;
        EXPECT_FALSE(format->Mode.isEmpty());
        for (QChar letter : format->Mode)
            EXPECT_TRUE(table.contains(letter)) << code.toStdString();
        if (table.contains(QLatin1Char('W')) && !format->Mode.contains(QLatin1Char('W'))) {
            EXPECT_FALSE(writeError(code).isEmpty()) << code.toStdString();
        }
    }
    EXPECT_EQ(codes(AvailableFormats.mid(0, kept.size())), kept);
    for (const char *refused : {"PDF", "PS", "PS2", "PS3"}) {
        EXPECT_TRUE(tableRows.contains(QLatin1String(refused)));
        EXPECT_FALSE(offered(QLatin1String(refused))) << refused;
        EXPECT_TRUE(writeError(QLatin1String(refused)).contains(QLatin1String("security policy")));
    }
    EXPECT_TRUE(kept.contains(QStringLiteral("JPEG")));
    EXPECT_TRUE(kept.contains(QStringLiteral("PNG")));
    // Rows of modules named otherwise, and the formats beyond the table, only after them.
    const QStringList after = codes(AvailableFormats.mid(kept.size()));
    for (const char *code : {"ICO", "PBM", "PGM", "PPM", "PAM", "WEBP", "HEIC", "HEIF", "AVIF", "HDR", "EXR"})
        EXPECT_TRUE(after.contains(QLatin1String(code))) << code;
    EXPECT_EQ(QSet<QString>(after.begin(), after.end()).size(), after.size());
    EXPECT_FALSE(after.contains(QStringLiteral("DNG"))) << "decoded by a delegate program here";
}

TEST(AvailableFormats, BeyondTheTableCarryTheLibrarysModeAndDescription)
{
    struct Case
    {
        const char *code, *mode, *description;
    };
    const Case cases[] = {
        {"WEBP", "RW", "WebP Image Format"},
        {"HEIC", "RW", "Apple High efficiency Image Format"},
        {"HEIF", "R", "Apple High efficiency Image Format"},
        {"AVIF", "RW", "AV1 Image File Format"},
        {"PAM", "RW", "Common 2-dimensional bitmap format"},
        {"EXR", "RW", "High Dynamic-range (HDR)"},
        {"HDR", "RW", "Radiance RGBE image format"},
        {"ICO", "R", "Microsoft icon"}, // a table row: its own mode and text
        {"PPM", "RW", "Portable pixmap format (color)"},
    };
    for (const Case &c : cases) {
        const TFilterItemType *format = offered(QLatin1String(c.code));
        ASSERT_TRUE(format) << c.code;
        EXPECT_EQ(format->Mode, QLatin1String(c.mode)) << c.code;
        EXPECT_EQ(format->Description, QLatin1String(c.description)) << c.code;
    }
    EXPECT_EQ(offered(QStringLiteral("JXL")) != nullptr, !LibraryMode(QStringLiteral("JXL")).isEmpty());
    EXPECT_TRUE(LibraryMode(QStringLiteral("NOSUCH")).isEmpty());
    EXPECT_TRUE(LibraryMode(QStringLiteral("PDF")).isEmpty());
    // Once the formats are offered, the library may do with each only what is offered.
    EXPECT_EQ(LibraryMode(QStringLiteral("HEIF"), QStringLiteral("HEIC")), QLatin1String("R"));
    EXPECT_EQ(LibraryMode(QStringLiteral("DNG")), QString());
    EXPECT_TRUE(IsKnownFormatCode(QStringLiteral("pdf")));
    EXPECT_TRUE(IsKnownFormatCode(QStringLiteral("AVIF")));
    EXPECT_FALSE(IsKnownFormatCode(QStringLiteral("QQQ")));
}

namespace {

QStringList rows(const QList<TFilterItemType> &formats)
{
    QStringList list;
    for (const TFilterItemType &format : formats)
        list.append(format.Code + QLatin1Char('\t') + format.Mode + QLatin1Char('\t') + format.Description);
    return list;
}

} // namespace

TEST(FormatCache, HoldsTheFreshListAndIsRebuiltWhenAModuleAppears)
{
    ASSERT_TRUE(ImageLibraryLoaded);
    QTemporaryDir cacheHome, coders;
    const QByteArray savedCacheHome = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    // The library's coder folder, less the SGI module, which then appears. Copies: the
    // library follows a link back to the folder it came from.
    const QDir installed(MagickLibraryFolder() + QStringLiteral("/ImageMagick-6.9.11/modules-Q16/coders"));
    for (const QString &module : installed.entryList(QDir::Files)) {
        if (!module.startsWith(QLatin1String("sgi.")))
            QFile::copy(installed.filePath(module), coders.filePath(module));
    }
    qputenv("MAGICK_CODER_MODULE_PATH", QFile::encodeName(coders.path()));

    ApplyResourceLimits();
    bool fromCache = true;
    const QStringList first = rows(FormatsThroughCache(FormatsFromLibrary, &fromCache));
    EXPECT_FALSE(fromCache);
    EXPECT_TRUE(QFileInfo::exists(FormatCacheFile()));
    EXPECT_TRUE(FormatCacheFile().startsWith(cacheHome.path()));
    EXPECT_EQ(first, rows(FormatsFromLibrary()));
    EXPECT_FALSE(codes(FormatsFromLibrary()).contains(QStringLiteral("SGI")));
    // The library moves a rule it looks up to the front of its list: that is no new policy.
    Magick().SetMagickResourceLimit(MemoryResource, MagickSizeType(MemoryLimit) * 1048576);
    EXPECT_EQ(rows(FormatsThroughCache(FormatsFromLibrary, &fromCache)), first);
    EXPECT_TRUE(fromCache);

    for (const QString &module : installed.entryList({QStringLiteral("sgi.*")}, QDir::Files))
        QFile::copy(installed.filePath(module), coders.filePath(module));
    const QStringList grown = rows(FormatsThroughCache(FormatsFromLibrary, &fromCache));
    EXPECT_FALSE(fromCache);
    EXPECT_EQ(grown, rows(FormatsFromLibrary()));
    EXPECT_TRUE(codes(FormatsThroughCache(FormatsFromLibrary, &fromCache)).contains(QStringLiteral("SGI")));
    EXPECT_TRUE(fromCache);

    // A damaged cache is worked out afresh.
    QFile damaged(FormatCacheFile());
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    damaged.resize(damaged.size() / 2);
    damaged.close();
    EXPECT_EQ(rows(FormatsThroughCache(FormatsFromLibrary, &fromCache)), grown);
    EXPECT_FALSE(fromCache);

    qunsetenv("MAGICK_CODER_MODULE_PATH");
    qputenv("XDG_CACHE_HOME", savedCacheHome);
}

// The program narrows the policy to the offered formats once it has the list; a second
// list in the same process must neither miss the cache nor leave it under a key that the
// next start, which has not narrowed anything yet, would not make.
TEST(FormatCache, ASecondListInOneProcessKeepsTheKeyOfAFreshStart)
{
    QTemporaryDir cacheHome;
    const QByteArray savedCacheHome = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    StopImageLibrary();
    ASSERT_TRUE(StartImageLibrary());
    const QByteArray freshStart = FormatListKey();
    ASSERT_FALSE(freshStart.isEmpty());
    BuildAvailableFormats();
    ASSERT_TRUE(CodersNarrowed());
    const QStringList first = rows(AvailableFormats);

    EXPECT_EQ(FormatListKey(), freshStart);
    bool fromCache = false;
    EXPECT_EQ(rows(FormatsThroughCache(FormatsFromLibrary, &fromCache)), first);
    EXPECT_TRUE(fromCache);
    BuildAvailableFormats();
    EXPECT_EQ(rows(AvailableFormats), first);
    QFile kept(FormatCacheFile());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll().split('\n').value(1), freshStart);
    qputenv("XDG_CACHE_HOME", savedCacheHome);
}
