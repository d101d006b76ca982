#pragma once

// The sources area of the main window: the sources toolbar with the count, the sources
// view over the sources model, its context menus and the commands that edit the list.

#include "project/unitSourcesModel.h"

#include <QTreeView>
#include <QWidget>

#include <functional>

class QAction;
class QActionGroup;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QMimeData;
class QToolBar;
class QToolButton;

// The sources view: full-row multiple selection, an 18-pixel header with movable and
// resizable columns and a sort arrow. Sorting happens only through the commands; a left
// click on a header asks for the header sort.
class TSourcesView : public QTreeView
{
    Q_OBJECT

public:
    explicit TSourcesView(QWidget *parent = nullptr);
    void setModel(QAbstractItemModel *model) override;

    // Rows selected, in display order.
    QList<int> SelectedRows() const;
    // A column whose header does not react to clicks (-1 for none).
    void SetInertColumn(int column) { m_inertColumn = column; }
    // The local files and folders a drag carries, in its order.
    static QStringList DroppedPaths(const QMimeData *data);

Q_SIGNALS:
    void headerLeftClicked(int column);
    void pathsDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool takesDrop(const QDropEvent *event) const;

    int m_inertColumn = -1;
};

class TSourcesPanel : public QWidget
{
    Q_OBJECT

public:
    using TSortState = std::pair<int, Qt::SortOrder>;

    explicit TSourcesPanel(QWidget *parent = nullptr);

    TSourcesModel &Model() { return m_model; }
    TSourcesView *View() const { return m_view; }
    QToolBar *ToolBar() const { return m_toolBar; }
    QMenu *ContextMenu() const { return m_popup6; }
    QMenu *SortMenu() const { return m_popup8; }
    QAction *Action(const char *objectName) const;
    QAction *SyncAction() const { return m_sync; }

    // Add: the selected paths of the file list in display order through the gatherer;
    // the view is rebuilt and sorted again. Returns how many entries came.
    int AddSources(const QStringList &selectedPaths, const TGatherCall &gather);
    // The commands, as their actions run them.
    void DeleteSelected();
    void ClearAll();
    // Clear with its question, for a project being created or opened; false on No.
    bool ClearForProject();

    void RefreshCount();
    // Enables the convert command (when set), clear and delete by the rows and the
    // selection; all three are off while busy.
    void RefreshEnablement();
    void SetConvertAction(QAction *convert) { m_convert = convert; }

    // The file list's sort, read when sync mode needs it.
    void SetFileListSort(std::function<TSortState()> fileListSort) { m_fileListSort = std::move(fileListSort); }
    // A sort of the file list in sync mode: the view takes it over without mirroring back.
    void ApplySortFromFileList(int column, Qt::SortOrder order);
    bool SyncMode() const;

    // While a run or a gathering is in progress the rows and the list stay as they are.
    void SetBusy(bool busy);

Q_SIGNALS:
    // In sync mode, a sort the user made here, for the file list to follow.
    void sortMirrored(int column, Qt::SortOrder order);
    // The enablement may have changed: rows added or removed, selection changed.
    void stateChanged();
    // Files and folders dropped onto the view, to be added as the add command adds a
    // selection; never while busy.
    void addRequested(const QStringList &paths);

private:
    QAction *newAction(const char *objectName, bool checkable = false);
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void onSortChanged(int column, Qt::SortOrder order);
    void onSyncToggled(bool on);

    TSourcesModel m_model;
    TSourcesView *m_view = nullptr;
    QToolBar *m_toolBar = nullptr;
    QLabel *m_caption = nullptr;
    QLabel *m_count = nullptr;
    QMenu *m_popup6 = nullptr;
    QMenu *m_popup7 = nullptr;
    QMenu *m_popup8 = nullptr;
    QActionGroup *m_sortGroup = nullptr;
    QAction *m_sortActions[TSourcesModel::ColumnCount] = {};
    QAction *m_delete = nullptr;
    QAction *m_clear = nullptr;
    QAction *m_selectAll = nullptr;
    QAction *m_selectInvert = nullptr;
    QAction *m_selectNone = nullptr;
    QAction *m_sync = nullptr;
    QAction *m_convert = nullptr;
    std::function<TSortState()> m_fileListSort;
    bool m_busy = false;
};

// The row colours of the statuses: the tooltip background, red, a pale green.
void InstallSourcesRowColours();
