#include "ui/unitSkins.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QPolygonF>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>

namespace {

const QString kNeutral2 = QStringLiteral("Neutral2 (internal)");
const QString kGraphite = QStringLiteral("Graphite (internal)");
const QString kPlain = QStringLiteral("Plain (internal)");
const QString kFusion = QStringLiteral("Fusion");
constexpr qint64 kLargestSheet = 4 * 1024 * 1024;
// The style of the built-in sheets: Fusion with the item views' focus frame of its own.
const QString kSkinStyle = QStringLiteral("Pictavo");

// Under a sheet that styles view items, Fusion draws the current item's focus frame
// round the text of its first cell only, as a grey box. The skins show it as a quiet
// frame of the selection colour, and not at all on a selected row.
class TSkinStyle : public QProxyStyle
{
public:
    TSkinStyle() : QProxyStyle(QStyleFactory::create(kFusion)) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element == PE_FrameFocusRect && qobject_cast<const QAbstractItemView *>(widget)) {
            if (option->state & State_Selected)
                return;
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            QColor frame = option->palette.color(QPalette::Active, QPalette::Highlight);
            frame = frame.lightness() > 128 ? frame.darker(130) : frame.lighter(150);
            painter->setPen(QPen(frame, 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

// The colours a built-in skin is made of; the style sheet template refers to them by name.
struct TSkinColors
{
    QHash<QString, QString> Named;

    QColor operator[](const QString &name) const { return QColor(Named.value(name)); }
};

TSkinColors Neutral2Colors()
{
    return {{
        {QStringLiteral("window"), QStringLiteral("#f3f4f6")},
        {QStringLiteral("pane"), QStringLiteral("#fbfbfc")},
        {QStringLiteral("base"), QStringLiteral("#ffffff")},
        {QStringLiteral("altBase"), QStringLiteral("#f6f7f9")},
        {QStringLiteral("text"), QStringLiteral("#1f2329")},
        {QStringLiteral("muted"), QStringLiteral("#5b626c")},
        {QStringLiteral("disabled"), QStringLiteral("#a3a8b0")},
        {QStringLiteral("border"), QStringLiteral("#cfd4db")},
        {QStringLiteral("borderHover"), QStringLiteral("#aeb5bf")},
        {QStringLiteral("borderStrong"), QStringLiteral("#98a0ab")},
        {QStringLiteral("button"), QStringLiteral("#ffffff")},
        {QStringLiteral("buttonHover"), QStringLiteral("#f0f3f7")},
        {QStringLiteral("buttonPressed"), QStringLiteral("#e2e7ee")},
        {QStringLiteral("buttonDisabled"), QStringLiteral("#f1f2f4")},
        {QStringLiteral("accent"), QStringLiteral("#2f6fd6")},
        {QStringLiteral("accentHover"), QStringLiteral("#2862c0")},
        {QStringLiteral("accentPressed"), QStringLiteral("#2255a8")},
        {QStringLiteral("onAccent"), QStringLiteral("#ffffff")},
        {QStringLiteral("selection"), QStringLiteral("#d4e3fb")},
        {QStringLiteral("selectionText"), QStringLiteral("#102a52")},
        {QStringLiteral("hover"), QStringLiteral("#eef3fb")},
        {QStringLiteral("toolHover"), QStringLiteral("#e4e9f0")},
        {QStringLiteral("toolChecked"), QStringLiteral("#d4e3fb")},
        {QStringLiteral("header"), QStringLiteral("#eef0f3")},
        {QStringLiteral("headerHover"), QStringLiteral("#e3e7ec")},
        {QStringLiteral("headerText"), QStringLiteral("#454c56")},
        {QStringLiteral("tab"), QStringLiteral("#e7eaee")},
        {QStringLiteral("tabHover"), QStringLiteral("#eef0f3")},
        {QStringLiteral("menu"), QStringLiteral("#ffffff")},
        {QStringLiteral("menuBar"), QStringLiteral("#f3f4f6")},
        {QStringLiteral("status"), QStringLiteral("#e9ecf0")},
        {QStringLiteral("track"), QStringLiteral("#e4e7ec")},
        {QStringLiteral("scrollHandle"), QStringLiteral("#c3c8d0")},
        {QStringLiteral("scrollHandleHover"), QStringLiteral("#a6adb7")},
        // Light tips: the sources view fills its unconverted rows with this colour.
        {QStringLiteral("tipBase"), QStringLiteral("#fff9e3")},
        {QStringLiteral("tipText"), QStringLiteral("#1f2328")},
        {QStringLiteral("link"), QStringLiteral("#2f6fd6")},
    }};
}

TSkinColors GraphiteColors()
{
    return {{
        {QStringLiteral("window"), QStringLiteral("#26282c")},
        {QStringLiteral("pane"), QStringLiteral("#2c2f33")},
        {QStringLiteral("base"), QStringLiteral("#1d1f22")},
        {QStringLiteral("altBase"), QStringLiteral("#232529")},
        {QStringLiteral("text"), QStringLiteral("#e3e5e9")},
        {QStringLiteral("muted"), QStringLiteral("#a8adb5")},
        {QStringLiteral("disabled"), QStringLiteral("#6b7079")},
        {QStringLiteral("border"), QStringLiteral("#3f434a")},
        {QStringLiteral("borderHover"), QStringLiteral("#5a5f68")},
        {QStringLiteral("borderStrong"), QStringLiteral("#70767f")},
        {QStringLiteral("button"), QStringLiteral("#34373d")},
        {QStringLiteral("buttonHover"), QStringLiteral("#3d4047")},
        {QStringLiteral("buttonPressed"), QStringLiteral("#2b2d32")},
        {QStringLiteral("buttonDisabled"), QStringLiteral("#2c2e32")},
        {QStringLiteral("accent"), QStringLiteral("#4a8cf0")},
        {QStringLiteral("accentHover"), QStringLiteral("#5b98f2")},
        {QStringLiteral("accentPressed"), QStringLiteral("#3d7bd9")},
        {QStringLiteral("onAccent"), QStringLiteral("#ffffff")},
        {QStringLiteral("selection"), QStringLiteral("#2f4f7f")},
        {QStringLiteral("selectionText"), QStringLiteral("#f2f5fa")},
        {QStringLiteral("hover"), QStringLiteral("#2c3440")},
        {QStringLiteral("toolHover"), QStringLiteral("#393c42")},
        {QStringLiteral("toolChecked"), QStringLiteral("#2f4466")},
        {QStringLiteral("header"), QStringLiteral("#2e3135")},
        {QStringLiteral("headerHover"), QStringLiteral("#363a3f")},
        {QStringLiteral("headerText"), QStringLiteral("#c5c9cf")},
        {QStringLiteral("tab"), QStringLiteral("#222427")},
        {QStringLiteral("tabHover"), QStringLiteral("#2a2c30")},
        {QStringLiteral("menu"), QStringLiteral("#2c2f33")},
        {QStringLiteral("menuBar"), QStringLiteral("#26282c")},
        {QStringLiteral("status"), QStringLiteral("#1f2124")},
        {QStringLiteral("track"), QStringLiteral("#1b1d20")},
        {QStringLiteral("scrollHandle"), QStringLiteral("#4a4e56")},
        {QStringLiteral("scrollHandleHover"), QStringLiteral("#5d626b")},
        {QStringLiteral("tipBase"), QStringLiteral("#3a3d43")},
        {QStringLiteral("tipText"), QStringLiteral("#e3e5e9")},
        {QStringLiteral("link"), QStringLiteral("#6ea6ff")},
    }};
}

QPalette PaletteOf(const TSkinColors &c)
{
    QPalette palette;
    const auto both = [&palette](QPalette::ColorRole role, const QColor &color) {
        palette.setColor(QPalette::Active, role, color);
        palette.setColor(QPalette::Inactive, role, color);
        palette.setColor(QPalette::Disabled, role, color);
    };
    both(QPalette::Window, c[QStringLiteral("window")]);
    both(QPalette::WindowText, c[QStringLiteral("text")]);
    both(QPalette::Base, c[QStringLiteral("base")]);
    both(QPalette::AlternateBase, c[QStringLiteral("altBase")]);
    both(QPalette::Text, c[QStringLiteral("text")]);
    both(QPalette::Button, c[QStringLiteral("button")]);
    both(QPalette::ButtonText, c[QStringLiteral("text")]);
    both(QPalette::BrightText, QColor(QStringLiteral("#e5484d")));
    both(QPalette::Highlight, c[QStringLiteral("selection")]);
    both(QPalette::HighlightedText, c[QStringLiteral("selectionText")]);
    both(QPalette::ToolTipBase, c[QStringLiteral("tipBase")]);
    both(QPalette::ToolTipText, c[QStringLiteral("tipText")]);
    both(QPalette::PlaceholderText, c[QStringLiteral("disabled")]);
    both(QPalette::Link, c[QStringLiteral("link")]);
    both(QPalette::LinkVisited, c[QStringLiteral("link")].darker(115));
    // The bevel roles Fusion shades frames, indicators and handles with.
    const QColor button = c[QStringLiteral("button")];
    const QColor border = c[QStringLiteral("border")];
    const bool dark = button.lightness() < 128;
    both(QPalette::Light, dark ? button.lighter(130) : QColor(Qt::white));
    both(QPalette::Midlight, dark ? button.lighter(115) : button.darker(104));
    both(QPalette::Mid, border);
    both(QPalette::Dark, dark ? border.darker(160) : border.darker(125));
    both(QPalette::Shadow, dark ? QColor(Qt::black) : border.darker(160));

    const QColor disabled = c[QStringLiteral("disabled")];
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabled);
    palette.setColor(QPalette::Disabled, QPalette::Base, c[QStringLiteral("window")]);
    palette.setColor(QPalette::Disabled, QPalette::Button, c[QStringLiteral("buttonDisabled")]);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, c[QStringLiteral("border")]);
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, disabled);
    // An inactive window keeps its selection visible but quieter.
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     dark ? c[QStringLiteral("selection")].darker(125)
                          : c[QStringLiteral("selection")].lighter(104));
    return palette;
}

// One sheet for the built-in skins; the colours make each of them.
const char kSheetTemplate[] = R"(
QToolTip { background: @tipBase; color: @tipText; border: 1px solid @border;
    border-radius: 4px; padding: 4px 7px; }

QPushButton { background: @button; color: @text; border: 1px solid @border;
    border-radius: 5px; padding: 5px 16px; min-height: 18px; min-width: 56px; }
QPushButton:hover { background: @buttonHover; border-color: @borderHover; }
QPushButton:pressed { background: @buttonPressed; }
QPushButton:focus { border-color: @accent; }
QPushButton:checked { background: @toolChecked; border-color: @accent; }
QPushButton:default { background: @accent; color: @onAccent; border-color: @accentPressed; }
QPushButton:default:hover { background: @accentHover; }
QPushButton:default:pressed { background: @accentPressed; }
QPushButton:disabled { background: @buttonDisabled; color: @disabled; border-color: @border; }

QToolButton { background: transparent; color: @text; border: 1px solid transparent;
    border-radius: 5px; padding: 4px 6px; }
QToolButton:hover { background: @toolHover; border-color: @border; }
QToolButton:pressed { background: @buttonPressed; }
QToolButton:checked { background: @toolChecked; border-color: @accent; }
QToolButton:disabled { color: @disabled; }

QToolBar { background: @window; border: none; border-bottom: 1px solid @border;
    padding: 3px; spacing: 4px; }
QToolBar::separator { background: @border; width: 1px; margin: 4px 4px; }
QToolBar#sToolBar2 { padding: 1px 3px; spacing: 2px; }
QToolBar#sToolBar2 QToolButton { padding: 2px 3px; }

QMenuBar { background: @menuBar; color: @text; border-bottom: 1px solid @border; padding: 2px; }
QMenuBar::item { background: transparent; padding: 4px 10px; border-radius: 4px; }
QMenuBar::item:selected { background: @toolHover; }
QMenuBar::item:pressed { background: @selection; color: @selectionText; }

QMenu { background: @menu; color: @text; border: 1px solid @border; padding: 4px; }
QMenu::item { padding: 5px 28px 5px 28px; border-radius: 4px; }
QMenu::item:selected { background: @selection; color: @selectionText; }
QMenu::item:disabled { color: @disabled; }
QMenu::separator { height: 1px; background: @border; margin: 4px 8px; }

QCheckBox, QRadioButton { spacing: 7px; }

QLineEdit, QComboBox, QSpinBox, QDoubleSpinBox, QPlainTextEdit, QTextEdit {
    background: @base; color: @text; border: 1px solid @border; border-radius: 4px;
    selection-background-color: @selection; selection-color: @selectionText; }
QLineEdit, QComboBox, QSpinBox, QDoubleSpinBox { padding: 3px 6px; min-height: 18px; }
QLineEdit:hover, QComboBox:hover, QSpinBox:hover, QDoubleSpinBox:hover { border-color: @borderHover; }
QLineEdit:focus, QComboBox:focus, QSpinBox:focus, QDoubleSpinBox:focus,
QPlainTextEdit:focus, QTextEdit:focus { border-color: @accent; }
QLineEdit:disabled, QComboBox:disabled, QSpinBox:disabled, QDoubleSpinBox:disabled {
    background: @buttonDisabled; color: @disabled; }
QComboBox QAbstractItemView { background: @menu; border: 1px solid @border;
    selection-background-color: @selection; selection-color: @selectionText; }

QAbstractItemView { background: @base; alternate-background-color: @altBase; color: @text;
    border: 1px solid @border; selection-background-color: @selection;
    selection-color: @selectionText; outline: none; }
QAbstractItemView::item { min-height: 22px; }
QAbstractItemView::item:hover { background: @hover; }
QAbstractItemView::item:selected { background: @selection; color: @selectionText; }
QTreeView::branch:selected { background: @selection; }

QHeaderView { background: @header; border: none; }
QHeaderView::section { background: @header; color: @headerText; border: none;
    border-right: 1px solid @border; border-bottom: 1px solid @border; padding: 4px 8px; }
QHeaderView::section:hover { background: @headerHover; }
QTreeView#XPTree QHeaderView::section { padding: 0px 6px; }
QHeaderView::section:pressed { background: @buttonPressed; }
QTableCornerButton::section { background: @header; border: none;
    border-right: 1px solid @border; border-bottom: 1px solid @border; }

QTabWidget::pane { background: @pane; border: 1px solid @border; border-radius: 4px;
    border-top-left-radius: 0px; top: -1px; }
QTabBar::tab { background: @tab; color: @muted; border: 1px solid @border;
    border-bottom: none; border-top-left-radius: 5px; border-top-right-radius: 5px;
    padding: 5px 14px; margin-right: 2px; margin-top: 2px; }
QTabBar::tab:hover:!selected { background: @tabHover; color: @text; }
QTabBar::tab:selected { background: @pane; color: @text; border-top: 2px solid @accent;
    margin-top: 0px; padding-bottom: 6px; }
QTabBar::tab:disabled { color: @disabled; }

QProgressBar { background: @track; color: @text; border: 1px solid @border;
    border-radius: 5px; text-align: center; min-height: 14px; }
QProgressBar::chunk { background: @accent; border-radius: 4px; }

QStatusBar { background: @status; color: @muted; border-top: 1px solid @border; }
QStatusBar::item { border: none; }
QStatusBar QLabel { color: @muted; padding: 0px 4px; }

QGroupBox { border: 1px solid @border; border-radius: 5px; margin-top: 12px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px;
    padding: 0px 4px; color: @muted; }

QSplitter::handle { background: @window; }
QSplitter::handle:hover { background: @border; }

QScrollBar:vertical { background: @track; width: 12px; margin: 0px; border: none; }
QScrollBar:horizontal { background: @track; height: 12px; margin: 0px; border: none; }
QScrollBar::handle { background: @scrollHandle; border-radius: 4px; margin: 2px; }
QScrollBar::handle:vertical { min-height: 24px; }
QScrollBar::handle:horizontal { min-width: 24px; }
QScrollBar::handle:hover { background: @scrollHandleHover; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; border: none; background: none; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
)";

// Check marks and arrows: a sheet that styles an indicator or a drop-down must draw its
// mark as an image. "@img" is the folder of the images drawn for the skin.
const char kMarksTemplate[] = R"(
QCheckBox::indicator, QAbstractItemView::indicator, QGroupBox::indicator {
    width: 14px; height: 14px; border: 1px solid @borderStrong; border-radius: 3px;
    background: @base; }
QCheckBox::indicator:hover, QAbstractItemView::indicator:hover, QGroupBox::indicator:hover {
    border-color: @accent; }
QCheckBox::indicator:checked, QAbstractItemView::indicator:checked, QGroupBox::indicator:checked {
    background: @accent; border-color: @accent; image: url(@img/check.png); }
QCheckBox::indicator:indeterminate, QAbstractItemView::indicator:indeterminate {
    background: @accent; border-color: @accent; image: url(@img/dash.png); }
QCheckBox::indicator:disabled, QAbstractItemView::indicator:disabled, QGroupBox::indicator:disabled {
    background: @buttonDisabled; border-color: @border; }
QCheckBox::indicator:checked:disabled, QAbstractItemView::indicator:checked:disabled,
QCheckBox::indicator:indeterminate:disabled { background: @border; border-color: @border; }

QRadioButton::indicator { width: 14px; height: 14px; border: 1px solid @borderStrong;
    border-radius: 8px; background: @base; }
QRadioButton::indicator:hover { border-color: @accent; }
QRadioButton::indicator:checked { width: 8px; height: 8px; border: 4px solid @accent;
    border-radius: 8px; background: @base; }
QRadioButton::indicator:disabled { background: @buttonDisabled; border-color: @border; }

QComboBox { padding-right: 24px; }
QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: center right;
    width: 22px; border: none; }
QComboBox::down-arrow { image: url(@img/down.png); width: 10px; height: 10px; }
QComboBox::down-arrow:disabled { image: url(@img/down-disabled.png); }

QSpinBox, QDoubleSpinBox { padding-right: 24px; }
QSpinBox::up-button, QDoubleSpinBox::up-button { subcontrol-origin: border;
    subcontrol-position: top right; width: 20px; border: none; border-left: 1px solid @border;
    border-top-right-radius: 4px; margin: 1px 1px 0px 0px; }
QSpinBox::down-button, QDoubleSpinBox::down-button { subcontrol-origin: border;
    subcontrol-position: bottom right; width: 20px; border: none; border-left: 1px solid @border;
    border-bottom-right-radius: 4px; margin: 0px 1px 1px 0px; }
QSpinBox::up-button:hover, QDoubleSpinBox::up-button:hover,
QSpinBox::down-button:hover, QDoubleSpinBox::down-button:hover { background: @buttonHover; }
QSpinBox::up-button:pressed, QDoubleSpinBox::up-button:pressed,
QSpinBox::down-button:pressed, QDoubleSpinBox::down-button:pressed { background: @buttonPressed; }
QSpinBox::up-arrow, QDoubleSpinBox::up-arrow { image: url(@img/up.png); width: 10px; height: 10px; }
QSpinBox::down-arrow, QDoubleSpinBox::down-arrow { image: url(@img/down.png); width: 10px; height: 10px; }
QSpinBox::up-arrow:disabled, QSpinBox::up-arrow:off,
QDoubleSpinBox::up-arrow:disabled, QDoubleSpinBox::up-arrow:off { image: url(@img/up-disabled.png); }
QSpinBox::down-arrow:disabled, QSpinBox::down-arrow:off,
QDoubleSpinBox::down-arrow:disabled, QDoubleSpinBox::down-arrow:off { image: url(@img/down-disabled.png); }
)";

// The folder the marks of the built-in skins are drawn into, for the process's lifetime.
QString MarksFolder()
{
    static QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("pictavo-skin-XXXXXX")));
    return folder.isValid() ? folder.path() : QString();
}

enum class TMark { Check, Dash, Up, Down };

// One mark at 1x and 2x; Qt picks the "@2x" file on high-density screens.
bool DrawMark(const QString &path, TMark mark, const QColor &color)
{
    for (const int scale : {1, 2}) {
        const int size = mark == TMark::Check || mark == TMark::Dash ? 14 : 10;
        QImage image(size * scale, size * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        QPen pen(color, mark == TMark::Check || mark == TMark::Dash ? 1.8 : 1.5);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        switch (mark) {
        case TMark::Check:
            painter.drawPolyline(QPolygonF({{3.5, 7.3}, {6.0, 9.8}, {10.6, 4.4}}));
            break;
        case TMark::Dash:
            painter.drawLine(QPointF(4.0, 7.0), QPointF(10.0, 7.0));
            break;
        case TMark::Up:
            painter.drawPolyline(QPolygonF({{2.5, 6.3}, {5.0, 3.8}, {7.5, 6.3}}));
            break;
        case TMark::Down:
            painter.drawPolyline(QPolygonF({{2.5, 3.8}, {5.0, 6.3}, {7.5, 3.8}}));
            break;
        }
        painter.end();
        const QString file = scale == 1 ? path + QStringLiteral(".png") : path + QStringLiteral("@2x.png");
        if (!image.save(file, "PNG"))
            return false;
    }
    return true;
}

// Draws the marks of a skin; an empty text when they could not be written.
QString DrawMarks(const QString &skinKey, const TSkinColors &c)
{
    const QString root = MarksFolder();
    if (root.isEmpty())
        return QString();
    const QString folder = root + QLatin1Char('/') + skinKey;
    if (!QDir().mkpath(folder))
        return QString();
    const QString at = folder + QLatin1Char('/');
    const bool drawn = DrawMark(at + QStringLiteral("check"), TMark::Check, c[QStringLiteral("onAccent")])
        && DrawMark(at + QStringLiteral("dash"), TMark::Dash, c[QStringLiteral("onAccent")])
        && DrawMark(at + QStringLiteral("up"), TMark::Up, c[QStringLiteral("muted")])
        && DrawMark(at + QStringLiteral("down"), TMark::Down, c[QStringLiteral("muted")])
        && DrawMark(at + QStringLiteral("up-disabled"), TMark::Up, c[QStringLiteral("disabled")])
        && DrawMark(at + QStringLiteral("down-disabled"), TMark::Down, c[QStringLiteral("disabled")]);
    return drawn ? folder : QString();
}

QString SheetOf(const QString &skinKey, const TSkinColors &colors)
{
    QString sheet = QString::fromLatin1(kSheetTemplate);
    // Without its images the marks stay the style's own.
    const QString marks = DrawMarks(skinKey, colors);
    if (!marks.isEmpty())
        sheet += QString::fromLatin1(kMarksTemplate);
    // Longest names first, so that "@accent" does not eat the start of "@accentHover".
    QStringList names = colors.Named.keys();
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    for (const QString &name : std::as_const(names))
        sheet.replace(QLatin1Char('@') + name, colors.Named.value(name));
    // The folder last: nothing in its path is taken for a colour's name.
    return sheet.replace(QStringLiteral("@img"), marks);
}

struct TSkinState
{
    QString Folder;         // empty: the default
    QString Current;        // name of the skin applied last
    QString StyleKey;       // the style that skin put on the application
    QString PlatformStyle;  // the style the application had before the first skin
};

TSkinState &State()
{
    static TSkinState state;
    return state;
}

// The file skins of the folder: (name, path), sorted, without names taken already.
QList<QPair<QString, QString>> FolderSkins()
{
    const QDir folder(SkinFolder());
    QFileInfoList files = folder.entryInfoList({QStringLiteral("*.qss")},
                                               QDir::Files);
    QList<QPair<QString, QString>> skins;
    for (const QFileInfo &file : std::as_const(files)) {
        const QString name = file.completeBaseName();
        if (!name.isEmpty())
            skins.append({name, file.absoluteFilePath()});
    }
    std::sort(skins.begin(), skins.end(), [](const auto &a, const auto &b) {
        const int folded = a.first.compare(b.first, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.first < b.first;
    });
    QStringList taken = BuiltInSkinNames();
    QList<QPair<QString, QString>> unique;
    for (const auto &skin : std::as_const(skins)) {
        if (taken.contains(skin.first, Qt::CaseInsensitive))
            continue;
        taken.append(skin.first);
        unique.append(skin);
    }
    return unique;
}

void Install(const QString &name, const QString &styleKey, const QPalette *palette,
             const QString &sheet)
{
    TSkinState &state = State();
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    // The old sheet goes first, so that the style change does not polish every widget
    // with a sheet that is about to be replaced.
    app->setStyleSheet(QString());
    if (state.StyleKey.compare(styleKey, Qt::CaseInsensitive) != 0) {
        QStyle *style = styleKey == kSkinStyle ? new TSkinStyle : QStyleFactory::create(styleKey);
        if (!style)
            style = QStyleFactory::create(kFusion);
        QApplication::setStyle(style);
        state.StyleKey = styleKey;
    }
    QApplication::setPalette(palette ? *palette : QApplication::style()->standardPalette());
    app->setStyleSheet(sheet);
    state.Current = name;
    RepaintSkin();
}

} // namespace

QString StartSkinName()
{
    return kNeutral2;
}

QStringList BuiltInSkinNames()
{
    return {kNeutral2, kGraphite, kPlain};
}

QStringList SkinNames()
{
    QStringList names = BuiltInSkinNames();
    for (const auto &skin : FolderSkins())
        names.append(skin.first);
    return names;
}

QString SkinFolder()
{
    const QString &folder = State().Folder;
    if (!folder.isEmpty())
        return folder;
    return QDir::cleanPath(QDir::current().absoluteFilePath(QStringLiteral("../skins")));
}

void SetSkinFolder(const QString &folder)
{
    State().Folder = folder;
}

bool ApplySkin(const QString &name)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    TSkinState &state = State();
    // Under a style sheet the application's style has no name of its own.
    if (state.PlatformStyle.isEmpty())
        state.PlatformStyle = qApp->styleSheet().isEmpty() ? QApplication::style()->name() : kFusion;

    if (name.compare(kNeutral2, Qt::CaseInsensitive) == 0) {
        const TSkinColors colors = Neutral2Colors();
        const QPalette palette = PaletteOf(colors);
        Install(kNeutral2, kSkinStyle, &palette, SheetOf(QStringLiteral("neutral2"), colors));
        return true;
    }
    if (name.compare(kGraphite, Qt::CaseInsensitive) == 0) {
        const TSkinColors colors = GraphiteColors();
        const QPalette palette = PaletteOf(colors);
        Install(kGraphite, kSkinStyle, &palette, SheetOf(QStringLiteral("graphite"), colors));
        return true;
    }
    if (name.compare(kPlain, Qt::CaseInsensitive) == 0) {
        Install(kPlain, state.PlatformStyle, nullptr, QString());
        return true;
    }

    for (const auto &skin : FolderSkins()) {
        if (skin.first.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        QFile file(skin.second);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        // A style sheet is a few kilobytes; anything this large is no skin.
        if (file.size() > kLargestSheet)
            return false;
        const QByteArray bytes = file.read(kLargestSheet + 1);
        if (bytes.size() > kLargestSheet)
            return false;
        if (file.error() != QFileDevice::NoError)
            return false;
        // A sheet of its own on the plain Fusion look: what a sheet leaves unstyled
        // looks the same whichever skin came before.
        Install(skin.first, kFusion, nullptr, QString::fromUtf8(bytes));
        return true;
    }
    return false;
}

QString CurrentSkinName()
{
    return State().Current;
}

void RepaintSkin()
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return;
    // Views keep the row heights of the skin they were laid out in.
    const QWidgetList widgets = QApplication::allWidgets();
    for (QWidget *widget : widgets) {
        if (auto *view = qobject_cast<QAbstractItemView *>(widget))
            view->doItemsLayout();
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible())
            window->update();
    }
}
