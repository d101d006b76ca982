// The real main window with its dialogs, over a real settings store, real folders and
// the real language modules: first start, restarts, the browser commands, the sources
// commands through the searching dialog, skins, languages and the exit question.

#include "app/unitJobEditor.h"
#include "app/unitMain.h"
#include "app/unitPreviewPane.h"
#include "app/unitSourcesPanel.h"
#include "dialogs/unitBrand.h"
#include "dialogs/unitDlgAbout.h"
#include "dialogs/unitPref.h"
#include "engine/unitImageLibrary.h"
#include "dialogs/unitDlgReport.h"
#include "dialogs/unitWait.h"
#include "gather/unitDlgFilelist.h"
#include "i18n/unitDclLang.h"
#include "i18n/unitMultiLang.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitReport.h"
#include "project/unitStopSignals.h"
#include "ui/unitFileBrowser.h"
#include "ui/unitSkins.h"
#include "ui/unitThumbnails.h"
#include "support/ScriptedPrompt.h"
#include "support/TestImages.h"
#include "support/TestSupport.h"
#include "support/TypeText.h"

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QMenuBar>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QSpinBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QUrl>
#include <QSlider>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>

#include <csignal>
#include <unistd.h>

namespace {

QStringList Texts(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

QStringList ActionNames(const QMenu *menu)
{
    QStringList names;
    for (const QAction *action : menu->actions())
        names.append(action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        previousFolder = QDir::currentPath();
        // The language modules of the build are found from bin/, as the program finds them.
        ASSERT_TRUE(QDir::setCurrent(QStringLiteral(PICTAVO_BIN_DIR)));
        SetSkinFolder(sandbox.filePath(QStringLiteral("skins")));
        ApplySkin(StartSkinName());
        {
            auto store = OpenSettingsStore();
            store->clear();
            store->sync();
        }
        FavorList().Clear();
        PendingFavorList().clear();
        MemoryLimit = 32;
        MapLimit = 64;
    }

    void TearDown() override
    {
        windows.reset();
        lang.reset();
        FavorList().Clear();
        MemoryLimit = 32;
        MapLimit = 64;
        ApplyResourceLimits();
        SetSkinFolder(QString());
        SetUrlOpener({});
        QDir::setCurrent(previousFolder);
    }

    // The program's start: a language manager with English selected, the windows, the
    // main window shown.
    TformMain &start()
    {
        windows.reset();
        lang = std::make_unique<TMLang>();
        lang->RegisterBuiltIn();
        lang->SelectLanguage(TMLang::BuiltInName());
        windows = std::make_unique<TProgramWindows>(*lang);
        TformMain &main = *windows->Main;
        main.FileList()->ThumbnailMaker().SetCacheFile(sandbox.filePath(QStringLiteral("Thumbnails.Cache")));
        main.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&main));
        return main;
    }

    // Closes the main window as its close box does, and starts again.
    TformMain &restart()
    {
        windows->Main->close();
        return start();
    }

    QString makeFile(const QString &relative, int size = 10)
    {
        const QString file = sandbox.filePath(relative);
        QDir().mkpath(QFileInfo(file).path());
        WriteFileBytes(file, QByteArray(size, 'p'));
        return file;
    }

    QString folder(const QString &relative)
    {
        const QString path = sandbox.filePath(relative);
        QDir().mkpath(path);
        return path;
    }

    QAction *action(const char *name) { return windows->Main->Action(name); }
    // Opens the project panel's pages one after another, as the user does, and goes back
    // to General; the pages are made on the way.
    void openEveryPage(TformMain &main)
    {
        auto *inner = main.findChild<QTabWidget *>(QStringLiteral("sPageControl2"));
        main.ProjectPanel()->setCurrentIndex(1);
        for (int page = 0; page < inner->count(); ++page)
            inner->setCurrentIndex(page);
        inner->setCurrentIndex(0);
        main.ProjectPanel()->setCurrentIndex(0);
    }
    // The View > Languages command of that caption, null when no module has it.
    QAction *languageCommand(TformMain &main, const QString &caption)
    {
        for (QAction *item : main.Menu("PAD_VIEW_LANG")->actions()) {
            if (item->text() == caption)
                return item;
        }
        return nullptr;
    }
    TFileList &fileList() { return *windows->Main->FileList(); }
    TSourcesPanel &sources() { return *windows->Main->SourcesPanel(); }

    // Selects the file list's items of these names, as a click and ctrl-clicks would.
    void selectInList(const QStringList &names)
    {
        fileList().ClearSelection();
        QItemSelectionModel *selection = fileList().View()->selectionModel();
        for (const QString &name : names) {
            const int row = fileList().Model().RowOf(fileList().CurrentFolder() + QLatin1Char('/') + name);
            ASSERT_GE(row, 0) << name.toStdString();
            selection->select(fileList().Model().index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        QTest::mouseRelease(fileList().View()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        QApplication::processEvents();
    }

    QStringList listNames()
    {
        QStringList names;
        for (int row = 0; row < fileList().Model().Count(); ++row)
            names.append(fileList().Item(row).Name);
        return names;
    }

    QStringList sourceNames()
    {
        QStringList names;
        for (int row = 0; row < sources().Model().Count(); ++row)
            names.append(sources().Model().Row(row).Name);
        return names;
    }

    QString text(const char *key) const { return lang->GetText(key); }

    QTemporaryDir sandbox;
    QString previousFolder;
    TScriptedPrompt prompt;
    std::unique_ptr<TMLang> lang;
    std::unique_ptr<TProgramWindows> windows;
};

// --- First start and restarts ------------------------------------------------------

TEST_F(MainWindow, FirstStartWithAnEmptyStoreShowsTheDefaults)
{
    TformMain &main = start();

    EXPECT_EQ(main.objectName(), QStringLiteral("formMain"));
    EXPECT_EQ(main.minimumSize(), QSize(300, 300));
    EXPECT_EQ(main.size(), QSize(910, 630));
    for (const char *pane : {"sPanel1", "Panel1", "sPageControl1", "VLEx", "Panel3", "sStatusBar1"})
        EXPECT_TRUE(main.findChild<QWidget *>(QString::fromLatin1(pane))->isVisible()) << pane;
    for (const char *toggle : {"PAD_VIEW_DIR", "PAD_VIEW_TOOLS", "PAD_VIEW_OPTIONS"})
        EXPECT_TRUE(action(toggle)->isChecked()) << toggle;

    EXPECT_EQ(lang->CurrentName(), QStringLiteral("English (EN)"));
    EXPECT_EQ(main.Menu("PAD_FILE")->title().remove(QLatin1Char('&')), text("PAD_FILE"));
    EXPECT_FALSE(text("PAD_FILE").isEmpty());
    EXPECT_EQ(main.windowTitle(), text("TITLE_1") + QStringLiteral("  [Untitled]"));
    EXPECT_EQ(main.findChild<QLabel *>(QStringLiteral("sLabel5"))->text(), text("FOUNDED"));
    EXPECT_EQ(main.ToolButton("ToolButton16")->toolTip(), QStringLiteral("Add to favorite"));

    EXPECT_EQ(fileList().ViewStyle(), TFileList::LargeIcons);
    EXPECT_TRUE(action("ACTION_BIGICON")->isChecked());
    EXPECT_EQ(fileList().SortColumn(), 0);
    EXPECT_EQ(fileList().SortOrder(), Qt::AscendingOrder);
    EXPECT_TRUE(action("ACTION_SORT_NAME")->isChecked());
    EXPECT_EQ(fileList().CurrentFolder(), QDir::homePath());
    EXPECT_FALSE(sources().SyncMode());
    EXPECT_TRUE(action("ACTION_SORTF_PATH")->isEnabled());
    EXPECT_EQ(MemoryLimit, DefaultMemoryLimit());
    EXPECT_EQ(MapLimit, DefaultMapLimit());
    EXPECT_EQ(CurrentSkinName(), StartSkinName());
    EXPECT_EQ(main.SkinName(), QStringLiteral("MacOS (internal)"));

    EXPECT_FALSE(action("ACTION_ADDTOFAVOR")->isEnabled());
    EXPECT_FALSE(action("PAD_SERVIS_CNVSTOP")->isEnabled());
    EXPECT_FALSE(main.ToolButton("ToolButton18")->isVisible());
    for (const char *button : {"ToolButton19", "ToolButton20", "ToolButton22", "ToolButton24"})
        EXPECT_TRUE(main.ToolButton(button)->isVisible()) << button;
    // Everything of the sources toolbar fits the default width.
    for (const char *label : {"sLabel5", "sLabel7"})
        EXPECT_TRUE(main.findChild<QLabel *>(QString::fromLatin1(label))->isVisible()) << label;
    EXPECT_EQ(action("ACTION_FILE_CLOSE")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_EQ(action("PAD_VIEW_DIR")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+D")));
    EXPECT_EQ(main.ProjectPanel()->currentWidget()->objectName(), QStringLiteral("tabGeneral"));
    // Two pages, the second holding three more, each with its caption, all in sight.
    auto *inner = main.findChild<QTabWidget *>(QStringLiteral("sPageControl2"));
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(main.ProjectPanel()->widget(1)->objectName(), QStringLiteral("tabImage"));
    EXPECT_TRUE(main.ProjectPanel()->widget(1)->isAncestorOf(inner));
    const std::pair<QTabWidget *, QStringList> panels[] = {
        {main.ProjectPanel(), Texts({"tabGeneral", "J_GNR", "tabImage", "J_IMG"})},
        {inner, Texts({"tabFilter", "J_FILTER", "tabDestExt", "J_IMG_DEST", "tabDestPath", "J_DEST"})}};
    for (const auto &[tabs, pages] : panels) {
        if (tabs == inner) {
            main.ProjectPanel()->setCurrentIndex(1);
            QApplication::processEvents();
        }
        ASSERT_EQ(tabs->count() * 2, pages.size());
        for (int tab = 0; tab < tabs->count(); ++tab) {
            EXPECT_EQ(tabs->widget(tab)->objectName(), pages.at(2 * tab));
            EXPECT_EQ(tabs->tabText(tab), lang->GetText(pages.at(2 * tab + 1)));
            EXPECT_LE(tabs->tabBar()->tabRect(tab).right(), tabs->tabBar()->width()) << "tab " << tab << " is out of sight";
        }
    }
    ASSERT_NE(CurrentJob(), nullptr);
    EXPECT_EQ(CurrentJob()->Name, QStringLiteral("Untitled"));
    EXPECT_EQ(main.Gauge()->objectName(), QStringLiteral("sGauge1"));
    EXPECT_TRUE(prompt.errors.isEmpty()) << prompt.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(prompt.warnings.isEmpty());
}

TEST_F(MainWindow, PanesViewSortSyncSkinAndFolderSurviveARestart)
{
    const QString photos = folder(QStringLiteral("photos"));
    makeFile(QStringLiteral("photos/small.png"), 10);
    makeFile(QStringLiteral("photos/large.png"), 900);
    TformMain &first = start();
    action("PAD_VIEW_DIR")->trigger();
    action("ACTION_TUMB")->trigger();
    ASSERT_TRUE(fileList().Browse(photos));
    action("ACTION_SORT_SIZE")->trigger(); // name ascending: size, the other way
    sources().SyncAction()->trigger();
    const QAction *graphite = nullptr;
    for (QAction *item : first.Menu("PAD_VIEW_SKIN")->actions()) {
        if (item->text() == QStringLiteral("Graphite (internal)"))
            graphite = item;
    }
    ASSERT_NE(graphite, nullptr);
    const_cast<QAction *>(graphite)->trigger();
    ASSERT_EQ(CurrentSkinName(), QStringLiteral("Graphite (internal)"));
    ApplySkin(StartSkinName());

    TformMain &main = restart();
    EXPECT_FALSE(main.findChild<QWidget *>(QStringLiteral("Panel1"))->isVisible());
    EXPECT_FALSE(action("PAD_VIEW_DIR")->isChecked());
    EXPECT_TRUE(action("PAD_VIEW_TOOLS")->isChecked());
    EXPECT_EQ(fileList().ViewStyle(), TFileList::Thumbnails);
    EXPECT_TRUE(action("ACTION_TUMB")->isChecked());
    EXPECT_EQ(fileList().CurrentFolder(), photos);
    EXPECT_EQ(fileList().SortColumn(), 1);
    EXPECT_EQ(fileList().SortOrder(), Qt::DescendingOrder);
    EXPECT_TRUE(action("ACTION_SORT_SIZE")->isChecked());
    EXPECT_EQ(listNames(), (QStringList{QStringLiteral("large.png"), QStringLiteral("small.png")}));
    EXPECT_TRUE(sources().SyncMode());
    EXPECT_EQ(sources().Model().SortColumn(), 1);
    EXPECT_EQ(sources().Model().SortOrder(), Qt::DescendingOrder);
    EXPECT_FALSE(action("ACTION_SORTF_PATH")->isEnabled());
    EXPECT_EQ(main.SkinName(), QStringLiteral("Graphite (internal)"));
    EXPECT_EQ(CurrentSkinName(), QStringLiteral("Graphite (internal)"));
}

TEST_F(MainWindow, PlacementLimitsAndLanguageSurviveARestart)
{
    TformMain &first = start();
    first.setGeometry(60, 110, 700, 500);
    QAction *german = languageCommand(first, QStringLiteral("Deutsch (DE)"));
    ASSERT_NE(german, nullptr) << "the German module of the build is missing";
    german->trigger();
    ASSERT_EQ(lang->CurrentName(), QStringLiteral("Deutsch (DE)"));
    const QString germanFile = text("PAD_FILE");
    EXPECT_EQ(first.Menu("PAD_FILE")->title().remove(QLatin1Char('&')), germanFile);
    EXPECT_EQ(first.windowTitle(), text("TITLE_1") + QStringLiteral("  [Untitled]"));
    EXPECT_TRUE(first.StatusPanel(1)->text().startsWith(text("STATUS_TOTAL") + QStringLiteral(": ")));

    MemoryLimit = 48;
    MapLimit = 96;
    first.close();
    MemoryLimit = 32;
    MapLimit = 64;
    TformMain &main = start();
    EXPECT_EQ(lang->CurrentName(), QStringLiteral("Deutsch (DE)"));
    EXPECT_EQ(main.Menu("PAD_FILE")->title().remove(QLatin1Char('&')), germanFile);
    EXPECT_NE(germanFile, QStringLiteral("File"));
    EXPECT_EQ(MemoryLimit, 48);
    EXPECT_EQ(MapLimit, 96);
    EXPECT_EQ(main.size(), QSize(700, 500));
}

TEST_F(MainWindow, TheControlThatHadTheFocusHasItAgain)
{
    TformMain &first = start();
    first.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&first));
    sources().View()->setFocus();
    ASSERT_EQ(first.focusWidget(), sources().View());
    first.close();

    TformMain &main = start();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    EXPECT_EQ(main.focusWidget(), sources().View());
}

TEST_F(MainWindow, UnknownStoredValuesFallBackAndTheSkinNameIsWrittenBackUnchanged)
{
    {
        auto store = OpenSettingsStore();
        store->beginGroup(QStringLiteral("TformMain"));
        store->setValue(QStringLiteral("ValNameSkin"), QStringLiteral("MacOS (internal)"));
        store->setValue(QStringLiteral("ValLang"), QStringLiteral("Klingon (KL)"));
        store->setValue(QStringLiteral("ValCurDir"), sandbox.filePath(QStringLiteral("gone")));
        store->setValue(QStringLiteral("ValViewMode"), QStringLiteral("seven"));
        store->setValue(QStringLiteral("ValDiskLimit"), 77);
        store->endGroup();
    }
    TformMain &main = start();
    EXPECT_EQ(CurrentSkinName(), StartSkinName());
    EXPECT_EQ(main.SkinPosition(), 0);
    EXPECT_EQ(lang->CurrentName(), QStringLiteral("English (EN)"));
    EXPECT_EQ(fileList().CurrentFolder(), QDir::homePath());
    EXPECT_EQ(fileList().ViewStyle(), TFileList::LargeIcons);
    main.close();

    auto store = OpenSettingsStore();
    store->beginGroup(QStringLiteral("TformMain"));
    EXPECT_EQ(store->value(QStringLiteral("ValNameSkin")).toString(), QStringLiteral("MacOS (internal)"));
    EXPECT_EQ(store->value(QStringLiteral("ValDiskLimit")).toInt(), 77);
    EXPECT_EQ(store->value(QStringLiteral("ValLang")).toString(), QStringLiteral("English (EN)"));
}

// --- The file browser commands -----------------------------------------------------

TEST_F(MainWindow, TheSortCommandFlipsOnEveryRunAndKeepsTheViewStyle)
{
    const QString photos = folder(QStringLiteral("photos"));
    makeFile(QStringLiteral("photos/a.png"), 300);
    makeFile(QStringLiteral("photos/b.png"), 100);
    makeFile(QStringLiteral("photos/c.png"), 200);
    start();
    ASSERT_TRUE(fileList().Browse(photos));

    action("ACTION_SORT_SIZE")->trigger();
    EXPECT_EQ(listNames(), (QStringList{QStringLiteral("a.png"), QStringLiteral("c.png"), QStringLiteral("b.png")}));
    EXPECT_EQ(fileList().ViewStyle(), TFileList::LargeIcons);
    action("ACTION_SORT_SIZE")->trigger();
    EXPECT_EQ(listNames(), (QStringList{QStringLiteral("b.png"), QStringLiteral("c.png"), QStringLiteral("a.png")}));
    EXPECT_TRUE(action("ACTION_SORT_SIZE")->isChecked());
    EXPECT_FALSE(action("ACTION_SORT_NAME")->isChecked());

    action("ACTION_TUMB")->trigger();
    action("ACTION_SORT_DATE")->trigger();
    EXPECT_EQ(fileList().ViewStyle(), TFileList::Thumbnails);
    EXPECT_EQ(fileList().SortColumn(), 3);
    EXPECT_EQ(fileList().SortOrder(), Qt::DescendingOrder);
    EXPECT_TRUE(action("ACTION_SORT_DATE")->isChecked());
}

TEST_F(MainWindow, TheListShowsTheProjectsFormatsAndNoHiddenItems)
{
    const QString photos = folder(QStringLiteral("photos"));
    makeFile(QStringLiteral("photos/a.png"));
    makeFile(QStringLiteral("photos/b.JPG"));
    makeFile(QStringLiteral("photos/notes.odt"));
    makeFile(QStringLiteral("photos/.hidden.png"));
    folder(QStringLiteral("photos/sub"));
    folder(QStringLiteral("photos/.cache"));
    start();
    ASSERT_TRUE(fileList().Browse(photos));
    QStringList names = listNames();
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("a.png"), QStringLiteral("b.JPG"), QStringLiteral("sub")}));
}

TEST_F(MainWindow, WithEveryFormatUntickedTheListShowsFoldersAndAddingFindsNothing)
{
    makeFile(QStringLiteral("photos/a.png"));
    makeFile(QStringLiteral("photos/trip/b.png"));
    TformMain &main = start();
    ASSERT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("photos"))));
    openEveryPage(main);
    // "Uncheck all" on the filter page.
    main.findChild<QToolButton *>(QStringLiteral("sSpeedButton6"))->click();
    for (const TExtCell &cell : CurrentJob()->SourceExts)
        ASSERT_EQ(cell.Enabled, 0);
    EXPECT_EQ(listNames(), QStringList{QStringLiteral("trip")});
    EXPECT_TRUE(main.IsModified());

    selectInList({QStringLiteral("trip")});
    action("ACTION_ADDTOFAVOR")->trigger();
    EXPECT_EQ(FavorList().Count(), 0);
    EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("Not found files or duplicate")});
    EXPECT_FALSE(windows->Searching->isVisible());
}

TEST_F(MainWindow, StatusBarCountsTheListAndNamesTheFirstSelectedItem)
{
    const QString photos = folder(QStringLiteral("photos"));
    makeFile(QStringLiteral("photos/a.png"));
    makeFile(QStringLiteral("photos/b.png"));
    folder(QStringLiteral("photos/sub"));
    TformMain &main = start();
    ASSERT_TRUE(fileList().Browse(photos));

    EXPECT_EQ(main.StatusPanel(1)->text(), text("STATUS_TOTAL") + QStringLiteral(": 3"));
    EXPECT_EQ(main.StatusPanel(2)->text(), text("STATUS_SELECTED") + QStringLiteral(": 0"));
    EXPECT_TRUE(main.StatusPanel(3)->text().isEmpty());

    selectInList({QStringLiteral("b.png"), QStringLiteral("a.png")});
    EXPECT_EQ(main.StatusPanel(2)->text(), text("STATUS_SELECTED") + QStringLiteral(": 2"));
    EXPECT_EQ(main.StatusPanel(3)->text(), QStringLiteral("a.png"));
    EXPECT_TRUE(action("ACTION_ADDTOFAVOR")->isEnabled());

    action("ACTION_SELECT_NONE")->trigger();
    EXPECT_EQ(main.StatusPanel(2)->text(), text("STATUS_SELECTED") + QStringLiteral(": 0"));
    EXPECT_TRUE(main.StatusPanel(3)->text().isEmpty());
    EXPECT_FALSE(action("ACTION_ADDTOFAVOR")->isEnabled());
    action("ACTION_SELECT_ALL")->trigger();
    EXPECT_EQ(main.StatusPanel(2)->text(), text("STATUS_SELECTED") + QStringLiteral(": 3"));
    EXPECT_TRUE(action("ACTION_ADDTOFAVOR")->isEnabled());
    action("ACTION_SELECT_INVERT")->trigger();
    EXPECT_EQ(fileList().SelectedCount(), 0);
    EXPECT_FALSE(action("ACTION_ADDTOFAVOR")->isEnabled());
}

TEST_F(MainWindow, BackGoesUpAndStopsAtTheTop)
{
    const QString sub = folder(QStringLiteral("photos/sub"));
    start();
    ASSERT_TRUE(fileList().Browse(sub));
    action("PAD_VIEW_BACK")->trigger();
    EXPECT_EQ(fileList().CurrentFolder(), sandbox.filePath(QStringLiteral("photos")));
    windows->Main->ToolButton("ToolButton13")->click();
    EXPECT_EQ(fileList().CurrentFolder(), sandbox.path());
    ASSERT_TRUE(fileList().Browse(QStringLiteral("/")));
    action("ACTION_BACK")->trigger();
    EXPECT_EQ(fileList().CurrentFolder(), QStringLiteral("/"));
}

TEST_F(MainWindow, PanelTogglesShowAndHideTheirPanes)
{
    TformMain &main = start();
    QWidget *toolPanel = main.findChild<QWidget *>(QStringLiteral("sPanel1"));
    QToolButton *toolsButton = main.ToolButton("ToolButton2");

    toolsButton->click();
    EXPECT_FALSE(toolPanel->isVisible());
    EXPECT_FALSE(toolsButton->isVisible());
    EXPECT_FALSE(action("PAD_VIEW_TOOLS")->isChecked());
    action("PAD_VIEW_TOOLS")->trigger();
    EXPECT_TRUE(toolPanel->isVisible());
    EXPECT_TRUE(action("PAD_VIEW_TOOLS")->isChecked());
    // The shortcut works while the toolbar is hidden.
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    QTest::keySequence(&main, QKeySequence(QStringLiteral("Ctrl+Alt+T")));
    EXPECT_FALSE(toolPanel->isVisible());
    QTest::keySequence(&main, QKeySequence(QStringLiteral("Ctrl+Alt+T")));
    EXPECT_TRUE(toolPanel->isVisible());

    main.ToolButton("ToolButton3")->click();
    EXPECT_FALSE(main.findChild<QWidget *>(QStringLiteral("Panel1"))->isVisible());
    EXPECT_FALSE(action("PAD_VIEW_DIR")->isChecked());
    main.ToolButton("ToolButton12")->click();
    EXPECT_FALSE(main.ProjectPanel()->isVisible());
    EXPECT_FALSE(action("PAD_VIEW_OPTIONS")->isChecked());
    action("PAD_VIEW_OPTIONS")->trigger();
    action("PAD_VIEW_DIR")->trigger();
    EXPECT_TRUE(main.ProjectPanel()->isVisible());
    EXPECT_TRUE(main.findChild<QWidget *>(QStringLiteral("Panel1"))->isVisible());
}

TEST_F(MainWindow, MenusHoldTheirCommandsInOrder)
{
    TformMain &main = start();
    EXPECT_EQ(ActionNames(main.Menu("PopupMenu5")),
              Texts({"P5_BACK", "-", "P5_ADDFAVOR", "-", "ACTION_SELECT_ALL", "ACTION_SELECT_INVERT",
                           "ACTION_SELECT_NONE", "-", "ACTION_TUMB", "ACTION_ICON", "ACTION_BIGICON",
                           "ACTION_LIST", "ACTION_DETAILS", "-", "ACTION_SORT_NAME", "ACTION_SORT_SIZE",
                           "ACTION_SORT_TYPE", "ACTION_SORT_DATE", "-", "ACTION_SORT_SYNC"}));
    EXPECT_EQ(ActionNames(main.Menu("PopupMenu2")),
              Texts({"ACTION_SORT_NAME", "ACTION_SORT_SIZE", "ACTION_SORT_TYPE", "ACTION_SORT_DATE", "-",
                           "ACTION_SORT_SYNC"}));
    EXPECT_EQ(ActionNames(main.Menu("PAD_FILE")),
              Texts({"PAD_FILE_NEW", "PAD_FILE_OPEN", "PAD_FILE_SAVE", "-", "ACTION_FILE_CLOSE"}));
    EXPECT_EQ(main.Menu("PAD_VIEW_LANG")->actions().size(), lang->Languages().size());
    // The toolbar's buttons, left to right, and the exit button at the far end.
    QStringList buttons;
    for (QToolButton *button : main.findChild<QWidget *>(QStringLiteral("sToolBar1"))->findChildren<QToolButton *>()) {
        if (button->objectName().startsWith(QLatin1String("ToolButton")))
            buttons.append(button->objectName());
    }
    EXPECT_EQ(buttons, Texts({"ToolButton15", "ToolButton11", "ToolButton17", "ToolButton2", "ToolButton3",
                                    "ToolButton12", "ToolButton13", "ToolButton4", "ToolButton8", "ToolButton6",
                                    "ToolButton16", "ToolButton9", "ToolButton18"}));
    EXPECT_EQ(main.ToolButton("sSpeedButton1")->toolTip(), text("HINT_EXIT"));

    // The context menu refreshes the add command when it opens.
    fileList().SelectAll();
    action("ACTION_ADDTOFAVOR")->setEnabled(false);
    QMenu *popup = main.Menu("PopupMenu5");
    QTimer::singleShot(0, popup, &QMenu::close);
    popup->exec(main.mapToGlobal(QPoint(100, 100)));
    EXPECT_EQ(action("ACTION_ADDTOFAVOR")->isEnabled(), fileList().SelectedCount() > 0);
}

TEST_F(MainWindow, AboutOpensModallyAndTheSiteItemOpensTheProjectPage)
{
    TformMain &main = start();
    // Windows that only commands open are built when first needed.
    EXPECT_FALSE(windows->About || windows->Searching || windows->Report || windows->Wait);
    QList<QUrl> opened;
    SetUrlOpener([&opened](const QUrl &url) { opened.append(url); });
    bool wasVisible = false;
    QTimer::singleShot(0, &main, [&] {
        wasVisible = windows->About->isVisible() && windows->About->isModal();
        windows->About->closeButton()->click();
    });
    action("PAD_HELP_ABOUT")->trigger();
    EXPECT_TRUE(wasVisible);
    EXPECT_FALSE(windows->About->isVisible());
    action("PAD_HELP_SITE")->trigger();
    EXPECT_EQ(opened, QList<QUrl>{ProjectPageUrl()});
}

TEST_F(MainWindow, PreferencesTakeTheRestoredLimitsAndTheirSearchOptionMarksTheProject)
{
    {
        auto store = OpenSettingsStore();
        store->beginGroup(QStringLiteral("TformMain"));
        store->setValue(QStringLiteral("ValMemoryLimit"), 32);
        store->setValue(QStringLiteral("ValMapLimit"), 65);
        store->endGroup();
    }
    TformMain &main = start();
    main.EnsureHiddenWindows();
    TformPref &preferences = *windows->Preferences;
    EXPECT_TRUE(preferences.syncBox()->isChecked());
    EXPECT_EQ(MemoryLimit, 32);
    EXPECT_EQ(MapLimit, 64);
    EXPECT_EQ(preferences.mapBar()->value(), 64);
    EXPECT_FALSE(preferences.isVisible());

    ASSERT_TRUE(action("PAD_SERV_PREF")->isEnabled());
    EXPECT_EQ(action("PAD_SERV_PREF")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    bool wasModal = false;
    QTimer::singleShot(0, &preferences, [&] {
        wasModal = preferences.isVisible() && preferences.isModal();
        preferences.searchOption(1)->click();
        preferences.closeButton()->click();
    });
    action("PAD_SERV_PREF")->trigger();
    EXPECT_TRUE(wasModal);
    EXPECT_FALSE(preferences.isVisible());
    EXPECT_EQ(CurrentJob()->SearchMode, 1);
    EXPECT_TRUE(main.IsModified());
    EXPECT_EQ(preferences.windowTitle(), text("PAD_SERV_PREF"));

    prompt.answers = {TAnswer::No};
    action("ACTION_FILE_CLOSE")->trigger();
    EXPECT_EQ(prompt.questions, QStringList{QStringLiteral("Save project?")});
    EXPECT_FALSE(main.isVisible());
}

// --- Sources -----------------------------------------------------------------------

TEST_F(MainWindow, AddingAFolderTreeGathersItsImagesOnceAndCountsThem)
{
    folder(QStringLiteral("shots"));
    makeFile(QStringLiteral("shots/trip/a.png"));
    makeFile(QStringLiteral("shots/trip/b.jpg"));
    makeFile(QStringLiteral("shots/trip/deep/c.tif"));
    makeFile(QStringLiteral("shots/trip/readme.odt"));
    makeFile(QStringLiteral("shots/single.png"));
    TformMain &main = start();
    ASSERT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("shots"))));
    selectInList({QStringLiteral("trip"), QStringLiteral("single.png")});
    ASSERT_TRUE(action("ACTION_ADDTOFAVOR")->isEnabled());

    main.ToolButton("ToolButton16")->click();
    EXPECT_EQ(FavorList().Count(), 4);
    QStringList names = sourceNames();
    names.sort();
    EXPECT_EQ(names, Texts({"a.png", "b.jpg", "c.tif", "single.png"}));
    EXPECT_EQ(main.findChild<QLabel *>(QStringLiteral("sLabel7"))->text(), QStringLiteral("4"));
    EXPECT_FALSE(windows->Searching->isVisible());
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_TRUE(PendingFavorList().isEmpty());

    // The same selection again brings nothing new.
    action("P5_ADDFAVOR")->trigger();
    EXPECT_EQ(FavorList().Count(), 4);
    EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("Not found files or duplicate")});
    EXPECT_EQ(main.findChild<QLabel *>(QStringLiteral("sLabel7"))->text(), QStringLiteral("4"));
}

TEST_F(MainWindow, TheProjectsFolderSearchDecidesWhetherSubfoldersCount)
{
    makeFile(QStringLiteral("shots/trip/top.png"));
    makeFile(QStringLiteral("shots/trip/deeper/below.png"));
    start();
    ASSERT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("shots"))));
    CurrentJob()->SearchMode = 1;
    selectInList({QStringLiteral("trip")});
    action("ACTION_ADDTOFAVOR")->trigger();
    EXPECT_EQ(sourceNames(), QStringList{QStringLiteral("top.png")});
    CurrentJob()->SearchMode = 0;
    action("ACTION_ADDTOFAVOR")->trigger();
    QStringList names = sourceNames();
    names.sort();
    EXPECT_EQ(names, Texts({"below.png", "top.png"}));
}

TEST_F(MainWindow, CancelInTheSearchingDialogStopsTheWalk)
{
    const int total = 600;
    for (int i = 0; i < total; ++i)
        makeFile(QStringLiteral("big/f%1/img%2.png").arg(i % 30).arg(i));
    start();
    ASSERT_TRUE(fileList().Browse(sandbox.path()));
    selectInList({QStringLiteral("big")});
    bool clicked = false;
    windows->Main->EnsureHiddenWindows();
    windows->Searching->SetDispatchObserver([&] {
        if (!clicked && windows->Searching->isVisible()) {
            clicked = true;
            windows->Searching->CancelButton()->click();
        }
    });
    action("ACTION_ADDTOFAVOR")->trigger();
    windows->Searching->SetDispatchObserver({});
    EXPECT_TRUE(clicked);
    EXPECT_LT(FavorList().Count(), total);
    EXPECT_EQ(sources().Model().Count(), FavorList().Count());
    EXPECT_FALSE(windows->Searching->isVisible());
    EXPECT_TRUE(PendingFavorList().isEmpty());
}

TEST_F(MainWindow, DeleteAndClearAskFirstAndKeepTheListAndTheViewTogether)
{
    folder(QStringLiteral("shots"));
    for (const char *name : {"a.png", "b.png", "c.png"})
        makeFile(QStringLiteral("shots/") + QLatin1String(name));
    TformMain &main = start();
    ASSERT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("shots"))));
    action("ACTION_SELECT_ALL")->trigger();
    action("ACTION_ADDTOFAVOR")->trigger();
    ASSERT_EQ(FavorList().Count(), 3);
    QLabel *count = main.findChild<QLabel *>(QStringLiteral("sLabel7"));

    sources().View()->selectionModel()->select(sources().Model().index(1, 0),
                                               QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString chosen = sources().Model().Row(1).Name;
    prompt.answers = {TAnswer::No};
    action("ACTION_FAVOR_DEL")->trigger();
    EXPECT_EQ(FavorList().Count(), 3);
    prompt.answers = {TAnswer::Yes};
    main.findChild<QToolButton *>(QStringLiteral("ToolButton22"))->click();
    EXPECT_EQ(FavorList().Count(), 2);
    EXPECT_FALSE(sourceNames().contains(chosen));
    EXPECT_EQ(count->text(), QStringLiteral("2"));
    EXPECT_EQ(prompt.questions, Texts({"Delete selection?", "Delete selection?"}));

    // The Delete key in the view asks the same question.
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    sources().View()->setFocus();
    sources().View()->selectionModel()->select(sources().Model().index(0, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    prompt.answers = {TAnswer::Yes};
    QTest::keyClick(sources().View(), Qt::Key_Delete);
    EXPECT_EQ(FavorList().Count(), 1);
    EXPECT_EQ(count->text(), QStringLiteral("1"));
    EXPECT_EQ(prompt.questions.size(), 3);

    prompt.answers = {TAnswer::No, TAnswer::Yes};
    action("ACTION_FAVOR_CLEAR")->trigger();
    EXPECT_EQ(FavorList().Count(), 1);
    action("ACTION_FAVOR_CLEAR")->trigger();
    EXPECT_EQ(FavorList().Count(), 0);
    EXPECT_EQ(sources().Model().Count(), 0);
    EXPECT_EQ(count->text(), QStringLiteral("0"));
    EXPECT_FALSE(action("ACTION_FAVOR_CLEAR")->isEnabled());
}

TEST_F(MainWindow, SyncModeMirrorsHeaderClicksBothWays)
{
    folder(QStringLiteral("mixed"));
    makeFile(QStringLiteral("mixed/b.png"), 30);
    makeFile(QStringLiteral("mixed/a.jpg"), 20);
    makeFile(QStringLiteral("mixed/c.tif"), 10);
    start();
    ASSERT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("mixed"))));
    action("ACTION_SELECT_ALL")->trigger();
    action("ACTION_ADDTOFAVOR")->trigger();
    ASSERT_EQ(FavorList().Count(), 3);
    sources().SyncAction()->trigger();
    ASSERT_TRUE(sources().SyncMode());
    EXPECT_EQ(sources().Model().SortColumn(), 0);
    EXPECT_FALSE(action("ACTION_SORTF_PATH")->isEnabled());

    // The file list's Type header, in the details view.
    action("ACTION_DETAILS")->trigger();
    QHeaderView *header = fileList().Header();
    const int x = header->sectionViewportPosition(2) + header->sectionSize(2) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
    QApplication::processEvents();
    EXPECT_EQ(fileList().SortColumn(), 2);
    EXPECT_TRUE(action("ACTION_SORT_TYPE")->isChecked());
    EXPECT_EQ(sources().Model().SortColumn(), 2);
    EXPECT_EQ(sources().Model().SortOrder(), fileList().SortOrder());
    EXPECT_TRUE(action("ACTION_SORTF_TYPE")->isChecked());

    // The sources header's Size column, and the sort command of the file list.
    QHeaderView *sourcesHeader = sources().View()->header();
    const int sx = sourcesHeader->sectionViewportPosition(1) + sourcesHeader->sectionSize(1) / 2;
    QTest::mouseClick(sourcesHeader->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(sx, sourcesHeader->height() / 2));
    EXPECT_EQ(sources().Model().SortColumn(), 1);
    EXPECT_EQ(sources().Model().SortOrder(), Qt::AscendingOrder);
    EXPECT_EQ(fileList().SortColumn(), 1);
    EXPECT_EQ(fileList().SortOrder(), Qt::AscendingOrder);
    EXPECT_TRUE(action("ACTION_SORT_SIZE")->isChecked());
    EXPECT_EQ(sourceNames(), Texts({"c.tif", "a.jpg", "b.png"}));

    action("ACTION_SORT_NAME")->trigger();
    EXPECT_EQ(sources().Model().SortColumn(), 0);
    EXPECT_EQ(sources().Model().SortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(sourceNames(), Texts({"c.tif", "b.png", "a.jpg"}));

    // Off again: nothing follows any more.
    sources().SyncAction()->trigger();
    EXPECT_TRUE(action("ACTION_SORTF_PATH")->isEnabled());
    action("ACTION_SORT_SIZE")->trigger();
    EXPECT_EQ(sources().Model().SortColumn(), 0);
}

TEST_F(MainWindow, ANewProjectAsksBeforeItClearsTheSources)
{
    folder(QStringLiteral("shots"));
    makeFile(QStringLiteral("shots/a.png"));
    TformMain &main = start();
    ASSERT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("shots"))));
    action("ACTION_SELECT_ALL")->trigger();
    action("ACTION_ADDTOFAVOR")->trigger();
    ASSERT_EQ(FavorList().Count(), 1);
    const int projects = ListCnvJob().Count();

    prompt.answers = {TAnswer::No};
    main.ToolButton("ToolButton15")->click();
    EXPECT_EQ(ListCnvJob().Count(), projects + 1);
    EXPECT_EQ(FavorList().Count(), 1);
    prompt.answers = {TAnswer::Yes};
    action("PAD_FILE_NEW")->trigger();
    EXPECT_EQ(FavorList().Count(), 0);
    EXPECT_EQ(prompt.questions, Texts({"Clear data?", "Clear data?"}));
    EXPECT_EQ(main.windowTitle(), text("TITLE_1") + QStringLiteral("  [Untitled]"));
}

// --- Convert -----------------------------------------------------------------------

class MainWindowRun : public MainWindow
{
protected:
    // Real images in photos/, added to the sources; the project converts them to JPG in dest/.
    TformMain &startWithImages(int count)
    {
        folder(QStringLiteral("photos"));
        for (int i = 0; i < count; ++i)
            WriteFileBytes(sandbox.filePath(QStringLiteral("photos/img%1.png").arg(i)),
                           MakeImageBytes(QStringLiteral("gradient:red-blue"), 64, 48, QStringLiteral("png")));
        destination = folder(QStringLiteral("dest"));
        TformMain &main = start();
        EXPECT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("photos"))));
        action("ACTION_SELECT_ALL")->trigger();
        action("ACTION_ADDTOFAVOR")->trigger();
        EXPECT_EQ(FavorList().Count(), count);
        TCnvJob &project = *CurrentJob();
        project.TargetExt = QStringLiteral("JPG");
        project.UseDestDir = 1;
        project.DestDir = destination;
        return main;
    }

    // Closes the report as soon as it shows and notes what the run looked like meanwhile.
    void watchRun(const std::function<void()> &whileRunning = {})
    {
        auto *poll = new QTimer(windows->Main.get());
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [this, poll, whileRunning] {
            if (windows->Main->IsRunning()) {
                waitShown = waitShown || windows->Wait->isVisible();
                stopEnabledDuringRun = stopEnabledDuringRun || action("PAD_SERVIS_CNVSTOP")->isEnabled();
                sourcesToolBarDuringRun = sourcesToolBarDuringRun && !sources().ToolBar()->isEnabled();
                if (whileRunning)
                    whileRunning();
            }
            if (windows->Report->isVisible()) {
                reportLines = windows->Report->ReportLines();
                windows->Report->closeButton()->click();
                reportClosed = true;
                poll->stop();
            }
        });
        poll->start();
    }

    bool waitForIdle()
    {
        return QTest::qWaitFor([this] { return !windows->Main->IsRunning() && !windows->Report->isVisible(); }, 60000);
    }

    QStringList written() const
    {
        return QDir(destination).entryList(QDir::Files, QDir::Name);
    }

    void expectStoppedWithTheReportKept(bool bySignal);

    QString destination;
    bool waitShown = false;
    bool stopEnabledDuringRun = false;
    bool sourcesToolBarDuringRun = true;
    bool reportClosed = false;
    QStringList reportLines;
};

TEST_F(MainWindowRun, ConvertRefusesWhatCannotRunAndStartsNothing)
{
    TformMain &main = start();
    EXPECT_FALSE(action("ACTION_CONVERT")->isEnabled());
    main.Convert();
    EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("List of favotite is empty")});

    prompt.warnings.clear();
    windows.reset();
    TformMain &again = startWithImages(1);
    EXPECT_TRUE(action("ACTION_CONVERT")->isEnabled());
    CurrentJob()->TargetExt.clear();
    again.ToolButton("ToolButton9")->click();
    CurrentJob()->TargetExt = QStringLiteral("JPG");
    CurrentJob()->DestDir = sandbox.filePath(QStringLiteral("nowhere"));
    action("PAD_SERVIS_CNV")->trigger();
    EXPECT_EQ(prompt.warnings, Texts({"Incorrect new extension", "Destination directory not exist"}));
    EXPECT_FALSE(again.IsRunning());
    EXPECT_FALSE(windows->Wait->isVisible());
}

TEST_F(MainWindowRun, OnlyACodeOfTheWritableListCanBeTheTarget)
{
    TformMain &main = startWithImages(1);
    openEveryPage(main);
    QLineEdit *typed = main.findChild<QComboBox *>(QStringLiteral("jobIMAGE_DestExt"))->lineEdit();
    for (const char *code : {"PNGTI", "X", "JPG "}) {
        typed->selectAll();
        QTest::keyClick(typed, Qt::Key_Delete);
        QTest::keyClicks(typed, QString::fromLatin1(code));
        ASSERT_EQ(CurrentJob()->TargetExt, QString::fromLatin1(code));
        prompt.warnings.clear();
        action("ACTION_CONVERT")->trigger();
        EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("Incorrect new extension")}) << code;
        EXPECT_FALSE(main.IsRunning()) << code;
    }
    EXPECT_TRUE(written().isEmpty());
    EXPECT_EQ(sources().Model().Row(0).Status, 0);

    // A listed code in another letter case is that code.
    typed->selectAll();
    QTest::keyClick(typed, Qt::Key_Delete);
    QTest::keyClicks(typed, QStringLiteral("png"));
    prompt.warnings.clear();
    watchRun();
    action("ACTION_CONVERT")->trigger();
    ASSERT_TRUE(waitForIdle());
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_EQ(written(), QStringList{QStringLiteral("img0.png")});
}

TEST_F(MainWindowRun, NamesThatDifferOnlyInCaseAreTwoSourcesAndTwoOutputs)
{
    if (FileNameCase() != Qt::CaseSensitive)
        GTEST_SKIP() << "names that differ only in case are one file here";
    folder(QStringLiteral("photos"));
    for (const char *name : {"a.png", "A.png"})
        WriteFileBytes(sandbox.filePath(QStringLiteral("photos/") + QLatin1String(name)),
                       MakeImageBytes(QStringLiteral("gradient:red-blue"), 32, 24, QStringLiteral("png")));
    destination = folder(QStringLiteral("dest"));
    TformMain &main = start();
    ASSERT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("photos"))));
    action("ACTION_SELECT_ALL")->trigger();
    action("ACTION_ADDTOFAVOR")->trigger();
    EXPECT_EQ(FavorList().Count(), 2);
    CurrentJob()->TargetExt = QStringLiteral("JPG");
    CurrentJob()->UseDestDir = 1;
    CurrentJob()->DestDir = destination;
    EXPECT_TRUE(prompt.warnings.isEmpty()) << prompt.warnings.join(QLatin1Char('\n')).toStdString();
    watchRun();
    action("ACTION_CONVERT")->trigger();
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(written(), Texts({"A.JPG", "a.JPG"}));
    EXPECT_EQ(ConversionSummary.Succeeded, 2);
    EXPECT_FALSE(main.IsRunning());
}

TEST_F(MainWindowRun, ARunConvertsEveryRowShowsTheReportAndReturnsToIdle)
{
    TformMain &main = startWithImages(3);
    // The target and the destination as the user sets them on the project panel.
    CurrentJob()->TargetExt.clear();
    CurrentJob()->UseDestDir = 0;
    openEveryPage(main);
    main.findChild<QComboBox *>(QStringLiteral("jobIMAGE_DestExt"))->setCurrentText(QStringLiteral("JPG"));
    QCheckBox *useDir = main.findChild<QCheckBox *>(QStringLiteral("jobIMAGE_UseDir"));
    ASSERT_FALSE(useDir->isChecked());
    useDir->click();
    prompt.fileNames = {destination};
    main.findChild<QToolButton *>(QStringLiteral("jobIMAGE_DirBrowse"))->click();
    ASSERT_EQ(CurrentJob()->TargetExt, QStringLiteral("JPG"));
    ASSERT_EQ(CurrentJob()->DestDir, destination);
    ASSERT_TRUE(fileList().Browse(destination));
    watchRun();
    action("ACTION_CONVERT")->trigger();
    ASSERT_TRUE(waitForIdle());

    EXPECT_TRUE(waitShown);
    EXPECT_TRUE(stopEnabledDuringRun);
    EXPECT_TRUE(sourcesToolBarDuringRun);
    EXPECT_TRUE(reportClosed);
    EXPECT_EQ(written().size(), 3);
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(sources().Model().Row(row).Status, 2) << sources().Model().Row(row).Message.toStdString();
    EXPECT_EQ(ConversionSummary.Succeeded, 3);
    EXPECT_EQ(ConversionSummary.Failed, 0);
    EXPECT_EQ(ConversionSummary.Status, 1);
    EXPECT_EQ(ConversionSummary.OutDirectory, destination);
    EXPECT_TRUE(reportLines.contains(QStringLiteral("Successful  :3")));
    EXPECT_TRUE(QFileInfo::exists(LastReportPath()));
    // Idle again: gauge, commands, the list showing the new files.
    EXPECT_EQ(main.Gauge()->value(), 0);
    EXPECT_TRUE(action("ACTION_CONVERT")->isEnabled());
    EXPECT_FALSE(action("PAD_SERVIS_CNVSTOP")->isEnabled());
    EXPECT_TRUE(action("ACTION_FILE_CLOSE")->isEnabled());
    EXPECT_TRUE(sources().ToolBar()->isEnabled());
    EXPECT_FALSE(windows->Wait->isVisible());
    EXPECT_EQ(fileList().VisibleCount(), 3);
    EXPECT_TRUE(prompt.errors.isEmpty()) << prompt.errors.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindowRun, StoppingFromTheWaitWindowBreaksTheRunBeforeTheNextRow)
{
    startWithImages(8);
    // The end time is the run's, not the moment the user has read the message.
    double messageShown = 0;
    prompt.onInformation = [&messageShown](const QString &) {
        messageShown = NowDateTime();
        QTest::qSleep(50);
    };
    watchRun([this] {
        if (windows->Wait->isVisible())
            windows->Wait->stopButton()->click();
    });
    action("ACTION_CONVERT")->trigger();
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(prompt.informations, QStringList{QStringLiteral("Convertation breaked")});
    EXPECT_GT(messageShown, 0);
    EXPECT_LE(ConversionSummary.EndTime, messageShown);
    EXPECT_GE(ConversionSummary.EndTime, ConversionSummary.BeginTime);
    EXPECT_EQ(ConversionSummary.Status, 2);
    EXPECT_LT(ConversionSummary.Succeeded + ConversionSummary.Failed, 8);
    EXPECT_TRUE(reportLines.contains(QStringLiteral("Status  : User break")));
    int untouched = 0;
    for (int row = 0; row < 8; ++row)
        untouched += sources().Model().Row(row).Status == 0 ? 1 : 0;
    EXPECT_GT(untouched, 0);
}

TEST_F(MainWindowRun, AMultipageRunAsksForItsFileAgainUntilChosenOrGivenUp)
{
    startWithImages(3);
    CurrentJob()->MultiPages = 1;
    CurrentJob()->TargetExt = QStringLiteral("TIFF");

    prompt.answers = {TAnswer::Yes};
    action("ACTION_CONVERT")->trigger();
    EXPECT_EQ(prompt.questions, QStringList{QStringLiteral("Cancel convert?")});
    EXPECT_EQ(prompt.questionSymbols, QList<TSymbol>{TSymbol::Warning});
    EXPECT_FALSE(windows->Main->IsRunning());
    EXPECT_TRUE(written().isEmpty());

    prompt.questions.clear();
    prompt.fileNames = {QString(), destination + QStringLiteral("/album.jpg")};
    prompt.answers = {TAnswer::No};
    watchRun();
    action("ACTION_CONVERT")->trigger();
    ASSERT_TRUE(waitForIdle());
    EXPECT_EQ(prompt.questions, QStringList{QStringLiteral("Cancel convert?")});
    EXPECT_EQ(written(), QStringList{QStringLiteral("album.TIFF")});
    EXPECT_EQ(ImageFileFrameCount(destination + QStringLiteral("/album.TIFF")), 3);
}

// The window closed by its close box or, as the program wires it, by a real SIGTERM.
void MainWindowRun::expectStoppedWithTheReportKept(bool bySignal)
{
    TformMain &main = startWithImages(8);
    QFile::remove(LastReportPath());
    TStopSignals stopSignals;
    QObject::connect(stopSignals.Notifier(), &QSocketNotifier::activated, &main, [&main] {
        TStopSignals::Drain();
        main.StopOnSignal();
    });
    bool closed = false;
    watchRun([&] {
        if (!closed && windows->Wait->isVisible()) {
            closed = true;
            if (bySignal)
                ::kill(::getpid(), SIGTERM);
            else
                main.close();
        }
    });
    action("ACTION_CONVERT")->trigger();
    ASSERT_TRUE(waitForIdle());
    ASSERT_TRUE(QTest::qWaitFor([&main] { return !main.isVisible(); }, 10000));
    EXPECT_TRUE(closed);
    EXPECT_FALSE(reportClosed);
    EXPECT_EQ(ConversionSummary.Status, 2);
    EXPECT_TRUE(QFileInfo::exists(LastReportPath()));
    EXPECT_TRUE(prompt.informations.isEmpty());
}

TEST_F(MainWindowRun, ClosingTheWindowDuringARunStopsItAndKeepsTheReport)
{
    expectStoppedWithTheReportKept(false);
}

TEST_F(MainWindowRun, SigtermDuringARunStopsItAndKeepsTheReport)
{
    expectStoppedWithTheReportKept(true);
}

// The real program, offscreen: a stop signal ends it the normal way, its temporary folders
// (skin marks, the library's files) removed.
TEST(WindowProcess, TermAndHangupEndTheProgramAndRemoveItsTemporaryFolders)
{
    for (const int stopSignal : {SIGTERM, SIGHUP}) {
        QTemporaryDir home;
        const QString scratch = home.filePath(QStringLiteral("tmp"));
        QDir().mkpath(scratch);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), scratch);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess window;
        window.setProcessEnvironment(environment);
        window.setWorkingDirectory(home.path());
        window.start(QStringLiteral(PICTAVO_BIN_DIR "/pictavo"), QStringList());
        ASSERT_TRUE(window.waitForStarted(30000));
        const auto temporary = [&scratch] {
            return QDir(scratch).entryList({QStringLiteral("pictavo-*")}, QDir::Dirs | QDir::Files);
        };
        const auto skinMarks = [&temporary] { return !temporary().filter(QStringLiteral("pictavo-skin-")).isEmpty(); };
        ASSERT_TRUE(QTest::qWaitFor([&] { return skinMarks() || window.state() != QProcess::Running; }, 60000))
            << temporary().join(QLatin1Char(' ')).toStdString();
        ::kill(pid_t(window.processId()), stopSignal);
        ASSERT_TRUE(window.waitForFinished(30000)) << stopSignal;
        EXPECT_EQ(window.exitStatus(), QProcess::NormalExit) << stopSignal;
        EXPECT_EQ(window.exitCode(), 0) << stopSignal;
        EXPECT_TRUE(temporary().isEmpty()) << temporary().join(QLatin1Char(' ')).toStdString();
    }
}

// --- The project panel -----------------------------------------------------------

TEST_F(MainWindow, TheProjectNameIsInTheTitleAndALanguageSwitchKeepsTheUnsavedMark)
{
    TformMain &main = start();
    main.findChild<QLineEdit *>(QStringLiteral("jobMETA_NameJob"))->setText(QStringLiteral("Holiday"));
    EXPECT_EQ(CurrentJob()->Name, QStringLiteral("Holiday"));
    EXPECT_EQ(main.windowTitle(), text("TITLE_1") + QStringLiteral("  [Holiday]"));
    ASSERT_TRUE(main.IsModified());

    QAction *german = languageCommand(main, QStringLiteral("Deutsch (DE)"));
    ASSERT_NE(german, nullptr);
    german->trigger();
    EXPECT_EQ(main.windowTitle(), text("TITLE_1") + QStringLiteral("  [Holiday]"));
    EXPECT_EQ(main.findChild<QLineEdit *>(QStringLiteral("jobMETA_NameJob"))->text(), QStringLiteral("Holiday"));
    EXPECT_TRUE(main.IsModified());
}

TEST_F(MainWindow, SaveAndOpenGoThroughTheToolbarAndOpeningAsksBeforeClearingTheSources)
{
    makeFile(QStringLiteral("shots/a.png"));
    TformMain &main = start();
    main.findChild<QLineEdit *>(QStringLiteral("jobMETA_NameJob"))->setText(QStringLiteral("Album"));
    CurrentJob()->Quality = 90;
    const QString saved = sandbox.filePath(QStringLiteral("album"));
    prompt.fileNames = {saved};
    main.ToolButton("ToolButton17")->click();
    ASSERT_TRUE(QFileInfo::exists(saved + QStringLiteral(".prj")));

    action("ACTION_NEW_STDJOB")->trigger();
    EXPECT_EQ(CurrentJob()->Name, QStringLiteral("Untitled"));
    ASSERT_TRUE(fileList().Browse(sandbox.filePath(QStringLiteral("shots"))));
    action("ACTION_SELECT_ALL")->trigger();
    action("ACTION_ADDTOFAVOR")->trigger();
    ASSERT_EQ(FavorList().Count(), 1);

    prompt.fileNames = {saved + QStringLiteral(".prj")};
    prompt.answers = {TAnswer::No};
    main.ToolButton("ToolButton11")->click();
    EXPECT_EQ(CurrentJob()->Name, QStringLiteral("Album"));
    EXPECT_EQ(CurrentJob()->Quality, 90);
    EXPECT_EQ(main.windowTitle(), text("TITLE_1") + QStringLiteral("  [Album]"));
    EXPECT_FALSE(main.IsModified());
    EXPECT_EQ(prompt.questions, QStringList{QStringLiteral("Clear data?")});
    EXPECT_EQ(FavorList().Count(), 1);
}

TEST_F(MainWindow, AProjectRoundTripsThroughSaveOpenOpenALanguageSwitchAndSave)
{
    TformMain &main = start();
    auto field = [&main](const char *name) { return main.findChild<QLineEdit *>(QString::fromLatin1(name)); };
    auto box = [&main](const char *name) { return main.findChild<QCheckBox *>(QString::fromLatin1(name)); };
    auto list = [&main](const char *name) { return main.findChild<QComboBox *>(QString::fromLatin1(name)); };
    auto typeInto = [](QLineEdit *edit, const QString &text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        TypeText(edit, text);
    };
    openEveryPage(main);
    typeInto(field("jobMETA_NameJob"), QStringLiteral("Отпуск2026"));
    typeInto(field("jobMETA_Author"), QStringLiteral("Ёлкин"));
    main.findChild<QPlainTextEdit *>(QStringLiteral("jobMETA_Comment"))->setPlainText(QStringLiteral("a\nб"));
    typeInto(list("jobIMAGE_DestExt")->lineEdit(), QStringLiteral("PNG"));
    main.findChild<QSpinBox *>(QStringLiteral("jobIMAGE_SpinQ"))->setValue(61);
    box("jobIMAGE_UseAsItIs")->click();
    list("jobIMAGE_Measure")->setCurrentIndex(1);
    list("jobIMAGE_StdRange")->setCurrentIndex(4);
    typeInto(field("sJOBWidthEdit"), QStringLiteral("19.25"));
    typeInto(field("sJOBHeightEdit"), QStringLiteral("7.125"));
    box("jobIMAGE_LockW")->click();
    box("jobIMAGE_AsItIs2")->click();
    main.findChild<QWidget *>(QStringLiteral("jobIMAGE_ROption"))->findChildren<QRadioButton *>().at(1)->click();
    box("jobIMAGE_Num")->click();
    main.findChild<QSpinBox *>(QStringLiteral("jobIMAGE_NumBox"))->setValue(42);
    ASSERT_EQ(CurrentJob()->Width, QStringLiteral("19.25"));
    ASSERT_EQ(CurrentJob()->Height, QStringLiteral("7.125"));

    const QString first = sandbox.filePath(QStringLiteral("first"));
    prompt.fileNames = {first};
    action("ACTION_SAVE_JOB")->trigger();
    const QByteArray saved = ReadFileBytes(first + QStringLiteral(".prj"));
    ASSERT_GT(saved.size(), 624);

    for (int open = 0; open < 2; ++open) {
        prompt.fileNames = {first + QStringLiteral(".prj")};
        action("ACTION_OPEN_JOB")->trigger();
        EXPECT_EQ(field("sJOBWidthEdit")->text(), QStringLiteral("19.25"));
        EXPECT_EQ(field("jobMETA_NameJob")->text(), QStringLiteral("Отпуск2026"));
    }
    QAction *german = languageCommand(main, QStringLiteral("Deutsch (DE)"));
    ASSERT_NE(german, nullptr);
    german->trigger();
    EXPECT_EQ(field("sJOBWidthEdit")->text(), QStringLiteral("19.25"));
    EXPECT_EQ(field("sJOBHeightLEdit")->text(), QStringLiteral("19.25"));
    EXPECT_FALSE(main.IsModified());

    const QString second = sandbox.filePath(QStringLiteral("second"));
    prompt.fileNames = {second};
    action("ACTION_SAVE_JOB")->trigger();
    const QByteArray again = ReadFileBytes(second + QStringLiteral(".prj"));
    // Everything but the moments of the save (56) and of the open (64).
    ASSERT_EQ(again.size(), saved.size());
    EXPECT_EQ(again.left(56), saved.left(56));
    EXPECT_EQ(again.mid(72), saved.mid(72));
    EXPECT_TRUE(prompt.warnings.isEmpty()) << prompt.warnings.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(prompt.errors.isEmpty()) << prompt.errors.join(QLatin1Char('\n')).toStdString();
}

// The project panel's pages other than the one in front are made when first opened: a
// language chosen and a project opened before then show on them as they are made, and a
// save in between keeps every value of the file.
TEST_F(MainWindow, PagesMadeOnFirstUseShowTheLanguageAndProjectOfBeforeAndLoseNothing)
{
    TformMain &main = start();
    ASSERT_NE(main.findChild<QLineEdit *>(QStringLiteral("jobMETA_NameJob")), nullptr);
    for (const char *later : {"jobIMAGE_DestExt", "jobIMAGE_NumBox", "sFilterShowCustom", "PreviewSource"})
        EXPECT_EQ(main.findChild<QWidget *>(QString::fromLatin1(later)), nullptr) << later;

    TCnvJob held(*CurrentJob());
    held.Name = QStringLiteral("Ferien");
    held.TargetExt = QStringLiteral("PNG");
    held.Quality = 61;
    held.UseCounter = 1;
    held.CounterStart = 42;
    held.Options.insert(QStringLiteral("name"), QStringLiteral("{name}_x"));
    const QString file = sandbox.filePath(QStringLiteral("held.prj"));
    held.SaveToFile(file);
    languageCommand(main, QStringLiteral("Deutsch (DE)"))->trigger();
    prompt.fileNames = {file};
    action("ACTION_OPEN_JOB")->trigger();
    prompt.fileNames = {sandbox.filePath(QStringLiteral("again"))};
    action("ACTION_SAVE_JOB")->trigger();
    const QByteArray saved = ReadFileBytes(file);
    const QByteArray again = ReadFileBytes(sandbox.filePath(QStringLiteral("again.prj")));
    // Everything but the moments of the save (56) and of the open (64).
    ASSERT_EQ(again.size(), saved.size());
    EXPECT_EQ(again.left(56), saved.left(56));
    EXPECT_EQ(again.mid(72), saved.mid(72));

    openEveryPage(main);
    EXPECT_EQ(main.findChild<QComboBox *>(QStringLiteral("jobIMAGE_DestExt"))->currentText(), QStringLiteral("PNG"));
    EXPECT_EQ(main.findChild<QSpinBox *>(QStringLiteral("jobIMAGE_SpinQ"))->value(), 61);
    EXPECT_EQ(main.findChild<QSpinBox *>(QStringLiteral("jobIMAGE_NumBox"))->value(), 42);
    EXPECT_TRUE(main.findChild<QCheckBox *>(QStringLiteral("jobIMAGE_Num"))->isChecked());
    EXPECT_EQ(main.findChild<QLineEdit *>(QStringLiteral("jobIMAGE_NamePattern"))->text(), QStringLiteral("{name}_x"));
    EXPECT_TRUE(main.findChild<QCheckBox *>(QStringLiteral("sFilterShowCustom"))->isChecked());
    ASSERT_NE(text("J_IMG_MULTI"), QString::fromUtf8(BuiltInString("J_IMG_MULTI")));
    EXPECT_EQ(main.findChild<QCheckBox *>(QStringLiteral("jobIMAGE_MultiPages"))->text(), text("J_IMG_MULTI"));
    EXPECT_EQ(main.findChild<QCheckBox *>(QStringLiteral("sFilterShowCustom"))->text(), text("FILTER_SHOWCUSTOM"));
    EXPECT_EQ(main.findChild<QLabel *>(QStringLiteral("sLabel12"))->text(), text("J_IMG_ENV"));
    EXPECT_FALSE(main.IsModified());
    // Neither the pages made nor another language's binding count as an edit of the file.
    languageCommand(main, QStringLiteral("English (EN)"))->trigger();
    EXPECT_EQ(main.Editor()->UpToDateProjectFile(), sandbox.filePath(QStringLiteral("again.prj")));
    EXPECT_TRUE(prompt.warnings.isEmpty()) << prompt.warnings.join(QLatin1Char('\n')).toStdString();
}

TEST_F(MainWindow, TheTitleNamesTheProgramOnce)
{
    const QString testName = QCoreApplication::applicationName();
    PrepareProgram();
    // The platform appends a display name to every title once one is set; unset, it reads
    // as the application's name.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    QCoreApplication::setApplicationName(testName);
    TformMain &main = start();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Pictavo  [Untitled]"));
    EXPECT_EQ(main.windowTitle().count(QStringLiteral("Pictavo")), 1);
}

// --- Skins -------------------------------------------------------------------------

TEST_F(MainWindow, TheSkinMenuOffersEverySkinAndSwitchesBetweenThem)
{
    folder(QStringLiteral("skins"));
    WriteFileBytes(sandbox.filePath(QStringLiteral("skins/Harbour.qss")), "QWidget { color: #203040; }");
    TformMain &main = start();
    QMenu *menu = main.Menu("PAD_VIEW_SKIN");
    QStringList captions;
    for (const QAction *item : menu->actions())
        captions.append(item->text());
    EXPECT_EQ(captions, SkinNames());
    EXPECT_TRUE(captions.contains(QStringLiteral("Harbour")));
    EXPECT_TRUE(menu->actions().at(0)->isChecked());
    EXPECT_EQ(main.SkinPosition(), 0);

    const int harbour = int(captions.indexOf(QStringLiteral("Harbour")));
    menu->actions().at(harbour)->trigger();
    EXPECT_EQ(CurrentSkinName(), QStringLiteral("Harbour"));
    EXPECT_EQ(main.SkinName(), QStringLiteral("Harbour"));
    EXPECT_EQ(main.SkinPosition(), harbour);
    EXPECT_TRUE(menu->actions().at(harbour)->isChecked());
    EXPECT_FALSE(menu->actions().at(0)->isChecked());

    // By name, in any letter case; an unknown name changes nothing.
    main.SwitchSkin(QStringLiteral("graphite (INTERNAL)"));
    EXPECT_EQ(CurrentSkinName(), QStringLiteral("Graphite (internal)"));
    main.SwitchSkin(QStringLiteral("MacOS (internal)"));
    EXPECT_EQ(CurrentSkinName(), QStringLiteral("Graphite (internal)"));

    // A sheet that went away meanwhile: the skin in use and its check mark stay.
    ASSERT_TRUE(QFile::remove(sandbox.filePath(QStringLiteral("skins/Harbour.qss"))));
    menu->actions().at(harbour)->trigger();
    EXPECT_EQ(CurrentSkinName(), QStringLiteral("Graphite (internal)"));
    EXPECT_FALSE(menu->actions().at(harbour)->isChecked());
    EXPECT_EQ(prompt.warnings.size(), 1);
    ApplySkin(StartSkinName());
}

// --- Exit --------------------------------------------------------------------------

TEST_F(MainWindow, ExitAsksAboutUnsavedChangesOnlyThroughTheCommand)
{
    TformMain &main = start();
    int saves = 0;
    main.SetSaveCommand([&saves] { ++saves; });
    main.SetModified(true);

    prompt.answers = {TAnswer::Cancel};
    action("ACTION_FILE_CLOSE")->trigger();
    EXPECT_TRUE(main.isVisible());
    prompt.answers = {TAnswer::Yes};
    main.ToolButton("sSpeedButton1")->click();
    EXPECT_FALSE(main.isVisible());
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(prompt.questions, Texts({"Save project?", "Save project?"}));

    TformMain &again = start();
    again.SetModified(true);
    prompt.answers = {TAnswer::No};
    action("ACTION_FILE_CLOSE")->trigger();
    EXPECT_FALSE(again.isVisible());

    // The close box saves the settings and asks nothing.
    TformMain &third = start();
    third.SetModified(true);
    action("PAD_VIEW_OPTIONS")->trigger();
    third.close();
    EXPECT_EQ(prompt.questions.size(), 3);
    auto store = OpenSettingsStore();
    store->beginGroup(QStringLiteral("TformMain"));
    EXPECT_FALSE(store->value(QStringLiteral("FlagViewOptions")).toBool());
}

// --- Drag and drop ------------------------------------------------------------------

// A drop as a file manager makes it: the drag enters the sources view, then drops these
// URLs. True when the view took the drop; the add it asks for has run on return.
bool DropOnSources(TSourcesPanel &panel, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    QWidget *target = panel.View()->viewport();
    const QPoint at(10, 10);
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QApplication::processEvents();
    return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

TEST_F(MainWindow, FilesAndFoldersDroppedOnTheSourcesAreAddedAsTheAddCommandAddsThem)
{
    makeFile(QStringLiteral("shots/trip/a.png"));
    makeFile(QStringLiteral("shots/trip/deep/b.jpg"));
    makeFile(QStringLiteral("shots/trip/readme.odt"));
    makeFile(QStringLiteral("loose/c.gif"));
    TformMain &main = start();
    const auto url = [this](const char *relative) {
        return QUrl::fromLocalFile(sandbox.filePath(QString::fromLatin1(relative)));
    };

    // The project's search mode and formats decide, as for the add command.
    CurrentJob()->SearchMode = 1;
    EXPECT_TRUE(DropOnSources(sources(), {url("shots/trip"), url("loose/c.gif"),
                                          QUrl(QStringLiteral("https://example.org/d.png"))}));
    QStringList names = sourceNames();
    names.sort();
    EXPECT_EQ(names, Texts({"a.png", "c.gif"}));
    EXPECT_EQ(main.findChild<QLabel *>(QStringLiteral("sLabel7"))->text(), QStringLiteral("2"));
    EXPECT_TRUE(prompt.warnings.isEmpty());
    EXPECT_TRUE(PendingFavorList().isEmpty());
    EXPECT_FALSE(windows->Searching->isVisible());
    EXPECT_TRUE(action("ACTION_CONVERT")->isEnabled());

    // Duplicates are refused with the add command's warning.
    EXPECT_TRUE(DropOnSources(sources(), {url("loose/c.gif")}));
    EXPECT_EQ(FavorList().Count(), 2);
    EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("Not found files or duplicate")});

    CurrentJob()->SearchMode = 0;
    EXPECT_TRUE(DropOnSources(sources(), {url("shots")}));
    names = sourceNames();
    names.sort();
    EXPECT_EQ(names, Texts({"a.png", "b.jpg", "c.gif"}));

    // A drag that carries no local file is not taken at all.
    EXPECT_FALSE(DropOnSources(sources(), {QUrl(QStringLiteral("https://example.org/e.png"))}));
    EXPECT_FALSE(DropOnSources(sources(), {}));
    EXPECT_EQ(FavorList().Count(), 3);
}

TEST_F(MainWindowRun, ADropDuringARunIsRefusedAndTheRowsStayAsTheyAre)
{
    startWithImages(8);
    const QString extra = sandbox.filePath(QStringLiteral("extra.png"));
    WriteFileBytes(extra, MakeImageBytes(QStringLiteral("gradient:red-blue"), 64, 48, QStringLiteral("png")));
    bool tried = false;
    bool taken = false;
    watchRun([&] {
        if (!tried) {
            tried = true;
            taken = DropOnSources(sources(), {QUrl::fromLocalFile(extra)});
        }
    });
    action("ACTION_CONVERT")->trigger();
    ASSERT_TRUE(waitForIdle());
    EXPECT_TRUE(tried);
    EXPECT_FALSE(taken);
    EXPECT_EQ(FavorList().Count(), 8);
    EXPECT_EQ(sources().Model().Count(), 8);
    EXPECT_TRUE(prompt.warnings.isEmpty()) << prompt.warnings.join(QLatin1Char('\n')).toStdString();

    // Idle again, the same drop is taken.
    EXPECT_TRUE(DropOnSources(sources(), {QUrl::fromLocalFile(extra)}));
    EXPECT_EQ(FavorList().Count(), 9);
}

// --- Per-user files -------------------------------------------------------------------

TEST(PerUserFiles, TheThumbnailCacheIsKeptInTheUsersCacheFolder)
{
    const QString cacheHome = qEnvironmentVariable("XDG_CACHE_HOME");
    ASSERT_FALSE(cacheHome.isEmpty()) << "the tests point XDG_CACHE_HOME into the build tree";
    const QString folder = cacheHome + QLatin1Char('/') + QCoreApplication::applicationName();
    QDir(folder).removeRecursively();
    {
        TThumbnailMaker maker;
        EXPECT_EQ(maker.CacheFile(), folder + QStringLiteral("/Thumbnails.Cache"));
        EXPECT_TRUE(maker.SaveCache()) << "the missing folder is made";
    }
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Thumbnails.Cache")).isFile());
}

} // namespace

namespace {

// Controls a keyboard reaches that assistive tools would announce without a name.
QStringList unnamedControls(const QList<QWidget *> &windows)
{
    QStringList unnamed;
    for (QWidget *window : windows) {
        QList<QWidget *> widgets = window->findChildren<QWidget *>();
        widgets.prepend(window);
        for (QWidget *widget : std::as_const(widgets)) {
            // An editable list's edit is announced as the list it belongs to.
            // Popups and other windows are walked on their own.
            if (widget->window() != window || widget->focusPolicy() == Qt::NoFocus || widget->focusProxy()
                || qobject_cast<QComboBox *>(widget->parentWidget()))
                continue;
            QAccessibleInterface *node = QAccessible::queryAccessibleInterface(widget);
            if (!node || node->text(QAccessible::Name).trimmed().isEmpty())
                unnamed.append(window->objectName() + QLatin1Char('/')
                               + QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(' ')
                               + widget->objectName());
        }
    }
    return unnamed;
}

} // namespace

// In every shipped language: each focusable control of the windows has a name for screen
// readers, and each menu of the bar and its submenus a mnemonic of its own.
TEST_F(MainWindow, EveryControlIsNamedAndEveryMenuHasAMnemonicInEveryLanguage)
{
    TformMain &main = start();
    main.EnsureHiddenWindows();
    const QList<QWidget *> roots = {&main, windows->About.get(), windows->Searching.get(), windows->Report.get(),
                                    windows->Preferences.get(), windows->Wait.get()};
    for (const QString &language : {QStringLiteral("English (EN)"), QStringLiteral("Deutsch (DE)"),
                                   QStringLiteral("\u0420\u0443\u0441\u0441\u043a\u0438\u0439 (RU)")}) {
        SCOPED_TRACE(language.toStdString());
        if (language != lang->CurrentName()) {
            QAction *command = languageCommand(main, language);
            ASSERT_NE(command, nullptr);
            command->trigger();
        }
        EXPECT_EQ(unnamedControls(roots), QStringList());
        QSet<QChar> barKeys;
        for (QAction *entry : main.menuBar()->actions()) {
            const QString title = entry->menu()->title();
            const qsizetype mark = title.indexOf(QLatin1Char('&'));
            ASSERT_GE(mark, 0) << title.toStdString();
            EXPECT_FALSE(barKeys.contains(title.at(mark + 1).toUpper())) << title.toStdString();
            barKeys.insert(title.at(mark + 1).toUpper());
        }
        EXPECT_TRUE(main.Menu("PAD_VIEW_SORT")->title().contains(QLatin1Char('&')));
        EXPECT_EQ(main.ToolButton("ToolButton9")->accessibleName(), text("HINT_CONVERT"));
    }
}

// The preview pane is off at first, shows the selected file as the project writes it, and
// is kept as the user left it.
TEST_F(MainWindow, PreviewPaneShowsTheSelectedFileAndIsKeptWithTheSettings)
{
    const QString photos = folder(QStringLiteral("photos"));
    WriteFileBytes(photos + QStringLiteral("/wide.png"),
                   MakeImageBytes(QStringLiteral("gradient:red-blue"), 120, 80, QStringLiteral("png")));
    TformMain &main = start();
    TPreviewPane *pane = main.PreviewPane();
    EXPECT_FALSE(action("PAD_VIEW_PREVIEW")->isChecked());
    EXPECT_FALSE(pane->isVisible());
    action("PAD_VIEW_PREVIEW")->trigger();
    ASSERT_TRUE(pane->isVisible());
    EXPECT_EQ(CurrentJob()->TargetExt, QStringLiteral("JPEG")) << "a new project starts on JPEG";

    ASSERT_TRUE(fileList().Browse(photos));
    QSignalSpy shown(pane, &TPreviewPane::previewShown);
    selectInList({QStringLiteral("wide.png")});
    ASSERT_TRUE(shown.wait(20000));
    EXPECT_EQ(pane->Shown().Output.Size, QSize(120, 80));
    EXPECT_GT(pane->Shown().OutputBytes, 0);

    main.close();
    EXPECT_TRUE(start().PreviewPane()->isVisible());
}

// Copy as command saves the edited project first and quotes every path for the shell.
TEST_F(MainWindow, CopyAsCommandSavesTheProjectAndQuotesThePaths)
{
    const QString odd = makeFile(QStringLiteral("it's here/a b.png"));
    TformMain &main = start();
    main.AddPaths({odd});
    ASSERT_EQ(sourceNames(), QStringList{QStringLiteral("a b.png")});
    prompt.fileNames = {sandbox.filePath(QStringLiteral("night shot"))};
    ASSERT_TRUE(main.CopyAsCommand());
    const QString project = sandbox.filePath(QStringLiteral("night shot.prj"));
    EXPECT_TRUE(QFileInfo::exists(project));
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/pictavo-cli");
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              ShellQuoted(program) + QStringLiteral(" convert '") + project + QStringLiteral("' '")
                  + QString(odd).replace(QStringLiteral("'"), QStringLiteral("'\\''")) + QLatin1Char('\''));
    ASSERT_TRUE(main.CopyAsCommand()) << "the file holds the project: no second save";
    EXPECT_EQ(prompt.dialogs.size(), 1);
}

// Tab runs the panes as they read, left to right and top to bottom: folders, files,
// sources, the preview beside them, the project panel at the right.
TEST_F(MainWindow, TabRunsThePanesInReadingOrder)
{
    TformMain &main = start();
    action("PAD_VIEW_PREVIEW")->trigger();
    const QList<QWidget *> panes = {main.FolderTree(), main.FileList(), main.SourcesPanel(), main.PreviewPane(),
                                    main.ProjectPanel()};
    QList<int> order;
    QWidget *widget = main.FolderTree();
    for (int step = 0; step < 500 && order.size() < panes.size(); ++step) {
        widget = widget->nextInFocusChain();
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisible())
            continue;
        for (int pane = 0; pane < panes.size(); ++pane) {
            if ((panes.at(pane) == widget || panes.at(pane)->isAncestorOf(widget)) && !order.contains(pane))
                order.append(pane);
        }
    }
    EXPECT_EQ(order, (QList<int>{1, 2, 3, 4, 0}));
}
