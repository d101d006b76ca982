#include "app/unitJobEditor.h"

#include "app/unitEncoderPanel.h"
#include "engine/unitFormats.h"
#include "project/unitOutputOptions.h"
#include "engine/unitNamePattern.h"
#include "engine/unitRunNaming.h"
#include "engine/unitRunSettings.h"
#include "i18n/unitDclLang.h"
#include "i18n/unitMultiLang.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"
#include "project/unitPresets.h"
#include "project/unitPrompt.h"
#include "ui/unitToolButtons.h"

#include <QAbstractItemView>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QStorageInfo>
#include <QStyle>
#include <QTextCursor>
#include <QToolButton>
#include <QValidator>
#include <QVBoxLayout>

#include <climits>

namespace {

const QString kProjectFilter = QStringLiteral("*.prj|*.prj");
const QString kFreeSeparator = QStringLiteral("   (");
constexpr int kCommentLimit = 500;
constexpr int kSizeCapacity = 5;
constexpr int kNameCapacity = 25;
constexpr int kAuthorCapacity = 15;
constexpr int kTargetCapacity = 5;
constexpr int kScratchCapacity = 250;
constexpr int kNamePatternCapacity = 200;

QString quoted(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

bool isOneOf(const QString &code, std::initializer_list<const char *> codes)
{
    for (const char *candidate : codes) {
        if (code.compare(QLatin1String(candidate), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Binding offers multi-page output for GIF too; choosing a target offers it for TIFF only.
bool offersMultiPages(const QString &code, bool fromBind)
{
    return code.compare(QLatin1String("TIFF"), Qt::CaseInsensitive) == 0
           || (fromBind && code.compare(QLatin1String("GIF"), Qt::CaseInsensitive) == 0);
}

bool hasQuality(const QString &code)
{
    // The encoders of this library that read a quality besides the seven of old.
    return isOneOf(code, {"JPEG", "JPG", "JP2", "JBIG", "MIF", "MIFF", "PNG", "WEBP", "AVIF", "HEIC", "JXL"});
}

QString stampText(double stamp, const QString &unknown)
{
    if (stamp == 0)
        return QStringLiteral(": ") + unknown;
    const QLocale locale = QLocale::system();
    const QString format = locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ')
                           + locale.timeFormat(QLocale::LongFormat);
    return QStringLiteral(": ") + locale.toString(DateTimeToQt(stamp), format);
}

// A small sheet of paper, upright or on its side, for the orientation buttons.
QPixmap orientationPicture(bool portrait, const QColor &ink)
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF sheet = portrait ? QRectF(6.5, 2.5, 11, 19) : QRectF(2.5, 6.5, 19, 11);
    painter.setPen(QPen(ink, 1.4));
    painter.setBrush(Qt::white);
    painter.drawRect(sheet);
    painter.setPen(QPen(ink, 1));
    for (int line = 1; line <= 3; ++line) {
        const qreal y = sheet.top() + sheet.height() * line / 4.5;
        painter.drawLine(QPointF(sheet.left() + 2.5, y), QPointF(sheet.right() - 2.5, y));
    }
    return picture;
}

template <typename Widget>
Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel *newLabel(QWidget *parent, const char *name)
{
    return named(new QLabel(parent), name);
}

// Network and pseudo file systems are no place for scratch files.
bool isScratchVolume(const QStorageInfo &volume)
{
    if (!volume.isValid() || !volume.isReady() || volume.isReadOnly() || volume.bytesAvailable() < 0)
        return false;
    static const QList<QByteArray> excluded = {
        "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "cgroup", "cgroup2", "securityfs",
        "debugfs", "tracefs", "mqueue", "hugetlbfs", "pstore", "bpf", "autofs", "configfs",
        "fusectl", "binfmt_misc", "nsfs", "efivarfs", "nfs", "nfs4", "cifs", "smb3", "smbfs",
        "sshfs", "fuse.sshfs", "9p", "afs", "ceph", "glusterfs", "davfs", "fuse.davfs2"};
    return !excluded.contains(volume.fileSystemType());
}

// Fixed before the editor first sets TMPDIR, which moves QDir::tempPath() with it.
QString systemTempFolder()
{
    static const QString folder = QDir::tempPath();
    return folder;
}

// A text the project file keeps in `capacity` bytes: what would not fit is refused while
// it is typed, so what is shown is what is saved, in any script.
class TCapacityValidator final : public QValidator
{
public:
    // `stored` gives the part of the text that the project keeps, when that is not all of it.
    TCapacityValidator(int capacity, QObject *parent, QString (*stored)(const QString &) = nullptr)
        : QValidator(parent), m_capacity(capacity), m_stored(stored)
    {
    }

    State validate(QString &input, int &) const override
    {
        const QString kept = m_stored ? m_stored(input) : input;
        return kept.toUtf8().size() > m_capacity ? Invalid : Acceptable;
    }

private:
    int m_capacity;
    QString (*m_stored)(const QString &);
};

// Decimal sizes from 1 to 5000 with at most five decimals; what can only grow past the
// largest is refused while it is typed, not after.
class TSizeValidator final : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return Intermediate;
        // The project file keeps five bytes of a size; more would come back cut.
        if (input.toUtf8().size() > kSizeCapacity)
            return Invalid;
        const QLocale locale = QLocale::system();
        const QChar point = locale.decimalPoint().at(0);
        const qsizetype pointAt = input.indexOf(point);
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (!input.at(i).isDigit() && i != pointAt)
                return Invalid;
        }
        if (pointAt >= 0 && input.size() - pointAt - 1 > 5)
            return Invalid;
        bool ok = false;
        const double value = locale.toDouble(pointAt == input.size() - 1 ? input.left(pointAt) : input, &ok);
        if (pointAt == 0)
            return Intermediate;
        if (!ok || value > 5000)
            return Invalid;
        return value < 1 ? Intermediate : Acceptable;
    }
};

// The formats most people convert to, offered first in this order.
const char *const kCommonTargets[] = {"JPEG", "PNG", "WEBP", "AVIF", "HEIC", "TIFF", "GIF"};
const char kNewProjectTarget[] = "JPEG";

// The library's description of a format, as the list shows it beside the code.
QString formatDescription(const QString &code)
{
    for (const TFilterItemType &format : std::as_const(AvailableFormats)) {
        if (format.Code.compare(code, Qt::CaseInsensitive) == 0)
            return format.Description;
    }
    const int row = FindFormat(code);
    return row >= 0 ? FormatTable[row].Description : QString();
}

// Items hold the bare code, which is what the edit shows and the project stores; the
// open list adds the description.
class TTargetItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(Qt::ToolTipRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("  \u2013  ") + description;
    }
};

// Fills the target list: the common formats the project offers, a separator, the rest
// in the project's order.
void fillTargets(QComboBox *target, const TExtList &codes)
{
    QStringList common, rest;
    for (const char *code : kCommonTargets) {
        if (FindExt(QString::fromLatin1(code), codes) >= 0)
            common.append(QString::fromLatin1(code));
    }
    for (const TExtCell &cell : codes) {
        if (!common.contains(cell.Ext, Qt::CaseInsensitive))
            rest.append(cell.Ext);
    }
    int widest = 0;
    auto add = [&](const QString &code) {
        const QString description = formatDescription(code);
        target->addItem(code);
        target->setItemData(target->count() - 1, description, Qt::ToolTipRole);
        widest = qMax(widest, target->fontMetrics().horizontalAdvance(code + QStringLiteral("  \u2013  ") + description));
    };
    for (const QString &code : std::as_const(common))
        add(code);
    if (!common.isEmpty() && !rest.isEmpty())
        target->insertSeparator(target->count());
    for (const QString &code : std::as_const(rest))
        add(code);
    target->view()->setMinimumWidth(widest + 48);
}

} // namespace

QList<TScratchFolder> ScratchFolders()
{
    QList<TScratchFolder> folders;
    const QString temp = systemTempFolder();
    const QStorageInfo tempVolume(temp);
    if (tempVolume.isValid() && tempVolume.isReady() && tempVolume.bytesAvailable() >= 0)
        folders.append({temp, tempVolume.bytesAvailable()});
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (root == temp || !isScratchVolume(volume))
            continue;
        bool known = false;
        for (const TScratchFolder &folder : std::as_const(folders))
            known = known || folder.Folder == root;
        if (!known)
            folders.append({root, volume.bytesAvailable()});
    }
    return folders;
}

QString ScratchFolderItem(const TScratchFolder &folder)
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return folder.Folder + kFreeSeparator + locale.toString(folder.FreeBytes) + QStringLiteral(" free)");
}

QString ScratchFolderOfItem(const QString &item)
{
    const qsizetype mark = item.lastIndexOf(kFreeSeparator);
    if (mark >= 0 && item.endsWith(QStringLiteral(" free)")))
        return item.left(mark);
    return item;
}

TJobEditor::TJobEditor(QWidget *generalPage, QWidget *imageOptionsPage, QWidget *destinationPage,
                       QObject *parent)
    : QObject(parent)
    , m_pages{generalPage, imageOptionsPage, destinationPage}
{
    for (int page = 0; page < PageCount; ++page) {
        if (m_pages[page]->isVisible())
            ensurePage(page);
        else
            m_pages[page]->installEventFilter(this);
    }
}

TJobEditor::~TJobEditor() = default;

void TJobEditor::EnsurePages()
{
    for (int page = 0; page < PageCount; ++page)
        ensurePage(page);
}

bool TJobEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        for (int page = 0; page < PageCount; ++page) {
            if (watched == m_pages[page])
                ensurePage(page);
        }
    }
    return QObject::eventFilter(watched, event);
}

void TJobEditor::ensurePage(int page)
{
    if (m_built[page])
        return;
    m_built[page] = true;
    QWidget *widget = m_pages[page];
    widget->removeEventFilter(this);
    switch (page) {
    case GeneralPage:
        buildGeneralPage(widget);
        applyCommandIcons();
        break;
    case ImageOptionsPage:
        buildImageOptionsPage(widget);
        break;
    default:
        buildDestinationPage(widget);
        break;
    }
    emit pageBuilt(widget);
    if (TCnvJob *current = job()) {
        m_binding = true;
        bindPage(page, *current);
        m_binding = false;
    }
    ShowControlsMadeWhileShown(widget);
}

void TJobEditor::bindPage(int page, TCnvJob &current)
{
    switch (page) {
    case GeneralPage:
        bindGeneralPage(current);
        break;
    case ImageOptionsPage:
        bindImageOptionsPage(current);
        break;
    default:
        bindDestinationPage(current);
        break;
    }
}

void TJobEditor::SetLanguage(const TMLang *lang) { m_lang = lang; }

QString TJobEditor::text(const char *key) const
{
    if (m_lang)
        return m_lang->GetText(key);
    return QString::fromUtf8(BuiltInString(key));
}

TCnvJob *TJobEditor::job() const { return CurrentJob(); }

void TJobEditor::SetModified(bool modified)
{
    const bool changed = modified != m_modified;
    m_modified = modified;
    // Whoever changed the project (a control, the filter, the preferences), its file no
    // longer holds it.
    if (modified)
        m_fileUpToDate = false;
    if (changed)
        emit modifiedChanged(modified);
}

void TJobEditor::touch()
{
    if (m_binding)
        return;
    SetModified(true);
    emit edited();
}

// ---------------------------------------------------------------------------------------
// Building the pages

void TJobEditor::buildGeneralPage(QWidget *page)
{
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);

    auto *commands = new QHBoxLayout;
    commands->setSpacing(2);
    auto commandButton = [&](const char *name, QStyle::StandardPixmap icon) {
        auto *button = named(new QToolButton(page), name);
        button->setIcon(StandardIcon(icon, page));
        button->setIconSize(QSize(20, 20));
        button->setAutoRaise(true);
        commands->addWidget(button);
        return button;
    };
    m_newButton = commandButton("sSpeedButton3", QStyle::SP_FileIcon);
    m_openButton = commandButton("sSpeedButton4", QStyle::SP_DialogOpenButton);
    m_saveButton = commandButton("sSpeedButton5", QStyle::SP_DialogSaveButton);
    commands->addStretch(1);
    column->addLayout(commands);
    connect(m_newButton, &QToolButton::clicked, this, [this] { runCommand(m_newAction, [this] { NewProject(); }); });
    connect(m_openButton, &QToolButton::clicked, this, [this] { runCommand(m_openAction, [this] { OpenProject(); }); });
    connect(m_saveButton, &QToolButton::clicked, this, [this] { runCommand(m_saveAction, [this] { SaveProject(); }); });

    auto *line = new QFrame(page);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    column->addWidget(line);

    auto *form = new QGridLayout;
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(6);
    form->setColumnStretch(1, 1);
    int row = 0;
    auto addRow = [&](const char *labelName, QWidget *field) {
        QLabel *label = newLabel(page, labelName);
        label->setBuddy(field);
        form->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignVCenter);
        form->addWidget(field, row, 1);
        ++row;
    };
    m_name = named(new QLineEdit(page), "jobMETA_NameJob");
    m_name->setMaxLength(kNameCapacity);
    m_name->setValidator(new TCapacityValidator(kNameCapacity, m_name));
    addRow("jobL_NameJob", m_name);
    m_author = named(new QLineEdit(page), "jobMETA_Author");
    m_author->setMaxLength(kAuthorCapacity);
    m_author->setValidator(new TCapacityValidator(kAuthorCapacity, m_author));
    addRow("jobL_Author", m_author);
    m_created = newLabel(page, "jobL_Create2");
    addRow("jobL_Create", m_created);
    m_modifiedStamp = newLabel(page, "jobL_Modify2");
    addRow("jobL_Modify", m_modifiedStamp);
    m_opened = newLabel(page, "jobL_Open2");
    addRow("jobL_Open", m_opened);
    for (QLabel *stamp : {m_created, m_modifiedStamp, m_opened})
        stamp->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addLayout(form);

    column->addSpacing(4);
    column->addWidget(newLabel(page, "jobL_Comment"));
    m_comment = named(new QPlainTextEdit(page), "jobMETA_Comment");
    m_comment->setTabChangesFocus(true);
    column->addWidget(m_comment, 1);

    // Saved projects whose outputs the same run also makes from every source.
    m_alsoLabel = named(new QLabel(page), "jobL_AlsoConvert");
    column->addWidget(m_alsoLabel);
    auto *alsoRow = new QHBoxLayout;
    m_also = named(new QListWidget(page), "jobMETA_AlsoConvert");
    m_also->setMaximumHeight(m_also->fontMetrics().height() * 4 + 8);
    m_also->setTextElideMode(Qt::ElideMiddle);
    m_alsoLabel->setBuddy(m_also);
    alsoRow->addWidget(m_also, 1);
    auto *alsoButtons = new QVBoxLayout;
    m_alsoAdd = named(new QToolButton(page), "jobMETA_AlsoAdd");
    m_alsoAdd->setText(QStringLiteral("+"));
    m_alsoRemove = named(new QToolButton(page), "jobMETA_AlsoRemove");
    m_alsoRemove->setText(QStringLiteral("\u2212"));
    alsoButtons->addWidget(m_alsoAdd);
    alsoButtons->addWidget(m_alsoRemove);
    alsoButtons->addStretch(1);
    alsoRow->addLayout(alsoButtons);
    column->addLayout(alsoRow);
    connect(m_alsoAdd, &QToolButton::clicked, this, &TJobEditor::addAlsoConvert);
    connect(m_alsoRemove, &QToolButton::clicked, this, &TJobEditor::removeAlsoConvert);
    connect(m_also, &QListWidget::currentRowChanged, this, [this](int row) { m_alsoRemove->setEnabled(row >= 0); });

    connect(m_name, &QLineEdit::textChanged, this, &TJobEditor::nameChanged);
    connect(m_author, &QLineEdit::textChanged, this, &TJobEditor::authorChanged);
    connect(m_comment, &QPlainTextEdit::textChanged, this, &TJobEditor::commentChanged);
}

namespace {

// As wide as its items where there is room, narrower where the longer labels of other
// languages need it; the list still shows whole items.
QComboBox *narrowable(QComboBox *combo)
{
    combo->setMinimumWidth(combo->fontMetrics().averageCharWidth() * 8);
    return combo;
}

} // namespace

void TJobEditor::buildImageOptionsPage(QWidget *page)
{
    // The options are taller than a short window; they scroll instead of squeezing.
    auto *pageColumn = new QVBoxLayout(page);
    pageColumn->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(page);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab goes from control to control, and the page scrolls to the one in focus.
    scroll->setFocusPolicy(Qt::NoFocus);
    auto *content = new QWidget(scroll);
    scroll->setWidget(content);
    pageColumn->addWidget(scroll);

    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(6);

    // Target format and quality.
    m_targetGroup = new QGroupBox(content);
    auto *target = new QGridLayout(m_targetGroup);
    target->setHorizontalSpacing(8);
    target->setVerticalSpacing(6);
    target->setColumnStretch(1, 1);
    QLabel *targetLabel = newLabel(m_targetGroup, "sLabel1");
    m_target = narrowable(named(new QComboBox(m_targetGroup), "jobIMAGE_DestExt"));
    m_target->setEditable(true);
    m_target->setInsertPolicy(QComboBox::NoInsert);
    m_target->lineEdit()->setMaxLength(kTargetCapacity);
    m_target->lineEdit()->setValidator(new TCapacityValidator(kTargetCapacity, m_target));
    m_target->setMaxVisibleItems(16);
    m_target->setItemDelegate(new TTargetItemDelegate(m_target));
    targetLabel->setBuddy(m_target);
    target->addWidget(targetLabel, 0, 0);
    target->addWidget(m_target, 0, 1);
    m_qualityLabel = newLabel(m_targetGroup, "jobIMAGE_Quality");
    m_qualityLabel->setText(QStringLiteral("Quality of image, %"));
    m_quality = named(new QSpinBox(m_targetGroup), "jobIMAGE_SpinQ");
    m_quality->setRange(1, 100);
    m_qualityLabel->setBuddy(m_quality);
    target->addWidget(m_qualityLabel, 1, 0);
    target->addWidget(m_quality, 1, 1, Qt::AlignLeft);
    m_multiPages = named(new QCheckBox(m_targetGroup), "jobIMAGE_MultiPages");
    target->addWidget(m_multiPages, 2, 0, 1, 2);
    column->addWidget(m_targetGroup);
    m_encoder = new TEncoderPanel([this](const char *key) { return text(key); }, content);
    column->addWidget(m_encoder);

    // Orientation.
    m_orientGroup = new QGroupBox(content);
    auto *orient = new QGridLayout(m_orientGroup);
    orient->setHorizontalSpacing(8);
    orient->setVerticalSpacing(4);
    m_orientAsIs = named(new QCheckBox(m_orientGroup), "jobIMAGE_AsItIs2");
    orient->addWidget(m_orientAsIs, 0, 0, 1, 3);
    m_orientation = named(new QWidget(m_orientGroup), "jobIMAGE_ROption");
    auto *options = new QVBoxLayout(m_orientation);
    options->setContentsMargins(0, 0, 0, 0);
    options->setSpacing(4);
    m_orientationButtons = new QButtonGroup(this);
    for (int position = 0; position < 2; ++position) {
        auto *option = new QRadioButton(m_orientation);
        options->addWidget(option);
        m_orientationButtons->addButton(option, position);
    }
    m_portraitPicture = named(new QToolButton(m_orientGroup), "sSpeedButton2");
    m_landscapePicture = named(new QToolButton(m_orientGroup), "sSpeedButton8");
    const QColor ink = m_orientGroup->palette().color(QPalette::WindowText);
    m_portraitPicture->setIcon(QIcon(orientationPicture(true, ink)));
    m_landscapePicture->setIcon(QIcon(orientationPicture(false, ink)));
    for (QToolButton *picture : {m_portraitPicture, m_landscapePicture}) {
        picture->setIconSize(QSize(24, 24));
        picture->setAutoRaise(true);
    }
    auto *pictures = new QHBoxLayout;
    pictures->setSpacing(2);
    pictures->addWidget(m_portraitPicture);
    pictures->addWidget(m_landscapePicture);
    orient->addWidget(m_orientation, 1, 0);
    orient->addLayout(pictures, 1, 1, Qt::AlignLeft | Qt::AlignVCenter);
    orient->setColumnStretch(2, 1);
    m_rotate = named(new QCheckBox(m_orientGroup), "jobIMAGE_CW");
    orient->addWidget(m_rotate, 2, 0, 1, 3);
    column->addWidget(m_orientGroup);

    // Size.
    m_sizeGroup = new QGroupBox(content);
    auto *size = new QGridLayout(m_sizeGroup);
    size->setHorizontalSpacing(8);
    size->setVerticalSpacing(6);
    m_sizeAsIs = named(new QCheckBox(m_sizeGroup), "jobIMAGE_UseAsItIs");
    size->addWidget(m_sizeAsIs, 0, 0, 1, 3);
    m_measureLabel = newLabel(m_sizeGroup, "sLabel8");
    m_measure = narrowable(named(new QComboBox(m_sizeGroup), "jobIMAGE_Measure"));
    m_measureLabel->setBuddy(m_measure);
    size->addWidget(m_measureLabel, 1, 0);
    size->addWidget(m_measure, 1, 1, 1, 2);
    m_presetLabel = newLabel(m_sizeGroup, "sLabel9");
    m_preset = narrowable(named(new QComboBox(m_sizeGroup), "jobIMAGE_StdRange"));
    m_presetLabel->setBuddy(m_preset);
    size->addWidget(m_presetLabel, 2, 0);
    size->addWidget(m_preset, 2, 1, 1, 2);
    m_heightColumn = newLabel(m_sizeGroup, "sLabel6");
    m_widthColumn = newLabel(m_sizeGroup, "sLabel2");
    size->addWidget(m_heightColumn, 3, 1, Qt::AlignLeft | Qt::AlignBottom);
    size->addWidget(m_widthColumn, 3, 2, Qt::AlignLeft | Qt::AlignBottom);
    auto sizeEdit = [&](const char *name) {
        auto *edit = named(new QLineEdit(m_sizeGroup), name);
        edit->setValidator(new TSizeValidator(edit));
        return edit;
    };
    m_landscapeRow = newLabel(m_sizeGroup, "sLabel10");
    m_width = sizeEdit("sJOBWidthEdit");
    m_height = sizeEdit("sJOBHeightEdit");
    size->addWidget(m_landscapeRow, 4, 0);
    size->addWidget(m_height, 4, 1);
    size->addWidget(m_width, 4, 2);
    m_portraitRow = newLabel(m_sizeGroup, "sLabel11");
    m_portraitHeight = sizeEdit("sJOBHeightLEdit");
    m_portraitWidth = sizeEdit("sJOBWidthLEdit");
    size->addWidget(m_portraitRow, 5, 0);
    size->addWidget(m_portraitHeight, 5, 1);
    size->addWidget(m_portraitWidth, 5, 2);
    m_lockHeight = named(new QCheckBox(m_sizeGroup), "jobIMAGE_LockH");
    m_lockWidth = named(new QCheckBox(m_sizeGroup), "jobIMAGE_LockW");
    size->addWidget(m_lockHeight, 6, 1);
    size->addWidget(m_lockWidth, 6, 2);
    m_ratio = named(new QCheckBox(m_sizeGroup), "jobIMAGE_Ratio");
    m_ratio->setEnabled(false);
    size->addWidget(m_ratio, 7, 1, 1, 2);
    // Besides the width and height rules: one number or box for every shape alike.
    m_sizeModeLabel = named(new QLabel(m_sizeGroup), "jobL_SizeMode");
    m_sizeMode = narrowable(named(new QComboBox(m_sizeGroup), "jobIMAGE_SizeMode"));
    m_sizeModeLabel->setBuddy(m_sizeMode);
    size->addWidget(m_sizeModeLabel, 8, 0);
    size->addWidget(m_sizeMode, 8, 1, 1, 2);
    m_sizeFirst = named(new QSpinBox(m_sizeGroup), "jobIMAGE_SizeFirst");
    m_sizeBy = new QLabel(QStringLiteral("x"), m_sizeGroup);
    m_sizeSecond = named(new QSpinBox(m_sizeGroup), "jobIMAGE_SizeSecond");
    for (QSpinBox *spin : {m_sizeFirst, m_sizeSecond})
        spin->setRange(1, 65535);
    auto *values = new QHBoxLayout;
    values->addWidget(m_sizeFirst, 1);
    values->addWidget(m_sizeBy);
    values->addWidget(m_sizeSecond, 1);
    size->addLayout(values, 9, 1, 1, 2);
    m_noEnlarge = named(new QCheckBox(m_sizeGroup), "jobIMAGE_NoEnlarge");
    size->addWidget(m_noEnlarge, 10, 0, 1, 3);
    size->setColumnStretch(1, 1);
    size->setColumnStretch(2, 1);
    column->addWidget(m_sizeGroup);
    column->addStretch(1);

    connect(m_target, &QComboBox::currentTextChanged, this, &TJobEditor::targetChanged);
    connect(m_multiPages, &QCheckBox::clicked, this, &TJobEditor::multiPagesClicked);
    connect(m_quality, qOverload<int>(&QSpinBox::valueChanged), this, &TJobEditor::qualityChanged);
    connect(m_orientAsIs, &QCheckBox::clicked, this, &TJobEditor::orientAsIsClicked);
    connect(m_orientationButtons, &QButtonGroup::idClicked, this, &TJobEditor::orientationClicked);
    connect(m_portraitPicture, &QToolButton::clicked, this, [this] { m_orientationButtons->button(0)->click(); });
    connect(m_landscapePicture, &QToolButton::clicked, this, [this] { m_orientationButtons->button(1)->click(); });
    connect(m_rotate, &QCheckBox::clicked, this, &TJobEditor::rotateClicked);
    connect(m_sizeAsIs, &QCheckBox::clicked, this, &TJobEditor::sizeAsIsClicked);
    connect(m_measure, qOverload<int>(&QComboBox::currentIndexChanged), this, &TJobEditor::measureChanged);
    connect(m_preset, qOverload<int>(&QComboBox::currentIndexChanged), this, &TJobEditor::presetChanged);
    connect(m_width, &QLineEdit::textChanged, this, &TJobEditor::widthChanged);
    connect(m_height, &QLineEdit::textChanged, this, &TJobEditor::heightChanged);
    connect(m_portraitWidth, &QLineEdit::textChanged, this, &TJobEditor::portraitWidthChanged);
    connect(m_portraitHeight, &QLineEdit::textChanged, this, &TJobEditor::portraitHeightChanged);
    connect(m_lockWidth, &QCheckBox::clicked, this, &TJobEditor::lockWidthClicked);
    connect(m_lockHeight, &QCheckBox::clicked, this, &TJobEditor::lockHeightClicked);
    connect(m_sizeMode, qOverload<int>(&QComboBox::currentIndexChanged), this, &TJobEditor::sizeModeChanged);
    connect(m_sizeFirst, qOverload<int>(&QSpinBox::valueChanged), this, &TJobEditor::sizeModeChanged);
    connect(m_sizeSecond, qOverload<int>(&QSpinBox::valueChanged), this, &TJobEditor::sizeModeChanged);
    connect(m_noEnlarge, &QCheckBox::clicked, this, &TJobEditor::noEnlargeClicked);
    connect(m_encoder, &TEncoderPanel::optionChanged, this, &TJobEditor::encoderOptionChanged);
    // Captions break into lines rather than push the controls past the panel's edge in
    // languages with longer words.
    for (QLabel *label : content->findChildren<QLabel *>())
        label->setWordWrap(true);
}

void TJobEditor::buildDestinationPage(QWidget *page)
{
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(8);

    m_useDir = named(new QCheckBox(page), "jobIMAGE_UseDir");
    column->addWidget(m_useDir);
    auto *folderRow = new QHBoxLayout;
    folderRow->setSpacing(4);
    m_dir = named(new QLineEdit(page), "jobIMAGE_Dir");
    m_dir->setReadOnly(true);
    m_dir->setMaxLength(255);
    m_browseDir = named(new QToolButton(page), "jobIMAGE_DirBrowse");
    m_browseDir->setIcon(StandardIcon(QStyle::SP_DirOpenIcon, page));
    m_browseDir->setText(QStringLiteral("..."));
    folderRow->addWidget(m_dir, 1);
    folderRow->addWidget(m_browseDir);
    column->addLayout(folderRow);
    m_keepFolders = named(new QCheckBox(page), "jobIMAGE_KeepFolders");
    column->addWidget(m_keepFolders);

    // How outputs are named and what they keep, each a line of the project's own settings.
    auto *files = new QGridLayout;
    files->setHorizontalSpacing(8);
    files->setVerticalSpacing(4);
    files->setColumnStretch(1, 1);
    int row = 0;
    auto addRow = [&](const char *labelName, QWidget *field) {
        QLabel *label = newLabel(page, labelName);
        label->setBuddy(field);
        files->addWidget(label, row, 0);
        files->addWidget(field, row++, 1);
    };
    m_namePattern = named(new QLineEdit(page), "jobIMAGE_NamePattern");
    m_namePattern->setMaxLength(kNamePatternCapacity);
    m_namePattern->setClearButtonEnabled(true);
    addRow("jobL_NamePattern", m_namePattern);
    m_namePreview = newLabel(page, "jobL_NamePreview");
    // A long name wraps or is cut at the panel's edge instead of widening the panel.
    m_namePreview->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_namePreview->setWordWrap(true);
    m_namePreview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    files->addWidget(m_namePreview, row++, 0, 1, 2);
    auto newChoice = [&](const char *name, int items) {
        auto *choice = named(new QComboBox(page), name);
        for (int i = 0; i < items; ++i)
            choice->addItem(QString());
        return choice;
    };
    m_existing = newChoice("jobIMAGE_Existing", 3);
    addRow("jobL_Existing", m_existing);
    m_metadata = newChoice("jobIMAGE_Metadata", 3);
    addRow("jobL_Metadata", m_metadata);
    column->addLayout(files);
    m_lowerExt = named(new QCheckBox(page), "jobIMAGE_LowerExt");
    column->addWidget(m_lowerExt);
    m_keepDates = named(new QCheckBox(page), "jobIMAGE_KeepDates");
    column->addWidget(m_keepDates);

    m_rename = named(new QGroupBox(page), "jobIMAGE_OptionRename");
    auto *renameColumn = new QVBoxLayout(m_rename);
    renameColumn->setSpacing(4);
    m_renameButtons = new QButtonGroup(this);
    for (int position = 0; position < 2; ++position) {
        auto *option = new QRadioButton(m_rename);
        renameColumn->addWidget(option);
        m_renameButtons->addButton(option, position);
    }
    column->addWidget(m_rename);

    auto *counterRow = new QHBoxLayout;
    counterRow->setSpacing(8);
    m_counter = named(new QCheckBox(page), "jobIMAGE_Num");
    m_counterStart = named(new QSpinBox(page), "jobIMAGE_NumBox");
    m_counterStart->setRange(1, INT_MAX);
    m_counterStart->setMinimumWidth(90);
    counterRow->addWidget(m_counter);
    counterRow->addWidget(m_counterStart);
    counterRow->addStretch(1);
    column->addLayout(counterRow);

    column->addSpacing(6);
    m_driveLabel = newLabel(page, "sLabel12");
    column->addWidget(m_driveLabel);
    m_drive = named(new QComboBox(page), "jobIMAGE_Drive");
    m_drive->setEditable(true);
    m_drive->lineEdit()->setValidator(new TCapacityValidator(kScratchCapacity, m_drive, ScratchFolderOfItem));
    m_drive->setInsertPolicy(QComboBox::NoInsert);
    m_driveLabel->setBuddy(m_drive);
    column->addWidget(m_drive);
    column->addStretch(1);

    connect(m_useDir, &QCheckBox::clicked, this, &TJobEditor::useDirClicked);
    connect(m_dir, &QLineEdit::textChanged, this, &TJobEditor::dirChanged);
    connect(m_browseDir, &QToolButton::clicked, this, &TJobEditor::browseDir);
    connect(m_renameButtons, &QButtonGroup::idClicked, this, &TJobEditor::renameClicked);
    connect(m_counter, &QCheckBox::clicked, this, &TJobEditor::counterClicked);
    connect(m_counterStart, qOverload<int>(&QSpinBox::valueChanged), this, &TJobEditor::counterStartChanged);
    connect(m_drive, &QComboBox::currentTextChanged, this, &TJobEditor::driveChanged);
    connect(m_keepFolders, &QCheckBox::clicked, this, [this](bool on) { setFlag(kKeepFoldersKey, on); });
    connect(m_lowerExt, &QCheckBox::clicked, this, [this](bool on) { setFlag(kLowerExtKey, on); });
    connect(m_keepDates, &QCheckBox::clicked, this, [this](bool on) { setFlag(kKeepDatesKey, on); });
    connect(m_namePattern, &QLineEdit::textChanged, this, [this](const QString &pattern) {
        setOption(kNameKey, pattern, QString());
    });
    connect(m_existing, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        setOption(kExistingKey, ExistingWord(TExisting(index)), ExistingWord(TExisting::Number));
    });
    connect(m_metadata, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        setOption(kMetadataKey, MetadataWord(TMetadata(index)), MetadataWord(TMetadata::Keep));
    });
}

void TJobEditor::setOption(const QString &key, const QString &value, const QString &defaultValue)
{
    touch();
    if (TCnvJob *current = job())
        SetOption(current->Options, key, value, defaultValue);
    RefreshNamePreview();
}

void TJobEditor::setFlag(const QString &key, bool on)
{
    setOption(key, on ? QStringLiteral("1") : QStringLiteral("0"), QStringLiteral("0"));
}

void TJobEditor::bindOutputRules(const TCnvJob &current)
{
    const TOutputRules rules = TOutputRules::From(current.Options);
    const QSignalBlocker blockPattern(m_namePattern);
    m_keepFolders->setChecked(rules.KeepFolders);
    m_keepFolders->setEnabled(m_useDir->isChecked());
    m_namePattern->setText(rules.NamePattern);
    m_namePattern->setToolTip(text("HINT_DEST_NAME"));
    m_lowerExt->setChecked(rules.LowerExt);
    m_keepDates->setChecked(rules.KeepDates);
    m_existing->setCurrentIndex(int(rules.Existing));
    const char *const metadataHints[] = {"HINT_META_KEEP", "HINT_META_PRIVATE", "HINT_META_NONE"};
    for (int i = 0; i < 3; ++i)
        m_metadata->setItemData(i, text(metadataHints[i]), Qt::ToolTipRole);
    m_metadata->setCurrentIndex(int(rules.Metadata));
    RefreshNamePreview();
}

void TJobEditor::RefreshNamePreview()
{
    const TCnvJob *current = job();
    if (!current || !m_built[DestinationPage])
        return;
    m_metadata->setToolTip(m_metadata->currentData(Qt::ToolTipRole).toString());
    const QString pattern = TOutputRules::From(current->Options).NamePattern;
    const QString problem = DescribePatternProblem(CheckNamePattern(pattern),
                                                   [this](const char *key) { return text(key); });
    m_namePreview->setStyleSheet(problem.isEmpty() ? QString() : QStringLiteral("color: #c62828;"));
    if (!problem.isEmpty()) {
        m_namePreview->setText(problem);
        m_namePreview->setToolTip(problem);
        return;
    }
    // The first source, or a camera's name when there is none yet.
    const bool anySource = !FavorList().IsEmpty();
    const QString fileName = anySource ? FavorList().At(0).Name : QStringLiteral("IMG_0001.JPG");
    const QString folder = anySource ? FavorList().At(0).Folder : QDir::homePath();
    m_namePreview->setText(text("J_DEST_NAME_EXAMPLE") + QLatin1Char(' ')
                           + PreviewOutputName(*current, fileName, folder,
                                               NamingEnvironmentFor(RunSettingsFor(*current))));
    m_namePreview->setToolTip(m_namePreview->text());
}

// ---------------------------------------------------------------------------------------
// Binding

void TJobEditor::Bind()
{
    TCnvJob *current = job();
    if (!current)
        return;
    m_binding = true;
    settleProject(*current);
    for (int page = 0; page < PageCount; ++page) {
        if (m_built[page])
            bindPage(page, *current);
    }
    m_binding = false;
    emit titleChanged(current->Name);
    SetModified(false);
    emit bound();
}

void TJobEditor::settleProject(TCnvJob &current)
{
    // A file may hold what the controls cannot show; the project takes what they would.
    current.Quality = quint8(qBound(1, int(current.Quality), 100));
    current.CounterStart = qMax(1, current.CounterStart);
    current.MultiPages = offersMultiPages(current.TargetExt, true) ? 1 : 0;
    current.SizeAsIs = current.SizeAsIs ? 1 : 0;
    current.OrientAsIs = current.OrientAsIs ? 1 : 0;
    // Both locks never come from the editor; the height lock is the one a run obeys first.
    if (current.LockHeight) {
        current.LockHeight = 1;
        current.LockWidth = 0;
    } else if (current.LockWidth) {
        current.LockWidth = 1;
    }

    m_scratchFolders = ScratchFolders();
    m_scratchIndex = -1;
    if (m_scratchFolders.isEmpty())
        return; // nothing to fall back to: the project keeps its folder
    for (int i = 0; i < m_scratchFolders.size() && m_scratchIndex < 0; ++i) {
        if (!current.ScratchDrive.isEmpty() && m_scratchFolders.at(i).Folder == current.ScratchDrive)
            m_scratchIndex = i;
    }
    if (m_scratchIndex < 0) {
        Prompt().warning(QStringLiteral("Not found temporary path ") + quoted(current.ScratchDrive)
                         + QStringLiteral(". Set to default."));
        m_scratchIndex = 0;
    }
    useScratchFolder(current, m_scratchFolders.at(m_scratchIndex).Folder);
}

bool TJobEditor::useScratchFolder(TCnvJob &current, const QString &folder)
{
    current.ScratchDrive = folder;
    if (qputenv("TMPDIR", folder.toLocal8Bit()))
        return true;
    Prompt().warning(QStringLiteral("Can not set temporary path"));
    current.ScratchDrive.clear();
    return false;
}

void TJobEditor::bindGeneralPage(TCnvJob &current)
{
    const QSignalBlocker blockName(m_name), blockAuthor(m_author), blockComment(m_comment);
    m_name->setText(current.Name);
    m_author->setText(current.Author);
    const QString unknown = text("J_GNR_UNKNOWN");
    m_created->setText(stampText(current.Created, unknown));
    m_modifiedStamp->setText(stampText(current.Modified, unknown));
    m_opened->setText(stampText(current.Opened, unknown));
    m_comment->setPlainText(current.Comment.join(QLatin1Char('\n')));
    m_alsoLabel->setText(text("J_GNR_ALSO"));
    // Screen readers name the list after its label.
    m_also->setAccessibleName(QString(m_alsoLabel->text()).remove(QLatin1Char('&')));
    showAlsoConvert();
}

void TJobEditor::bindImageOptionsPage(TCnvJob &current)
{
    {
        const QSignalBlocker blockTarget(m_target), blockQuality(m_quality);
        m_target->clear();
        fillTargets(m_target, current.TargetExts);
        m_target->setCurrentIndex(current.TargetExt.isEmpty() ? -1
                                      : m_target->findText(current.TargetExt, Qt::MatchFixedString));
        m_target->setEditText(current.TargetExt);
        m_quality->setValue(current.Quality);
    }
    updateTargetControls(true);

    m_sizeAsIs->setChecked(current.SizeAsIs != 0);
    sizeAsIsClicked();
    {
        const QSignalBlocker blockMeasure(m_measure);
        m_measure->clear();
        m_measure->addItems({text("J_CB_PIXEL"), text("J_CB_CM"), text("J_CB_INCH")});
        m_measure->setCurrentIndex(current.Measure < m_measure->count() ? current.Measure : -1);
    }
    refillPresets(current.Measure);
    {
        // The preset only shows where the sizes came from; they may have been typed over
        // since, so binding takes them as stored and runs no handler that would change them.
        const QSignalBlocker blockPreset(m_preset);
        const bool listed = current.PresetIndex >= 0 && current.PresetIndex < m_preset->count();
        m_preset->setCurrentIndex(listed ? current.PresetIndex : -1);
        const QSignalBlocker blockWidth(m_width), blockHeight(m_height);
        const QSignalBlocker blockPortraitWidth(m_portraitWidth), blockPortraitHeight(m_portraitHeight);
        setEditText(m_width, current.Width);
        setEditText(m_height, current.Height);
        setEditText(m_portraitWidth, current.Height);
        setEditText(m_portraitHeight, current.Width);
    }

    if (current.LockHeight) {
        m_lockHeight->setChecked(true);
        lockHeightClicked();
    } else if (current.LockWidth) {
        m_lockWidth->setChecked(true);
        lockWidthClicked();
    } else {
        m_lockHeight->setChecked(false);
        m_lockWidth->setChecked(false);
        m_ratio->setChecked(false);
    }

    bindSizeMode();

    m_orientAsIs->setChecked(current.OrientAsIs != 0);
    m_rotate->setChecked(current.RotateCCW != 0);
    if (QAbstractButton *option = m_orientationButtons->button(current.Orientation))
        option->setChecked(true);
    orientAsIsClicked();

    m_orientGroup->setTitle(text("J_IMG_TROTATE"));
    m_sizeGroup->setTitle(text("J_IMG_TRANGE"));
}

void TJobEditor::bindDestinationPage(TCnvJob &current)
{
    {
        const QSignalBlocker blockUseDir(m_useDir), blockDir(m_dir);
        const QSignalBlocker blockRename(m_renameButtons), blockCounter(m_counter), blockStart(m_counterStart);
        m_useDir->setChecked(current.UseDestDir != 0);
        m_dir->setText(current.DestDir);
        m_dir->setEnabled(m_useDir->isChecked());
        m_browseDir->setEnabled(m_useDir->isChecked());
        if (QAbstractButton *option = m_renameButtons->button(current.RenameMode))
            option->setChecked(true);
        m_counter->setChecked(current.UseCounter != 0);
        m_counterStart->setValue(current.CounterStart);
        m_counterStart->setEnabled(m_counter->isChecked());
        m_rename->setEnabled(!m_counter->isChecked());
    }
    bindOutputRules(current);

    const QSignalBlocker block(m_drive);
    m_drive->clear();
    for (const TScratchFolder &folder : std::as_const(m_scratchFolders))
        m_drive->addItem(ScratchFolderItem(folder));
    m_drive->setCurrentIndex(m_scratchIndex);
    if (m_scratchIndex < 0 || current.ScratchDrive.isEmpty())
        m_drive->setEditText(QString());
}

void TJobEditor::updateTargetControls(bool fromBind)
{
    TCnvJob *current = job();
    const QString code = current ? current->TargetExt : QString();
    const bool multi = offersMultiPages(code, fromBind);
    m_multiPages->setEnabled(multi);
    m_multiPages->setChecked(multi);
    if (current)
        current->MultiPages = multi ? 1 : 0;
    const bool quality = hasQuality(code);
    m_qualityLabel->setEnabled(quality);
    m_quality->setEnabled(quality);
    m_encoder->Show(code, current ? current->Options : QMap<QString, QString>());
}

void TJobEditor::refillPresets(int unit)
{
    const QSignalBlocker block(m_preset);
    m_preset->clear();
    for (const TSizePreset &preset : PresetsOfUnit(unit))
        m_preset->addItem(preset.Name);
    m_preset->setCurrentIndex(m_preset->count() > 1 ? 1 : -1);
}

void TJobEditor::setEditText(QLineEdit *edit, const QString &value)
{
    if (edit->text() != value)
        edit->setText(value);
}

// ---------------------------------------------------------------------------------------
// Edit handlers

void TJobEditor::nameChanged()
{
    touch();
    if (TCnvJob *current = job()) {
        current->Name = m_name->text();
        emit titleChanged(current->Name);
    }
}

void TJobEditor::authorChanged()
{
    touch();
    if (TCnvJob *current = job())
        current->Author = m_author->text();
}

void TJobEditor::commentChanged()
{
    touch();
    QString memo = m_comment->toPlainText();
    if (memo.size() > kCommentLimit) {
        memo.truncate(kCommentLimit);
        const QSignalBlocker block(m_comment);
        m_comment->setPlainText(memo);
        m_comment->moveCursor(QTextCursor::End);
    }
    if (TCnvJob *current = job())
        current->Comment = memo.isEmpty() ? QStringList() : memo.split(QLatin1Char('\n'));
}

void TJobEditor::targetChanged()
{
    touch();
    if (TCnvJob *current = job())
        current->TargetExt = m_target->currentText();
    updateTargetControls(false);
}

void TJobEditor::multiPagesClicked()
{
    touch();
    if (TCnvJob *current = job())
        current->MultiPages = m_multiPages->isChecked() ? 1 : 0;
}

void TJobEditor::qualityChanged(int value)
{
    touch();
    if (TCnvJob *current = job())
        current->Quality = quint8(value);
}

void TJobEditor::useDirClicked()
{
    touch();
    m_dir->setEnabled(m_useDir->isChecked());
    m_browseDir->setEnabled(m_useDir->isChecked());
    m_keepFolders->setEnabled(m_useDir->isChecked());
    if (TCnvJob *current = job())
        current->UseDestDir = m_useDir->isChecked() ? 1 : 0;
}

void TJobEditor::dirChanged()
{
    touch();
    if (TCnvJob *current = job())
        current->DestDir = m_dir->text();
}

void TJobEditor::browseDir()
{
    const QString folder = Prompt().folderName(text("J_DEST_USEFOLDER").trimmed(), m_dir->text());
    if (folder.isEmpty())
        return;
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(folder));
    // The project file keeps 250 bytes of the path; a longer one would come back as another folder.
    if (TextToCapacity(path, 250) != path.toUtf8()) {
        Prompt().warning(QStringLiteral("The folder path is too long for a project: ") + quoted(path));
        return;
    }
    m_dir->setText(path);
}

void TJobEditor::driveChanged()
{
    touch();
    TCnvJob *current = job();
    if (current && !useScratchFolder(*current, ScratchFolderOfItem(m_drive->currentText()))) {
        const QSignalBlocker block(m_drive);
        m_drive->setEditText(QString());
    }
}

void TJobEditor::renameClicked()
{
    touch();
    if (TCnvJob *current = job())
        current->RenameMode = quint8(qMax(0, m_renameButtons->checkedId()));
}

void TJobEditor::counterClicked()
{
    touch();
    m_counterStart->setEnabled(m_counter->isChecked());
    m_rename->setEnabled(!m_counter->isChecked());
    if (TCnvJob *current = job())
        current->UseCounter = m_counter->isChecked() ? 1 : 0;
}

void TJobEditor::counterStartChanged(int value)
{
    TCnvJob *current = job();
    if (!current)
        return;
    touch();
    current->CounterStart = value;
}

void TJobEditor::sizeAsIsClicked()
{
    touch();
    if (TCnvJob *current = job())
        current->SizeAsIs = m_sizeAsIs->isChecked() ? 1 : 0;
    enableSizeControls();
}

void TJobEditor::enableSizeControls()
{
    const bool asIs = m_sizeAsIs->isChecked();
    for (QWidget *control : std::initializer_list<QWidget *>{
             m_width, m_height, m_portraitWidth, m_portraitHeight, m_landscapeRow, m_portraitRow,
             m_heightColumn, m_widthColumn, m_measure, m_measureLabel, m_preset, m_presetLabel,
             m_lockHeight, m_lockWidth})
        control->setEnabled(!asIs);
    SyncRange();
}

void TJobEditor::orientAsIsClicked()
{
    touch();
    const bool asIs = m_orientAsIs->isChecked();
    if (TCnvJob *current = job())
        current->OrientAsIs = asIs ? 1 : 0;
    for (QWidget *control : std::initializer_list<QWidget *>{m_orientation, m_rotate, m_portraitPicture, m_landscapePicture})
        control->setEnabled(!asIs);
    SyncRange();
}

void TJobEditor::orientationClicked()
{
    touch();
    if (TCnvJob *current = job())
        current->Orientation = qMax(0, m_orientationButtons->checkedId());
    SyncRange();
}

void TJobEditor::rotateClicked()
{
    touch();
    if (TCnvJob *current = job())
        current->RotateCCW = m_rotate->isChecked() ? 1 : 0;
}

void TJobEditor::showAlsoConvert()
{
    m_also->clear();
    for (const QString &path : AlsoConvertProjects(job()->Options)) {
        auto *item = new QListWidgetItem(QFileInfo(path).completeBaseName(), m_also);
        item->setToolTip(path);
        item->setData(Qt::UserRole, path);
    }
    m_alsoRemove->setEnabled(m_also->currentRow() >= 0);
}

void TJobEditor::addAlsoConvert()
{
    TCnvJob *current = job();
    const QString path = Prompt().openFileName(QString(), projectFolder(), QStringLiteral("*.prj"));
    if (!current || path.isEmpty())
        return;
    QStringList paths = AlsoConvertProjects(current->Options);
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (paths.contains(absolute) || absolute.contains(QLatin1Char('\t')))
        return;
    touch();
    SetAlsoConvertProjects(current->Options, paths << absolute);
    showAlsoConvert();
}

void TJobEditor::removeAlsoConvert()
{
    TCnvJob *current = job();
    const int row = m_also->currentRow();
    if (!current || row < 0)
        return;
    touch();
    QStringList paths = AlsoConvertProjects(current->Options);
    paths.removeAll(m_also->item(row)->data(Qt::UserRole).toString());
    SetAlsoConvertProjects(current->Options, paths);
    showAlsoConvert();
}

void TJobEditor::SyncRange()
{
    if (!m_built[ImageOptionsPage])
        return;
    TCnvJob *current = job();
    if (current && !current->SizeAsIs) {
        bool landscape = true;
        bool portrait = true;
        if (!current->OrientAsIs) {
            landscape = current->Orientation != 0;
            portrait = !landscape;
        }
        for (QWidget *control : std::initializer_list<QWidget *>{m_width, m_height, m_landscapeRow})
            control->setEnabled(landscape);
        for (QWidget *control : std::initializer_list<QWidget *>{m_portraitWidth, m_portraitHeight, m_portraitRow})
            control->setEnabled(portrait);
    }
    syncSizeMode();
}

void TJobEditor::syncSizeMode()
{
    TCnvJob *current = job();
    const bool asIs = !current || current->SizeAsIs;
    const TSizeMode mode = current ? ProjectSizeSpec(current->Options).Mode : TSizeMode::Rules;
    const bool boxed = mode == TSizeMode::Fit || mode == TSizeMode::Fill;
    for (QWidget *control : std::initializer_list<QWidget *>{m_sizeModeLabel, m_sizeMode, m_noEnlarge,
                                                             m_sizeFirst, m_sizeBy, m_sizeSecond})
        control->setEnabled(!asIs);
    m_sizeFirst->setVisible(mode != TSizeMode::Rules);
    m_sizeBy->setVisible(boxed);
    m_sizeSecond->setVisible(boxed);
    m_sizeFirst->setSuffix(mode == TSizeMode::Percent ? QStringLiteral(" %") : QString());
    if (asIs || mode == TSizeMode::Rules)
        return;
    // A size mode replaces the width and height rules.
    for (QWidget *control : std::initializer_list<QWidget *>{
             m_width, m_height, m_portraitWidth, m_portraitHeight, m_landscapeRow, m_portraitRow,
             m_heightColumn, m_widthColumn, m_measure, m_measureLabel, m_preset, m_presetLabel,
             m_lockHeight, m_lockWidth})
        control->setEnabled(false);
}

void TJobEditor::bindSizeMode()
{
    TCnvJob *current = job();
    const TSizeSpec optionSpec = ProjectSizeSpec(current->Options);
    const QSignalBlocker blockMode(m_sizeMode), blockFirst(m_sizeFirst), blockSecond(m_sizeSecond);
    m_sizeModeLabel->setText(text("J_IMG_SIZEMODE"));
    m_sizeMode->clear();
    for (const char *key : {"J_SIZE_RULES", "J_SIZE_LONG", "J_SIZE_SHORT", "J_SIZE_FIT", "J_SIZE_FILL", "J_SIZE_PERCENT"})
        m_sizeMode->addItem(text(key));
    m_sizeMode->setCurrentIndex(int(optionSpec.Mode));
    m_sizeFirst->setRange(1, optionSpec.Mode == TSizeMode::Percent ? 1000 : 65535);
    m_sizeFirst->setValue(int(qMax<qint64>(1, optionSpec.Width)));
    m_sizeSecond->setValue(int(qMax<qint64>(1, optionSpec.Height)));
    m_noEnlarge->setText(text("J_IMG_NOENLARGE"));
    m_noEnlarge->setChecked(ProjectNoEnlarge(current->Options));
    syncSizeMode();
}

void TJobEditor::sizeModeChanged()
{
    TCnvJob *current = job();
    if (!current)
        return;
    touch();
    TSizeSpec optionSpec;
    optionSpec.Mode = TSizeMode(qMax(0, m_sizeMode->currentIndex()));
    if (optionSpec.Mode != ProjectSizeSpec(current->Options).Mode) {
        // A new mode starts from a size that suits it.
        static const QList<QPair<int, int>> starts = {{0, 0}, {1920, 1920}, {1080, 1080}, {1920, 1080}, {1080, 1080}, {50, 50}};
        const QSignalBlocker blockFirst(m_sizeFirst), blockSecond(m_sizeSecond);
        m_sizeFirst->setRange(1, optionSpec.Mode == TSizeMode::Percent ? 1000 : 65535);
        m_sizeFirst->setValue(qMax(1, starts.at(int(optionSpec.Mode)).first));
        m_sizeSecond->setValue(qMax(1, starts.at(int(optionSpec.Mode)).second));
    }
    const bool boxed = optionSpec.Mode == TSizeMode::Fit || optionSpec.Mode == TSizeMode::Fill;
    optionSpec.Width = m_sizeFirst->value();
    optionSpec.Height = boxed ? m_sizeSecond->value() : optionSpec.Width;
    if (optionSpec.Mode == TSizeMode::Rules)
        current->Options.remove(OptionKey::Size);
    else
        current->Options.insert(OptionKey::Size, SizeSpecText(optionSpec));
    enableSizeControls();
}

void TJobEditor::noEnlargeClicked()
{
    touch();
    if (TCnvJob *current = job()) {
        if (m_noEnlarge->isChecked())
            current->Options.insert(OptionKey::NoEnlarge, QStringLiteral("true"));
        else
            current->Options.remove(OptionKey::NoEnlarge);
    }
}

void TJobEditor::encoderOptionChanged(const QString &name, const QString &value)
{
    touch();
    if (TCnvJob *current = job()) {
        if (value.isEmpty())
            current->Options.remove(name);
        else
            current->Options.insert(name, value);
    }
}

void TJobEditor::measureChanged()
{
    touch();
    TCnvJob *current = job();
    const int position = m_measure->currentIndex();
    if (!current || position < 0 || position == current->Measure)
        return;
    current->Measure = quint8(position);
    refillPresets(position);
    presetChanged();
}

void TJobEditor::presetChanged()
{
    touch();
    if (TCnvJob *current = job())
        current->PresetIndex = m_preset->currentIndex();
    const TSizePreset *preset = m_preset->currentIndex() < 0 ? nullptr : FindPreset(m_preset->currentText());
    setEditText(m_width, preset ? SizeText(preset->Width) : QStringLiteral("1"));
    setEditText(m_height, preset ? SizeText(preset->Height) : QStringLiteral("1"));
}

// The portrait row shows the landscape row turned: its height is Width, its width Height.
void TJobEditor::widthChanged()
{
    touch();
    if (TCnvJob *current = job())
        current->Width = m_width->text();
    setEditText(m_portraitHeight, m_width->text());
}

void TJobEditor::heightChanged()
{
    touch();
    if (TCnvJob *current = job())
        current->Height = m_height->text();
    setEditText(m_portraitWidth, m_height->text());
}

void TJobEditor::portraitWidthChanged()
{
    touch();
    setEditText(m_height, m_portraitWidth->text());
}

void TJobEditor::portraitHeightChanged()
{
    touch();
    setEditText(m_width, m_portraitHeight->text());
}

void TJobEditor::lockWidthClicked()
{
    touch();
    const bool locked = m_lockWidth->isChecked();
    if (TCnvJob *current = job()) {
        current->LockWidth = locked ? 1 : 0;
        current->LockHeight = 0;
    }
    if (locked)
        m_lockHeight->setChecked(false);
    m_ratio->setChecked(locked);
}

void TJobEditor::lockHeightClicked()
{
    touch();
    const bool locked = m_lockHeight->isChecked();
    if (TCnvJob *current = job()) {
        current->LockHeight = locked ? 1 : 0;
        current->LockWidth = 0;
    }
    if (locked)
        m_lockWidth->setChecked(false);
    m_ratio->setChecked(locked);
}

// ---------------------------------------------------------------------------------------
// Commands

void TJobEditor::SetProjectCommands(QAction *newJob, QAction *openJob, QAction *saveJob)
{
    m_newAction = newJob;
    m_openAction = openJob;
    m_saveAction = saveJob;
    if (m_built[GeneralPage])
        applyCommandIcons();
}

void TJobEditor::applyCommandIcons()
{
    const std::pair<QToolButton *, QAction *> pairs[] = {
        {m_newButton, m_newAction}, {m_openButton, m_openAction}, {m_saveButton, m_saveAction}};
    for (const auto &[button, action] : pairs) {
        if (action && !action->icon().isNull())
            button->setIcon(action->icon());
    }
}

void TJobEditor::SetClearSources(std::function<bool()> clear) { m_clearSources = std::move(clear); }

void TJobEditor::runCommand(QAction *action, const std::function<void()> &command)
{
    if (action)
        action->trigger();
    else
        command();
}

QString TJobEditor::projectFolder() const
{
    if (!m_projectFolder.isEmpty() && QFileInfo(m_projectFolder).isDir())
        return m_projectFolder;
    return QDir::homePath();
}

void TJobEditor::NewProject()
{
    TListCnvJob &jobs = ListCnvJob();
    const int index = jobs.Add(QStringLiteral("Untitled"));
    // A new project starts at the size of its preset, which binding then only shows.
    TCnvJob *fresh = jobs.At(index);
    const QList<TSizePreset> presets = PresetsOfUnit(fresh->Measure);
    if (fresh->PresetIndex >= 0 && fresh->PresetIndex < presets.size()) {
        fresh->Width = SizeText(presets.at(fresh->PresetIndex).Width);
        fresh->Height = SizeText(presets.at(fresh->PresetIndex).Height);
    }
    if (FindExt(QString::fromLatin1(kNewProjectTarget), fresh->TargetExts) >= 0)
        fresh->TargetExt = QString::fromLatin1(kNewProjectTarget);
    jobs.SetCurrent(index);
    m_projectFile.clear();
    m_fileUpToDate = false;
    Bind();
    if (m_clearSources)
        m_clearSources();
}

bool TJobEditor::OpenProject()
{
    TCnvJob *current = job();
    if (!current)
        return false;
    const QString path = Prompt().openFileName(QString(), projectFolder(), kProjectFilter);
    if (path.isEmpty())
        return false;
    m_projectFolder = QFileInfo(path).absolutePath();
    // A file of another kind would otherwise open as nothing at all and clear the sources.
    QFile probe(path);
    if (probe.open(QIODevice::ReadOnly)) {
        const QByteArray tag = probe.read(6);
        if (tag.size() == 6 && tag != QByteArray("\x05PRJ01", 6)) {
            Prompt().error(QStringLiteral("\"%1\" is not a project file").arg(QDir::toNativeSeparators(path)));
            return false;
        }
    }
    // Loaded into a copy, so that a file that fails half way leaves the project as it was.
    TCnvJob loaded(*current);
    try {
        loaded.LoadFromFile(path);
    } catch (const TError &error) {
        Prompt().error(error.text());
        return false;
    }
    *current = loaded;
    Bind();
    m_projectFile = path;
    m_fileUpToDate = true;
    if (m_clearSources)
        m_clearSources();
    return true;
}

bool TJobEditor::SaveProject()
{
    TCnvJob *current = job();
    if (!current)
        return false;
    if (current->Name.isEmpty()) {
        Prompt().warning(QStringLiteral("Input name project"));
        return false;
    }
    m_saved = false;
    const QString chosen =
        Prompt().saveFileName(QString(), QDir(projectFolder()).filePath(current->Name), kProjectFilter);
    if (chosen.isEmpty())
        return false;
    m_projectFolder = QFileInfo(chosen).absolutePath();
    const QString path = ProjectFilePath(chosen);
    if (QFile::exists(path)) {
        const QString question = QStringLiteral("File ") + quoted(path) + QStringLiteral(" exist. Rewrite?");
        if (Prompt().question(question, false, TSymbol::Warning) != TAnswer::Yes)
            return false;
    }
    try {
        current->SaveToFile(path);
    } catch (const TError &error) {
        Prompt().error(error.text());
        return false;
    }
    m_saved = true;
    m_projectFile = path;
    m_fileUpToDate = true;
    return true;
}
