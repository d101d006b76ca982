#include "project/unitSourcesModel.h"

#include "project/unitGeneral.h"
#include "project/unitPrompt.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QSize>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

const char *const kHeaderTexts[TSourcesModel::ColumnCount] = {"Name", "Size", "Type", "Modified",
                                                              "Path"};
const int kColumnWidths[TSourcesModel::ColumnCount] = {150, 100, 150, 100, 350};

TSourcesModel::TStatusBackground &statusBackground()
{
    static TSourcesModel::TStatusBackground provider;
    return provider;
}

TSourcesModel::TStatusBackground &statusForeground()
{
    static TSourcesModel::TStatusBackground provider;
    return provider;
}

bool validColumn(int column)
{
    return column >= 0 && column < TSourcesModel::ColumnCount;
}

bool textColumn(int column)
{
    return column == TSourcesModel::ColumnName || column == TSourcesModel::ColumnType
        || column == TSourcesModel::ColumnPath;
}

const QString &columnText(const TFavorCell &cell, int column)
{
    switch (column) {
    case TSourcesModel::ColumnName:
        return cell.Name;
    case TSourcesModel::ColumnType:
        return cell.FileType;
    default:
        return cell.Folder;
    }
}

// Unsigned bytes, a prefix first: the order of the 8-bit texts, which differs from the
// order of QString's UTF-16 units above the surrogate range.
int compareBytes(const QByteArray &a, const QByteArray &b)
{
    const qsizetype common = std::min(a.size(), b.size());
    if (common > 0) {
        const int result = std::memcmp(a.constData(), b.constData(), size_t(common));
        if (result != 0)
            return result < 0 ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

template <typename T>
int compareValues(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// NaN never comes from a file's time, but must not break the ordering the sort relies on:
// it sorts before every time and equal to itself.
int compareTimes(double a, double b)
{
    const bool nanA = std::isnan(a);
    const bool nanB = std::isnan(b);
    if (nanA || nanB)
        return compareValues(int(!nanA), int(!nanB));
    return compareValues(a, b);
}

// Runs the gatherer with the model marked busy and always ends the mark.
class TBusyScope
{
public:
    explicit TBusyScope(TSourcesModel &model) : m_model(model) { m_model.BeginBusy(); }
    ~TBusyScope() { m_model.EndBusy(); }
    TBusyScope(const TBusyScope &) = delete;
    TBusyScope &operator=(const TBusyScope &) = delete;

private:
    TSourcesModel &m_model;
};

} // namespace

TSourcesModel::TSourcesModel(QObject *parent) : QAbstractTableModel(parent) {}

int TSourcesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TSourcesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(ColumnCount);
}

QVariant TSourcesModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    const TFavorCell &cell = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColumnName:
            return cell.Name;
        case ColumnSize:
            return QString::number(cell.Size);
        case ColumnType:
            return cell.FileType;
        case ColumnModified:
            // An unrecorded moment (0) gives an invalid date and so an empty cell.
            return QLocale::system().toString(DateTimeToQt(cell.Modified).date(),
                                              QLocale::ShortFormat);
        case ColumnPath:
            return cell.Folder;
        }
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == ColumnSize)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (statusBackground())
            return statusBackground()(cell.Status);
        break;
    case Qt::ForegroundRole:
        if (statusForeground())
            return statusForeground()(cell.Status);
        break;
    default:
        break;
    }
    return QVariant();
}

QVariant TSourcesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !validColumn(section))
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole:
        return HeaderText(section);
    case Qt::SizeHintRole:
        return QSize(ColumnWidth(section), HeaderHeight);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

void TSourcesModel::sort(int column, Qt::SortOrder order)
{
    ApplySort(column, order);
}

QString TSourcesModel::HeaderText(int column)
{
    return validColumn(column) ? QString::fromLatin1(kHeaderTexts[column]) : QString();
}

int TSourcesModel::ColumnWidth(int column)
{
    return validColumn(column) ? kColumnWidths[column] : 0;
}

void TSourcesModel::SetStatusForeground(TStatusBackground provider)
{
    statusForeground() = std::move(provider);
}

void TSourcesModel::SetStatusBackground(TStatusBackground provider)
{
    statusBackground() = std::move(provider);
}

void TSourcesModel::SetRowResult(int row, quint8 status, const QString &message)
{
    if (row < 0 || row >= Count())
        return;
    TFavorCell &cell = m_rows[row];
    cell.Status = status;
    cell.Message = message;
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

QList<TReportRow> TSourcesModel::ReportRows() const
{
    QList<TReportRow> rows;
    rows.reserve(m_rows.size());
    for (const TFavorCell &cell : m_rows)
        rows.append(TReportRow{cell.Name, cell.Status, cell.Message});
    return rows;
}

void TSourcesModel::Rebuild(const TFavorList &list)
{
    beginResetModel();
    m_rows = list.Cells();
    for (TFavorCell &cell : m_rows) {
        cell.Status = 0;
        cell.Message.clear();
    }
    endResetModel();
}

void TSourcesModel::ResetStatuses()
{
    if (m_rows.isEmpty())
        return;
    for (TFavorCell &cell : m_rows) {
        cell.Status = 0;
        cell.Message.clear();
    }
    Q_EMIT dataChanged(index(0, 0), index(Count() - 1, ColumnCount - 1));
}

void TSourcesModel::RemoveAllRows()
{
    if (m_rows.isEmpty())
        return;
    beginRemoveRows(QModelIndex(), 0, Count() - 1);
    m_rows.clear();
    endRemoveRows();
}

void TSourcesModel::RemoveRows(const QList<int> &rows)
{
    std::vector<int> doomed;
    doomed.reserve(size_t(rows.size()));
    for (int row : rows) {
        if (row >= 0 && row < Count())
            doomed.push_back(row);
    }
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    // From the bottom up, one contiguous run at a time, so the rows above keep their numbers.
    auto end = doomed.end();
    while (end != doomed.begin()) {
        auto first = end - 1;
        while (first != doomed.begin() && *(first - 1) == *first - 1)
            --first;
        const int top = *first;
        const int bottom = *(end - 1);
        beginRemoveRows(QModelIndex(), top, bottom);
        m_rows.erase(m_rows.begin() + top, m_rows.begin() + bottom + 1);
        endRemoveRows();
        end = first;
    }
}

int TSourcesModel::CompareRows(const TFavorCell &a, const TFavorCell &b, int column)
{
    if (textColumn(column))
        return compareBytes(columnText(a, column).toUtf8(), columnText(b, column).toUtf8());
    if (column == ColumnSize)
        return compareValues(a.Size, b.Size);
    if (column == ColumnModified)
        return compareTimes(a.Modified, b.Modified);
    return 0;
}

void TSourcesModel::ApplySort(int column, Qt::SortOrder order)
{
    if (IsBusy())
        return;
    m_sortColumn = validColumn(column) ? column : int(NoSortColumn);
    m_sortOrder = order;
    if (validColumn(column))
        sortRows(column, order);
    Q_EMIT sortChanged(m_sortColumn, m_sortOrder);
}

void TSourcesModel::HeaderSort(int column)
{
    if (IsBusy() || !validColumn(column))
        return;
    Qt::SortOrder order = Qt::AscendingOrder;
    if (column == m_sortColumn)
        order = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    ApplySort(column, order);
    Q_EMIT userSorted(m_sortColumn, m_sortOrder);
}

void TSourcesModel::SortCommand(int column)
{
    if (IsBusy() || !validColumn(column))
        return;
    ApplySort(column,
              m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
    Q_EMIT userSorted(m_sortColumn, m_sortOrder);
}

void TSourcesModel::sortRows(int column, Qt::SortOrder order)
{
    const int count = Count();
    if (count < 2)
        return;

    // The texts are converted once, not on every comparison.
    std::vector<QByteArray> texts;
    if (textColumn(column)) {
        texts.reserve(size_t(count));
        for (const TFavorCell &cell : m_rows)
            texts.push_back(columnText(cell, column).toUtf8());
    }
    auto compare = [&](int a, int b) {
        if (textColumn(column))
            return compareBytes(texts[size_t(a)], texts[size_t(b)]);
        return CompareRows(m_rows.at(a), m_rows.at(b), column);
    };

    std::vector<int> permutation(static_cast<size_t>(count));
    std::iota(permutation.begin(), permutation.end(), 0);
    // Descending sorts by the reversed comparison, not by reversing the result, so rows
    // that compare equal keep their order both ways.
    if (order == Qt::AscendingOrder)
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return compare(a, b) < 0; });
    else
        std::stable_sort(permutation.begin(), permutation.end(),
                         [&](int a, int b) { return compare(a, b) > 0; });

    bool moved = false;
    for (int i = 0; i < count && !moved; ++i)
        moved = permutation[size_t(i)] != i;
    if (!moved)
        return;

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<TFavorCell> sorted;
    sorted.reserve(count);
    std::vector<int> newRowOf(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int old = permutation[size_t(i)];
        sorted.append(std::move(m_rows[old]));
        newRowOf[size_t(old)] = i;
    }
    m_rows = std::move(sorted);

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &idx : before)
        after.append(index(newRowOf[size_t(idx.row())], idx.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int AddToSources(TSourcesModel &model, const QStringList &selectedPaths, const TGatherCall &gather,
                 const TAddOptions &options)
{
    if (selectedPaths.isEmpty() || model.IsBusy())
        return 0;

    QList<TFavorCell> &pending = PendingFavorList();
    pending.clear();
    for (const QString &path : selectedPaths)
        pending.append(PendingEntryFor(path));

    TFavorList &list = FavorList();
    const int before = list.Count();

    auto showList = [&] {
        model.Rebuild(list);
        if (options.SyncSort)
            model.ApplySort(options.SyncColumn, options.SyncOrder);
        else
            model.Resort();
    };

    try {
        TBusyScope busy(model);
        if (gather)
            gather();
    } catch (...) {
        // What the gatherer appended before it failed is in the list: the view shows it,
        // so that the run and the count agree with what the user sees.
        pending.clear();
        showList();
        throw;
    }

    if (list.Count() == before)
        Prompt().warning(QStringLiteral("Not found files or duplicate"));
    pending.clear();
    showList();
    return list.Count() - before;
}

bool DeleteFromSources(TSourcesModel &model, const QList<int> &selectedRows)
{
    if (model.IsBusy())
        return false;
    QList<int> rows;
    for (int row : selectedRows) {
        if (row >= 0 && row < model.Count())
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.isEmpty())
        return false;
    if (Prompt().question(QStringLiteral("Delete selection?")) != TAnswer::Yes)
        return false;

    QStringList keys;
    keys.reserve(rows.size());
    for (int row : rows)
        keys.append(EntryKey(model.Row(row)));
    FavorList().RemoveKeys(keys);
    model.RemoveRows(rows);
    return true;
}

bool ClearSources(TSourcesModel &model)
{
    if (model.IsBusy())
        return false;
    if (model.Count() > 0
        && Prompt().question(QStringLiteral("Clear data?")) != TAnswer::Yes)
        return false;
    FavorList().Clear();
    model.RemoveAllRows();
    return true;
}
