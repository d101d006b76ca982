#include "DialogTestSupport.h"

#include "dialogs/unitPref.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitRunSettings.h"
#include "i18n/unitApplyLang.h"
#include "i18n/unitMultiLang.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <tuple>

namespace {

constexpr quint64 kMb = 1048576;

// Puts the library's limits somewhere the dialog would never choose, so a test sees whether
// the dialog really handed its values over.
void ScrambleLibraryLimits()
{
    const int memory = MemoryLimit, map = MapLimit;
    MemoryLimit = 777;
    MapLimit = 999;
    ApplyResourceLimits();
    MemoryLimit = memory;
    MapLimit = map;
}

class Pref : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ImageLibraryIsLoaded());
        if (!CurrentJob())
            ListCnvJob().SetCurrent(ListCnvJob().Add(QStringLiteral("Untitled")));
        CurrentJob()->SearchMode = 0;
        MemoryLimit = 32;
        MapLimit = 64;
        ApplyResourceLimits();
    }

    void TearDown() override
    {
        MemoryLimit = 32;
        MapLimit = 64;
        ApplyResourceLimits();
        if (CurrentJob())
            CurrentJob()->SearchMode = 0;
    }

    // The start-up sequence for stored limits.
    static void Restore(TformPref &pref, int memory, int map)
    {
        MemoryLimit = memory;
        MapLimit = map;
        pref.SyncFromLimits();
    }

    static void Open(TformPref &pref)
    {
        pref.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pref));
    }

    static void ExpectLimitsInLibrary(int memory, int map)
    {
        const TLibraryLimits limits = CurrentLibraryLimits();
        EXPECT_EQ(limits.Memory, quint64(memory) * kMb);
        EXPECT_EQ(limits.Map, quint64(map) * kMb);
        EXPECT_EQ(limits.Area, quint64(memory / 2) * kMb);
    }

    // On the box or dot itself: a button stretched by its layout takes clicks only near its text.
    static void ClickButton(QAbstractButton *button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    static bool LimitControlsEnabled(const TformPref &pref)
    {
        return pref.memoryHeading()->isEnabled() || pref.memoryValueLabel()->isEnabled()
               || pref.memoryBar()->isEnabled() || pref.mapHeading()->isEnabled()
               || pref.mapValueLabel()->isEnabled() || pref.mapBar()->isEnabled() || pref.syncBox()->isEnabled();
    }
};

} // namespace

TEST_F(Pref, IsAFixedDialogWithThreePagesAndACloseButton)
{
    TformPref pref;
    EXPECT_EQ(pref.objectName(), QLatin1String("formPref"));
    EXPECT_EQ(pref.size(), QSize(471, 241));
    EXPECT_EQ(pref.minimumSize(), pref.maximumSize());
    EXPECT_FALSE(pref.isVisible());
    ASSERT_EQ(pref.tabs()->count(), 3);
    EXPECT_EQ(pref.tabs()->tabText(0), QLatin1String("Limits"));
    EXPECT_EQ(pref.tabs()->tabText(1), QLatin1String("Search"));
    EXPECT_EQ(pref.tabs()->tabText(2), QLatin1String("Image size"));
    EXPECT_EQ(pref.closeButton()->text(), QLatin1String("Close"));

    Restore(pref, 32, 64);
    Open(pref);
    const QRect close = pref.closeButton()->geometry();
    EXPECT_GT(close.left(), pref.width() / 2) << "bottom right";
    EXPECT_GT(close.top(), pref.tabs()->geometry().bottom());
    EXPECT_LE(close.right(), pref.width());
    EXPECT_LE(close.bottom(), pref.height());
    SaveScreenshot(&pref, QStringLiteral("pref-locked"));
    pref.unlockBox()->click();
    SaveScreenshot(&pref, QStringLiteral("pref"));
    pref.tabs()->setCurrentIndex(1);
    SaveScreenshot(&pref, QStringLiteral("pref-search"));
}

TEST_F(Pref, StartsLockedWithBothBarsAtOne)
{
    TformPref pref;
    EXPECT_EQ(pref.unlockBox()->text(), QLatin1String(" Check for change values of track bar"));
    EXPECT_EQ(pref.syncBox()->text(), QLatin1String(" Sync track bars"));
    EXPECT_EQ(pref.memoryHeading()->text(), QLatin1String("Memory, Mb"));
    EXPECT_EQ(pref.mapHeading()->text(), QLatin1String("Memory-mapped, Mb"));
    EXPECT_FALSE(pref.unlockBox()->isChecked());
    EXPECT_TRUE(pref.unlockBox()->isEnabled());
    EXPECT_FALSE(pref.syncBox()->isChecked());
    EXPECT_FALSE(LimitControlsEnabled(pref));

    EXPECT_EQ(pref.memoryBar()->orientation(), Qt::Horizontal);
    EXPECT_EQ(pref.memoryBar()->minimum(), 1);
    EXPECT_EQ(pref.memoryBar()->maximum(), 16384);
    EXPECT_EQ(pref.mapBar()->minimum(), 1);
    EXPECT_EQ(pref.mapBar()->maximum(), 32768);
    for (QSlider *bar : {pref.memoryBar(), pref.mapBar()}) {
        EXPECT_EQ(bar->value(), 1);
        EXPECT_EQ(bar->tickInterval(), 1024);
        EXPECT_NE(bar->tickPosition(), QSlider::NoTicks);
    }
    EXPECT_EQ(pref.memoryValueLabel()->text(), QLatin1String("Use 1 from 16384"));
    EXPECT_EQ(pref.mapValueLabel()->text(), QLatin1String("Use 1 from 32768"));

    for (QLabel *label : {pref.memoryHeading(), pref.mapHeading(), pref.memoryValueLabel(), pref.mapValueLabel()})
        EXPECT_TRUE(label->font().bold()) << label->objectName().toStdString();
    for (QLabel *label : {pref.memoryValueLabel(), pref.mapValueLabel()})
        EXPECT_EQ(label->palette().color(QPalette::Active, QPalette::WindowText), QColor(0, 128, 0));
}

TEST_F(Pref, StoredDefaultsLeaveTheBarsSyncedAndReachTheLibrary)
{
    TformPref pref;
    ScrambleLibraryLimits();
    Restore(pref, 32, 64);
    EXPECT_EQ(pref.memoryBar()->value(), 32);
    EXPECT_EQ(pref.mapBar()->value(), 64);
    EXPECT_TRUE(pref.syncBox()->isChecked());
    EXPECT_EQ(MemoryLimit, 32);
    EXPECT_EQ(MapLimit, 64);
    EXPECT_EQ(pref.memoryValueLabel()->text(), QLatin1String("Use 32 from 16384"));
    EXPECT_EQ(pref.mapValueLabel()->text(), QLatin1String("Use 64 from 32768"));
    ExpectLimitsInLibrary(32, 64);
}

TEST_F(Pref, StoredMapOneAboveTwiceTheMemoryIsSyncedDownToTwice)
{
    TformPref pref;
    ScrambleLibraryLimits();
    Restore(pref, 32, 65);
    EXPECT_TRUE(pref.syncBox()->isChecked()) << "65 / 2 is 32";
    EXPECT_EQ(pref.mapBar()->value(), 64);
    EXPECT_EQ(MapLimit, 64);
    EXPECT_EQ(pref.mapValueLabel()->text(), QLatin1String("Use 64 from 32768"));
    ExpectLimitsInLibrary(32, 64);
}

TEST_F(Pref, StoredLimitsThatAreNotInStepStayAsStored)
{
    TformPref pref;
    ScrambleLibraryLimits();
    Restore(pref, 40, 64);
    EXPECT_FALSE(pref.syncBox()->isChecked());
    EXPECT_EQ(MemoryLimit, 40);
    EXPECT_EQ(MapLimit, 64);
    EXPECT_EQ(pref.memoryValueLabel()->text(), QLatin1String("Use 40 from 16384"));
    EXPECT_EQ(pref.mapValueLabel()->text(), QLatin1String("Use 64 from 32768"));
    ExpectLimitsInLibrary(40, 64);
}

TEST_F(Pref, StoredLimitsKeepTheirMegabytesUpToTheBarsEnds)
{
    {
        // Beyond the old ends (2048 and 4096): still megabytes. The library takes them as
        // they are, less what a system policy caps.
        TformPref pref;
        Restore(pref, 5000, 9000);
        EXPECT_EQ(MemoryLimit, 5000);
        EXPECT_EQ(MapLimit, 9000);
        EXPECT_EQ(pref.memoryValueLabel()->text(), QLatin1String("Use 5000 from 16384"));
    }
    {
        TformPref pref;
        Restore(pref, 20000, 40000);
        EXPECT_EQ(MemoryLimit, 16384);
        EXPECT_EQ(MapLimit, 32768);
        EXPECT_TRUE(pref.syncBox()->isChecked()) << "the largest memory doubled is the largest map";
        EXPECT_EQ(pref.memoryValueLabel()->text(), QLatin1String("Use 16384 from 16384"));
        EXPECT_EQ(pref.mapValueLabel()->text(), QLatin1String("Use 32768 from 32768"));
    }
    {
        TformPref pref;
        Restore(pref, 20000, 100);
        EXPECT_EQ(MemoryLimit, 16384);
        EXPECT_EQ(MapLimit, 100);
        EXPECT_FALSE(pref.syncBox()->isChecked());
    }
}

TEST_F(Pref, StoredLimitsAtTheBarsStartStillReachTheLibrary)
{
    // The bars already stand at 1, so setting them changes no position.
    TformPref pref;
    ScrambleLibraryLimits();
    Restore(pref, 1, 1);
    EXPECT_EQ(MemoryLimit, 1);
    EXPECT_EQ(MapLimit, 1);
    EXPECT_FALSE(pref.syncBox()->isChecked());
    ExpectLimitsInLibrary(1, 1);

    TformPref another;
    ScrambleLibraryLimits();
    Restore(another, 0, -5);
    EXPECT_EQ(MemoryLimit, 1) << "clamped like any other value outside the bar";
    EXPECT_EQ(MapLimit, 1);
    ExpectLimitsInLibrary(1, 1);
}

TEST_F(Pref, WithSyncTheMapFollowsTwiceTheMemory)
{
    TformPref pref;
    Restore(pref, 32, 64);
    Open(pref);
    pref.unlockBox()->click();
    ASSERT_TRUE(pref.syncBox()->isChecked());

    pref.memoryBar()->setValue(100);
    EXPECT_EQ(MemoryLimit, 100);
    EXPECT_EQ(pref.mapBar()->value(), 200);
    EXPECT_EQ(MapLimit, 200);
    EXPECT_EQ(pref.memoryValueLabel()->text(), QLatin1String("Use 100 from 16384"));
    EXPECT_EQ(pref.mapValueLabel()->text(), QLatin1String("Use 200 from 32768"));
    ExpectLimitsInLibrary(100, 200);

    // The keyboard moves the bar as the user would.
    pref.memoryBar()->setFocus();
    QTest::keyClick(pref.memoryBar(), Qt::Key_Right);
    EXPECT_EQ(MemoryLimit, 101);
    EXPECT_EQ(MapLimit, 202);
    ExpectLimitsInLibrary(101, 202);
}

TEST_F(Pref, UnlockingWithSyncAlsoFreesTheMapBarUntilTheMemoryMovesAgain)
{
    TformPref pref;
    Restore(pref, 32, 64);
    Open(pref);
    ASSERT_TRUE(pref.syncBox()->isChecked());
    pref.unlockBox()->click();
    EXPECT_TRUE(pref.mapBar()->isEnabled());
    EXPECT_TRUE(pref.mapHeading()->isEnabled());
    EXPECT_TRUE(pref.mapValueLabel()->isEnabled());
    EXPECT_TRUE(pref.syncBox()->isEnabled());

    pref.mapBar()->setValue(500);
    EXPECT_EQ(MapLimit, 500);
    ExpectLimitsInLibrary(32, 500);
    EXPECT_TRUE(pref.syncBox()->isChecked());

    pref.memoryBar()->setValue(50);
    EXPECT_EQ(pref.mapBar()->value(), 100);
    EXPECT_EQ(MapLimit, 100);
    ExpectLimitsInLibrary(50, 100);

    pref.unlockBox()->click();
    EXPECT_FALSE(LimitControlsEnabled(pref));
}

TEST_F(Pref, TheSyncBoxLocksTheMapAndRealignsItWhenTurnedOn)
{
    TformPref pref;
    Restore(pref, 40, 64);
    Open(pref);
    pref.unlockBox()->click();
    ASSERT_FALSE(pref.syncBox()->isChecked());
    EXPECT_TRUE(pref.mapBar()->isEnabled());

    ClickButton(pref.syncBox());
    ASSERT_TRUE(pref.syncBox()->isChecked());
    EXPECT_FALSE(pref.mapBar()->isEnabled());
    EXPECT_FALSE(pref.mapHeading()->isEnabled());
    EXPECT_FALSE(pref.mapValueLabel()->isEnabled());
    EXPECT_TRUE(pref.memoryBar()->isEnabled());
    EXPECT_EQ(MapLimit, 80);
    EXPECT_EQ(pref.mapValueLabel()->text(), QLatin1String("Use 80 from 32768"));
    ExpectLimitsInLibrary(40, 80);

    ClickButton(pref.syncBox());
    EXPECT_FALSE(pref.syncBox()->isChecked());
    EXPECT_TRUE(pref.mapBar()->isEnabled());
    EXPECT_EQ(MapLimit, 80) << "turning sync off moves nothing";
    pref.memoryBar()->setValue(60);
    EXPECT_EQ(MapLimit, 80);
}

TEST_F(Pref, EveryOpeningLocksTheLimitsAndShowsTheLimitsPage)
{
    TformPref pref;
    Restore(pref, 32, 64);
    Open(pref);
    EXPECT_FALSE(LimitControlsEnabled(pref));
    pref.unlockBox()->click();
    EXPECT_TRUE(LimitControlsEnabled(pref));
    pref.tabs()->setCurrentIndex(1);
    pref.hide();

    Open(pref);
    EXPECT_FALSE(pref.unlockBox()->isChecked());
    EXPECT_FALSE(LimitControlsEnabled(pref));
    EXPECT_EQ(pref.tabs()->currentIndex(), 0);
    EXPECT_EQ(pref.memoryBar()->value(), 32) << "the other controls keep their state";
    EXPECT_TRUE(pref.syncBox()->isChecked());

    // Coming back to the window from another one counts as well.
    pref.unlockBox()->click();
    pref.tabs()->setCurrentIndex(1);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&pref, &activate);
    EXPECT_FALSE(pref.unlockBox()->isChecked());
    EXPECT_FALSE(LimitControlsEnabled(pref));
    EXPECT_EQ(pref.tabs()->currentIndex(), 0);
}

TEST_F(Pref, OpeningShowsTheCurrentProjectsFolderSearch)
{
    TformPref pref;
    int marked = 0;
    pref.SetModifiedHook([&] { ++marked; });

    CurrentJob()->SearchMode = 1;
    Open(pref);
    EXPECT_TRUE(pref.searchOption(1)->isChecked());
    EXPECT_FALSE(pref.searchOption(0)->isChecked());
    pref.hide();

    CurrentJob()->SearchMode = 0;
    Open(pref);
    EXPECT_TRUE(pref.searchOption(0)->isChecked());
    EXPECT_FALSE(pref.searchOption(1)->isChecked());
    pref.hide();

    // A project file may hold any byte; everything but 1 searches subfolders.
    CurrentJob()->SearchMode = 7;
    Open(pref);
    EXPECT_TRUE(pref.searchOption(0)->isChecked());
    EXPECT_EQ(CurrentJob()->SearchMode, 7) << "showing the project does not edit it";
    EXPECT_EQ(marked, 0);
}

TEST_F(Pref, ChoosingAFolderSearchOptionEditsTheProject)
{
    TformPref pref;
    int marked = 0;
    pref.SetModifiedHook([&] { ++marked; });
    Open(pref);
    pref.tabs()->setCurrentIndex(1);
    EXPECT_EQ(pref.searchOption(0)->text(), QLatin1String(" Use subdirectories"));
    EXPECT_EQ(pref.searchOption(1)->text(), QLatin1String(" Only root folders"));

    ClickButton(pref.searchOption(1));
    EXPECT_EQ(CurrentJob()->SearchMode, 1);
    EXPECT_EQ(marked, 1);

    ClickButton(pref.searchOption(1));
    EXPECT_EQ(marked, 1) << "the option already in force";

    ClickButton(pref.searchOption(0));
    EXPECT_EQ(CurrentJob()->SearchMode, 0);
    EXPECT_EQ(marked, 2);

    // Without a hook the project is still edited.
    pref.SetModifiedHook({});
    ClickButton(pref.searchOption(1));
    EXPECT_EQ(CurrentJob()->SearchMode, 1);
    EXPECT_EQ(marked, 2);
}

TEST_F(Pref, LanguageTextsReachTheTitleAndTheOptionsOnly)
{
    // No language modules: the built-in English alone.
    QTemporaryDir sandbox;
    ASSERT_TRUE(sandbox.isValid());
    ASSERT_TRUE(QDir(sandbox.path()).mkdir(QStringLiteral("bin")));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(sandbox.filePath(QStringLiteral("bin"))));
    TMLang lang;
    lang.RegisterBuiltIn();
    ASSERT_GE(lang.SelectLanguage(TMLang::BuiltInName()), 0);
    QDir::setCurrent(previous);

    TformPref pref;
    pref.setWindowTitle(QStringLiteral("x"));
    pref.searchOption(0)->setText(QStringLiteral("a"));
    pref.searchOption(1)->setText(QStringLiteral("b"));
    ApplyLangTexts(lang, {&pref});

    EXPECT_EQ(pref.windowTitle(), lang.GetText("PAD_SERV_PREF"));
    EXPECT_EQ(pref.windowTitle(), QLatin1String("Preferences ..."));
    EXPECT_EQ(pref.searchOption(0)->text(), QLatin1String(" Use subdirectories"));
    EXPECT_EQ(pref.searchOption(1)->text(), QLatin1String(" Only root folders"));
    EXPECT_EQ(pref.tabs()->tabText(0), QLatin1String("Limits"));
    EXPECT_EQ(pref.tabs()->tabText(1), QLatin1String("Search"));
    EXPECT_EQ(pref.closeButton()->text(), QLatin1String("Close"));
    EXPECT_EQ(pref.unlockBox()->text(), QLatin1String(" Check for change values of track bar"));
}

TEST_F(Pref, RunsModallyUntilCloseOrTheCloseBoxAndChangesNothingOnClosing)
{
    TformPref pref;
    Restore(pref, 40, 64);
    QTimer::singleShot(0, &pref, [&] {
        EXPECT_TRUE(pref.isModal());
        EXPECT_TRUE(pref.isVisible());
        QTest::mouseClick(pref.closeButton(), Qt::LeftButton);
    });
    pref.exec();
    EXPECT_FALSE(pref.isVisible());

    QTimer::singleShot(0, &pref, [&] { pref.close(); });
    pref.exec();
    EXPECT_FALSE(pref.isVisible());
    EXPECT_EQ(MemoryLimit, 40);
    EXPECT_EQ(MapLimit, 64);
    ExpectLimitsInLibrary(40, 64);
}

TEST_F(Pref, ThePhotoSwitchesFollowTheSearchOptionsAndReachTheNextRun)
{
    TurnPhotosUpright = true;
    DoNotEnlarge = false;
    TformPref pref;
    Open(pref);
    pref.tabs()->setCurrentIndex(1);
    QCheckBox *upright = pref.uprightBox();
    QCheckBox *noEnlarge = pref.noEnlargeBox();
    EXPECT_EQ(upright->objectName(), QLatin1String("chkTurnUpright"));
    EXPECT_EQ(upright->text(), QLatin1String("Turn photos upright (EXIF orientation)"));
    EXPECT_EQ(noEnlarge->text(), QLatin1String("Do not enlarge small images"));
    EXPECT_TRUE(upright->isVisible());
    EXPECT_GT(upright->mapTo(&pref, QPoint()).y(), pref.searchOption(1)->mapTo(&pref, QPoint()).y());
    EXPECT_GT(noEnlarge->mapTo(&pref, QPoint()).y(), upright->mapTo(&pref, QPoint()).y());
    EXPECT_LT(noEnlarge->mapTo(&pref, QPoint(0, noEnlarge->height())).y(), pref.closeButton()->mapTo(&pref, QPoint()).y());
    EXPECT_TRUE(upright->isChecked());
    EXPECT_FALSE(noEnlarge->isChecked());

    ClickButton(upright);
    ClickButton(noEnlarge);
    EXPECT_FALSE(TurnPhotosUpright);
    EXPECT_TRUE(DoNotEnlarge);
    const TRunSettings run = RunSettingsFor(TCnvJob(QString()));
    EXPECT_FALSE(run.TurnUpright);
    // Not enlarging belongs to each project now: the preference starts new ones.
    EXPECT_EQ(TCnvJob(QStringLiteral("New")).Options.value(QStringLiteral("no-enlarge")), QLatin1String("true"));

    // Restored settings show at the next opening.
    pref.close();
    TurnPhotosUpright = true;
    DoNotEnlarge = false;
    Open(pref);
    EXPECT_TRUE(upright->isChecked());
    EXPECT_FALSE(noEnlarge->isChecked());
    pref.close();
}

TEST_F(Pref, FilesConvertedAtOnceIsASettingOfItsOwnKeptWithinOneToSixteen)
{
    TformPref pref;
    const int kept = FilesAtOnce;
    FilesAtOnce = 40;
    Restore(pref, 32, 64);
    EXPECT_EQ(FilesAtOnce, 16);
    EXPECT_EQ(pref.filesAtOnceBox()->value(), 16);
    Open(pref);
    // Not one of the limits the unlock box guards; every page fits the fixed-size dialog.
    EXPECT_TRUE(pref.filesAtOnceBox()->isEnabled());
    for (int index = 0; index < pref.tabs()->count(); ++index) {
        const QWidget *page = pref.tabs()->widget(index);
        EXPECT_LE(page->minimumSizeHint().height(), pref.tabs()->currentWidget()->height()) << index;
    }
    pref.filesAtOnceBox()->setValue(3);
    EXPECT_EQ(FilesAtOnce, 3);
    pref.filesAtOnceBox()->setValue(0);
    EXPECT_EQ(FilesAtOnce, 1);
    EXPECT_EQ(MemoryLimit, 32);
    pref.close();
    FilesAtOnce = kept;
}

TEST_F(Pref, TheCapsOnASourcesSizeTakeEffectAtOnceInTheLibraryAndComeBackClamped)
{
    // Below the caps of Debian's own policy, which the library would keep.
    TformPref pref;
    WidthLimit = 0;
    CacheDiskLimit = -5;
    Restore(pref, 32, 64);
    EXPECT_EQ(WidthLimit, 1);
    EXPECT_EQ(CacheDiskLimit, 0);
    EXPECT_EQ(CurrentLibraryLimits().Width, 1u);
    EXPECT_EQ(CurrentLibraryLimits().Disk, 0u);
    pref.widthCapBox()->setValue(12000);
    pref.heightCapBox()->setValue(10000);
    pref.areaCapBox()->setValue(150);
    pref.diskCapBox()->setValue(512);
    EXPECT_EQ(std::tuple(WidthLimit, HeightLimit, AreaLimit, CacheDiskLimit), std::tuple(12000, 10000, 150, 512));
    EXPECT_EQ(CurrentLibraryLimits().Width, 12000u);
    EXPECT_EQ(CurrentLibraryLimits().Height, 10000u);
    EXPECT_EQ(CurrentLibraryLimits().Disk, 512 * kMb);
    WidthLimit = HeightLimit = kDefaultSideLimit;
    AreaLimit = kDefaultAreaLimit;
    CacheDiskLimit = kDefaultCacheDiskLimit;
    ApplyImageCaps();
}
