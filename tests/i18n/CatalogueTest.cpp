#include "i18n/unitDclLang.h"
#include "project/unitGeneral.h"

#include <QByteArray>
#include <QSet>

#include <gtest/gtest.h>

#include <cstring>

TEST(Catalogue, HoldsEveryKeyOnceWithItsDefaultText)
{
    const TStringAssociationList &catalogue = Catalogue();
    ASSERT_EQ(CatalogueDefaultCount, 179);
    EXPECT_EQ(catalogue.Count(), 179);
    for (int i = 0; i < CatalogueDefaultCount; ++i) {
        const char *text = catalogue.Find(CatalogueDefaults[i].key);
        ASSERT_NE(text, nullptr) << CatalogueDefaults[i].key;
        EXPECT_STREQ(text, CatalogueDefaults[i].text) << CatalogueDefaults[i].key;
    }
}

TEST(Catalogue, IsSortedByFoldedKey)
{
    const TStringAssociationList &catalogue = Catalogue();
    for (int i = 1; i < catalogue.Count(); ++i)
        EXPECT_LT(FoldKey(catalogue.KeyAt(i - 1)), FoldKey(catalogue.KeyAt(i))) << catalogue.KeyAt(i);
}

TEST(Catalogue, KeepsLeadingAndTrailingBlanks)
{
    EXPECT_STREQ(BuiltInString("J_SRC_FOLDER"), " Only root folders");
    EXPECT_STREQ(BuiltInString("J_SRC_OPTION"), " Search options ");
    EXPECT_STREQ(BuiltInString("J_IMG_LOCK"), " Lock ");
    EXPECT_STREQ(BuiltInString("FOUNDED"), "Files, selected for conversion:");
    EXPECT_STREQ(BuiltInString("J_GNR_MODIFED"), "Modifed");
    EXPECT_STREQ(BuiltInString("PAD_FILE_NEWSTD"), "Standart");
}

TEST(Catalogue, FindsKeysInAnyLetterCase)
{
    EXPECT_STREQ(BuiltInString("PAD_FILE"), "File");
    EXPECT_STREQ(BuiltInString("pad_file"), "File");
    EXPECT_STREQ(BuiltInString("Pad_File"), "File");
    EXPECT_STREQ(BuiltInString("j_cb_inch"), "Inches");
}

TEST(Catalogue, UnknownKeysHaveNoText)
{
    EXPECT_EQ(BuiltInString("PAD_NOTHING"), nullptr);
    EXPECT_EQ(BuiltInString(""), nullptr);
    EXPECT_EQ(BuiltInString(nullptr), nullptr);
    // Near misses around existing keys.
    EXPECT_EQ(BuiltInString("PAD_FIL"), nullptr);
    EXPECT_EQ(BuiltInString("PAD_FILE_"), nullptr);
    EXPECT_EQ(BuiltInString(" PAD_FILE"), nullptr);
}

TEST(StringAssociationList, RefusesARepeatedKeyInAnyCase)
{
    TStringAssociationList list;
    list.Add("ALPHA", "first");
    EXPECT_THROW(list.Add("ALPHA", "again"), TError);
    EXPECT_THROW(list.Add("alpha", "again"), TError);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_STREQ(list.Find("Alpha"), "first");
    try {
        list.Add("alpha", "again");
    } catch (const TError &error) {
        EXPECT_TRUE(error.text().contains(QStringLiteral("alpha")));
    }
}

TEST(StringAssociationList, OrdersByFoldedBytesWhateverTheAddingOrder)
{
    TStringAssociationList list;
    for (const char *key : {"b", "C", "a", "A_B", "_X", "Z9"})
        list.Add(key, key);
    QList<QByteArray> keys;
    for (int i = 0; i < list.Count(); ++i)
        keys.append(list.KeyAt(i));
    // '_' (0x5F) sorts after the upper-case letters.
    EXPECT_EQ(keys, (QList<QByteArray>{"a", "A_B", "b", "C", "Z9", "_X"}));
    for (const char *key : {"B", "c", "A", "a_b", "_x", "z9"})
        EXPECT_NE(list.Find(key), nullptr) << key;
}

TEST(StringAssociationList, FoldsCyrillicKeys)
{
    TStringAssociationList list;
    list.Add("ключ", "значение");
    EXPECT_STREQ(list.Find("КЛЮЧ"), "значение");
    EXPECT_STREQ(list.Find("Ключ"), "значение");
    EXPECT_THROW(list.Add("КЛЮЧ", "снова"), TError);
    EXPECT_EQ(list.Find("КЛЮЧИ"), nullptr);
}

TEST(StringAssociationList, CopiesWhatItIsGiven)
{
    TStringAssociationList list;
    {
        char key[] = "TEMP";
        char text[] = "value";
        list.Add(key, text);
        std::memset(key, 'x', 4);
        std::memset(text, 'y', 5);
    }
    EXPECT_STREQ(list.Find("TEMP"), "value");
    list.Add("EMPTY", nullptr);
    EXPECT_STREQ(list.Find("EMPTY"), "");
}
