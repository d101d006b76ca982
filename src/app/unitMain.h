#pragma once

// The main window: the file browser, the sources area and the project panel under one
// menu and toolbar; it restores what the user left at the last exit and stores it again.

#include "app/unitStoredSettings.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class TCnvJob;
class TFileList;
class TFilterPanel;
class TFolderTree;
class TJobEditor;
class TMLang;
class TPreviewPane;
class TSourcesPanel;
class TThreadConvert;
class TWindowRunDisplay;
class TformAbout;
class TformDlgFilelist;
class TformPref;
class TformReport;
class TformWait;

class TformMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TformMain(TMLang &lang, QWidget *parent = nullptr);
    ~TformMain() override;

    // The windows this one opens; they are created after it and outlive its commands.
    void SetAboutWindow(TformAbout *about) { m_about = about; }
    void SetSearchingDialog(TformDlgFilelist *searching) { m_searching = searching; }
    void SetReportWindow(TformReport *report) { m_report = report; }
    void SetPrefDialog(TformPref *preferences);
    void SetWaitWindow(TformWait *wait);
    // Makes the windows that only commands open (About, searching, report, Preferences,
    // Wait) and hands them over through the setters above; run when one of them is first
    // needed, so that the start builds none of them.
    void SetHiddenWindowsMaker(std::function<void()> maker);
    // Runs the maker once, then gives the new windows the language's texts.
    void EnsureHiddenWindows();

    TFileList *FileList() const { return m_fileList; }
    TFolderTree *FolderTree() const { return m_folderTree; }
    TSourcesPanel *SourcesPanel() const { return m_sources; }
    QTabWidget *ProjectPanel() const { return m_pages; }
    QProgressBar *Gauge() const { return m_gauge; }
    // Panels 1 to 3 of the status bar.
    QLabel *StatusPanel(int panel) const;
    QAction *Action(const char *objectName) const;
    QMenu *Menu(const char *objectName) const;
    QToolButton *ToolButton(const char *objectName) const;

    TJobEditor *Editor() const { return m_editor; }
    TFilterPanel *FilterPanel() const { return m_filter; }
    TPreviewPane *PreviewPane() const { return m_preview; }

    // Unsaved changes of the current project; the exit command asks about them.
    bool IsModified() const;
    void SetModified(bool modified);
    // What "Yes" to "Save project?" runs: the save command unless replaced.
    void SetSaveCommand(std::function<void()> save) { m_save = std::move(save); }

    // Applies a sort to the file list: check mark, column, direction, sort.
    void ApplyFileListSort(int column, Qt::SortOrder order);
    // Switches to the skin of the skin menu's item of that caption; nothing when there is
    // none or it is current already.
    void SwitchSkin(const QString &name);
    QString SkinName() const { return m_skinName; }
    int SkinPosition() const { return m_skinPosition; }

    // The commands, as their actions run them.
    void NewProject();
    void AddToFavor();
    // The add command for the given files and folders (a selection, or a drop).
    void AddPaths(const QStringList &paths);
    void RefreshStatusBar();
    void RefreshAddEnablement();
    void Exit();
    void Convert();
    void StopConvert();
    // SIGTERM, SIGHUP or Ctrl+C: the open dialogs are closed and the window closes as when
    // the user closes it, a run stopping first after the files in work and its report kept.
    void StopOnSignal();
    // Puts on the clipboard the pictavo-cli line that converts what Convert would now;
    // a project with unsaved changes is saved first. False when nothing was copied.
    bool CopyAsCommand();
    bool IsRunning() const { return m_run != nullptr; }

    // Every window the language texts reach.
    QList<QObject *> TextRoots() const;

    // The first show restores, every close saves.
    void RestoreStoredSettings();
    void SaveStoredSettings();

public Q_SLOTS:
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QAction *newAction(const char *objectName, bool checkable = false);
    QMenu *newMenu(const char *objectName, QWidget *parent);
    void buildActions();
    void buildLayout();
    void buildMainToolBar();
    void buildMenus();
    void buildSkinMenu();
    void buildStatusBar();
    void connectBrowser();
    void togglePane(QAction *toggle);
    void applyPanes();
    void fileListSortCommand(int column);
    void checkFileListSort(int column);
    void mirrorToSources();
    void activateLanguage();
    void pageBuilt(QWidget *page);
    void updateTitle();
    // The current project when Convert may start now; otherwise null, the user told why.
    const TCnvJob *convertibleProject();
    bool chooseMultipageFile(QString &path);
    void setRunning(bool running);
    void runCompleted(TThreadConvert &run);

    TMLang &m_lang;
    int m_appliedLanguage = -1;
    QString m_skinName;
    int m_skinPosition = -1;
    bool m_restored = false;
    std::function<void()> m_save;
    TThreadConvert *m_run = nullptr;
    std::unique_ptr<TWindowRunDisplay> m_runDisplay;
    bool m_closeAfterRun = false;

    TformAbout *m_about = nullptr;
    TformDlgFilelist *m_searching = nullptr;
    TformReport *m_report = nullptr;
    TformPref *m_preferences = nullptr;
    TformWait *m_wait = nullptr;
    std::function<void()> m_hiddenWindowsMaker;

    QWidget *m_toolPanel = nullptr;
    QToolBar *m_toolBar = nullptr;
    QWidget *m_folderPane = nullptr;
    QSplitter *m_paneSplitter = nullptr;
    QSplitter *m_centreSplitter = nullptr;
    TFolderTree *m_folderTree = nullptr;
    TFileList *m_fileList = nullptr;
    TSourcesPanel *m_sources = nullptr;
    QTabWidget *m_pages = nullptr;
    TJobEditor *m_editor = nullptr;
    TFilterPanel *m_filter = nullptr;
    TPreviewPane *m_preview = nullptr;
    QProgressBar *m_gauge = nullptr;
    QLabel *m_statusPanels[4] = {};

    QMenu *m_languageMenu = nullptr;
    QMenu *m_skinMenu = nullptr;
    QActionGroup *m_skinGroup = nullptr;
    QMenu *m_popup5 = nullptr;
    QActionGroup *m_viewGroup = nullptr;
    QActionGroup *m_sortGroup = nullptr;
    QAction *m_viewActions[5] = {};
    QAction *m_sortActions[4] = {};
    QAction *m_viewDir = nullptr;
    QAction *m_viewTools = nullptr;
    QAction *m_viewOptions = nullptr;
    QAction *m_viewPreview = nullptr;
    QAction *m_addToFavor = nullptr;
    QAction *m_convert = nullptr;
    QAction *m_convertStop = nullptr;
};

// What the program does before its splash, once the application object exists: its
// names, the folder of the executable as the current one (for "../lang" and "../skins"),
// the output folder, an icon theme and the start skin.
void PrepareProgram();

// The program's windows: the main window at once, the others when one of them is first
// needed (TformMain::EnsureHiddenWindows). All but the main window start hidden.
struct TProgramWindows
{
    explicit TProgramWindows(TMLang &lang);
    ~TProgramWindows();

    std::unique_ptr<TformMain> Main;
    std::unique_ptr<TformAbout> About;
    std::unique_ptr<TformDlgFilelist> Searching;
    std::unique_ptr<TformReport> Report;
    std::unique_ptr<TformPref> Preferences;
    std::unique_ptr<TformWait> Wait;
};
