// The stored settings in a real INI store: defaults, a round trip, values that cannot be
// read, and the store's place.

#include "app/unitStoredSettings.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <tuple>

namespace {

class StoredSettings : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(sandbox.isValid()); }

    QString file() const { return sandbox.filePath(QStringLiteral("pictavo.ini")); }
    std::unique_ptr<QSettings> store() const
    {
        return std::make_unique<QSettings>(file(), QSettings::IniFormat);
    }

    QTemporaryDir sandbox;
};

TEST_F(StoredSettings, AnEmptyStoreGivesTheDefaults)
{
    const TStoredSettings values = ReadStoredSettings(*store());
    EXPECT_TRUE(values.FlagViewDir);
    EXPECT_TRUE(values.FlagViewTools);
    EXPECT_TRUE(values.FlagViewOptions);
    EXPECT_EQ(values.ValLang, QStringLiteral("English (EN)"));
    EXPECT_EQ(values.ValViewMode, 0);
    EXPECT_EQ(values.ValNameSkin, QStringLiteral("MacOS (internal)"));
    EXPECT_EQ(values.ValSort, 0);
    EXPECT_TRUE(values.ValCurDir.isEmpty());
    EXPECT_EQ(values.ValSortDirect, 0);
    EXPECT_FALSE(values.ValSortSync);
    // A quarter of the machine's memory, enough for a 12-megapixel photo's pixels
    // (8 bytes each) for every file converted at once.
    EXPECT_EQ(values.ValMemoryLimit, DefaultMemoryLimit());
    EXPECT_EQ(values.ValMapLimit, 2 * values.ValMemoryLimit);
    EXPECT_GE(qint64(values.ValMemoryLimit) * 1048576, qint64(values.ValFilesAtOnce) * 4000 * 3000 * 8);
    EXPECT_EQ(values.ValDiskLimit, 0);
    EXPECT_EQ(values.ValFilesAtOnce, qBound(1, QThread::idealThreadCount(), 16));
    EXPECT_TRUE(values.Placement.isEmpty());
}

TEST_F(StoredSettings, EveryValueSurvivesARestart)
{
    TStoredSettings written;
    written.FlagViewDir = false;
    written.FlagViewOptions = false;
    written.ValLang = QStringLiteral("Русский (RU)");
    written.ValViewMode = 4;
    written.ValNameSkin = QStringLiteral("Graphite (internal)");
    written.ValSort = 1;
    written.ValSortDirect = 1;
    written.ValSortSync = true;
    written.ValCurDir = QStringLiteral("/photos/2026 summer, day=1");
    written.ValMemoryLimit = 256;
    written.ValMapLimit = 512;
    written.Placement = QByteArray("\x01\x00\xd9\xd0\xff", 5);
    written.FocusedControl = QStringLiteral("XPTree");
    written.ValFilesAtOnce = 5;
    ASSERT_TRUE(WriteStoredSettings(*store(), written));

    const TStoredSettings read = ReadStoredSettings(*store());
    EXPECT_FALSE(read.FlagViewDir);
    EXPECT_TRUE(read.FlagViewTools);
    EXPECT_FALSE(read.FlagViewOptions);
    EXPECT_EQ(read.ValLang, written.ValLang);
    EXPECT_EQ(read.ValViewMode, 4);
    EXPECT_EQ(read.ValNameSkin, written.ValNameSkin);
    EXPECT_EQ(read.ValSort, 1);
    EXPECT_EQ(read.ValSortDirect, 1);
    EXPECT_TRUE(read.ValSortSync);
    EXPECT_EQ(read.ValCurDir, written.ValCurDir);
    EXPECT_EQ(read.ValMemoryLimit, 256);
    EXPECT_EQ(read.ValMapLimit, 512);
    EXPECT_EQ(read.Placement, written.Placement);
    EXPECT_EQ(read.FocusedControl, QStringLiteral("XPTree"));
    EXPECT_EQ(read.ValFilesAtOnce, 5);
    EXPECT_TRUE(ReadFileBytes(file()).contains("[TformMain]"));
}

TEST_F(StoredSettings, ValuesThatCannotBeReadGiveTheirDefaults)
{
    WriteFileBytes(file(), "[TformMain]\n"
                           "FlagViewDir=maybe\n"
                           "FlagViewTools=0\n"
                           "ValViewMode=7\n"
                           "ValSort=-1\n"
                           "ValSortDirect=up\n"
                           "ValSortSync=yes please\n"
                           "ValMemoryLimit=lots\n"
                           "ValMapLimit=0\n"
                           "ValLang=a, b\n"
                           "ValDiskLimit=12\n"
                           "ValFilesAtOnce=17\n");
    const TStoredSettings read = ReadStoredSettings(*store());
    EXPECT_TRUE(read.FlagViewDir);
    EXPECT_FALSE(read.FlagViewTools);
    EXPECT_EQ(read.ValViewMode, 0);
    EXPECT_EQ(read.ValSort, 0);
    EXPECT_EQ(read.ValSortDirect, 0);
    EXPECT_FALSE(read.ValSortSync);
    EXPECT_EQ(read.ValMemoryLimit, DefaultMemoryLimit());
    EXPECT_EQ(read.ValMapLimit, DefaultMapLimit());
    EXPECT_EQ(read.ValLang, QStringLiteral("English (EN)"));
    EXPECT_EQ(read.ValDiskLimit, 12);
    EXPECT_EQ(read.ValFilesAtOnce, qBound(1, QThread::idealThreadCount(), 16));
}

TEST_F(StoredSettings, TheDiskLimitKeepsWhatTheStoreHolds)
{
    WriteFileBytes(file(), "[TformMain]\nValDiskLimit=77\n");
    TStoredSettings values;
    values.ValDiskLimit = 5;
    ASSERT_TRUE(WriteStoredSettings(*store(), values));
    EXPECT_EQ(ReadStoredSettings(*store()).ValDiskLimit, 77);
}

TEST_F(StoredSettings, AStoreThatCannotBeWrittenSaysSo)
{
    // A folder where the file should be.
    QDir().mkpath(file());
    EXPECT_FALSE(WriteStoredSettings(*store(), TStoredSettings()));
}

TEST(SettingsStore, IsAnIniFileNamedAfterTheExecutableUnderTheUsersConfigFolder)
{
    const auto store = OpenSettingsStore();
    EXPECT_EQ(store->format(), QSettings::IniFormat);
    EXPECT_EQ(store->scope(), QSettings::UserScope);
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    EXPECT_EQ(store->applicationName(), name);
    EXPECT_EQ(store->organizationName(), name);
    EXPECT_TRUE(store->fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")))
        << store->fileName().toStdString();
}

} // namespace

TEST_F(StoredSettings, TheCapsAreKeptWithTheirDefaults)
{
    const TStoredSettings defaults = ReadStoredSettings(*store());
    EXPECT_EQ(std::tuple(defaults.ValWidthLimit, defaults.ValHeightLimit, defaults.ValAreaLimit, defaults.ValCacheDiskLimit),
              std::tuple(32768, 32768, 256, 4096));
    TStoredSettings written;
    written.ValWidthLimit = 100;
    written.ValHeightLimit = 200;
    written.ValAreaLimit = 3;
    written.ValCacheDiskLimit = 0;
    ASSERT_TRUE(WriteStoredSettings(*store(), written));
    const TStoredSettings read = ReadStoredSettings(*store());
    EXPECT_EQ(std::tuple(read.ValWidthLimit, read.ValHeightLimit, read.ValAreaLimit, read.ValCacheDiskLimit),
              std::tuple(100, 200, 3, 0));
}

TEST_F(StoredSettings, ThePhotoSwitchesAreKeptWithTheirDefaults)
{
    EXPECT_TRUE(ReadStoredSettings(*store()).ValTurnUpright);
    EXPECT_FALSE(ReadStoredSettings(*store()).ValNoEnlarge);
    TStoredSettings written;
    written.ValTurnUpright = false;
    written.ValNoEnlarge = true;
    ASSERT_TRUE(WriteStoredSettings(*store(), written));
    EXPECT_FALSE(ReadStoredSettings(*store()).ValTurnUpright);
    EXPECT_TRUE(ReadStoredSettings(*store()).ValNoEnlarge);
    WriteFileBytes(file(), "[TformMain]\nValTurnUpright=sideways\nValNoEnlarge=2\n");
    EXPECT_TRUE(ReadStoredSettings(*store()).ValTurnUpright);
    EXPECT_FALSE(ReadStoredSettings(*store()).ValNoEnlarge);
}
