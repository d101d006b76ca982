#include "app/unitMain.h"

#include "app/unitFilterPanel.h"
#include "app/unitJobEditor.h"
#include "app/unitPreviewPane.h"
#include "app/unitSourcesPanel.h"
#include "dialogs/unitBrand.h"
#include "dialogs/unitDlgAbout.h"
#include "dialogs/unitDlgReport.h"
#include "dialogs/unitPref.h"
#include "dialogs/unitWait.h"
#include "engine/unitFormats.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitNamePattern.h"
#include "engine/unitThreadConvert.h"
#include "gather/unitDlgFilelist.h"
#include "i18n/unitApplyLang.h"
#include "i18n/unitMultiLang.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitOutputOptions.h"
#include "project/unitJobOptions.h"
#include "project/unitPrompt.h"
#include "project/unitReport.h"
#include "project/unitRunProgress.h"
#include "project/unitSourcesModel.h"
#include "ui/unitFileBrowser.h"
#include "ui/unitSkins.h"
#include "ui/unitThumbnails.h"
#include "ui/unitToolButtons.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const char *const kViewActionNames[5] = {"ACTION_BIGICON", "ACTION_ICON", "ACTION_LIST",
                                         "ACTION_DETAILS", "ACTION_TUMB"};
const char *const kSortActionNames[4] = {"ACTION_SORT_NAME", "ACTION_SORT_SIZE",
                                         "ACTION_SORT_TYPE", "ACTION_SORT_DATE"};
const char *const kSkinNameProperty = "pictavoSkin";

constexpr int kStatusPanelWidths[4] = {150, 120, 150, 50};

// The caption of a menu item as the user typed it: the first accelerator mark removed.
QString WithoutFirstMark(QString caption)
{
    const qsizetype mark = caption.indexOf(QLatin1Char('&'));
    if (mark >= 0)
        caption.remove(mark, 1);
    return caption;
}

// The nearest widget at or above the focus that has a name to find it by again.
QString NamedFocus(const QWidget *window)
{
    for (const QWidget *widget = window->focusWidget(); widget && widget != window;
         widget = widget->parentWidget()) {
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(QLatin1String("qt_")))
            return widget->objectName();
    }
    return {};
}

} // namespace

// The window's side of a run: the gauge, the sources view kept on the row in work, and
// the figures of the Wait window, whose times also move on between rows.
class TWindowRunDisplay final : public TRunDisplay
{
public:
    TWindowRunDisplay(QProgressBar *gauge, QAbstractItemView *view, const TSourcesModel &rows)
        : m_gauge(gauge), m_view(view), m_rows(rows)
    {
        m_clock.setInterval(1000);
        QObject::connect(&m_clock, &QTimer::timeout, [this] { show(); });
    }

    void Begin(TformWait *wait)
    {
        m_wait = wait;
        m_progress.Begin(m_rows.Count());
        show();
        m_clock.start();
    }
    void End() { m_clock.stop(); }

    void SetGauge(int position) override { m_gauge->setValue(position); }
    void ScrollToTop() override { m_view->scrollToTop(); }
    void RowStarted(int row) override
    {
        m_progress.Started(row, m_rows.Row(row).Name);
        show();
    }
    void RowFinished(int row, const QString &) override
    {
        m_progress.Finished(row, m_rows.Row(row).Status != 2);
        show();
        m_view->scrollTo(m_view->model()->index(row, 0));
    }

private:
    void show()
    {
        if (m_wait)
            m_wait->ShowProgress(m_progress);
    }

    QProgressBar *m_gauge;
    QAbstractItemView *m_view;
    const TSourcesModel &m_rows;
    TformWait *m_wait = nullptr;
    TRunProgress m_progress;
    QTimer m_clock;
};

TformMain::TformMain(TMLang &lang, QWidget *parent)
    : QMainWindow(parent)
    , m_lang(lang)
{
    setObjectName(QStringLiteral("formMain"));
    setWindowIcon(QIcon(PaintProductIcon(QSize(64, 64))));
    setMinimumSize(300, 300);
    setGeometry(40, 95, 910, 630);

    buildActions();
    buildLayout();
    buildMenus();
    buildStatusBar();
    connectBrowser();
    m_runDisplay = std::make_unique<TWindowRunDisplay>(m_gauge, m_sources->View(), m_sources->Model());

    // The creation steps: language menu, skin menu, formats, sources, first project.
    m_appliedLanguage = -1;
    BuildLanguageMenu(m_languageMenu, m_lang);
    m_skinName.clear();
    buildSkinMenu();
    BuildAvailableFormats();
    m_sources->Model().Rebuild(FavorList());
    NewProject();
    m_pages->setCurrentWidget(m_pages->findChild<QWidget *>(QStringLiteral("tabGeneral")));
    RefreshStatusBar();
}

TformMain::~TformMain() = default;

// --- Building ----------------------------------------------------------------------

QAction *TformMain::newAction(const char *objectName, bool checkable)
{
    auto *action = new QAction(this);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setCheckable(checkable);
    return action;
}

QMenu *TformMain::newMenu(const char *objectName, QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->setObjectName(QString::fromLatin1(objectName));
    return menu;
}

void TformMain::buildActions()
{
    QAction *close = newAction("ACTION_FILE_CLOSE");
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    close->setIcon(ThemedIcon("application-exit", QStyle::SP_DialogCloseButton, this));
    connect(close, &QAction::triggered, this, &TformMain::Exit);

    m_viewGroup = new QActionGroup(this);
    for (int style = 0; style < 5; ++style) {
        // No icons: in a menu the check mark then shows which style is on.
        QAction *view = newAction(kViewActionNames[style], true);
        m_viewGroup->addAction(view);
        m_viewActions[style] = view;
        connect(view, &QAction::triggered, this, [this, style] { m_fileList->SetViewStyle(style); });
    }
    m_viewActions[TFileList::Details]->setChecked(true);

    m_sortGroup = new QActionGroup(this);
    m_sortGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int column = 0; column < 4; ++column) {
        QAction *sort = newAction(kSortActionNames[column], true);
        m_sortGroup->addAction(sort);
        m_sortActions[column] = sort;
        connect(sort, &QAction::triggered, this, [this, column] { fileListSortCommand(column); });
    }
    m_sortActions[0]->setChecked(true);

    QAction *selectAll = newAction("ACTION_SELECT_ALL");
    QAction *selectInvert = newAction("ACTION_SELECT_INVERT");
    QAction *selectNone = newAction("ACTION_SELECT_NONE");
    connect(selectAll, &QAction::triggered, this, [this] {
        m_fileList->SelectAll();
        RefreshAddEnablement();
    });
    connect(selectInvert, &QAction::triggered, this, [this] {
        m_fileList->InvertSelection();
        RefreshAddEnablement();
    });
    connect(selectNone, &QAction::triggered, this, [this] {
        m_fileList->ClearSelection();
        RefreshAddEnablement();
    });

    QAction *back = newAction("ACTION_BACK");
    back->setIcon(ThemedIcon("go-up", QStyle::SP_FileDialogToParent, this));
    connect(back, &QAction::triggered, this, [this] { m_fileList->GoUp(); });

    QAction *statusChange = newAction("ACTION_VL_CHANGE");
    connect(statusChange, &QAction::triggered, this, &TformMain::RefreshStatusBar);

    m_addToFavor = newAction("ACTION_ADDTOFAVOR");
    m_addToFavor->setIcon(ThemedIcon("list-add", QStyle::SP_ArrowDown, this));
    m_addToFavor->setEnabled(false);
    connect(m_addToFavor, &QAction::triggered, this, &TformMain::AddToFavor);

    QAction *newJob = newAction("ACTION_NEW_STDJOB");
    newJob->setIcon(ThemedIcon("document-new", QStyle::SP_FileIcon, this));
    connect(newJob, &QAction::triggered, this, &TformMain::NewProject);
    QAction *openJob = newAction("ACTION_OPEN_JOB");
    openJob->setIcon(ThemedIcon("document-open", QStyle::SP_DialogOpenButton, this));
    connect(openJob, &QAction::triggered, this, [this] { m_editor->OpenProject(); });
    QAction *saveJob = newAction("ACTION_SAVE_JOB");
    saveJob->setIcon(ThemedIcon("document-save", QStyle::SP_DialogSaveButton, this));
    connect(saveJob, &QAction::triggered, this, [this] { m_editor->SaveProject(); });
    m_convert = newAction("ACTION_CONVERT");
    m_convert->setIcon(ThemedIcon("system-run", QStyle::SP_MediaPlay, this));
    connect(m_convert, &QAction::triggered, this, &TformMain::Convert);
    m_convertStop = newAction("ACTION_CONVERTSTOP");
    m_convertStop->setIcon(ThemedIcon("process-stop", QStyle::SP_BrowserStop, this));
    m_convertStop->setEnabled(false);
    connect(m_convertStop, &QAction::triggered, this, &TformMain::StopConvert);

    m_viewDir = newAction("PAD_VIEW_DIR", true);
    m_viewDir->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    m_viewTools = newAction("PAD_VIEW_TOOLS", true);
    m_viewTools->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_T));
    m_viewOptions = newAction("PAD_VIEW_OPTIONS", true);
    m_viewOptions->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
    for (QAction *toggle : {m_viewDir, m_viewTools, m_viewOptions}) {
        toggle->setChecked(true);
        connect(toggle, &QAction::triggered, this, &TformMain::applyPanes);
    }
    m_viewPreview = newAction("PAD_VIEW_PREVIEW", true);
    m_viewPreview->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P));
    connect(m_viewPreview, &QAction::triggered, this, &TformMain::applyPanes);

    QAction *copyCommand = newAction("PAD_SERVIS_COPYCMD");
    copyCommand->setIcon(ThemedIcon("edit-copy", QStyle::SP_FileDialogContentsView, this));
    connect(copyCommand, &QAction::triggered, this, &TformMain::CopyAsCommand);
}

void TformMain::buildLayout()
{
    auto *centre = new QWidget(this);
    auto *column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    column->addLayout(middle, 1);

    m_paneSplitter = new QSplitter(Qt::Horizontal, centre);
    m_paneSplitter->setObjectName(QStringLiteral("sSplitter1"));
    m_paneSplitter->setHandleWidth(5);
    m_paneSplitter->setChildrenCollapsible(false);

    m_folderPane = new QWidget(m_paneSplitter);
    m_folderPane->setObjectName(QStringLiteral("Panel1"));
    m_folderPane->setMinimumWidth(200);
    auto *folderColumn = new QVBoxLayout(m_folderPane);
    folderColumn->setContentsMargins(0, 0, 0, 0);
    folderColumn->setSpacing(0);
    auto *caption = new QFrame(m_folderPane);
    caption->setObjectName(QStringLiteral("sCaptionFolder"));
    caption->setFrameShape(QFrame::StyledPanel);
    auto *captionRow = new QHBoxLayout(caption);
    captionRow->setContentsMargins(6, 3, 6, 3);
    auto *captionText = new QLabel(caption);
    captionText->setProperty("panel", 0);
    QFont bold = captionText->font();
    bold.setBold(true);
    captionText->setFont(bold);
    captionRow->addWidget(captionText);
    folderColumn->addWidget(caption);
    m_folderTree = new TFolderTree(m_folderPane);
    folderColumn->addWidget(m_folderTree, 1);

    m_centreSplitter = new QSplitter(Qt::Vertical, m_paneSplitter);
    m_centreSplitter->setObjectName(QStringLiteral("Panel2"));
    m_centreSplitter->setHandleWidth(6);
    m_centreSplitter->setChildrenCollapsible(false);
    m_fileList = new TFileList(m_centreSplitter);
    m_sources = new TSourcesPanel(m_centreSplitter);
    m_sources->setMinimumHeight(80);
    connect(m_sources, &TSourcesPanel::addRequested, this, &TformMain::AddPaths);
    m_fileList->setMinimumHeight(80);
    m_centreSplitter->setStretchFactor(0, 3);
    m_centreSplitter->setStretchFactor(1, 2);

    m_preview = new TPreviewPane(m_paneSplitter);
    m_preview->setMinimumWidth(240);
    m_preview->setVisible(false);

    m_paneSplitter->addWidget(m_folderPane);
    m_paneSplitter->addWidget(m_centreSplitter);
    m_paneSplitter->addWidget(m_preview);
    m_paneSplitter->setStretchFactor(0, 0);
    m_paneSplitter->setStretchFactor(1, 1);
    m_paneSplitter->setStretchFactor(2, 1);
    m_paneSplitter->setSizes({200, 362, 362});
    middle->addWidget(m_paneSplitter, 1);

    m_pages = new QTabWidget(centre);
    m_pages->setObjectName(QStringLiteral("sPageControl1"));
    m_pages->setFixedWidth(348);
    auto newPage = [](QTabWidget *tabs, const char *name) {
        auto *page = new QWidget(tabs);
        page->setObjectName(QString::fromLatin1(name));
        tabs->addTab(page, QString());
        return page;
    };
    QWidget *general = newPage(m_pages, "tabGeneral");
    // The image page holds the filter, image options and destination pages.
    QWidget *image = newPage(m_pages, "tabImage");
    auto *imageColumn = new QVBoxLayout(image);
    imageColumn->setContentsMargins(4, 6, 4, 4);
    auto *imagePages = new QTabWidget(image);
    imagePages->setObjectName(QStringLiteral("sPageControl2"));
    imagePages->setElideMode(Qt::ElideRight);
    QWidget *filter = newPage(imagePages, "tabFilter");
    QWidget *imageOptions = newPage(imagePages, "tabDestExt");
    QWidget *destination = newPage(imagePages, "tabDestPath");
    imageColumn->addWidget(imagePages);
    m_editor = new TJobEditor(general, imageOptions, destination, this);
    m_filter = new TFilterPanel(filter, m_fileList, m_folderTree, this);
    middle->addWidget(m_pages);

    // The toolbar's menus hold commands of the panes, so it comes last and goes on top.
    buildMainToolBar();
    column->insertWidget(0, m_toolPanel);

    setCentralWidget(centre);
}

void TformMain::buildMainToolBar()
{
    m_toolPanel = new QFrame(this);
    m_toolPanel->setObjectName(QStringLiteral("sPanel1"));
    m_toolPanel->setFixedHeight(47);
    auto *row = new QHBoxLayout(m_toolPanel);
    row->setContentsMargins(4, 2, 6, 2);
    row->setSpacing(0);

    m_toolBar = new QToolBar(m_toolPanel);
    m_toolBar->setObjectName(QStringLiteral("sToolBar1"));
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    row->addWidget(m_toolBar, 1);

    auto runs = [this](const char *name, QAction *action) { return AddCommandButton(m_toolBar, name, action); };
    // A button that flips a pane toggle and then runs it.
    auto flips = [this](const char *name, QAction *toggle, const QIcon &icon) {
        QToolButton *button = AddToolButton(m_toolBar, name, icon);
        connect(button, &QToolButton::clicked, this, [this, toggle] { togglePane(toggle); });
    };
    // A button that drops a menu down.
    auto dropsDown = [this](const char *name, QMenu *menu, const QIcon &icon) {
        QToolButton *button = AddToolButton(m_toolBar, name, icon);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
    };

    runs("ToolButton15", Action("ACTION_NEW_STDJOB"));
    runs("ToolButton11", Action("ACTION_OPEN_JOB"));
    runs("ToolButton17", Action("ACTION_SAVE_JOB"));
    m_toolBar->addSeparator();
    flips("ToolButton2", m_viewTools, ThemedIcon("view-restore", QStyle::SP_TitleBarShadeButton, this));
    flips("ToolButton3", m_viewDir, ThemedIcon("folder", QStyle::SP_DirIcon, this));
    flips("ToolButton12", m_viewOptions, ThemedIcon("document-properties", QStyle::SP_FileDialogInfoView, this));
    m_toolBar->addSeparator();
    runs("ToolButton13", Action("ACTION_BACK"));

    QMenu *popup1 = newMenu("PopupMenu1", this);
    for (int style : {4, 1, 0, 2, 3})
        popup1->addAction(m_viewActions[style]);
    dropsDown("ToolButton4", popup1, ThemedIcon("view-list-details", QStyle::SP_FileDialogDetailedView, this));
    QMenu *popup3 = newMenu("PopupMenu3", this);
    for (const char *name : {"ACTION_SELECT_ALL", "ACTION_SELECT_INVERT", "ACTION_SELECT_NONE"})
        popup3->addAction(Action(name));
    dropsDown("ToolButton8", popup3, ThemedIcon("edit-select-all", QStyle::SP_DialogApplyButton, this));
    QMenu *popup2 = newMenu("PopupMenu2", this);
    for (QAction *sort : m_sortActions)
        popup2->addAction(sort);
    popup2->addSeparator();
    popup2->addAction(m_sources->SyncAction());
    dropsDown("ToolButton6", popup2, ThemedIcon("view-sort-ascending", QStyle::SP_ArrowDown, this));
    m_toolBar->addSeparator();
    runs("ToolButton16", m_addToFavor);
    runs("ToolButton9", m_convert);
    QToolButton *stop = runs("ToolButton18", m_convertStop);
    stop->setVisible(false);
    m_toolBar->actions().constLast()->setVisible(false);

    auto *exit = new QToolButton(m_toolPanel);
    exit->setObjectName(QStringLiteral("sSpeedButton1"));
    exit->setIcon(Action("ACTION_FILE_CLOSE")->icon());
    exit->setIconSize(QSize(24, 24));
    exit->setAutoRaise(true);
    connect(exit, &QToolButton::clicked, Action("ACTION_FILE_CLOSE"), &QAction::trigger);
    row->addWidget(exit);
}

void TformMain::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    // A menu item that runs a command with a caption of its own.
    auto item = [this](QMenu *menu, const char *name, QAction *command) {
        QAction *entry = newAction(name);
        entry->setIcon(command->icon());
        connect(entry, &QAction::triggered, command, &QAction::trigger);
        auto follow = [entry, command] { entry->setEnabled(command->isEnabled()); };
        connect(command, &QAction::changed, entry, follow);
        follow();
        menu->addAction(entry);
        return entry;
    };

    QMenu *file = newMenu("PAD_FILE", this);
    bar->addMenu(file);
    item(file, "PAD_FILE_NEW", Action("ACTION_NEW_STDJOB"));
    item(file, "PAD_FILE_OPEN", Action("ACTION_OPEN_JOB"));
    item(file, "PAD_FILE_SAVE", Action("ACTION_SAVE_JOB"));
    file->addSeparator();
    file->addAction(Action("ACTION_FILE_CLOSE"));

    QMenu *view = newMenu("PAD_VIEW", this);
    bar->addMenu(view);
    view->addAction(m_viewDir);
    view->addAction(m_viewTools);
    view->addAction(m_viewOptions);
    view->addAction(m_viewPreview);
    view->addSeparator();
    QMenu *mode = newMenu("PAD_VIEW_MODE", view);
    for (int style : {4, 1, 0, 2, 3})
        mode->addAction(m_viewActions[style]);
    view->addMenu(mode);
    QMenu *select = newMenu("PAD_VIEW_SELECT", view);
    for (const char *name : {"ACTION_SELECT_ALL", "ACTION_SELECT_INVERT", "ACTION_SELECT_NONE"})
        select->addAction(Action(name));
    view->addMenu(select);
    QMenu *sort = newMenu("PAD_VIEW_SORT", view);
    for (QAction *command : m_sortActions)
        sort->addAction(command);
    sort->addSeparator();
    sort->addAction(m_sources->SyncAction());
    view->addMenu(sort);
    view->addSeparator();
    item(view, "PAD_VIEW_BACK", Action("ACTION_BACK"));
    view->addSeparator();
    m_languageMenu = newMenu("PAD_VIEW_LANG", view);
    view->addMenu(m_languageMenu);
    connect(m_languageMenu, &QMenu::triggered, this, [this](QAction *chosen) {
        ChooseLanguage(m_lang, chosen);
        activateLanguage();
    });
    m_skinMenu = newMenu("PAD_VIEW_SKIN", view);
    view->addMenu(m_skinMenu);

    QMenu *service = newMenu("PAD_SERVIS", this);
    bar->addMenu(service);
    QAction *convert = item(service, "PAD_SERVIS_CNV", m_convert);
    convert->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    QAction *stop = item(service, "PAD_SERVIS_CNVSTOP", m_convertStop);
    stop->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_F));
    service->addAction(Action("PAD_SERVIS_COPYCMD"));
    service->addSeparator();
    QAction *preferences = newAction("PAD_SERV_PREF");
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    preferences->setIcon(ThemedIcon("preferences-system", QStyle::SP_FileDialogDetailedView, this));
    preferences->setEnabled(false);
    connect(preferences, &QAction::triggered, this, [this] {
        EnsureHiddenWindows();
        if (m_preferences)
            m_preferences->exec();
        // Turning photos upright and enlarging are the program's settings, not the project's.
        m_preview->Refresh();
    });
    service->addAction(preferences);

    QMenu *help = newMenu("PAD_HELP", this);
    bar->addMenu(help);
    QAction *about = newAction("PAD_HELP_ABOUT");
    about->setIcon(ThemedIcon("help-about", QStyle::SP_MessageBoxInformation, this));
    connect(about, &QAction::triggered, this, [this] {
        EnsureHiddenWindows();
        if (m_about)
            m_about->exec();
    });
    help->addAction(about);
    QAction *site = newAction("PAD_HELP_SITE");
    site->setText(QStringLiteral("Pictavo on the web: ") + ProjectPageUrl().host() + ProjectPageUrl().path());
    site->setIcon(ThemedIcon("applications-internet", QStyle::SP_DriveNetIcon, this));
    connect(site, &QAction::triggered, this, [] { OpenUrl(ProjectPageUrl()); });
    help->addAction(site);

    // The file list's context menu.
    m_popup5 = newMenu("PopupMenu5", this);
    item(m_popup5, "P5_BACK", Action("ACTION_BACK"));
    m_popup5->addSeparator();
    item(m_popup5, "P5_ADDFAVOR", m_addToFavor);
    m_popup5->addSeparator();
    for (const char *name : {"ACTION_SELECT_ALL", "ACTION_SELECT_INVERT", "ACTION_SELECT_NONE"})
        m_popup5->addAction(Action(name));
    m_popup5->addSeparator();
    for (int style : {4, 1, 0, 2, 3})
        m_popup5->addAction(m_viewActions[style]);
    m_popup5->addSeparator();
    for (QAction *command : m_sortActions)
        m_popup5->addAction(command);
    m_popup5->addSeparator();
    m_popup5->addAction(m_sources->SyncAction());
    connect(m_popup5, &QMenu::aboutToShow, this, &TformMain::RefreshAddEnablement);
}

void TformMain::buildSkinMenu()
{
    m_skinMenu->clear();
    delete m_skinGroup;
    m_skinGroup = new QActionGroup(m_skinMenu);
    const QStringList names = SkinNames();
    for (int position = 0; position < names.size(); ++position) {
        const QString &name = names.at(position);
        QAction *skin = m_skinMenu->addAction(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
        skin->setCheckable(true);
        skin->setData(position);
        skin->setProperty(kSkinNameProperty, name);
        m_skinGroup->addAction(skin);
        if (name.compare(StartSkinName(), Qt::CaseInsensitive) == 0) {
            skin->setChecked(true);
            m_skinPosition = position;
        }
        connect(skin, &QAction::triggered, this, [this, skin] {
            m_skinName = WithoutFirstMark(skin->text());
            SwitchSkin(m_skinName);
        });
    }
}

void TformMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sStatusBar1"));
    bar->setSizeGripEnabled(true);

    auto *gaugePanel = new QWidget(bar);
    gaugePanel->setFixedWidth(kStatusPanelWidths[0]);
    auto *gaugeRow = new QHBoxLayout(gaugePanel);
    gaugeRow->setContentsMargins(2, 1, 2, 1);
    m_gauge = new QProgressBar(gaugePanel);
    m_gauge->setObjectName(QStringLiteral("sGauge1"));
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    m_gauge->setFormat(QStringLiteral("%p%"));
    m_gauge->setTextVisible(true);
    m_gauge->setMaximumHeight(16);
    gaugeRow->addWidget(m_gauge);
    bar->addWidget(gaugePanel);

    for (int panel = 1; panel < 4; ++panel) {
        auto *label = new QLabel(bar);
        label->setProperty("panel", panel);
        label->setMinimumWidth(kStatusPanelWidths[panel]);
        label->setTextFormat(Qt::PlainText);
        m_statusPanels[panel] = label;
        // The last panel takes what is left: it shows a file name.
        bar->addWidget(label, panel == 3 ? 1 : 0);
    }
}

void TformMain::connectBrowser()
{
    m_folderTree->LinkFileList(m_fileList);
    m_sources->SetFileListSort([this] {
        return TSourcesPanel::TSortState(m_fileList->SortColumn(), m_fileList->SortOrder());
    });
    connect(m_sources, &TSourcesPanel::sortMirrored, this, &TformMain::ApplyFileListSort);
    m_sources->SetConvertAction(m_convert);

    m_editor->SetLanguage(&m_lang);
    connect(m_editor, &TJobEditor::pageBuilt, this, &TformMain::pageBuilt);
    connect(m_filter, &TFilterPanel::pageBuilt, this, &TformMain::pageBuilt);
    m_editor->SetProjectCommands(Action("ACTION_NEW_STDJOB"), Action("ACTION_OPEN_JOB"), Action("ACTION_SAVE_JOB"));
    m_editor->SetClearSources([this] { return m_sources->ClearForProject(); });
    // The name preview follows the first source.
    const TSourcesModel *rows = &m_sources->Model();
    connect(rows, &QAbstractItemModel::modelReset, m_editor, &TJobEditor::RefreshNamePreview);
    connect(rows, &QAbstractItemModel::rowsInserted, m_editor, &TJobEditor::RefreshNamePreview);
    connect(rows, &QAbstractItemModel::rowsRemoved, m_editor, &TJobEditor::RefreshNamePreview);
    connect(m_editor, &TJobEditor::bound, this, [this] {
        m_filter->ShowProjectFormats();
        m_sources->RefreshCount();
    });
    connect(m_editor, &TJobEditor::titleChanged, this, [this](const QString &name) {
        setWindowTitle(MainWindowTitle(m_lang, name));
    });
    connect(m_filter, &TFilterPanel::modified, this, [this] { m_editor->SetModified(true); });
    connect(m_filter, &TFilterPanel::relisted, this, &TformMain::RefreshAddEnablement);
    m_save = [this] { m_editor->SaveProject(); };

    connect(m_fileList, &TFileList::selectionChanged, this, [this] {
        RefreshStatusBar();
        RefreshAddEnablement();
        for (const TFileItem &item : m_fileList->SelectedItems()) {
            if (!item.IsFolder && item.IsFileSystemObject) {
                m_preview->SetSource(item.FullPath);
                break;
            }
        }
    });
    connect(m_sources->View()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid() && current.row() < m_sources->Model().Count())
                    m_preview->SetSource(EntryKey(m_sources->Model().Row(current.row())));
            });
    connect(m_editor, &TJobEditor::edited, m_preview, &TPreviewPane::Refresh);
    connect(m_editor, &TJobEditor::bound, m_preview, &TPreviewPane::Refresh);
    connect(m_fileList, &TFileList::mouseReleased, this, &TformMain::RefreshAddEnablement);
    connect(m_fileList, &TFileList::keyReleased, this, &TformMain::RefreshAddEnablement);
    connect(m_fileList, &TFileList::folderChanged, this, [this] {
        RefreshStatusBar();
        RefreshAddEnablement();
    });
    connect(&m_fileList->Model(), &TFolderListModel::listed, this, &TformMain::RefreshStatusBar);
    connect(m_fileList, &TFileList::headerReleased, this, [this] {
        checkFileListSort(m_fileList->SortColumn());
        mirrorToSources();
    });
    connect(m_folderTree, &QAbstractItemView::clicked, this, &TformMain::RefreshStatusBar);

    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_fileList->IconView()),
                                    static_cast<QAbstractItemView *>(m_fileList->DetailsView())}) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &at) {
            m_popup5->popup(view->viewport()->mapToGlobal(at));
        });
    }
}

void TformMain::pageBuilt(QWidget *page)
{
    // A page made after the language's texts were applied gets them as it is made.
    if (m_appliedLanguage < 0)
        return;
    ApplyLangTexts(m_lang, {page});
    NameIconButtons({page});
}

void TformMain::SetPrefDialog(TformPref *preferences)
{
    m_preferences = preferences;
    if (m_preferences)
        m_preferences->SetModifiedHook([this] { m_editor->SetModified(true); });
    Action("PAD_SERV_PREF")->setEnabled(m_preferences != nullptr);
}

void TformMain::SetHiddenWindowsMaker(std::function<void()> maker)
{
    m_hiddenWindowsMaker = std::move(maker);
    if (m_hiddenWindowsMaker)
        Action("PAD_SERV_PREF")->setEnabled(true);
}

void TformMain::EnsureHiddenWindows()
{
    if (!m_hiddenWindowsMaker)
        return;
    const std::function<void()> maker = std::move(m_hiddenWindowsMaker);
    m_hiddenWindowsMaker = nullptr;
    maker();
    if (m_appliedLanguage < 0)
        return;
    QList<QObject *> made{m_about, m_searching, m_report, m_preferences, m_wait};
    made.removeAll(nullptr);
    ApplyLangTexts(m_lang, made);
    NameIconButtons(made);
}

void TformMain::SetWaitWindow(TformWait *wait)
{
    m_wait = wait;
    // The Wait window's button and close box stop a run as the stop command does.
    if (m_wait)
        connect(m_wait, &TformWait::stopRequested, m_convertStop, &QAction::trigger);
}

// --- Lookups -----------------------------------------------------------------------

QAction *TformMain::Action(const char *objectName) const
{
    return findChild<QAction *>(QString::fromLatin1(objectName));
}

QMenu *TformMain::Menu(const char *objectName) const
{
    return findChild<QMenu *>(QString::fromLatin1(objectName));
}

QToolButton *TformMain::ToolButton(const char *objectName) const
{
    return findChild<QToolButton *>(QString::fromLatin1(objectName));
}

QLabel *TformMain::StatusPanel(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_statusPanels[panel] : nullptr;
}

QList<QObject *> TformMain::TextRoots() const
{
    QList<QObject *> roots{const_cast<TformMain *>(this), m_about, m_searching, m_report, m_preferences, m_wait};
    roots.removeAll(nullptr);
    return roots;
}

// --- Commands ----------------------------------------------------------------------

void TformMain::togglePane(QAction *toggle)
{
    toggle->setChecked(!toggle->isChecked());
    applyPanes();
}

void TformMain::applyPanes()
{
    m_folderPane->setVisible(m_viewDir->isChecked());
    m_toolPanel->setVisible(m_viewTools->isChecked());
    m_pages->setVisible(m_viewOptions->isChecked());
    m_preview->setVisible(m_viewPreview->isChecked());
}

void TformMain::checkFileListSort(int column)
{
    for (int c = 0; c < 4; ++c)
        m_sortActions[c]->setChecked(c == column);
}

void TformMain::mirrorToSources()
{
    if (m_sources->SyncMode())
        m_sources->ApplySortFromFileList(m_fileList->SortColumn(), m_fileList->SortOrder());
}

void TformMain::fileListSortCommand(int column)
{
    const Qt::SortOrder flipped =
        m_fileList->SortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    ApplyFileListSort(column, flipped);
    mirrorToSources();
}

void TformMain::ApplyFileListSort(int column, Qt::SortOrder order)
{
    checkFileListSort(column);
    m_fileList->ApplySort(column, order);
}

void TformMain::SwitchSkin(const QString &name)
{
    const QList<QAction *> items = m_skinMenu->actions();
    for (QAction *skin : items) {
        const QString caption = skin->property(kSkinNameProperty).toString();
        if (caption.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const int position = skin->data().toInt();
        if (position == m_skinPosition)
            break;
        if (!ApplySkin(caption)) {
            Prompt().warning(QStringLiteral("Cannot use the skin \"%1\": its style sheet cannot be read.").arg(caption));
            break;
        }
        m_skinPosition = position;
        break;
    }
    // The check mark stays on the skin in use, also after a click on one that failed.
    for (QAction *skin : items)
        skin->setChecked(skin->data().toInt() == m_skinPosition);
}

void TformMain::NewProject()
{
    m_editor->NewProject();
    RefreshAddEnablement();
}

bool TformMain::IsModified() const
{
    return m_editor->IsModified();
}

void TformMain::SetModified(bool modified)
{
    m_editor->SetModified(modified);
}

void TformMain::AddToFavor()
{
    QStringList paths;
    for (const TFileItem &item : m_fileList->SelectedItems()) {
        if (item.IsFileSystemObject)
            paths.append(item.FullPath);
    }
    AddPaths(paths);
}

void TformMain::AddPaths(const QStringList &paths)
{
    if (!paths.isEmpty())
        EnsureHiddenWindows();
    if (paths.isEmpty() || m_run || !m_searching || m_searching->IsGathering())
        return;
    const TCnvJob *project = CurrentJob();
    const QStringList masks = m_filter->GatherMasks();
    const bool rootOnly = project && project->SearchMode == 1;
    // No format ticked means no file is wanted, though an empty mask list would let the
    // walk take every file.
    const TGatherCall gather = masks.isEmpty() ? TGatherCall([] {}) : GatherCallFor(*m_searching, masks, rootOnly,
                                                                   m_lang.GetText("MSG_FOLDER_NOT_LISTED"));
    try {
        m_sources->AddSources(paths, gather);
    } catch (const TError &error) {
        Prompt().error(error.text());
    }
}

void TformMain::RefreshStatusBar()
{
    m_statusPanels[1]->setText(m_lang.GetText("STATUS_TOTAL") + QStringLiteral(": ")
                               + QString::number(m_fileList->VisibleCount()));
    m_statusPanels[2]->setText(m_lang.GetText("STATUS_SELECTED") + QStringLiteral(": ")
                               + QString::number(m_fileList->SelectedCount()));
    const QList<TFileItem> selected = m_fileList->SelectedItems();
    m_statusPanels[3]->setText(selected.isEmpty() ? QString() : selected.first().DisplayName);
}

void TformMain::RefreshAddEnablement()
{
    // The rows stay as they are while a run works on them.
    bool any = false;
    if (m_run) {
        m_addToFavor->setEnabled(false);
        return;
    }
    for (const TFileItem &item : m_fileList->SelectedItems()) {
        if (item.IsFileSystemObject) {
            any = true;
            break;
        }
    }
    m_addToFavor->setEnabled(any);
}

void TformMain::Exit()
{
    if (IsModified()) {
        const TAnswer answer = Prompt().question(QStringLiteral("Save project?"), true);
        if (answer == TAnswer::Cancel)
            return;
        if (answer == TAnswer::Yes && m_save)
            m_save();
    }
    close();
}

// --- Convert -----------------------------------------------------------------------

bool TformMain::chooseMultipageFile(QString &path)
{
    const TCnvJob &project = *CurrentJob();
    const QString pattern = QStringLiteral("*.") + project.TargetExt;
    const QString start = project.UseDestDir ? project.DestDir : m_fileList->CurrentFolder();
    for (;;) {
        const QString chosen = Prompt().saveFileName(QString(), start, pattern + QLatin1Char('|') + pattern);
        if (!chosen.isEmpty()) {
            path = MultipageOutputPath(chosen, project.TargetExt);
            return true;
        }
        if (Prompt().question(QStringLiteral("Cancel convert?"), false, TSymbol::Warning) == TAnswer::Yes)
            return false;
    }
}

const TCnvJob *TformMain::convertibleProject()
{
    const TCnvJob *project = CurrentJob();
    if (FavorList().IsEmpty()) {
        Prompt().warning(QStringLiteral("List of favotite is empty"));
        return nullptr;
    }
    if (!project || !HasWritableTarget(*project)) {
        Prompt().warning(QStringLiteral("Incorrect new extension"));
        return nullptr;
    }
    if (project->UseDestDir && !QFileInfo(project->DestDir).isDir()) {
        Prompt().warning(QStringLiteral("Destination directory not exist"));
        return nullptr;
    }
    const QString patternProblem =
        DescribePatternProblem(CheckNamePattern(TOutputRules::From(project->Options).NamePattern),
                               [this](const char *key) { return m_lang.GetText(key); });
    if (!patternProblem.isEmpty()) {
        Prompt().warning(patternProblem);
        return nullptr;
    }
    const QString badOption = CheckOutputOptions(project->TargetExt, project->Options);
    if (!badOption.isEmpty()) {
        Prompt().warning(badOption);
        return nullptr;
    }
    return project;
}

void TformMain::Convert()
{
    if (m_run)
        return;
    const TCnvJob *project = convertibleProject();
    if (!project)
        return;
    QList<TRunSettings> alsoConvert;
    try {
        const QStringList paths = AlsoConvertProjects(project->Options);
        if (project->MultiPages && !paths.isEmpty())
            throw TError(QString::fromLatin1(kMultipageTakesOneProject));
        for (const std::shared_ptr<TCnvJob> &other : LoadAlsoConvertProjects(paths))
            alsoConvert.append(RunSettingsFor(*other));
    } catch (const TError &error) {
        Prompt().warning(error.text());
        return;
    }
    QString multipage;
    if (project->MultiPages && !chooseMultipageFile(multipage))
        return;

    m_gauge->setValue(0);
    TRunSettings settings = RunSettingsFor(*project);
    const QString tooLarge = m_lang.GetText("MSG_IMAGE_TOO_LARGE");
    if (!tooLarge.isEmpty())
        settings.Caps.TooLargeText = tooLarge;
    auto *run = new TThreadConvert(m_sources->Model(), *m_runDisplay, settings);
    if (project->MultiPages)
        run->SetMultipagePath(multipage);
    run->SetAlsoConvert(alsoConvert);
    m_run = run;
    setRunning(true);
    EnsureHiddenWindows();
    m_runDisplay->Begin(m_wait);
    if (m_wait)
        m_wait->show();
    run->Launch([this](TThreadConvert &finished) { runCompleted(finished); });
}

bool TformMain::CopyAsCommand()
{
    const TCnvJob *project = convertibleProject();
    if (!project)
        return false;
    // The command reads the project from its file, so the file must hold what is shown.
    if (m_editor->UpToDateProjectFile().isEmpty() && !m_editor->SaveProject())
        return false;
    QString multipage;
    if (project->MultiPages && !chooseMultipageFile(multipage))
        return false;
    QStringList sources;
    for (int row = 0; row < FavorList().Count(); ++row)
        sources.append(EntryKey(FavorList().At(row)));
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/pictavo-cli");
    QGuiApplication::clipboard()->setText(
        ConvertCommandLine(program, m_editor->UpToDateProjectFile(), multipage, sources));
    return true;
}

void TformMain::StopConvert()
{
    if (!m_run)
        return;
    m_run->Stop();
}

void TformMain::StopOnSignal()
{
    // Each dialog's own loop has to end before the window's can.
    for (int open = 0; open < 16; ++open) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == this)
            break;
        modal->close();
    }
    close();
}

void TformMain::setRunning(bool running)
{
    m_convertStop->setEnabled(running);
    Action("ACTION_FILE_CLOSE")->setEnabled(!running);
    m_sources->SetBusy(running);
    RefreshAddEnablement();
    for (QWidget *busy : {static_cast<QWidget *>(m_folderTree), static_cast<QWidget *>(m_fileList),
                          static_cast<QWidget *>(m_sources->View())}) {
        if (running)
            busy->setCursor(Qt::BusyCursor);
        else
            busy->unsetCursor();
    }
}

void TformMain::runCompleted(TThreadConvert &run)
{
    const QString escaped = run.EscapedError();
    m_run = nullptr;
    m_runDisplay->End();
    if (m_wait)
        m_wait->hide();
    // New output files show where the list looks.
    m_filter->Relist();
    setRunning(false);
    m_gauge->setValue(0);
    if (run.UserBreak() && !m_closeAfterRun)
        Prompt().information(QStringLiteral("Convertation breaked"));
    if (!escaped.isEmpty())
        Prompt().error(escaped);
    const QList<TReportRow> rows = m_sources->Model().ReportRows();
    // The summary was finished when the run ended, not when the user had read the above.
    ConversionSummary = run.Summary();
    ConversionSummary.SkippedLabel = m_lang.GetText("LB_REPORT_SKIPPED");
    if (m_closeAfterRun) {
        // The window was closed during the run: the report is kept, not shown.
        try {
            QDir().mkpath(DefaultOutputFolder());
            WriteReportFile(LastReportPath(), ComposeReport(ConversionSummary, rows));
        } catch (const TError &error) {
            Prompt().error(error.text());
        }
        close();
        return;
    }
    if (m_report) {
        m_report->SetSources(&m_sources->Model());
        m_report->exec();
    }
}

void TformMain::updateTitle()
{
    const TCnvJob *project = CurrentJob();
    setWindowTitle(MainWindowTitle(m_lang, project ? project->Name : QString()));
}

void TformMain::activateLanguage()
{
    if (!ActivateLanguage(m_lang, m_appliedLanguage, TextRoots(), m_languageMenu))
        return;
    AddMenuMnemonics(menuBar());
    NameIconButtons(TextRoots());
    m_preview->SetCaptions(m_lang.GetText("PREVIEW_SOURCE"), m_lang.GetText("PREVIEW_OUTPUT"),
                           m_lang.GetText("PREVIEW_FILES"));
    // The editor fills some texts itself; binding again must not pass for saving, so the
    // project keeps its unsaved mark.
    const bool modified = m_editor->IsModified();
    m_editor->Bind();
    m_editor->SetModified(modified);
    updateTitle();
    RefreshStatusBar();
}

// --- Lifecycle ---------------------------------------------------------------------

void TformMain::setVisible(bool visible)
{
    // The restore runs before the first show, so that the window comes up as it was left.
    if (visible && !m_restored) {
        m_restored = true;
        RestoreStoredSettings();
    }
    QMainWindow::setVisible(visible);
}

void TformMain::RestoreStoredSettings()
{
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    const TStoredSettings values = ReadStoredSettings(*store);

    if (!values.Placement.isEmpty())
        restoreGeometry(values.Placement);

    m_viewDir->setChecked(values.FlagViewDir);
    m_viewTools->setChecked(values.FlagViewTools);
    m_viewOptions->setChecked(values.FlagViewOptions);
    m_viewPreview->setChecked(values.FlagViewPreview);
    applyPanes();

    if (!values.ValCurDir.isEmpty() && QFileInfo(values.ValCurDir).isDir())
        m_fileList->Browse(values.ValCurDir);

    m_skinName = values.ValNameSkin;

    const auto order = values.ValSortDirect == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
    ApplyFileListSort(values.ValSort, order);

    m_sources->SyncAction()->setChecked(values.ValSortSync);
    if (values.ValSortSync)
        m_sources->ApplySortFromFileList(values.ValSort, order);

    m_fileList->SetViewStyle(values.ValViewMode);
    m_viewActions[m_fileList->ViewStyle()]->setChecked(true);

    MemoryLimit = values.ValMemoryLimit;
    MapLimit = values.ValMapLimit;
    FilesAtOnce = values.ValFilesAtOnce;
    WidthLimit = values.ValWidthLimit;
    HeightLimit = values.ValHeightLimit;
    AreaLimit = values.ValAreaLimit;
    CacheDiskLimit = values.ValCacheDiskLimit;
    if (m_preferences)
        m_preferences->SyncFromLimits();
    else
        ClampLimits();
    TurnPhotosUpright = values.ValTurnUpright;
    DoNotEnlarge = values.ValNoEnlarge;

    if (m_lang.SelectLanguage(values.ValLang) >= 0 && m_lang.CurrentPosition() == m_lang.BuiltInPosition())
        m_lang.BindBuiltIn();
    activateLanguage();

    if (!values.FocusedControl.isEmpty()) {
        auto *focus = findChild<QWidget *>(values.FocusedControl);
        // The focus was left on a page of the project panel that is not made yet.
        if (!focus) {
            m_editor->EnsurePages();
            m_filter->EnsurePage();
            focus = findChild<QWidget *>(values.FocusedControl);
        }
        if (focus)
            focus->setFocus();
    }
}

void TformMain::SaveStoredSettings()
{
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    TStoredSettings values = ReadStoredSettings(*store);
    values.FlagViewDir = m_viewDir->isChecked();
    values.FlagViewTools = m_viewTools->isChecked();
    values.FlagViewOptions = m_viewOptions->isChecked();
    values.FlagViewPreview = m_viewPreview->isChecked();
    values.ValLang = m_lang.CurrentName();
    values.ValNameSkin = m_skinName;
    values.ValViewMode = m_fileList->ViewStyle();
    values.ValSort = m_fileList->SortColumn();
    values.ValSortDirect = m_fileList->SortOrder() == Qt::DescendingOrder ? 1 : 0;
    values.ValSortSync = m_sources->SyncAction()->isChecked();
    values.ValMemoryLimit = MemoryLimit;
    values.ValMapLimit = MapLimit;
    values.ValFilesAtOnce = FilesAtOnce;
    values.ValWidthLimit = WidthLimit;
    values.ValHeightLimit = HeightLimit;
    values.ValAreaLimit = AreaLimit;
    values.ValCacheDiskLimit = CacheDiskLimit;
    ApplyResourceLimits();
    values.ValTurnUpright = TurnPhotosUpright;
    values.ValNoEnlarge = DoNotEnlarge;
    values.ValCurDir = m_fileList->CurrentFolder();
    values.Placement = saveGeometry();
    values.FocusedControl = NamedFocus(this);
    if (!WriteStoredSettings(*store, values))
        Prompt().warning(QStringLiteral("Cannot save the window settings to ") + store->fileName());
}

void TformMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    SwitchSkin(m_skinName);
}

void TformMain::closeEvent(QCloseEvent *event)
{
    // A run works on the rows of this window: it stops first, and the window closes
    // once it has.
    if (m_run) {
        m_closeAfterRun = true;
        StopConvert();
        event->ignore();
        return;
    }
    SaveStoredSettings();
    // The program ends with this window: thumbnails half made are not waited for.
    m_fileList->ThumbnailMaker().Stop();
    QMainWindow::closeEvent(event);
}

void TformMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        activateLanguage();
}

// --- The program's windows ---------------------------------------------------------

void PrepareProgram()
{
    QApplication::setApplicationName(QStringLiteral("pictavo"));
    // No display name: the platform would append it to every window title, and the titles
    // name the program themselves.
    // The desktop matches the windows to the menu entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("pictavo"));
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    QDir().mkpath(DefaultOutputFolder());
    ChooseIconTheme();
    ApplySkin(StartSkinName());
}

TProgramWindows::TProgramWindows(TMLang &lang)
{
    Main = std::make_unique<TformMain>(lang);
    Main->SetHiddenWindowsMaker([this] {
        // Made after the first show's restore: it takes the limits as they stand now.
        Preferences = std::make_unique<TformPref>(Main.get());
        Preferences->SyncFromLimits();
        Main->SetPrefDialog(Preferences.get());
        About = std::make_unique<TformAbout>(Main.get());
        Searching = std::make_unique<TformDlgFilelist>(Main.get());
        Report = std::make_unique<TformReport>(Main.get());
        Wait = std::make_unique<TformWait>(Main.get());
        Main->SetAboutWindow(About.get());
        Main->SetSearchingDialog(Searching.get());
        Main->SetReportWindow(Report.get());
        Main->SetWaitWindow(Wait.get());
    });
}

TProgramWindows::~TProgramWindows()
{
    // The dialogs are the main window's children; they go before it, by their owners.
    Wait.reset();
    Preferences.reset();
    Report.reset();
    Searching.reset();
    About.reset();
    Main.reset();
}
