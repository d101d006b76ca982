#include "ui/unitFileBrowser.h"

#include "ui/unitThumbnails.h"

#include <QCollator>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QListView>
#include <QLocale>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStackedLayout>
#include <QStyledItemDelegate>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <algorithm>
#include <utility>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const QString &favoriteTip()
{
    static const QString tip = QStringLiteral("Add to favorite");
    return tip;
}

// Tells what the mouse went up with, after the header has handled it.
class TFileListHeader : public QHeaderView
{
public:
    explicit TFileListHeader(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
    {
    }

    Qt::KeyboardModifiers PressModifiers() const { return m_modifiers; }
    std::function<void()> Released;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        m_modifiers = event->modifiers();
        QHeaderView::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QHeaderView::mouseReleaseEvent(event);
        if (Released)
            Released();
    }

private:
    Qt::KeyboardModifiers m_modifiers;
};

// Every item of a view style gets the same box, wide and tall enough for two lines of name
// under an icon, so that uniform item sizes do not take the first item's narrow box. The
// size column keeps a gap before the type column.
class TItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize Box;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return Box.isValid() ? Box : QStyledItemDelegate::sizeHint(option, index);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem inset(option);
        if (index.column() == TFolderListModel::ColSize)
            inset.rect.adjust(0, 0, -8, 0);
        QStyledItemDelegate::paint(painter, inset, index);
    }
};

QCollator makeNameCollator()
{
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// For the user-interface thread; a reader thread makes its own.
const QCollator &nameCollator()
{
    static const QCollator collator = makeNameCollator();
    return collator;
}

QDir::Filters entryFilters(TObjectFilter filter)
{
    QDir::Filters filters = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    if (filter.testFlag(TObjectFilterFlag::Hidden))
        filters |= QDir::Hidden;
    return filters;
}

// A batch goes to the window at least this often, so that a slow disk still shows progress,
// and holds no more rows than the window merges and redraws in a few milliseconds.
constexpr qint64 kBatchMs = 60;
constexpr int kLargestBatch = 500;

struct TStatus
{
    qint64 Size = 0;
    qint64 ModifiedMs = 0;
};

// Size and modification time in one call. QFileInfo's modification time is a local time,
// and each conversion to it re-reads the time zone.
TStatus statusOf(const QString &path, const QFileInfo &info)
{
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        return {qint64(status.st_size), qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000};
#endif
    return {info.size(), info.lastModified().toMSecsSinceEpoch()};
}

// Folders by name as the file list orders them: digits as numbers, letter case ignored.
class TFolderOrder : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override
    {
        const QString a = left.data().toString();
        const QString b = right.data().toString();
        const int order = nameCollator().compare(a, b);
        return order != 0 ? order < 0 : a < b;
    }

    // The tree shows names only; a column the view never has costs nothing, where each
    // hidden one cost a layout of the view while the window was being made.
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex &) const override { return sourceColumn == 0; }
};

} // namespace

// ---------------------------------------------------------------------------------------

int TFolderListModel::ColumnWidth(int column)
{
    static const int widths[ColumnCount] = {200, 80, 120, 140};
    return column >= 0 && column < ColumnCount ? widths[column] : 100;
}

TFolderListModel::TFolderListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_readers = new QThreadPool(this);
    // A cancelled reader may be stuck in a slow disk for a while; the next one need not wait.
    m_readers->setMaxThreadCount(3);
}

TFolderListModel::~TFolderListModel()
{
    cancelListing();
    m_readers->waitForDone();
}

bool TFolderListModel::SetFolder(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    m_folder = QDir::cleanPath(info.absoluteFilePath());
    startListing(false);
    return true;
}

void TFolderListModel::Relist()
{
    if (m_folder.isEmpty())
        return;
    // Rows of a listing still under way are no complete picture to keep meanwhile.
    startListing(!IsListing() || m_staged);
}

void TFolderListModel::SetObjectFilter(TObjectFilter filter)
{
    m_filter = filter;
    Relist();
}

void TFolderListModel::SetAcceptance(TItemAcceptance accept)
{
    m_accept = std::move(accept);
}

void TFolderListModel::cancelListing()
{
    if (m_listing)
        m_listing->Cancelled = true;
    m_listing.reset();
    ++m_generation;
    m_staging.Clear();
    m_staged = false;
}

void TFolderListModel::startListing(bool staged)
{
    cancelListing();
    auto entries = std::make_shared<QDirIterator>(m_folder, entryFilters(m_filter));
    TRows first;
    const bool more = QFileInfo(m_folder).isDir()
                      && readEntries(*entries, nameCollator(), first, FirstScreen, nullptr, -1);
    admit(first);
    if (staged && more) {
        m_staged = true;
        mergeInto(m_staging, first);
    } else {
        beginResetModel();
        m_shown.Clear();
        mergeInto(m_shown, first);
        m_rowIndexStale = true;
        endResetModel();
    }
    if (!more) {
        Q_EMIT listed();
        Q_EMIT listingFinished();
        return;
    }
    if (!staged)
        Q_EMIT listed();

    auto listing = std::make_shared<TListing>();
    m_listing = listing;
    const quint64 generation = m_generation;
    m_readers->start([this, listing, entries, generation] {
        const QCollator collator = makeNameCollator();
        bool more = true;
        while (more && !listing->Cancelled) {
            auto batch = std::make_shared<TRows>();
            more = readEntries(*entries, collator, *batch, kLargestBatch, &listing->Cancelled, kBatchMs);
            while (listing->InFlight > 0 && !listing->Cancelled)
                QThread::msleep(2);
            if (listing->Cancelled)
                return;
            ++listing->InFlight;
            // The model outlives its readers: its destructor waits for them.
            QMetaObject::invokeMethod(
                this,
                [this, generation, batch, listing, last = !more] {
                    --listing->InFlight;
                    receive(generation, *batch, last);
                },
                Qt::QueuedConnection);
        }
    });
}

bool TFolderListModel::readEntries(QDirIterator &entries, const QCollator &collator, TRows &into, int most,
                                   const std::atomic_bool *cancelled, qint64 flushMs)
{
    QElapsedTimer clock;
    clock.start();
    for (int read = 0; read < most; ++read) {
        if (!entries.hasNext())
            return false;
        if (cancelled && *cancelled)
            return true;
        if (flushMs >= 0 && read > 0 && clock.elapsed() >= flushMs)
            return true;
        const QString path = entries.next();
        const QFileInfo info = entries.fileInfo();
        // Read here, once, rather than when a row is drawn or sorted.
        const bool folder = info.isDir();
        const TStatus status = statusOf(path, info);
        into.push_back(TRow{info, collator.sortKey(info.fileName()), QString(), folder ? 0 : status.Size,
                            status.ModifiedMs, folder});
    }
    return entries.hasNext();
}

// Object filter and acceptance, asked on this thread: the acceptance reads the window's state.
void TFolderListModel::admit(TRows &rows)
{
    const bool folders = m_filter.testFlag(TObjectFilterFlag::Folders);
    const bool files = m_filter.testFlag(TObjectFilterFlag::NonFolders);
    const bool hidden = m_filter.testFlag(TObjectFilterFlag::Hidden);
    auto refused = [&](const TRow &row) {
        if (row.IsDir ? !folders : !files)
            return true;
        if (!hidden && row.Info.isHidden())
            return true;
        return m_accept && !m_accept(row.Info);
    };
    rows.erase(std::remove_if(rows.begin(), rows.end(), refused), rows.end());
    for (TRow &row : rows)
        row.Type = typeOf(row.Info);
}

void TFolderListModel::receive(quint64 generation, TRows &batch, bool last)
{
    if (generation != m_generation)
        return;
    admit(batch);
    if (m_staged)
        mergeInto(m_staging, batch);
    else
        mergeLive(batch);
    if (last) {
        finishListing();
        return;
    }
    if (!m_staged)
        Q_EMIT listed();
}

std::vector<int> TFolderListModel::append(TRowSet &set, TRows &batch) const
{
    std::vector<int> added;
    added.reserve(batch.size());
    for (TRow &row : batch) {
        added.push_back(int(set.Rows.size()));
        set.Rows.push_back(std::move(row));
    }
    std::stable_sort(added.begin(), added.end(),
                     [&set, this](int a, int b) { return lessThan(set.Rows[size_t(a)], set.Rows[size_t(b)]); });
    return added;
}

std::vector<int> TFolderListModel::insertionPoints(const TRowSet &set, const std::vector<int> &added) const
{
    // A binary search each: a batch costs its own rows times the log of the list's.
    std::vector<int> points;
    points.reserve(added.size());
    auto from = set.Order.begin();
    for (int place : added) {
        const TRow &row = set.Rows[size_t(place)];
        from = std::upper_bound(from, set.Order.end(), place, [&set, &row, this](int, int other) {
            return lessThan(row, set.Rows[size_t(other)]);
        });
        points.push_back(int(from - set.Order.begin()));
    }
    return points;
}

void TFolderListModel::mergeOrder(std::vector<int> &order, const std::vector<int> &added,
                                  const std::vector<int> &points)
{
    std::vector<int> merged;
    merged.reserve(order.size() + added.size());
    size_t taken = 0;
    for (size_t j = 0; j < added.size(); ++j) {
        merged.insert(merged.end(), order.begin() + qsizetype(taken), order.begin() + points[j]);
        taken = size_t(points[j]);
        merged.push_back(added[j]);
    }
    merged.insert(merged.end(), order.begin() + qsizetype(taken), order.end());
    order.swap(merged);
}

void TFolderListModel::mergeInto(TRowSet &set, TRows &batch) const
{
    const std::vector<int> added = append(set, batch);
    mergeOrder(set.Order, added, insertionPoints(set, added));
}

void TFolderListModel::mergeLive(TRows &batch)
{
    if (batch.empty())
        return;
    const std::vector<int> added = append(m_shown, batch);
    const int oldCount = Count();
    beginInsertRows({}, oldCount, oldCount + int(added.size()) - 1);
    m_shown.Order.insert(m_shown.Order.end(), added.begin(), added.end());
    m_rowIndexStale = true;
    endInsertRows();

    // Then into their places, as a sort would move them.
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_shown.Order.resize(size_t(oldCount));
    const std::vector<int> points = insertionPoints(m_shown, added);
    mergeOrder(m_shown.Order, added, points);
    auto newRow = [&points, oldCount](int row) {
        if (row >= oldCount)
            return points[size_t(row - oldCount)] + (row - oldCount);
        return row + int(std::upper_bound(points.begin(), points.end(), row) - points.begin());
    };
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &index : from)
        to.append(index.isValid() ? this->index(newRow(index.row()), index.column()) : index);
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TFolderListModel::finishListing()
{
    m_listing.reset();
    if (m_staged) {
        beginResetModel();
        std::swap(m_shown, m_staging);
        m_rowIndexStale = true;
        endResetModel();
        m_staging.Clear();
        m_staged = false;
    }
    Q_EMIT listed();
    Q_EMIT listingFinished();
}

bool TFolderListModel::lessThan(const TRow &a, const TRow &b) const
{
    if (a.IsDir != b.IsDir)
        return a.IsDir;
    int order = 0;
    switch (m_sortColumn) {
    case ColSize:
        if (a.Size != b.Size)
            order = a.Size < b.Size ? -1 : 1;
        break;
    case ColType:
        order = nameCollator().compare(a.Type, b.Type);
        break;
    case ColModified:
        if (a.ModifiedMs != b.ModifiedMs)
            order = a.ModifiedMs < b.ModifiedMs ? -1 : 1;
        break;
    default:
        break;
    }
    if (order == 0)
        order = a.Key.compare(b.Key);
    if (order == 0)
        order = a.Info.fileName().compare(b.Info.fileName());
    return m_sortOrder == Qt::AscendingOrder ? order < 0 : order > 0;
}

void TFolderListModel::sortOrder(TRowSet &set) const
{
    std::stable_sort(set.Order.begin(), set.Order.end(),
                     [&set, this](int a, int b) { return lessThan(set.Rows[size_t(a)], set.Rows[size_t(b)]); });
}

int TFolderListModel::RowOf(const QString &path) const
{
    const QString prefix = m_folder.endsWith(QLatin1Char('/')) ? m_folder : m_folder + QLatin1Char('/');
    if (m_folder.isEmpty() || !path.startsWith(prefix))
        return -1;
    if (m_rowIndexStale) {
        m_rowOfName.clear();
        m_rowOfName.reserve(Count());
        for (int row = 0; row < Count(); ++row)
            m_rowOfName.insert(Info(row).fileName(), row);
        m_rowIndexStale = false;
    }
    return m_rowOfName.value(path.mid(prefix.size()), -1);
}

void TFolderListModel::sort(int column, Qt::SortOrder order)
{
    m_sortColumn = std::clamp(column, 0, ColumnCount - 1);
    m_sortOrder = order;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QStringList paths;
    paths.reserve(before.size());
    for (const QModelIndex &index : before)
        paths.append(Info(index.row()).absoluteFilePath());
    sortOrder(m_shown);
    sortOrder(m_staging);
    m_rowIndexStale = true;
    QModelIndexList after;
    after.reserve(before.size());
    for (int i = 0; i < before.size(); ++i)
        after.append(index(RowOf(paths.at(i)), before.at(i).column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

TFileItem TFolderListModel::Item(int row) const
{
    TFileItem item;
    if (row < 0 || row >= Count())
        return item;
    const QFileInfo &info = Info(row);
    item.IsFolder = info.isDir();
    item.FullPath = info.absoluteFilePath();
    item.Name = info.fileName();
    item.DisplayName = info.fileName();
    return item;
}

QString TFolderListModel::typeOf(const QFileInfo &info) const
{
    if (info.isDir())
        return QStringLiteral("Folder");
    const QString suffix = info.suffix().toLower();
    auto it = m_typeOfSuffix.constFind(suffix);
    if (it != m_typeOfSuffix.constEnd())
        return *it;
    static const QMimeDatabase mimes;
    const QMimeType mime = mimes.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    QString type = mime.isDefault() ? QString() : mime.comment();
    if (type.isEmpty())
        type = suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" file");
    m_typeOfSuffix.insert(suffix, type);
    return type;
}

QIcon TFolderListModel::iconFor(const TRow &row) const
{
    const QString key = row.Info.isDir() ? QStringLiteral("/") : row.Info.suffix().toLower();
    auto it = m_iconOfType.constFind(key);
    if (it != m_iconOfType.constEnd())
        return *it;
    static const QFileIconProvider provider;
    const QIcon icon = row.Info.isDir() ? provider.icon(QAbstractFileIconProvider::Folder)
                                        : provider.icon(row.Info);
    m_iconOfType.insert(key, icon.isNull() ? provider.icon(QAbstractFileIconProvider::File) : icon);
    return m_iconOfType.value(key);
}

void TFolderListModel::SetThumbnailMaker(TThumbnailMaker *maker)
{
    if (m_maker)
        disconnect(m_maker, nullptr, this, nullptr);
    m_maker = maker;
    if (m_maker)
        connect(m_maker, &TThumbnailMaker::thumbnailReady, this, &TFolderListModel::onThumbnail);
}

void TFolderListModel::SetThumbnailMode(bool on)
{
    if (m_thumbnails == on)
        return;
    m_thumbnails = on;
    if (Count() > 0)
        Q_EMIT dataChanged(index(0, 0), index(Count() - 1, 0), {Qt::DecorationRole});
}

void TFolderListModel::onThumbnail(const QString &path)
{
    const int row = RowOf(path);
    if (row >= 0 && m_thumbnails)
        Q_EMIT dataChanged(index(row, 0), index(row, 0), {Qt::DecorationRole});
}

void TFolderListModel::Prefetch(int first, int last)
{
    if (!m_maker || !m_thumbnails)
        return;
    first = std::max(first, 0);
    last = std::min(last, Count() - 1);
    for (int row = first; row <= last; ++row) {
        const TRow &item = m_shown.At(row);
        if (!item.IsDir)
            m_maker->Prefetch(item.Info.absoluteFilePath(), item.Size, item.ModifiedMs);
    }
}

int TFolderListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TFolderListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TFolderListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const TRow &row = m_shown.At(index.row());
    const QFileInfo &info = row.Info;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColName:
            return info.fileName();
        case ColSize:
            return row.IsDir ? QString()
                             : QLocale().formattedDataSize(row.Size, 1, QLocale::DataSizeTraditionalFormat);
        case ColType:
            return row.Type;
        case ColModified:
            return QLocale().toString(QDateTime::fromMSecsSinceEpoch(row.ModifiedMs), QLocale::ShortFormat);
        }
        break;
    case Qt::DecorationRole:
        if (index.column() != ColName)
            break;
        if (m_thumbnails && m_maker) {
            const QString key = info.isDir() ? QStringLiteral("/") : info.suffix().toLower();
            if (!info.isDir()) {
                QPixmap pixmap;
                switch (m_maker->Find(info.absoluteFilePath(), row.Size, row.ModifiedMs, &pixmap)) {
                case TThumbnailMaker::TState::Ready:
                    return pixmap;
                case TThumbnailMaker::TState::Pending:
                    return TThumbnailMaker::Placeholder();
                case TThumbnailMaker::TState::Failed:
                    break;
                }
            }
            return TThumbnailMaker::Framed(iconFor(row));
        }
        return iconFor(row);
    case Qt::TextAlignmentRole:
        if (index.column() == ColSize)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        break;
    default:
        break;
    }
    return {};
}

QVariant TFolderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::DisplayRole) {
        switch (section) {
        case ColName:
            return QStringLiteral("Name");
        case ColSize:
            return QStringLiteral("Size");
        case ColType:
            return QStringLiteral("Type");
        case ColModified:
            return QStringLiteral("Modified");
        }
    }
    if (role == Qt::TextAlignmentRole && section == ColSize)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags TFolderListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// ---------------------------------------------------------------------------------------

TFileList::TFileList(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VLEx"));
    setToolTip(favoriteTip());
    m_model = new TFolderListModel(this);
    m_maker = new TThumbnailMaker(this);
    m_model->SetThumbnailMaker(m_maker);
    m_selection = new QItemSelectionModel(m_model, this);

    m_iconView = new QListView(this);
    m_detailsView = new QTreeView(this);
    auto *header = new TFileListHeader(m_detailsView);
    m_detailsView->setHeader(header);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_iconView),
                                    static_cast<QAbstractItemView *>(m_detailsView)}) {
        view->setModel(m_model);
        QItemSelectionModel *own = view->selectionModel();
        view->setSelectionModel(m_selection);
        delete own;
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setTextElideMode(Qt::ElideRight);
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex &index) { Execute(index.row()); });
    }
    m_iconView->setItemDelegate(new TItemDelegate(m_iconView));
    m_detailsView->setItemDelegate(new TItemDelegate(m_detailsView));
    m_iconView->setUniformItemSizes(true);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setLayoutMode(QListView::Batched);
    m_iconView->setBatchSize(500);

    m_detailsView->setRootIsDecorated(false);
    m_detailsView->setItemsExpandable(false);
    m_detailsView->setUniformRowHeights(true);
    m_detailsView->setAllColumnsShowFocus(true);
    m_detailsView->setSortingEnabled(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < TFolderListModel::ColumnCount; ++column)
        header->resizeSection(column, TFolderListModel::ColumnWidth(column));
    header->setSortIndicator(m_sortColumn, m_sortOrder);
    connect(header, &QHeaderView::sectionClicked, this, [this, header](int column) {
        if (header->PressModifiers() & (Qt::ControlModifier | Qt::ShiftModifier))
            return;
        HeaderSort(column);
    });
    header->Released = [this] { Q_EMIT headerReleased(); };

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_iconView);
    m_stack->addWidget(m_detailsView);

    connect(m_selection, &QItemSelectionModel::selectionChanged, this, [this] { Q_EMIT selectionChanged(); });
    connect(m_model, &TFolderListModel::listingFinished, this, &TFileList::listingFinished);
    // Batches of a big folder bring new rows into view.
    connect(m_model, &TFolderListModel::listed, this, [this] {
        if (m_style == Thumbnails && m_model->IsListing())
            m_prefetchTimer->start();
    });

    m_watcher = new QFileSystemWatcher(this);
    m_relistTimer = new QTimer(this);
    m_relistTimer->setSingleShot(true);
    m_relistTimer->setInterval(250);
    connect(m_relistTimer, &QTimer::timeout, this, &TFileList::Relist);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_relistTimer, qOverload<>(&QTimer::start));

    m_prefetchTimer = new QTimer(this);
    m_prefetchTimer->setSingleShot(true);
    m_prefetchTimer->setInterval(60);
    connect(m_prefetchTimer, &QTimer::timeout, this, &TFileList::prefetchAround);
    for (QScrollBar *bar : {m_iconView->verticalScrollBar(), m_iconView->horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, m_prefetchTimer, qOverload<>(&QTimer::start));

    m_open = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    applyStyle();
    Browse(QDir::homePath());
}

TFileList::~TFileList() = default;

QAbstractItemView *TFileList::View() const
{
    return m_style == Details ? static_cast<QAbstractItemView *>(m_detailsView) : m_iconView;
}

QHeaderView *TFileList::Header() const
{
    return m_detailsView->header();
}

void TFileList::SetViewStyle(int style)
{
    if (style < LargeIcons || style > Thumbnails || style == m_style)
        return;
    const QModelIndex current = m_selection->currentIndex();
    m_style = style;
    applyStyle();
    if (current.isValid())
        View()->scrollTo(current);
}

void TFileList::applyStyle()
{
    QListView *view = m_iconView;
    auto set = [view](QListView::ViewMode mode, QListView::Flow flow, int icon, QSize grid, bool wrapNames) {
        view->setViewMode(mode);
        view->setFlow(flow);
        view->setIconSize(QSize(icon, icon));
        view->setGridSize(grid);
        view->setWordWrap(wrapNames);
        static_cast<TItemDelegate *>(view->itemDelegate())->Box = grid - QSize(4, 4);
    };
    switch (m_style) {
    case LargeIcons:
        set(QListView::IconMode, QListView::LeftToRight, 48, QSize(108, 92), true);
        break;
    case SmallIcons:
        set(QListView::ListMode, QListView::LeftToRight, 16, QSize(200, 24), false);
        break;
    case List:
        set(QListView::ListMode, QListView::TopToBottom, 16, QSize(240, 22), false);
        break;
    case Thumbnails:
        set(QListView::IconMode, QListView::LeftToRight, TThumbnailMaker::FramedEdge,
            QSize(TThumbnailMaker::FramedEdge + 28, TThumbnailMaker::FramedEdge + 44), true);
        break;
    default:
        break;
    }
    if (m_style != Details) {
        // Icon mode turns on free movement and dragging, which a file list has no use for.
        view->setMovement(QListView::Static);
        view->setDragEnabled(false);
        view->setWrapping(true);
        view->setSpacing(0);
    }
    m_model->SetThumbnailMode(m_style == Thumbnails);
    m_stack->setCurrentWidget(View());
    if (m_style == Thumbnails)
        m_prefetchTimer->start();
}

void TFileList::SetSortColumn(int column)
{
    if (column >= 0 && column < TFolderListModel::ColumnCount)
        m_sortColumn = column;
}

void TFileList::SetSortOrder(Qt::SortOrder order)
{
    m_sortOrder = order;
}

void TFileList::Sort()
{
    m_model->sort(m_sortColumn, m_sortOrder);
    Header()->setSortIndicator(m_sortColumn, m_sortOrder);
    Q_EMIT sorted(m_sortColumn, m_sortOrder);
}

void TFileList::ApplySort(int column, Qt::SortOrder order)
{
    SetSortColumn(column);
    SetSortOrder(order);
    Sort();
}

void TFileList::HeaderSort(int column)
{
    if (column < 0 || column >= TFolderListModel::ColumnCount)
        return;
    if (column == m_sortColumn)
        m_sortOrder = m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sortColumn = column;
    Sort();
}

void TFileList::SelectAll()
{
    if (m_model->Count() == 0)
        return;
    m_selection->select(QItemSelection(m_model->index(0, 0), m_model->index(m_model->Count() - 1, 0)),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TFileList::InvertSelection()
{
    if (m_model->Count() == 0)
        return;
    m_selection->select(QItemSelection(m_model->index(0, 0), m_model->index(m_model->Count() - 1, 0)),
                        QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
}

void TFileList::ClearSelection()
{
    m_selection->clearSelection();
}

int TFileList::VisibleCount() const
{
    return m_model->Count();
}

int TFileList::SelectedCount() const
{
    return int(SelectedRows().size());
}

QList<int> TFileList::SelectedRows() const
{
    QList<int> rows;
    for (const QItemSelectionRange &range : m_selection->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

QList<TFileItem> TFileList::SelectedItems() const
{
    QList<TFileItem> items;
    for (int row : SelectedRows())
        items.append(m_model->Item(row));
    return items;
}

bool TFileList::Browse(const QString &path)
{
    const QString before = m_model->Folder();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable())
        return false;
    const QString target = QDir::cleanPath(info.absoluteFilePath());
    if (target != before)
        m_maker->CancelPending();
    m_keepSelected.clear();
    m_keepCurrent.clear();
    if (!m_model->SetFolder(target))
        return false;
    watch(target);
    afterListing({}, QString());
    View()->scrollToTop();
    if (target != before)
        Q_EMIT folderChanged(target);
    return true;
}

bool TFileList::GoUp()
{
    const QString from = m_model->Folder();
    QDir folder(from);
    if (from.isEmpty() || folder.isRoot() || !folder.cdUp())
        return false;
    if (!Browse(folder.absolutePath()))
        return false;
    // Land on the folder we came from, as a file manager does; in a big folder, once it
    // has been read.
    const int row = m_model->RowOf(from);
    if (row >= 0) {
        m_selection->setCurrentIndex(m_model->index(row, 0),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        View()->scrollTo(m_model->index(row, 0));
    } else if (m_model->IsListing()) {
        m_keepSelected = QStringList{from};
        m_keepCurrent = from;
    }
    return true;
}

void TFileList::Relist()
{
    QStringList selected;
    for (int row : SelectedRows())
        selected.append(m_model->Info(row).absoluteFilePath());
    const QModelIndex current = m_selection->currentIndex();
    const QString currentPath = current.isValid() ? m_model->Info(current.row()).absoluteFilePath() : QString();
    relistKeeping(selected, currentPath, [this] { m_model->Relist(); });
}

void TFileList::relistKeeping(const QStringList &selected, const QString &current,
                              const std::function<void()> &relist)
{
    // A relist of a relist still under way keeps what the first one was to keep.
    if (m_model->IsListing() && (!m_keepSelected.isEmpty() || !m_keepCurrent.isEmpty())) {
        relist();
        return;
    }
    relist();
    if (m_model->IsListing()) {
        m_keepSelected = selected;
        m_keepCurrent = current;
        return;
    }
    afterListing(selected, current);
}

void TFileList::listingFinished()
{
    const QStringList selected = std::exchange(m_keepSelected, {});
    const QString current = std::exchange(m_keepCurrent, {});
    afterListing(selected, current);
    if (current.isEmpty())
        return;
    const int row = m_model->RowOf(current);
    if (row >= 0)
        View()->scrollTo(m_model->index(row, 0));
}

void TFileList::afterListing(const QStringList &keepSelected, const QString &keepCurrent)
{
    QItemSelection selection;
    for (const QString &path : keepSelected) {
        const int row = m_model->RowOf(path);
        if (row >= 0)
            selection.select(m_model->index(row, 0), m_model->index(row, 0));
    }
    if (!selection.isEmpty())
        m_selection->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const int current = keepCurrent.isEmpty() ? -1 : m_model->RowOf(keepCurrent);
    if (current >= 0)
        m_selection->setCurrentIndex(m_model->index(current, 0), QItemSelectionModel::NoUpdate);
    if (m_style == Thumbnails)
        m_prefetchTimer->start();
}

void TFileList::watch(const QString &folder)
{
    const QStringList watched = m_watcher->directories();
    if (watched.size() == 1 && watched.first() == folder)
        return;
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    m_watcher->addPath(folder);
}

void TFileList::SetObjectFilter(TObjectFilter filter)
{
    QStringList selected;
    for (int row : SelectedRows())
        selected.append(m_model->Info(row).absoluteFilePath());
    relistKeeping(selected, QString(), [this, filter] { m_model->SetObjectFilter(filter); });
}

void TFileList::SetItemAcceptance(TItemAcceptance accept)
{
    m_model->SetAcceptance(std::move(accept));
}

void TFileList::SetOpenFile(std::function<void(const QString &)> open)
{
    m_open = std::move(open);
}

void TFileList::Execute(int row)
{
    if (row < 0 || row >= m_model->Count())
        return;
    const TFileItem item = m_model->Item(row);
    if (item.IsFolder)
        Browse(item.FullPath);
    else if (m_open)
        m_open(item.FullPath);
}

void TFileList::prefetchAround()
{
    if (m_style != Thumbnails || m_model->Count() == 0)
        return;
    const QRect area = m_iconView->viewport()->rect();
    const QModelIndex first = m_iconView->indexAt(QPoint(area.left() + 8, area.top() + 8));
    QModelIndex last = m_iconView->indexAt(QPoint(area.right() - 8, area.bottom() - 8));
    const int firstRow = first.isValid() ? first.row() : 0;
    int lastRow = last.isValid() ? last.row() : std::min(m_model->Count() - 1, firstRow + 60);
    // The next screenful in either direction, the one after the visible part first.
    const int page = std::max(1, lastRow - firstRow + 1);
    m_model->Prefetch(lastRow + 1, lastRow + page);
    m_model->Prefetch(firstRow - page, firstRow - 1);
}

bool TFileList::eventFilter(QObject *watched, QEvent *event)
{
    const bool onViewport = watched == m_iconView->viewport() || watched == m_detailsView->viewport();
    const bool onView = watched == m_iconView || watched == m_detailsView;
    if (onViewport) {
        switch (event->type()) {
        case QEvent::MouseButtonRelease:
            // After the view has settled the selection of this click.
            QTimer::singleShot(0, this, [this] { Q_EMIT mouseReleased(); });
            break;
        case QEvent::ToolTip: {
            auto *help = static_cast<QHelpEvent *>(event);
            QToolTip::showText(help->globalPos(), favoriteTip(), static_cast<QWidget *>(watched));
            return true;
        }
        default:
            break;
        }
    } else if (onView && event->type() == QEvent::KeyRelease) {
        if (!static_cast<QKeyEvent *>(event)->isAutoRepeat())
            QTimer::singleShot(0, this, [this] { Q_EMIT keyReleased(); });
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------

TFolderTree::TFolderTree(QWidget *parent)
    : QTreeView(parent)
{
    setObjectName(QStringLiteral("VET"));
    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setReadOnly(true);
    m_sorted = new TFolderOrder(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setDynamicSortFilter(true);
    m_sorted->sort(0, Qt::AscendingOrder);
    m_model->setRootPath(QStringLiteral("/"));
    setModel(m_sorted);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    expand(IndexOf(QStringLiteral("/")));

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current) {
        if (m_following || !current.isValid())
            return;
        m_scrollPending = false;
        const QString path = PathOf(current);
        if (m_list)
            m_list->Browse(path);
        Q_EMIT folderChosen(path);
    });
    // The model lists folders in the background and inserts their rows in batches: a
    // folder selected before its parents were listed is scrolled to again as rows
    // arrive, until the user scrolls or chooses a folder.
    m_scrollTimer = new QTimer(this);
    m_scrollTimer->setSingleShot(true);
    m_scrollTimer->setInterval(30);
    connect(m_scrollTimer, &QTimer::timeout, this, [this] { scrollToCurrent(QAbstractItemView::EnsureVisible); });
    auto rowsArrived = [this] {
        if (m_scrollPending)
            m_scrollTimer->start();
    };
    connect(m_sorted, &QAbstractItemModel::rowsInserted, this, rowsArrived);
    connect(m_model, &QFileSystemModel::directoryLoaded, this, rowsArrived);
    auto userMoved = [this] {
        if (!m_following)
            m_scrollPending = false;
    };
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, userMoved);
    connect(this, &QTreeView::expanded, this, userMoved);
    connect(this, &QTreeView::collapsed, this, userMoved);
}

void TFolderTree::scrollToCurrent(ScrollHint hint)
{
    if (currentIndex().isValid())
        scrollTo(currentIndex(), hint);
}

void TFolderTree::showEvent(QShowEvent *event)
{
    QTreeView::showEvent(event);
    // A folder selected while the tree was hidden had no room to be scrolled to.
    QTimer::singleShot(0, this, [this] { scrollToCurrent(QAbstractItemView::PositionAtCenter); });
}

void TFolderTree::SetObjectFilter(TObjectFilter filter)
{
    m_filter = filter;
    QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives;
    if (filter.testFlag(TObjectFilterFlag::Hidden))
        filters |= QDir::Hidden;
    m_model->setFilter(filters);
}

void TFolderTree::LinkFileList(TFileList *list)
{
    if (m_list)
        disconnect(m_list, nullptr, this, nullptr);
    m_list = list;
    if (!m_list)
        return;
    connect(m_list, &TFileList::folderChanged, this, [this](const QString &path) { SelectFolder(path); });
    SelectFolder(m_list->CurrentFolder());
}

bool TFolderTree::SelectFolder(const QString &path)
{
    if (!QFileInfo(path).isDir())
        return false;
    const QModelIndex index = IndexOf(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (!index.isValid())
        return false;
    m_following = true;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    m_scrollPending = true;
    m_following = false;
    return true;
}

QString TFolderTree::CurrentFolder() const
{
    return PathOf(currentIndex());
}

QModelIndex TFolderTree::IndexOf(const QString &path) const
{
    return m_sorted->mapFromSource(m_model->index(path));
}

QString TFolderTree::PathOf(const QModelIndex &index) const
{
    return index.isValid() ? m_model->filePath(m_sorted->mapToSource(index)) : QString();
}
