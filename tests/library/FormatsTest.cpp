#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
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

TEST(AvailableFormats, AreTheTableRowsOfTheInstalledCoderModules)
{
    ASSERT_TRUE(ImageLibraryLoaded);
    // The coder modules on disk, independently of the library's own listing.
    QDir coders(MagickLibraryFolder() + QStringLiteral("/ImageMagick-6.9.11/modules-Q16/coders"));
    ASSERT_TRUE(coders.exists()) << coders.path().toStdString();
    QStringList expected;
    const QStringList modules = coders.entryList({QStringLiteral("*.la")}, QDir::Files, QDir::Name);
    for (const QString &module : modules) {
        const QString tag = module.chopped(3).toUpper();
        const int row = FindFormat(tag);
        if (row >= 0)
            expected.append(FormatTable[row].Code);
        if (tag == QLatin1String("JPEG"))
            expected.append(QStringLiteral("JPG"));
        if (tag == QLatin1String("TIFF"))
            expected.append(QStringLiteral("TIF"));
    }
    EXPECT_EQ(codes(AvailableFormats), expected);
    EXPECT_TRUE(codes(AvailableFormats).contains(QStringLiteral("JPEG")));
    EXPECT_TRUE(codes(AvailableFormats).contains(QStringLiteral("PNG")));
    for (const TFilterItemType &format : std::as_const(AvailableFormats))
        EXPECT_EQ(FormatTable[FindFormat(format.Code)].Mode, format.Mode);
}
