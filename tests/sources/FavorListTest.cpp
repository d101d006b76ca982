// The sources list's index of keys: it must answer exactly as comparing the keys the way
// the file system compares names would, through append, remove and clear.

#include "project/unitFavor.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TFavorCell entry(const QString &folder, const QString &name)
{
    TFavorCell cell;
    cell.Folder = folder;
    cell.Name = name;
    return cell;
}

TEST(FavorKeys, FolderAndNameJoinWithOneSlash)
{
    EXPECT_EQ(EntryKey(entry(QStringLiteral("/photos/"), QStringLiteral("a.jpg"))),
              QStringLiteral("/photos/a.jpg"));
    EXPECT_EQ(EntryKey(entry(QStringLiteral("/photos"), QStringLiteral("a.jpg"))),
              QStringLiteral("/photos/a.jpg"));
}

TEST(FavorKeys, OnACaseInsensitiveFileSystemCaseIsIgnoredForEveryScript)
{
    const Qt::CaseSensitivity folding = Qt::CaseInsensitive;
    EXPECT_TRUE(SameEntry(QStringLiteral("/Photos/SUNSET.jpeg"), QStringLiteral("/photos/sunset.JPEG"), folding));
    EXPECT_TRUE(SameEntry(QStringLiteral("/Фото/Ёлка.jpg"), QStringLiteral("/фото/ёлка.JPG"), folding));
    EXPECT_TRUE(SameEntry(QStringLiteral("/Ελλάδα/ω.png"), QStringLiteral("/ΕΛΛΆΔΑ/Ω.png"), folding));
    EXPECT_FALSE(SameEntry(QStringLiteral("/photos/a.jpg"), QStringLiteral("/photos/b.jpg"), folding));
    EXPECT_FALSE(SameEntry(QStringLiteral("/photos/a.jpg"), QStringLiteral("/photos/a.jpg "), folding));
    // The plain-ASCII shortcut folds like the full table does.
    const QString ascii = QStringLiteral("/Mixed/Case_0-9 ~{}[]@`.Tif");
    EXPECT_EQ(FoldedKey(ascii), ascii.toUpper());
}

TEST(FavorKeys, CompareAsThisFileSystemComparesNames)
{
#if defined(Q_OS_LINUX)
    EXPECT_EQ(FileNameCase(), Qt::CaseSensitive);
#endif
    const Qt::CaseSensitivity exact = Qt::CaseSensitive;
    EXPECT_FALSE(SameEntry(QStringLiteral("/p/a.png"), QStringLiteral("/p/A.png"), exact));
    EXPECT_FALSE(SameEntry(QStringLiteral("/Фото/ёлка.jpg"), QStringLiteral("/фото/ёлка.jpg"), exact));
    EXPECT_TRUE(SameEntry(QStringLiteral("/p/a.png"), QStringLiteral("/p/a.png"), exact));
    EXPECT_EQ(TFavorList().KeyCase(), FileNameCase());
}

TEST(FavorList, OnACaseSensitiveFileSystemKeepsNamesThatDifferOnlyInCase)
{
    TFavorList list(Qt::CaseSensitive);
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/p/"), QStringLiteral("a.png"))));
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/p"), QStringLiteral("A.png"))));
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/P/"), QStringLiteral("a.png"))));
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/p/"), QStringLiteral("ёж.jpg"))));
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/p/"), QStringLiteral("Ёж.jpg"))));
    EXPECT_FALSE(list.Append(entry(QStringLiteral("/p"), QStringLiteral("a.png"))));
    EXPECT_TRUE(list.Contains(QStringLiteral("/p/A.png")));
    EXPECT_FALSE(list.Contains(QStringLiteral("/p/A.PNG")));
    EXPECT_EQ(list.Count(), 5);
    // Removing one spelling leaves the other.
    EXPECT_TRUE(list.RemoveKey(QStringLiteral("/p/A.png")));
    EXPECT_FALSE(list.RemoveKey(QStringLiteral("/p/A.png")));
    EXPECT_TRUE(list.Contains(QStringLiteral("/p/a.png")));
    EXPECT_EQ(list.Count(), 4);
}

TEST(FavorList, OnACaseInsensitiveFileSystemRefusesAnEntryWhoseKeyDiffersOnlyInCase)
{
    TFavorList list(Qt::CaseInsensitive);
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/p/"), QStringLiteral("a.jpg"))));
    EXPECT_FALSE(list.Append(entry(QStringLiteral("/P"), QStringLiteral("A.JPG"))));
    // A non-ASCII name on an ASCII folder takes the other folding path; both must agree.
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/p/"), QStringLiteral("ёж.jpg"))));
    EXPECT_FALSE(list.Append(entry(QStringLiteral("/P/"), QStringLiteral("ЁЖ.jpg"))));
    EXPECT_TRUE(list.Contains(QStringLiteral("/P/ЁЖ.JPG")));
    EXPECT_TRUE(list.Contains(QStringLiteral("/p/A.jpg")));
    EXPECT_FALSE(list.Contains(QStringLiteral("/p/b.jpg")));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(0).Name, QStringLiteral("a.jpg"));
    EXPECT_EQ(list.At(1).Name, QStringLiteral("ёж.jpg"));
}

TEST(FavorList, RemovingKeepsTheOrderAndTheIndexTrue)
{
    TFavorList list(Qt::CaseInsensitive);
    for (const char *name : {"1.png", "2.png", "3.png", "4.png", "5.png"})
        list.Append(entry(QStringLiteral("/x/"), QString::fromLatin1(name)));
    EXPECT_EQ(list.RemoveKeys({QStringLiteral("/X/4.PNG"), QStringLiteral("/x/2.png"),
                               QStringLiteral("/x/2.png"), QStringLiteral("/x/none.png")}),
              2);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.At(0).Name, QStringLiteral("1.png"));
    EXPECT_EQ(list.At(1).Name, QStringLiteral("3.png"));
    EXPECT_EQ(list.At(2).Name, QStringLiteral("5.png"));
    EXPECT_FALSE(list.Contains(QStringLiteral("/x/2.png")));
    // A removed file can come back, at the end.
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/x/"), QStringLiteral("2.PNG"))));
    EXPECT_EQ(list.At(3).Name, QStringLiteral("2.PNG"));
    EXPECT_TRUE(list.RemoveKey(QStringLiteral("/x/1.png")));
    EXPECT_FALSE(list.RemoveKey(QStringLiteral("/x/1.png")));

    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.Contains(QStringLiteral("/x/3.png")));
    EXPECT_TRUE(list.Append(entry(QStringLiteral("/x/"), QStringLiteral("3.png"))));
}

TEST(PendingEntries, AFolderStandsForItselfAFileForItsFolderAndName)
{
    const QString folder = QDir::tempPath();
    const TFavorCell forFolder = PendingEntryFor(folder);
    EXPECT_TRUE(forFolder.Name.isEmpty());
    EXPECT_EQ(forFolder.Folder, folder);
    const TFavorCell forFile = PendingEntryFor(QStringLiteral("/no/such/place/picture.jpg"));
    EXPECT_EQ(forFile.Name, QStringLiteral("picture.jpg"));
    EXPECT_EQ(forFile.Folder, QStringLiteral("/no/such/place/"));
    EXPECT_EQ(forFile.Status, 0);
}

} // namespace
