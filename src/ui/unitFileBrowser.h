#pragma once

// The file browser of the main window: the folder tree "VET" over the file system from "/"
// and the file list "VLEx" that shows one folder in five view styles, with thumbnails made
// in the background.

#include <QAbstractTableModel>
#include <QCollator>
#include <QFileInfo>
#include <QFlags>
#include <QHash>
#include <QIcon>
#include <QTreeView>
#include <QWidget>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QFileSystemModel;
class QFileSystemWatcher;
class QHeaderView;
class QItemSelectionModel;
class QListView;
class QDirIterator;
class QSortFilterProxyModel;
class QStackedLayout;
class QThreadPool;
class QTimer;
class TThumbnailMaker;

// What the folder tree and the file list show.
enum class TObjectFilterFlag { Folders = 1, NonFolders = 2, Hidden = 4 };
Q_DECLARE_FLAGS(TObjectFilter, TObjectFilterFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TObjectFilter)

// Asked for every item while a folder is listed; false leaves the item out.
using TItemAcceptance = std::function<bool(const QFileInfo &)>;

// An item of the file list. Every item here is a file-system object.
struct TFileItem
{
    bool IsFolder = false;
    bool IsFileSystemObject = true;
    QString FullPath;    // the absolute path
    QString Name;        // the name within its folder
    QString DisplayName; // what the list shows
};

// One folder's contents, four columns: name, size, type, modified. Folders come first in
// either direction; ties go by name.
//
// A folder is read on a thread of its own: the first entries at once, so that the first
// screen shows, the rest in batches that are filtered and merged into the sorted rows as
// they arrive. Reading again the folder shown (Relist) keeps the old rows until the new
// ones are complete.
class TFolderListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum TColumn { ColName, ColSize, ColType, ColModified, ColumnCount };
    static int ColumnWidth(int column);
    // Entries read before SetFolder returns; more than any view shows at once.
    static constexpr int FirstScreen = 1000;

    explicit TFolderListModel(QObject *parent = nullptr);
    // Stops a listing in progress and waits for its thread.
    ~TFolderListModel() override;

    // Lists a folder; false, and nothing changes, when it is not a readable folder.
    bool SetFolder(const QString &path);
    QString Folder() const { return m_folder; }
    // Lists the current folder again; the selection of the views is theirs to keep.
    void Relist();
    // A folder being read still; listingFinished follows.
    bool IsListing() const { return bool(m_listing); }

    TObjectFilter ObjectFilter() const { return m_filter; }
    void SetObjectFilter(TObjectFilter filter);
    void SetAcceptance(TItemAcceptance accept);

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    const QFileInfo &Info(int row) const { return m_shown.At(row).Info; }
    TFileItem Item(int row) const;
    int RowOf(const QString &path) const;
    int Count() const { return int(m_shown.Order.size()); }

    // Thumbnails take the place of icons while on.
    void SetThumbnailMaker(TThumbnailMaker *maker);
    void SetThumbnailMode(bool on);
    bool ThumbnailMode() const { return m_thumbnails; }
    // Queues the thumbnails of rows not yet shown, nearest first.
    void Prefetch(int first, int last);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    // The rows changed by a listing: after the first screen, each batch and the end.
    void listed();
    // The folder has been read to its end.
    void listingFinished();

private:
    struct TRow
    {
        QFileInfo Info;
        QCollatorSortKey Key;
        QString Type;
        qint64 Size = 0;
        qint64 ModifiedMs = 0;
        bool IsDir = false;
    };
    // A batch as the reader hands it over.
    using TRows = std::vector<TRow>;
    // Rows stay where they were put, so that a batch costs no more than its own rows; the
    // order of the list is a vector of their places.
    struct TRowSet
    {
        std::deque<TRow> Rows;
        std::vector<int> Order;
        const TRow &At(int row) const { return Rows[size_t(Order.at(size_t(row)))]; }
        void Clear()
        {
            Rows.clear();
            Order.clear();
        }
    };
    struct TListing
    {
        std::atomic_bool Cancelled{false};
        // Batches handed over and not yet merged. The reader waits for the window rather
        // than queue batches that would then be merged back to back in one long stall.
        std::atomic_int InFlight{0};
    };

    void startListing(bool staged);
    void cancelListing();
    // Reads up to `most` entries; false once the folder has been read to its end.
    static bool readEntries(QDirIterator &entries, const QCollator &collator, TRows &into, int most,
                            const std::atomic_bool *cancelled, qint64 flushMs);
    void receive(quint64 generation, TRows &batch, bool last);
    void admit(TRows &rows);
    // Puts a batch's rows into the set; their places, sorted, not yet in the order.
    std::vector<int> append(TRowSet &set, TRows &batch) const;
    // For each of those places, how many rows of the order come before it.
    std::vector<int> insertionPoints(const TRowSet &set, const std::vector<int> &added) const;
    static void mergeOrder(std::vector<int> &order, const std::vector<int> &added, const std::vector<int> &points);
    void mergeInto(TRowSet &set, TRows &batch) const;
    void mergeLive(TRows &batch);
    void finishListing();
    bool lessThan(const TRow &a, const TRow &b) const;
    void sortOrder(TRowSet &set) const;
    QIcon iconFor(const TRow &row) const;
    QString typeOf(const QFileInfo &info) const;
    void onThumbnail(const QString &path);

    QString m_folder;
    TRowSet m_shown;
    // A relist's rows, shown once complete.
    TRowSet m_staging;
    bool m_staged = false;
    std::shared_ptr<TListing> m_listing;
    quint64 m_generation = 0;
    QThreadPool *m_readers = nullptr;
    mutable QHash<QString, int> m_rowOfName;
    mutable bool m_rowIndexStale = true;
    TObjectFilter m_filter = TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders
                             | TObjectFilterFlag::Hidden;
    TItemAcceptance m_accept;
    int m_sortColumn = ColName;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    TThumbnailMaker *m_maker = nullptr;
    bool m_thumbnails = false;
    mutable QHash<QString, QIcon> m_iconOfType;
    mutable QHash<QString, QString> m_typeOfSuffix;
};

// The file list "VLEx". The window drives it through the calls below and hears of the
// user's doings through the signals.
class TFileList : public QWidget
{
    Q_OBJECT

public:
    enum TViewStyle { LargeIcons = 0, SmallIcons = 1, List = 2, Details = 3, Thumbnails = 4 };

    explicit TFileList(QWidget *parent = nullptr);
    ~TFileList() override;

    int ViewStyle() const { return m_style; }
    void SetViewStyle(int style);

    // Sort column 0 name, 1 size, 2 type, 3 modified; Sort() applies them.
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }
    void SetSortColumn(int column);
    void SetSortOrder(Qt::SortOrder order);
    void Sort();
    // Column and direction at once, then Sort().
    void ApplySort(int column, Qt::SortOrder order);
    // The header's rule: another column keeps the direction, the sorted one flips it.
    void HeaderSort(int column);

    void SelectAll();
    void InvertSelection();
    void ClearSelection();
    int VisibleCount() const;
    int SelectedCount() const;
    // Selected rows and items in display order.
    QList<int> SelectedRows() const;
    QList<TFileItem> SelectedItems() const;
    TFileItem Item(int row) const { return m_model->Item(row); }

    QString CurrentFolder() const { return m_model->Folder(); }
    // Shows a folder; false, staying where it is, when the path is not a readable folder.
    bool Browse(const QString &path);
    // The parent folder; false and nothing at "/".
    bool GoUp();
    // Lists the current folder anew, asking the acceptance for every item again; the
    // selection stays on the items that are still there.
    void Relist();

    TObjectFilter ObjectFilter() const { return m_model->ObjectFilter(); }
    // Re-lists at once.
    void SetObjectFilter(TObjectFilter filter);
    void SetItemAcceptance(TItemAcceptance accept);

    // What a double click on a file does; the desktop opens it unless replaced.
    void SetOpenFile(std::function<void(const QString &path)> open);
    // What a double click or Enter does to a row: a folder opens, a file is opened.
    void Execute(int row);

    TThumbnailMaker &ThumbnailMaker() { return *m_maker; }
    TFolderListModel &Model() { return *m_model; }
    // The view of the current style.
    QAbstractItemView *View() const;
    QListView *IconView() const { return m_iconView; }
    QTreeView *DetailsView() const { return m_detailsView; }
    QHeaderView *Header() const;

Q_SIGNALS:
    void mouseReleased();
    void keyReleased();
    // The mouse went up over the header, after any sort it caused.
    void headerReleased();
    void selectionChanged();
    void folderChanged(const QString &path);
    void sorted(int column, Qt::SortOrder order);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyStyle();
    void afterListing(const QStringList &keepSelected, const QString &keepCurrent);
    // Runs a relist and gives the selection back once the folder has been read.
    void relistKeeping(const QStringList &selected, const QString &current, const std::function<void()> &relist);
    void listingFinished();
    void prefetchAround();
    void watch(const QString &folder);

    TFolderListModel *m_model = nullptr;
    TThumbnailMaker *m_maker = nullptr;
    QItemSelectionModel *m_selection = nullptr;
    QStackedLayout *m_stack = nullptr;
    QListView *m_iconView = nullptr;
    QTreeView *m_detailsView = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_relistTimer = nullptr;
    QTimer *m_prefetchTimer = nullptr;
    int m_style = Details;
    int m_sortColumn = TFolderListModel::ColName;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::function<void(const QString &)> m_open;
    // What a listing under way gives back when it ends.
    QStringList m_keepSelected;
    QString m_keepCurrent;
};

// The folder tree "VET": folders only, from "/", sorted as the file list sorts names. Linked
// to a file list, choosing a folder shows it there and browsing there selects it here. The
// busy cursor is QWidget::setCursor.
class TFolderTree : public QTreeView
{
    Q_OBJECT

public:
    explicit TFolderTree(QWidget *parent = nullptr);

    // Only Hidden counts here: hidden folders are shown with it.
    TObjectFilter ObjectFilter() const { return m_filter; }
    void SetObjectFilter(TObjectFilter filter);

    void LinkFileList(TFileList *list);
    // Expands down to a folder and selects it; false when it is not a folder.
    bool SelectFolder(const QString &path);
    QString CurrentFolder() const;
    // The row of the tree that shows a folder; invalid when it is not listed (yet).
    QModelIndex IndexOf(const QString &path) const;
    QString PathOf(const QModelIndex &index) const;
    // The file system under the tree's sorted view of it.
    QFileSystemModel *FileSystemModel() const { return m_model; }

Q_SIGNALS:
    // The user chose a folder here.
    void folderChosen(const QString &path);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void scrollToCurrent(ScrollHint hint);

    QFileSystemModel *m_model = nullptr;
    // Children are put in their places as they arrive, rather than appended and sorted a
    // moment later, as the file system model does.
    QSortFilterProxyModel *m_sorted = nullptr;
    TFileList *m_list = nullptr;
    TObjectFilter m_filter = TObjectFilterFlag::Folders;
    bool m_following = false;
    bool m_scrollPending = false;
    QTimer *m_scrollTimer = nullptr;
};
