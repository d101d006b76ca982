#include "dialogs/unitPref.h"

#include "dialogs/unitBrand.h"
#include "engine/unitImageLibrary.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <tuple>

namespace {

constexpr int kMemoryMaximum = kMaxMemoryLimit;
constexpr int kMapMaximum = kMaxMapLimit;
constexpr int kTickInterval = 1024;
constexpr int kSideCapMaximum = 1000000;
constexpr int kAreaCapMaximum = 100000;
constexpr int kDiskCapMaximum = 1 << 24;

QLabel *MakeHeading(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel *MakeValueLabel(const QString &name, QWidget *parent)
{
    QLabel *label = MakeHeading(name, QString(), parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Green while it can be used; a locked label greys out like every other control.
    QPalette palette = label->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::WindowText, QColor(0, 128, 0));
    label->setPalette(palette);
    return label;
}

QSlider *MakeTrackBar(const QString &name, int maximum, QWidget *parent)
{
    auto *bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(name);
    bar->setRange(1, maximum);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(kTickInterval);
    bar->setPageStep(kTickInterval);
    bar->setValue(1);
    return bar;
}

QString ValueText(const QSlider *bar)
{
    return QStringLiteral("Use %1 from %2").arg(bar->value()).arg(bar->maximum());
}

} // namespace

TformPref::TformPref(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("formPref"));
    setWindowTitle(QStringLiteral("Preferences ..."));
    setFixedSize(471, 241);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabPref"));

    auto *limits = new QWidget;
    limits->setObjectName(QStringLiteral("tabLimits"));
    m_unlock = new QCheckBox(QStringLiteral(" Check for change values of track bar"), limits);
    m_unlock->setObjectName(QStringLiteral("chkUnlock"));
    m_memoryHeading = MakeHeading(QStringLiteral("lblMemory"), QStringLiteral("Memory, Mb"), limits);
    m_memoryValue = MakeValueLabel(QStringLiteral("lblMemoryValue"), limits);
    m_memoryBar = MakeTrackBar(QStringLiteral("tbMemory"), kMemoryMaximum, limits);
    m_mapHeading = MakeHeading(QStringLiteral("lblMap"), QStringLiteral("Memory-mapped, Mb"), limits);
    m_mapValue = MakeValueLabel(QStringLiteral("lblMapValue"), limits);
    m_mapBar = MakeTrackBar(QStringLiteral("tbMap"), kMapMaximum, limits);
    // Screen readers name each bar by its heading.
    m_memoryHeading->setBuddy(m_memoryBar);
    m_mapHeading->setBuddy(m_mapBar);
    m_sync = new QCheckBox(QStringLiteral(" Sync track bars"), limits);
    m_sync->setObjectName(QStringLiteral("chkSync"));

    auto *limitsLayout = new QVBoxLayout(limits);
    limitsLayout->setContentsMargins(12, 10, 12, 8);
    limitsLayout->setSpacing(0);
    limitsLayout->addWidget(m_unlock);
    limitsLayout->addSpacing(12);
    for (auto [heading, value, bar] : {std::tuple(m_memoryHeading, m_memoryValue, m_memoryBar),
                                       std::tuple(m_mapHeading, m_mapValue, m_mapBar)}) {
        auto *row = new QHBoxLayout;
        row->addWidget(heading);
        row->addStretch();
        row->addWidget(value);
        limitsLayout->addLayout(row);
        limitsLayout->addSpacing(2);
        limitsLayout->addWidget(bar);
        limitsLayout->addSpacing(10);
    }
    // The page has no height to spare: the run's own setting shares the last row.
    m_filesAtOnce = new QSpinBox(limits);
    m_filesAtOnce->setObjectName(QStringLiteral("spnFilesAtOnce"));
    m_filesAtOnce->setRange(1, kMaxFilesAtOnce);
    m_filesAtOnce->setValue(FilesAtOnce);
    auto *filesLabel = new QLabel(QStringLiteral("Files converted at once"), limits);
    filesLabel->setObjectName(QStringLiteral("lblFilesAtOnce"));
    filesLabel->setBuddy(m_filesAtOnce);
    auto *lastRow = new QHBoxLayout;
    lastRow->addWidget(m_sync);
    lastRow->addStretch();
    lastRow->addWidget(filesLabel);
    lastRow->addWidget(m_filesAtOnce);
    limitsLayout->addLayout(lastRow);
    limitsLayout->addStretch();
    m_tabs->addTab(limits, QStringLiteral("Limits"));

    auto *search = new QWidget;
    search->setObjectName(QStringLiteral("tabSearch"));
    // The language texts find the options as the items of this group, in the order made.
    auto *options = new QGroupBox(search);
    options->setObjectName(QStringLiteral("sRadioGroup1"));
    m_useSubfolders = new QRadioButton(QStringLiteral(" Use subdirectories"), options);
    m_useSubfolders->setObjectName(QStringLiteral("rbUseSubdirs"));
    m_rootOnly = new QRadioButton(QStringLiteral(" Only root folders"), options);
    m_rootOnly->setObjectName(QStringLiteral("rbRootOnly"));
    m_searchGroup = new QButtonGroup(this);
    m_searchGroup->setObjectName(QStringLiteral("grpSearchMode"));
    m_searchGroup->addButton(m_useSubfolders, 0);
    m_searchGroup->addButton(m_rootOnly, 1);
    auto *optionsLayout = new QVBoxLayout(options);
    optionsLayout->setContentsMargins(12, 10, 12, 10);
    optionsLayout->setSpacing(8);
    optionsLayout->addWidget(m_useSubfolders);
    optionsLayout->addWidget(m_rootOnly);
    auto *searchLayout = new QVBoxLayout(search);
    searchLayout->setContentsMargins(10, 10, 10, 10);
    searchLayout->addWidget(options);
    // Two switches for the images of every run, stored per user rather than per project.
    m_upright = new QCheckBox(QStringLiteral("Turn photos upright (EXIF orientation)"), search);
    m_upright->setObjectName(QStringLiteral("chkTurnUpright"));
    m_noEnlarge = new QCheckBox(QStringLiteral("Do not enlarge small images"), search);
    m_noEnlarge->setObjectName(QStringLiteral("chkNoEnlarge"));
    m_upright->setChecked(TurnPhotosUpright);
    m_noEnlarge->setChecked(DoNotEnlarge);
    searchLayout->addSpacing(6);
    searchLayout->addWidget(m_upright);
    searchLayout->addWidget(m_noEnlarge);
    searchLayout->addStretch();
    m_tabs->addTab(search, QStringLiteral("Search"));

    // The program's own caps on what a source may declare, beside the library's limits.
    auto *caps = new QWidget;
    caps->setObjectName(QStringLiteral("tabCaps"));
    auto *capsLayout = new QFormLayout(caps);
    capsLayout->setContentsMargins(12, 10, 12, 8);
    const auto addCap = [&](const QString &name, const QString &labelName, const QString &text,
                            int minimum, int maximum, int *setting) {
        auto *box = new QSpinBox(caps);
        box->setObjectName(name);
        box->setRange(minimum, maximum);
        box->setGroupSeparatorShown(true);
        box->setValue(*setting);
        auto *label = new QLabel(text, caps);
        label->setObjectName(labelName);
        label->setBuddy(box);
        capsLayout->addRow(label, box);
        connect(box, &QSpinBox::valueChanged, this, [setting](int value) {
            *setting = value;
            ApplyResourceLimits();
        });
        return box;
    };
    m_widthCap = addCap(QStringLiteral("spnMaxWidth"), QStringLiteral("lblMaxWidth"),
                        QStringLiteral("Largest width, pixels"), 1, kSideCapMaximum, &WidthLimit);
    m_heightCap = addCap(QStringLiteral("spnMaxHeight"), QStringLiteral("lblMaxHeight"),
                         QStringLiteral("Largest height, pixels"), 1, kSideCapMaximum, &HeightLimit);
    m_areaCap = addCap(QStringLiteral("spnMaxArea"), QStringLiteral("lblMaxArea"),
                       QStringLiteral("Largest area, megapixels"), 1, kAreaCapMaximum, &AreaLimit);
    m_diskCap = addCap(QStringLiteral("spnCacheDisk"), QStringLiteral("lblCacheDisk"),
                       QStringLiteral("Disk for pixel caches, Mb"), 0, kDiskCapMaximum, &CacheDiskLimit);
    m_tabs->addTab(caps, QStringLiteral("Image size"));

    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    m_close->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    for (QWidget *control : limitControls())
        control->setEnabled(false);
    showValues();

    // toggled and valueChanged fire only on a real change, from the user or from code alike.
    connect(m_unlock, &QCheckBox::toggled, this, &TformPref::unlockChanged);
    connect(m_sync, &QCheckBox::toggled, this, &TformPref::syncChanged);
    connect(m_memoryBar, &QSlider::valueChanged, this, &TformPref::memoryChanged);
    connect(m_mapBar, &QSlider::valueChanged, this, &TformPref::mapChanged);
    connect(m_searchGroup, &QButtonGroup::idClicked, this, &TformPref::searchOptionChosen);
    connect(m_filesAtOnce, &QSpinBox::valueChanged, this, [](int count) { FilesAtOnce = count; });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_upright, &QCheckBox::toggled, this, [](bool on) { TurnPhotosUpright = on; });
    connect(m_noEnlarge, &QCheckBox::toggled, this, [](bool on) { DoNotEnlarge = on; });
}

QRadioButton *TformPref::searchOption(int index) const
{
    return qobject_cast<QRadioButton *>(m_searchGroup->button(index));
}

void TformPref::SetModifiedHook(std::function<void()> markModified)
{
    m_markModified = std::move(markModified);
}

void ClampLimits()
{
    MemoryLimit = qBound(1, MemoryLimit, kMemoryMaximum);
    MapLimit = qBound(1, MapLimit, kMapMaximum);
    // Limits in step show the map at twice the memory.
    if (MemoryLimit == MapLimit / 2)
        MapLimit = qMin(MemoryLimit * 2, kMapMaximum);
    FilesAtOnce = ClampFilesAtOnce(FilesAtOnce);
    WidthLimit = qBound(1, WidthLimit, kSideCapMaximum);
    HeightLimit = qBound(1, HeightLimit, kSideCapMaximum);
    AreaLimit = qBound(1, AreaLimit, kAreaCapMaximum);
    CacheDiskLimit = qBound(0, CacheDiskLimit, kDiskCapMaximum);
    ApplyResourceLimits();
}

void TformPref::SyncFromLimits()
{
    ClampLimits();
    m_memoryBar->setValue(MemoryLimit);
    m_mapBar->setValue(MapLimit);
    // A bar already at the stored value (or at the end a stored value is clamped to) runs no
    // handler; without this the limits would stay unclamped and never reach the library.
    MemoryLimit = m_memoryBar->value();
    MapLimit = m_mapBar->value();
    ApplyResourceLimits();

    m_sync->setChecked(MemoryLimit == MapLimit / 2);
    showValues();

    FilesAtOnce = ClampFilesAtOnce(FilesAtOnce);
    m_filesAtOnce->setValue(FilesAtOnce);
    syncCaps();
}

void TformPref::syncCaps()
{
    // A stored cap out of range comes back clamped, here and in the library.
    const QList<std::pair<QSpinBox *, int *>> caps = {{m_widthCap, &WidthLimit},
                                                      {m_heightCap, &HeightLimit},
                                                      {m_areaCap, &AreaLimit},
                                                      {m_diskCap, &CacheDiskLimit}};
    for (const auto &[box, setting] : caps) {
        const QSignalBlocker quiet(box);
        box->setValue(*setting);
        *setting = box->value();
    }
    ApplyResourceLimits();
}

bool TformPref::event(QEvent *event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate
        || (event->type() == QEvent::ActivationChange && isActiveWindow()))
        activate();
    return handled;
}

void TformPref::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnScreen(this);
    activate();
}

void TformPref::activate()
{
    m_unlock->setChecked(false);
    unlockChanged();
    m_filesAtOnce->setValue(FilesAtOnce);
    if (const TCnvJob *job = CurrentJob()) {
        // Anything but 1 searches subfolders, so that is the option such a project shows.
        QAbstractButton *option = m_searchGroup->button(job->SearchMode == 1 ? 1 : 0);
        option->setChecked(true);
    }
    m_upright->setChecked(TurnPhotosUpright);
    m_noEnlarge->setChecked(DoNotEnlarge);
    syncCaps();
    m_tabs->setCurrentIndex(0);
}

QList<QWidget *> TformPref::limitControls() const
{
    return {m_memoryHeading, m_memoryValue, m_memoryBar, m_mapHeading, m_mapValue, m_mapBar, m_sync};
}

void TformPref::unlockChanged()
{
    // The sync box is not consulted: with sync on, unlocking frees the map bar as well.
    const bool unlocked = m_unlock->isChecked();
    for (QWidget *control : limitControls())
        control->setEnabled(unlocked);
}

void TformPref::syncChanged()
{
    const bool synced = m_sync->isChecked();
    m_mapHeading->setEnabled(!synced);
    m_mapValue->setEnabled(!synced);
    m_mapBar->setEnabled(!synced);
    if (synced)
        m_mapBar->setValue(MemoryLimit * 2);
}

void TformPref::memoryChanged(int position)
{
    MemoryLimit = position;
    m_memoryValue->setText(ValueText(m_memoryBar));
    if (m_sync->isChecked())
        m_mapBar->setValue(MemoryLimit * 2);
    ApplyResourceLimits();
}

void TformPref::mapChanged(int position)
{
    MapLimit = position;
    m_mapValue->setText(ValueText(m_mapBar));
    ApplyResourceLimits();
}

void TformPref::searchOptionChosen(int index)
{
    TCnvJob *job = CurrentJob();
    // Clicking the option already in force changes nothing in the project.
    if (!job || job->SearchMode == index)
        return;
    job->SearchMode = quint8(index);
    if (m_markModified)
        m_markModified();
}

void TformPref::showValues()
{
    m_memoryValue->setText(ValueText(m_memoryBar));
    m_mapValue->setText(ValueText(m_mapBar));
}
