// The main window when the image library cannot be loaded: the error is shown while the
// window is made, and the window works with no formats at all.

#include "app/unitMain.h"
#include "app/unitSourcesPanel.h"
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "i18n/unitMultiLang.h"
#include "project/unitFavor.h"
#include "project/unitJob.h"
#include "ui/unitFileBrowser.h"
#include "ui/unitThumbnails.h"
#include "support/ScriptedPrompt.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(MainWindowWithoutImageLibrary, ReportsItOnceAndStartsWithNoFormats)
{
    ASSERT_FALSE(ImageLibraryLoaded);
    QTemporaryDir sandbox;
    WriteFileBytes(sandbox.filePath(QStringLiteral("a.png")), "png");
    QDir().mkpath(sandbox.filePath(QStringLiteral("folder")));
    WriteFileBytes(sandbox.filePath(QStringLiteral("folder/b.jpg")), "jpg");
    OpenSettingsStore()->clear();

    TScriptedPrompt prompt;
    TMLang lang;
    lang.RegisterBuiltIn();
    lang.SelectLanguage(TMLang::BuiltInName());
    TProgramWindows windows(lang);
    TformMain &main = *windows.Main;
    main.FileList()->ThumbnailMaker().SetCacheFile(sandbox.filePath(QStringLiteral("Thumbnails.Cache")));
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    EXPECT_EQ(prompt.errors, QStringList{ImageLibraryMissingText()});
    EXPECT_TRUE(AvailableFormats.isEmpty());
    ASSERT_NE(CurrentJob(), nullptr);
    EXPECT_TRUE(CurrentJob()->SourceExts.isEmpty());

    // No format is readable: the list shows the folder only, and adding it finds nothing.
    ASSERT_TRUE(main.FileList()->Browse(sandbox.path()));
    ASSERT_EQ(main.FileList()->VisibleCount(), 1);
    main.Action("ACTION_SELECT_ALL")->trigger();
    main.Action("ACTION_ADDTOFAVOR")->trigger();
    EXPECT_EQ(FavorList().Count(), 0);
    EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("Not found files or duplicate")});
    main.close();
}
