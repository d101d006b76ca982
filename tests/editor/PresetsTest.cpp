#include "project/unitPresets.h"

#include <gtest/gtest.h>

TEST(SizePresets, TableHoldsTheTwentyStandardSizesInOrder)
{
    const QList<TSizePreset> &presets = SizePresets();
    ASSERT_EQ(presets.size(), 20);
    const QStringList names = {
        QStringLiteral("640x480"), QStringLiteral("800x600"), QStringLiteral("1024x768"),
        QStringLiteral("9x12"), QStringLiteral("10x15"), QStringLiteral("A4 (21 x 29,7)"),
        QStringLiteral("A3 (29.7 x 42)"), QStringLiteral("B5 (17.6 x 25)"), QStringLiteral("B4 (25 x 35.3)"),
        QStringLiteral("B3 (35.3 x 50)"), QStringLiteral("2x3"), QStringLiteral("3x5"),
        QStringLiteral("4x6"), QStringLiteral("5x7"), QStringLiteral("8x10"), QStringLiteral("8,5x10"),
        QStringLiteral("Letter (8,5x11)"), QStringLiteral("Legal (8,5x14)"), QStringLiteral("11x14"),
        QStringLiteral("Tabloid (11x17)")};
    for (int i = 0; i < presets.size(); ++i)
        EXPECT_EQ(presets.at(i).Name, names.at(i)) << i;
    EXPECT_EQ(presets.at(5).Unit, 1);
    EXPECT_DOUBLE_EQ(presets.at(5).Width, 21);
    EXPECT_DOUBLE_EQ(presets.at(5).Height, 29.7);
    EXPECT_EQ(presets.at(16).Unit, 2);
    EXPECT_DOUBLE_EQ(presets.at(16).Width, 11);
    EXPECT_DOUBLE_EQ(presets.at(16).Height, 8.5);
    // Pixel sizes are landscape; "9x12" cm is stored as 12 wide and 9 high.
    EXPECT_DOUBLE_EQ(presets.at(3).Width, 12);
    EXPECT_DOUBLE_EQ(presets.at(3).Height, 9);
}

TEST(SizePresets, EachUnitListsItsOwnRowsInTableOrder)
{
    EXPECT_EQ(PresetsOfUnit(0).size(), 3);
    EXPECT_EQ(PresetsOfUnit(1).size(), 7);
    ASSERT_EQ(PresetsOfUnit(2).size(), 10);
    EXPECT_EQ(PresetsOfUnit(2).at(1).Name, QStringLiteral("3x5"));
    EXPECT_EQ(PresetsOfUnit(1).at(1).Name, QStringLiteral("10x15"));
    EXPECT_TRUE(PresetsOfUnit(3).isEmpty());
    EXPECT_TRUE(PresetsOfUnit(-1).isEmpty());
}

TEST(SizePresets, LookupByNameIgnoresLetterCase)
{
    const TSizePreset *letter = FindPreset(QStringLiteral("LETTER (8,5X11)"));
    ASSERT_NE(letter, nullptr);
    EXPECT_EQ(letter->Name, QStringLiteral("Letter (8,5x11)"));
    ASSERT_NE(FindPreset(QStringLiteral("a4 (21 x 29,7)")), nullptr);
    EXPECT_EQ(FindPreset(QStringLiteral("a4 (21 x 29,7)"))->Unit, 1);
    EXPECT_EQ(FindPreset(QStringLiteral("A4 (21 x 29.7)")), nullptr);
    EXPECT_EQ(FindPreset(QString()), nullptr);
}

TEST(SizePresets, SizesReadAsTheirShortestDecimalText)
{
    EXPECT_EQ(SizeText(640), QStringLiteral("640"));
    EXPECT_EQ(SizeText(29.7), QStringLiteral("29.7"));
    EXPECT_EQ(SizeText(8.5), QStringLiteral("8.5"));
    EXPECT_EQ(SizeText(35.3), QStringLiteral("35.3"));
    EXPECT_EQ(SizeText(1024), QStringLiteral("1024"));
}
