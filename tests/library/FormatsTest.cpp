#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "support/TestFrames.h"
#include "support/TestSupport.h"

#include <QDir>
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
    EXPECT_EQ(LibraryMode(QStringLiteral("HEIF"), QStringLiteral("HEIC")), QLatin1String("RW"));
    EXPECT_EQ(LibraryMode(QStringLiteral("DNG")), QLatin1String("R"));
    EXPECT_TRUE(IsKnownFormatCode(QStringLiteral("pdf")));
    EXPECT_TRUE(IsKnownFormatCode(QStringLiteral("AVIF")));
    EXPECT_FALSE(IsKnownFormatCode(QStringLiteral("QQQ")));
}
