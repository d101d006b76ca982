#include "app/unitSourcesPanel.h"

#include "project/unitPrompt.h"
#include "ui/unitToolButtons.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char *const kSortActionNames[TSourcesModel::ColumnCount] = {
    "ACTION_SORTF_NAME", "ACTION_SORTF_SIZE", "ACTION_SORTF_TYPE", "ACTION_SORTF_DATE",
    "ACTION_SORTF_PATH"};

// The count's caption takes the toolbar's free room and is shortened to fit, so that a
// long translation never pushes the count or the commands out of a narrow window.
class TFoldingLabel : public QLabel
{
public:
    explicit TFoldingLabel(QWidget *parent) : QLabel(parent)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }

    QSize sizeHint() const override
    {
        const QSize whole = QLabel::sizeHint();
        return {std::min(whole.width(), 48), whole.height()};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QRect room = contentsRect();
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
        painter.drawText(room, Qt::AlignRight | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideRight, room.width()));
    }
};

} // namespace

void InstallSourcesRowColours()
{
    TSourcesModel::SetStatusBackground([](quint8 status) -> QVariant {
        switch (status) {
        case 1:
            return QColor(255, 0, 0);
        case 2:
            return QColor(192, 220, 192);
        case kStatusSkipped:
            return QColor(214, 214, 228);
        default:
            return QApplication::palette().color(QPalette::ToolTipBase);
        }
    });
    // Read from the application's palette at each call, so that they follow the skin.
    // Text that reads on the fill whatever the skin: the tips' own text on the tips'
    // colour, dark text on red and green, which stay the same in every skin.
    TSourcesModel::SetStatusForeground([](quint8 status) -> QVariant {
        if (status == 1 || status == 2 || status == kStatusSkipped)
            return QColor(0, 0, 0);
        return QApplication::palette().color(QPalette::ToolTipText);
    });
}

// --- The view ----------------------------------------------------------------------

TSourcesView::TSourcesView(QWidget *parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("XPTree"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSortingEnabled(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);

    QHeaderView *top = header();
    top->setFixedHeight(TSourcesModel::HeaderHeight);
    top->setSectionsMovable(true);
    top->setSectionsClickable(true);
    top->setSectionResizeMode(QHeaderView::Interactive);
    top->setHighlightSections(true);
    top->setStretchLastSection(false);
    top->setSortIndicatorShown(true);
    top->setSortIndicator(-1, Qt::AscendingOrder);
    top->viewport()->setMouseTracking(true); // hot tracking
    // The header reports left clicks only, and not the end of a drag or a resize.
    connect(top, &QHeaderView::sectionClicked, this, [this](int column) {
        if (column != m_inertColumn)
            Q_EMIT headerLeftClicked(column);
    });
}

void TSourcesView::setModel(QAbstractItemModel *model)
{
    QTreeView::setModel(model);
    for (int column = 0; column < TSourcesModel::ColumnCount; ++column)
        header()->resizeSection(column, TSourcesModel::ColumnWidth(column));
}

QStringList TSourcesView::DroppedPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = QDir::cleanPath(url.toLocalFile());
        if (!path.isEmpty() && !paths.contains(path))
            paths.append(path);
    }
    return paths;
}

bool TSourcesView::takesDrop(const QDropEvent *event) const
{
    // A run or a gathering keeps the rows as they are: the drop is refused like the add.
    const auto *sources = qobject_cast<const TSourcesModel *>(model());
    if (sources && sources->IsBusy())
        return false;
    return !DroppedPaths(event->mimeData()).isEmpty();
}

// The view's own drag and drop (moving rows) is not used: a drop adds sources.
void TSourcesView::dragEnterEvent(QDragEnterEvent *event)
{
    if (takesDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TSourcesView::dragMoveEvent(QDragMoveEvent *event)
{
    if (takesDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TSourcesView::dropEvent(QDropEvent *event)
{
    if (!takesDrop(event)) {
        event->ignore();
        return;
    }
    // The source's side of the drag (a file manager) must not wait for the gatherer.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QStringList paths = DroppedPaths(event->mimeData());
    QMetaObject::invokeMethod(this, [this, paths] { Q_EMIT pathsDropped(paths); }, Qt::QueuedConnection);
}

QList<int> TSourcesView::SelectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

// --- The panel ---------------------------------------------------------------------

TSourcesPanel::TSourcesPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Panel3"));
    InstallSourcesRowColours();

    m_view = new TSourcesView(this);
    m_view->setModel(&m_model);

    buildActions();
    buildMenus();
    buildToolBar();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_view, 1);

    connect(&m_model, &TSourcesModel::sortChanged, this, &TSourcesPanel::onSortChanged);
    connect(&m_model, &TSourcesModel::userSorted, this, [this](int column, Qt::SortOrder order) {
        if (SyncMode())
            Q_EMIT sortMirrored(column, order);
    });
    connect(m_view, &TSourcesView::headerLeftClicked, this, [this](int column) {
        m_model.HeaderSort(column);
    });
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        m_popup6->popup(m_view->viewport()->mapToGlobal(at));
    });
    connect(m_view, &TSourcesView::pathsDropped, this, [this](const QStringList &paths) {
        if (!m_busy && !m_model.IsBusy())
            Q_EMIT addRequested(paths);
    });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TSourcesPanel::RefreshEnablement);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &TSourcesPanel::RefreshEnablement);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, &TSourcesPanel::RefreshEnablement);
    RefreshCount();
}

QAction *TSourcesPanel::newAction(const char *objectName, bool checkable)
{
    auto *action = new QAction(this);
    action->setObjectName(QString::fromLatin1(objectName));
    action->setCheckable(checkable);
    return action;
}

void TSourcesPanel::buildActions()
{
    m_delete = newAction("ACTION_FAVOR_DEL");
    m_delete->setIcon(ThemedIcon("list-remove", QStyle::SP_DialogDiscardButton, this));
    // The Delete key of the sources view; it asks first like the button.
    m_delete->setShortcut(QKeySequence::Delete);
    m_delete->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_view->addAction(m_delete);
    m_clear = newAction("ACTION_FAVOR_CLEAR");
    m_clear->setIcon(ThemedIcon("edit-clear", QStyle::SP_TrashIcon, this));
    m_selectAll = newAction("ACTION_SELECTF_ALL");
    m_selectInvert = newAction("ACTION_SELECTF_INVERT");
    m_selectNone = newAction("ACTION_SELECTF_NONE");
    m_sync = newAction("ACTION_SORT_SYNC", true);

    m_sortGroup = new QActionGroup(this);
    m_sortGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int column = 0; column < TSourcesModel::ColumnCount; ++column) {
        QAction *sort = newAction(kSortActionNames[column], true);
        m_sortGroup->addAction(sort);
        m_sortActions[column] = sort;
        connect(sort, &QAction::triggered, this, [this, column] {
            // The check mark follows the model's sort, not the click.
            m_model.SortCommand(column);
            onSortChanged(m_model.SortColumn(), m_model.SortOrder());
        });
    }

    connect(m_delete, &QAction::triggered, this, &TSourcesPanel::DeleteSelected);
    connect(m_clear, &QAction::triggered, this, &TSourcesPanel::ClearAll);
    connect(m_selectAll, &QAction::triggered, m_view, &QAbstractItemView::selectAll);
    connect(m_selectNone, &QAction::triggered, m_view, &QAbstractItemView::clearSelection);
    connect(m_selectInvert, &QAction::triggered, this, [this] {
        if (m_model.Count() == 0)
            return;
        const QItemSelection all(m_model.index(0, 0),
                                 m_model.index(m_model.Count() - 1, TSourcesModel::ColumnCount - 1));
        m_view->selectionModel()->select(all, QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
    });
    connect(m_sync, &QAction::toggled, this, &TSourcesPanel::onSyncToggled);
}

void TSourcesPanel::buildMenus()
{
    m_popup6 = new QMenu(this);
    m_popup6->setObjectName(QStringLiteral("PopupMenu6"));
    m_popup6->addAction(m_delete);
    m_popup6->addAction(m_clear);
    m_popup6->addSeparator();
    m_popup6->addAction(m_selectAll);
    m_popup6->addAction(m_selectInvert);
    m_popup6->addAction(m_selectNone);
    m_popup6->addSeparator();
    for (QAction *sort : m_sortActions)
        m_popup6->addAction(sort);
    m_popup6->addSeparator();
    m_popup6->addAction(m_sync);
    connect(m_popup6, &QMenu::aboutToShow, this, &TSourcesPanel::RefreshEnablement);

    m_popup7 = new QMenu(this);
    m_popup7->setObjectName(QStringLiteral("PopupMenu7"));
    m_popup7->addAction(m_selectAll);
    m_popup7->addAction(m_selectInvert);
    m_popup7->addAction(m_selectNone);

    m_popup8 = new QMenu(this);
    m_popup8->setObjectName(QStringLiteral("PopupMenu8"));
    for (QAction *sort : m_sortActions)
        m_popup8->addAction(sort);
    m_popup8->addSeparator();
    m_popup8->addAction(m_sync);
}

void TSourcesPanel::buildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("sToolBar2"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(false);

    QToolButton *select = AddToolButton(m_toolBar, "ToolButton19", ThemedIcon("edit-select-all", QStyle::SP_FileDialogListView, this));
    select->setMenu(m_popup7);
    select->setPopupMode(QToolButton::InstantPopup);
    QToolButton *sort = AddToolButton(m_toolBar, "ToolButton20", ThemedIcon("view-sort-ascending", QStyle::SP_ArrowDown, this));
    sort->setMenu(m_popup8);
    sort->setPopupMode(QToolButton::InstantPopup);
    AddCommandButton(m_toolBar, "ToolButton22", m_delete);
    AddCommandButton(m_toolBar, "ToolButton24", m_clear);
    m_toolBar->addSeparator();

    m_caption = new TFoldingLabel(m_toolBar);
    m_caption->setObjectName(QStringLiteral("sLabel5"));
    m_caption->setContentsMargins(2, 0, 3, 0);
    m_count = new QLabel(m_toolBar);
    m_count->setObjectName(QStringLiteral("sLabel7"));
    QFont bold = m_count->font();
    bold.setBold(true);
    m_count->setFont(bold);
    m_toolBar->addWidget(m_caption);
    m_toolBar->addWidget(m_count);
}

QAction *TSourcesPanel::Action(const char *objectName) const
{
    return findChild<QAction *>(QString::fromLatin1(objectName));
}

bool TSourcesPanel::SyncMode() const
{
    return m_sync->isChecked();
}

int TSourcesPanel::AddSources(const QStringList &selectedPaths, const TGatherCall &gather)
{
    TAddOptions options;
    if (SyncMode() && m_fileListSort) {
        const TSortState fileList = m_fileListSort();
        options.SyncSort = true;
        options.SyncColumn = fileList.first;
        options.SyncOrder = fileList.second;
    }
    int added = 0;
    try {
        added = AddToSources(m_model, selectedPaths, gather, options);
    } catch (...) {
        RefreshCount();
        RefreshEnablement();
        throw;
    }
    RefreshCount();
    RefreshEnablement();
    return added;
}

void TSourcesPanel::DeleteSelected()
{
    if (DeleteFromSources(m_model, m_view->SelectedRows()))
        RefreshCount();
    RefreshEnablement();
}

void TSourcesPanel::ClearAll()
{
    ClearForProject();
}

bool TSourcesPanel::ClearForProject()
{
    const bool cleared = ClearSources(m_model);
    RefreshCount();
    RefreshEnablement();
    return cleared;
}

void TSourcesPanel::RefreshCount()
{
    m_count->setText(QString::number(FavorList().Count()));
}

void TSourcesPanel::RefreshEnablement()
{
    // While busy the commands stay off, whatever the selection does meanwhile.
    const bool rows = !m_busy && m_model.Count() > 0;
    if (m_convert)
        m_convert->setEnabled(rows);
    m_clear->setEnabled(rows);
    m_delete->setEnabled(!m_busy && !m_view->SelectedRows().isEmpty());
    Q_EMIT stateChanged();
}

void TSourcesPanel::ApplySortFromFileList(int column, Qt::SortOrder order)
{
    m_model.ApplySort(column, order);
}

void TSourcesPanel::onSortChanged(int column, Qt::SortOrder order)
{
    for (int c = 0; c < TSourcesModel::ColumnCount; ++c)
        m_sortActions[c]->setChecked(c == column);
    m_view->header()->setSortIndicator(column, order);
}

void TSourcesPanel::onSyncToggled(bool on)
{
    m_sortActions[TSourcesModel::ColumnPath]->setEnabled(!on);
    m_view->SetInertColumn(on ? int(TSourcesModel::ColumnPath) : -1);
    if (!on)
        return;
    m_model.ApplySort(TSourcesModel::NoSortColumn, m_model.SortOrder());
    if (m_fileListSort) {
        const TSortState fileList = m_fileListSort();
        m_model.ApplySort(fileList.first, fileList.second);
    }
}

void TSourcesPanel::SetBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        m_model.BeginBusy();
    else
        m_model.EndBusy();
    m_toolBar->setEnabled(!busy);
    m_sync->setEnabled(!busy);
    m_sortGroup->setEnabled(!busy);
    if (!busy)
        m_sortActions[TSourcesModel::ColumnPath]->setEnabled(!SyncMode());
    RefreshEnablement();
}
