#include "app/unitFilterPanel.h"

#include "gather/unitThreadFilelist.h"
#include "i18n/unitDclLang.h"
#include "project/unitJob.h"
#include "ui/unitToolButtons.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionViewItem>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The style's own check indicator, so that the buttons show what they do to the list's
// marks in every skin.
QIcon IndicatorIcon(bool checked, QWidget *widget)
{
    QStyle *style = widget->style();
    const int width = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
    const int height = style->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, widget);
    const qreal ratio = widget->devicePixelRatioF();
    QIcon icon;
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
        QPixmap pixmap(QSize(width, height) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QStyleOptionButton option;
        option.initFrom(widget);
        option.rect = QRect(0, 0, width, height);
        option.state = (checked ? QStyle::State_On : QStyle::State_Off)
                       | (mode == QIcon::Normal ? QStyle::State_Enabled : QStyle::State_None);
        QPainter painter(&pixmap);
        style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, widget);
        painter.end();
        icon.addPixmap(pixmap, mode);
    }
    return icon;
}

QString CatalogueText(const char *key)
{
    const char *text = BuiltInString(key);
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

TFilterPanel::TFilterPanel(QWidget *filterPage, TFileList *list, TFolderTree *tree, QObject *parent)
    : QObject(parent), m_page(filterPage), m_list(list), m_tree(tree)
{
    if (m_list)
        m_list->SetItemAcceptance([this](const QFileInfo &info) { return accepts(info); });
    rebuildEnabledExtensions();
    if (m_page->isVisible())
        EnsurePage();
    else
        m_page->installEventFilter(this);
}

void TFilterPanel::EnsurePage()
{
    if (m_checkList)
        return;
    m_page->removeEventFilter(this);
    buildPage(m_page);
    {
        const QSignalBlocker blockHidden(m_hidden), blockCustom(m_custom);
        m_hidden->setChecked(m_showHidden);
        m_custom->setChecked(m_showCustom);
    }
    refillCheckList();
    enableCustomControls();
    Q_EMIT pageBuilt(m_page);
    ShowControlsMadeWhileShown(m_page);
}

TFilterPanel::~TFilterPanel()
{
    // The list may outlive the panel; it must not call back into it.
    if (m_list)
        m_list->SetItemAcceptance({});
}

void TFilterPanel::buildPage(QWidget *page)
{
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(4);

    m_hidden = new QCheckBox(CatalogueText("FILTER_SHOWHIDEN"), page);
    m_hidden->setObjectName(QStringLiteral("sFilterShowHiden"));
    m_custom = new QCheckBox(CatalogueText("FILTER_SHOWCUSTOM"), page);
    m_custom->setObjectName(QStringLiteral("sFilterShowCustom"));
    column->addWidget(m_hidden);
    column->addWidget(m_custom);

    // Codes are short: a grid of them, read line by line, fits far more than a column.
    m_checkList = new QListWidget(page);
    m_checkList->setObjectName(QStringLiteral("jobIMAGE_ListCustomExt"));
    m_checkList->setViewMode(QListView::ListMode);
    m_checkList->setFlow(QListView::LeftToRight);
    m_checkList->setWrapping(true);
    m_checkList->setResizeMode(QListView::Adjust);
    m_checkList->setMovement(QListView::Static);
    m_checkList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_checkList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_checkList, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    auto pair = [&](const char *buttonName, const char *labelName, const char *key, bool checked,
                    QToolButton *&button, QLabel *&label) {
        button = new QToolButton(page);
        button->setObjectName(QString::fromLatin1(buttonName));
        button->setIcon(IndicatorIcon(checked, page));
        label = new QLabel(CatalogueText(key), page);
        label->setObjectName(QString::fromLatin1(labelName));
        // A long translation takes a second line rather than widening the fixed-width panel.
        label->setWordWrap(true);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        label->installEventFilter(this);
        buttons->addWidget(button);
        buttons->addWidget(label, 1);
    };
    pair("sSpeedButton7", "sLabel4", "J_FILTER_CHECK", true, m_checkAll, m_checkLabel);
    buttons->addSpacing(8);
    pair("sSpeedButton6", "sLabel3", "J_FILTER_UNCHECK", false, m_uncheckAll, m_uncheckLabel);
    column->addLayout(buttons);

    connect(m_custom, &QCheckBox::toggled, this, [this] { filterStep(TagCustom); });
    connect(m_hidden, &QCheckBox::toggled, this, [this] { filterStep(TagHidden); });
    connect(m_checkList, &QListWidget::itemChanged, this, &TFilterPanel::itemToggled);
    connect(m_uncheckAll, &QToolButton::clicked, this, [this] { setEveryItem(false); });
    connect(m_checkAll, &QToolButton::clicked, this, [this] { setEveryItem(true); });
    enableCustomControls();
}

void TFilterPanel::enableCustomControls()
{
    if (!m_checkList)
        return;
    for (QWidget *control : {static_cast<QWidget *>(m_checkList), static_cast<QWidget *>(m_checkAll),
                             static_cast<QWidget *>(m_uncheckAll), static_cast<QWidget *>(m_checkLabel),
                             static_cast<QWidget *>(m_uncheckLabel)})
        control->setEnabled(m_showCustom);
}

bool TFilterPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_page) {
        if (event->type() == QEvent::Show)
            EnsurePage();
        return false;
    }
    // A click on a button's label does what the button does. The press is taken so that
    // the release comes to the label.
    if (watched != m_checkLabel && watched != m_uncheckLabel)
        return QObject::eventFilter(watched, event);
    // Only what every widget has: events also come while the label is being made or undone.
    auto *label = static_cast<QWidget *>(watched);
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (!press && event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (!label->isEnabled() || mouse->button() != Qt::LeftButton)
        return false;
    if (!press && label->rect().contains(mouse->position().toPoint()))
        (label == m_checkLabel ? m_checkAll : m_uncheckAll)->click();
    return true;
}

void TFilterPanel::ShowProjectFormats()
{
    // Binding again after a language switch, or a new project of the same formats, leaves
    // the list and the listing as they are.
    if (!m_checkList) {
        if (!m_showCustom) {
            m_showCustom = true;
            m_showAll = false;
            applyFilters(TagCustom);
        } else {
            const QSet<QString> shown = m_enabledExtensions;
            rebuildEnabledExtensions();
            if (m_enabledExtensions != shown)
                Relist();
        }
        return;
    }
    const bool same = showsProjectFormats();
    if (!same)
        refillCheckList();
    if (!m_custom->isChecked())
        m_custom->setChecked(true);
    else if (!m_showCustom)
        // Checked while a step was running, which left the flags behind the box.
        filterStep(TagCustom);
    else if (!same)
        // The box did not change, but the list must follow the new project's formats.
        Relist();
}

QStringList TFilterPanel::GatherMasks() const
{
    if (!m_checkList) {
        const TCnvJob *project = CurrentJob();
        return ::GatherMasks(!m_showAll, project ? project->SourceExts : TExtList());
    }
    TExtList checked;
    checked.reserve(m_checkList->count());
    for (int row = 0; row < m_checkList->count(); ++row) {
        const QListWidgetItem *item = m_checkList->item(row);
        checked.append(TExtCell{item->text(), quint8(item->checkState() == Qt::Checked ? 1 : 0)});
    }
    return ::GatherMasks(!m_showAll, checked);
}

void TFilterPanel::Relist()
{
    if (m_list)
        relistWith(m_list->ObjectFilter());
}

void TFilterPanel::relistWith(TObjectFilter filter)
{
    rebuildEnabledExtensions();
    // Setting another filter lists the folder anew; the same one needs an explicit re-list.
    if (filter != m_list->ObjectFilter())
        m_list->SetObjectFilter(filter);
    else
        m_list->Relist();
    Q_EMIT relisted();
}

void TFilterPanel::filterStep(int tag)
{
    if (m_inFilterStep)
        return;
    m_inFilterStep = true;
    if (tag == TagCustom) {
        m_showCustom = m_custom->isChecked();
        m_showAll = !m_showCustom;
    } else if (tag == TagHidden) {
        m_showHidden = m_hidden->isChecked();
    }
    applyFilters(tag);
    m_inFilterStep = false;
}

void TFilterPanel::applyFilters(int tag)
{
    const QString folder = m_list ? m_list->CurrentFolder() : QString();
    TObjectFilter listFilter = m_list ? m_list->ObjectFilter() : TObjectFilter();
    if (tag == TagCustom)
        listFilter = TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders;
    listFilter.setFlag(TObjectFilterFlag::Hidden, m_showHidden);
    if (m_tree) {
        TObjectFilter treeFilter = m_tree->ObjectFilter();
        treeFilter.setFlag(TObjectFilterFlag::Hidden, m_showHidden);
        if (treeFilter != m_tree->ObjectFilter())
            m_tree->SetObjectFilter(treeFilter);
    }

    enableCustomControls();

    if (m_list) {
        // Should the new filters have moved the list, it goes back; a folder that has gone
        // away meanwhile leaves it where it is. Browsing only then saves a listing.
        if (!folder.isEmpty() && m_list->CurrentFolder() != folder)
            m_list->Browse(folder);
        relistWith(listFilter);
    }
}

void TFilterPanel::refillCheckList()
{
    m_filling = true;
    m_checkList->clear();
    const QFontMetrics metrics(m_checkList->font());
    QString widest = QStringLiteral("WWW");
    if (const TCnvJob *project = CurrentJob()) {
        for (const TExtCell &cell : project->SourceExts) {
            auto *item = new QListWidgetItem(cell.Ext, m_checkList);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(cell.Enabled == 1 ? Qt::Checked : Qt::Unchecked);
            if (metrics.horizontalAdvance(cell.Ext) > metrics.horizontalAdvance(widest))
                widest = cell.Ext;
        }
    }
    // One cell size for all, from the widest code, so that the columns line up.
    QStyleOptionViewItem option;
    option.initFrom(m_checkList);
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
    option.font = m_checkList->font();
    option.fontMetrics = metrics;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.text = widest;
    const QSize needed = m_checkList->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), m_checkList);
    const QSize cellSize(needed.width() + 8, needed.height() + 2);
    m_checkList->setGridSize(cellSize);
    for (int row = 0; row < m_checkList->count(); ++row)
        m_checkList->item(row)->setSizeHint(cellSize);
    m_filling = false;
    rebuildEnabledExtensions();
}

bool TFilterPanel::showsProjectFormats() const
{
    const TCnvJob *project = CurrentJob();
    const qsizetype count = project ? project->SourceExts.size() : 0;
    if (m_checkList->count() != count)
        return false;
    for (int row = 0; row < count; ++row) {
        const QListWidgetItem *item = m_checkList->item(row);
        const TExtCell &cell = project->SourceExts.at(row);
        if (item->text() != cell.Ext || (item->checkState() == Qt::Checked) != (cell.Enabled == 1))
            return false;
    }
    return true;
}

void TFilterPanel::rebuildEnabledExtensions()
{
    m_enabledExtensions.clear();
    if (const TCnvJob *project = CurrentJob()) {
        for (const TExtCell &cell : project->SourceExts) {
            if (cell.Enabled == 1)
                m_enabledExtensions.insert(QLatin1Char('.') + cell.Ext.toUpper());
        }
    }
}

bool TFilterPanel::accepts(const QFileInfo &info) const
{
    if (m_showAll || info.isDir())
        return true;
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && m_enabledExtensions.contains(name.mid(dot).toUpper());
}

void TFilterPanel::itemToggled(QListWidgetItem *item)
{
    if (m_filling)
        return;
    TCnvJob *project = CurrentJob();
    const int row = m_checkList->row(item);
    const quint8 enabled = item->checkState() == Qt::Checked ? 1 : 0;
    if (!project || row < 0 || row >= project->SourceExts.size() || project->SourceExts.at(row).Enabled == enabled)
        return;
    Q_EMIT modified();
    project->SourceExts[row].Enabled = enabled;
    Relist();
}

void TFilterPanel::setEveryItem(bool checked)
{
    Q_EMIT modified();
    m_filling = true;
    for (int row = 0; row < m_checkList->count(); ++row)
        m_checkList->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    m_filling = false;
    if (TCnvJob *project = CurrentJob()) {
        for (TExtCell &cell : project->SourceExts)
            cell.Enabled = checked ? 1 : 0;
    }
    Relist();
}
