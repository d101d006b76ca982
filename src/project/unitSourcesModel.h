#pragma once

// The rows of the sources view: each row holds its own copy of an entry, so that sorting
// never reorders the list and a run writes statuses without touching it. The row order
// of the model is the order the view shows.

#include "project/unitFavor.h"
#include "project/unitReport.h"

#include <QAbstractTableModel>
#include <QVariant>

#include <functional>

class TPrompt;

class TSourcesModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum { ColumnName, ColumnSize, ColumnType, ColumnModified, ColumnPath, ColumnCount };
    static constexpr int NoSortColumn = -1;

    explicit TSourcesModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Qt's sort entry point (a sorting view's header): applies the sort.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    static QString HeaderText(int column);
    static int ColumnWidth(int column);
    static constexpr int HeaderHeight = 18;

    // The background and the text colour of a row of each status (0, 1, 2). The core has
    // no colours; the windows install providers that answer QColor values.
    using TStatusBackground = std::function<QVariant(quint8 status)>;
    static void SetStatusBackground(TStatusBackground provider);
    static void SetStatusForeground(TStatusBackground provider);

    // Rows in display order.
    int Count() const { return int(m_rows.size()); }
    const TFavorCell &Row(int row) const { return m_rows.at(row); }
    void SetRowResult(int row, quint8 status, const QString &message);
    QList<TReportRow> ReportRows() const;

    // Every row a fresh copy of the list's entry in list order, Status 0 and no Message.
    void Rebuild(const TFavorList &list);
    void ResetStatuses();
    void RemoveAllRows();
    // Removes the given rows (any order, duplicates allowed).
    void RemoveRows(const QList<int> &rows);

    // Sort state: a column (NoSortColumn or 0 to 4) and a direction.
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }
    // Sets the state and sorts the rows stably; a column outside 0 to 4 leaves them as
    // they are and sets no column.
    void ApplySort(int column, Qt::SortOrder order);
    // Sorting again by the state as it stands.
    void Resort() { ApplySort(m_sortColumn, m_sortOrder); }
    // A left click on a header: a new column sorts ascending, the sorted one flips.
    void HeaderSort(int column);
    // A sort command: the column becomes the command's and the direction flips, every time.
    void SortCommand(int column);
    // Negative, zero or positive for (a, b) by the column's rule; 0 outside 0 to 4.
    static int CompareRows(const TFavorCell &a, const TFavorCell &b, int column);

    // While a run or a gathering is in progress the rows and the list must stay as they
    // are: the sorts and the sources commands then do nothing. Calls nest.
    void BeginBusy() { ++m_busy; }
    void EndBusy() { if (m_busy > 0) --m_busy; }
    bool IsBusy() const { return m_busy > 0; }

Q_SIGNALS:
    // After every sort, whoever asked for it; the window moves the check mark.
    void sortChanged(int column, Qt::SortOrder order);
    // After a header sort or a sort command only: what sync mode mirrors to the file
    // list (a sort applied from the file list is not sent back).
    void userSorted(int column, Qt::SortOrder order);

private:
    void sortRows(int column, Qt::SortOrder order);

    QList<TFavorCell> m_rows;
    int m_busy = 0;
    int m_sortColumn = NoSortColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

// The sources commands over a model and the process-wide list. Questions and warnings
// go through the installed prompt.

// The gatherer as the add command runs it: reads PendingFavorList, appends to FavorList.
using TGatherCall = std::function<void()>;

struct TAddOptions
{
    // Sync mode: the file list's sort replaces the view's own after the rebuild.
    bool SyncSort = false;
    int SyncColumn = TSourcesModel::NoSortColumn;
    Qt::SortOrder SyncOrder = Qt::AscendingOrder;
};

// Add: pending entries for the selected paths in display order, the gatherer, the
// warning "Not found files or duplicate" when nothing came, pending emptied, the view
// rebuilt and sorted again. Returns how many entries were added. An empty selection
// calls nothing. When the gatherer throws, the pending list is emptied and the view
// shows what it appended before the error goes on to the caller.
int AddToSources(TSourcesModel &model, const QStringList &selectedPaths,
                 const TGatherCall &gather, const TAddOptions &options = TAddOptions());
// Delete: asks "Delete selection?" when any row is selected; removes the entries and
// the rows. Returns false when nothing was removed (no selection, No, or busy).
bool DeleteFromSources(TSourcesModel &model, const QList<int> &selectedRows);
// Clear: asks "Clear data?" when the view has rows; empties the list and the view.
// Returns false when the user answered No or the sources are busy.
bool ClearSources(TSourcesModel &model);
