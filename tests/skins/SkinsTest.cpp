// The skin engine on the real application: the list of skins from a real skin folder,
// switching styles, palettes and sheets, failures that keep the current skin, and
// screenshots of a sample window under each built-in skin.

#include "ui/unitSkins.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <unistd.h>

namespace {

const QString kGraphite = QStringLiteral("Graphite (internal)");
const QString kPlain = QStringLiteral("Plain (internal)");

class SkinsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        SetSkinFolder(m_folder.path());
    }

    void TearDown() override
    {
        SetSkinFolder(QString());
        ApplySkin(StartSkinName());
    }

    QString WriteSkin(const QString &fileName, const QByteArray &sheet)
    {
        const QString path = m_folder.filePath(fileName);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
        EXPECT_EQ(file.write(sheet), sheet.size());
        return path;
    }

    QTemporaryDir m_folder;
};

QColor WindowColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Window);
}

QImage ButtonImage()
{
    QPushButton button(QStringLiteral("Convert"));
    button.resize(120, 32);
    return button.grab().toImage();
}

TEST_F(SkinsTest, ListsTheBuiltInSkinsFirstThenOnePerStyleSheetFile)
{
    WriteSkin(QStringLiteral("zeta.qss"), "QWidget {}");
    WriteSkin(QStringLiteral("Alpha.qss"), "QWidget {}");
    WriteSkin(QStringLiteral("mid.night.qss"), "QWidget {}");
    WriteSkin(QStringLiteral("notes.txt"), "not a skin");
    WriteSkin(QStringLiteral("zeta.qss.bak"), "not a skin");
    WriteSkin(QStringLiteral(".hidden.qss"), "QWidget {}");
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("folder.qss")));
    // Names the built-in skin already has are not offered twice.
    WriteSkin(QStringLiteral("neutral2 (internal).qss"), "QWidget {}");

    const QStringList builtIn = BuiltInSkinNames();
    ASSERT_GE(builtIn.size(), 2);
    EXPECT_EQ(builtIn.first(), StartSkinName());
    EXPECT_EQ(StartSkinName(), QLatin1String("Neutral2 (internal)"));
    EXPECT_TRUE(builtIn.contains(kGraphite));

    const QStringList files{QStringLiteral("Alpha"), QStringLiteral("mid.night"), QStringLiteral("zeta")};
    EXPECT_EQ(SkinNames(), builtIn + files);
}

TEST_F(SkinsTest, AMissingFolderOffersTheBuiltInSkinsOnly)
{
    SetSkinFolder(m_folder.filePath(QStringLiteral("nowhere")));
    EXPECT_EQ(SkinNames(), BuiltInSkinNames());
}

TEST_F(SkinsTest, TheDefaultFolderIsSkinsBesideTheCurrentFolder)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(m_folder.filePath(QStringLiteral("bin"))));
    ASSERT_TRUE(QDir().mkpath(m_folder.filePath(QStringLiteral("skins"))));
    WriteSkin(QStringLiteral("skins/Ocean.qss"), "QWidget {}");
    SetSkinFolder(QString());
    ASSERT_TRUE(QDir::setCurrent(m_folder.filePath(QStringLiteral("bin"))));

    EXPECT_EQ(QDir(SkinFolder()).canonicalPath(),
              QDir(m_folder.filePath(QStringLiteral("skins"))).canonicalPath());
    EXPECT_TRUE(SkinNames().contains(QStringLiteral("Ocean")));
    EXPECT_TRUE(ApplySkin(QStringLiteral("Ocean")));

    ASSERT_TRUE(QDir::setCurrent(before));
}

TEST_F(SkinsTest, TheStartSkinIsALightFusionLookWithASheet)
{
    ASSERT_TRUE(ApplySkin(StartSkinName()));
    EXPECT_EQ(CurrentSkinName(), StartSkinName());
    EXPECT_FALSE(qApp->styleSheet().isEmpty());
    EXPECT_GT(WindowColour().lightness(), 200);
    // Text stays readable on the window and in item views.
    const QPalette palette = QApplication::palette();
    EXPECT_LT(palette.color(QPalette::WindowText).lightness(), 80);
    EXPECT_LT(palette.color(QPalette::Text).lightness(), 80);
    EXPECT_NE(palette.color(QPalette::Highlight), palette.color(QPalette::Base));
    // The name is matched ignoring letter case and spelled as the list has it.
    ASSERT_TRUE(ApplySkin(QStringLiteral("NEUTRAL2 (INTERNAL)")));
    EXPECT_EQ(CurrentSkinName(), StartSkinName());
}

TEST_F(SkinsTest, TheDarkSkinMakesARealDifference)
{
    ASSERT_TRUE(ApplySkin(StartSkinName()));
    const QString lightSheet = qApp->styleSheet();
    const QImage lightButton = ButtonImage();

    ASSERT_TRUE(ApplySkin(kGraphite));
    EXPECT_EQ(CurrentSkinName(), kGraphite);
    EXPECT_LT(WindowColour().lightness(), 80);
    EXPECT_GT(QApplication::palette().color(QPalette::WindowText).lightness(), 180);
    EXPECT_GT(QApplication::palette().color(QPalette::Text).lightness(), 180);
    EXPECT_LT(QApplication::palette().color(QPalette::Base).lightness(), 80);
    EXPECT_NE(qApp->styleSheet(), lightSheet);

    QWidget window;
    EXPECT_LT(window.palette().color(QPalette::Window).lightness(), 80);
    const QImage darkButton = ButtonImage();
    ASSERT_EQ(darkButton.size(), lightButton.size());
    EXPECT_NE(darkButton, lightButton);
    EXPECT_LT(qGray(darkButton.pixel(darkButton.width() / 2, 3)),
              qGray(lightButton.pixel(lightButton.width() / 2, 3)));
}

TEST_F(SkinsTest, ThePlainSkinIsThePlatformStyleWithoutASheet)
{
    ASSERT_TRUE(ApplySkin(kPlain));
    EXPECT_EQ(CurrentSkinName(), kPlain);
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    EXPECT_EQ(QApplication::palette(), QApplication::style()->standardPalette());
}

TEST_F(SkinsTest, AStyleSheetFileBecomesTheApplicationsSheet)
{
    const QByteArray sheet = "QPushButton { background: rgb(200, 30, 40); color: white; }";
    WriteSkin(QStringLiteral("Crimson.qss"), sheet);
    ASSERT_TRUE(ApplySkin(kGraphite));

    ASSERT_TRUE(ApplySkin(QStringLiteral("crimson")));
    EXPECT_EQ(CurrentSkinName(), QLatin1String("Crimson"));
    EXPECT_EQ(qApp->styleSheet(), QString::fromUtf8(sheet));
    // The dark palette of the skin before does not leak into the file skin.
    EXPECT_GT(WindowColour().lightness(), 150);

    const QImage button = ButtonImage();
    // Fusion shades the sheet's colour; red stays far ahead.
    const QRgb face = button.pixel(8, button.height() / 2);
    EXPECT_GT(qRed(face), 150);
    EXPECT_GT(qRed(face) - qGreen(face), 60);
}

QStringList g_sheetWarnings;

void CollectSheetWarnings(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message.contains(QLatin1String("style sheet"), Qt::CaseInsensitive)
        || message.contains(QLatin1String("stylesheet"), Qt::CaseInsensitive))
        g_sheetWarnings.append(message);
}

TEST_F(SkinsTest, TheSkinFilesThatShipParseCleanly)
{
    SetSkinFolder(QStringLiteral(PICTAVO_BIN_DIR "/../skins"));
    QStringList shipped = SkinNames();
    for (const QString &builtIn : BuiltInSkinNames())
        shipped.removeAll(builtIn);
    ASSERT_FALSE(shipped.isEmpty());
    for (const QString &name : shipped) {
        g_sheetWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(CollectSheetWarnings);
        const bool applied = ApplySkin(name);
        {
            QMainWindow window;
            window.menuBar()->addMenu(QStringLiteral("File"));
            window.addToolBar(QStringLiteral("Tools"))->addAction(QStringLiteral("Go"));
            window.setCentralWidget(new QTreeView);
            window.statusBar()->addWidget(new QProgressBar);
            window.show();
            window.grab();
        }
        qInstallMessageHandler(previous);
        EXPECT_TRUE(applied) << name.toStdString();
        EXPECT_TRUE(g_sheetWarnings.isEmpty()) << name.toStdString() << ": " << g_sheetWarnings.join(QLatin1Char('\n')).toStdString();
    }
}

// How far the widget's farthest pixel lies from its corner, the background: the contrast
// of its text and frame.
int Contrast(const QImage &image)
{
    const int background = qGray(image.pixel(0, 0));
    int farthest = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            farthest = std::max(farthest, std::abs(qGray(image.pixel(x, y)) - background));
    }
    return farthest;
}

// The widget as it shows on the window's background: a transparent widget's grab has
// no background of its own.
QImage WidgetShot(QWidget *widget, bool enabled)
{
    widget->setEnabled(enabled);
    widget->resize(160, 28);
    QImage shot(widget->size(), QImage::Format_RGB32);
    shot.fill(widget->palette().color(QPalette::Active, QPalette::Window));
    widget->render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    return shot;
}

TEST_F(SkinsTest, EverySkinThatShipsShowsDisabledThingsAsDisabled)
{
    SetSkinFolder(QStringLiteral(PICTAVO_BIN_DIR "/../skins"));
    const QStringList skins = SkinNames();
    ASSERT_GT(skins.size(), BuiltInSkinNames().size());
    for (const QString &name : skins) {
        ASSERT_TRUE(ApplySkin(name)) << qPrintable(name);
        std::vector<std::pair<const char *, std::unique_ptr<QWidget>>> samples;
        samples.emplace_back("label", std::make_unique<QLabel>(QStringLiteral("Quality of image, %")));
        samples.emplace_back("check box", std::make_unique<QCheckBox>(QStringLiteral("Multi-page output")));
        samples.emplace_back("option", std::make_unique<QRadioButton>(QStringLiteral("Portrait")));
        samples.emplace_back("button", std::make_unique<QPushButton>(QStringLiteral("Convert")));
        samples.emplace_back("edit", std::make_unique<QLineEdit>(QStringLiteral("1024")));
        auto spin = std::make_unique<QSpinBox>();
        spin->setValue(75);
        samples.emplace_back("spin edit", std::move(spin));
        auto tool = std::make_unique<QToolButton>();
        tool->setText(QStringLiteral("Stop"));
        tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
        samples.emplace_back("tool button", std::move(tool));
        for (auto &[kind, widget] : samples) {
            const QImage enabled = WidgetShot(widget.get(), true);
            const QImage disabled = WidgetShot(widget.get(), false);
            EXPECT_NE(enabled, disabled) << qPrintable(name) << ": a disabled " << kind << " looks enabled";
            EXPECT_LT(Contrast(disabled), Contrast(enabled)) << qPrintable(name) << ": " << kind;
        }

        // A menu with the same item twice, the second disabled.
        QMenu menu;
        QAction *on = menu.addAction(QStringLiteral("Convert"));
        QAction *off = menu.addAction(QStringLiteral("Convert"));
        off->setEnabled(false);
        menu.popup(QPoint(0, 0));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
        const QImage shot = menu.grab().toImage();
        menu.hide();
        const QImage onItem = shot.copy(menu.actionGeometry(on));
        const QImage offItem = shot.copy(menu.actionGeometry(off));
        ASSERT_EQ(onItem.size(), offItem.size());
        EXPECT_NE(onItem, offItem) << qPrintable(name) << ": a disabled menu item looks enabled";
        EXPECT_LT(Contrast(offItem), Contrast(onItem)) << qPrintable(name) << ": menu item";
    }
}

TEST_F(SkinsTest, AnUnreadableOrVanishedFileKeepsTheCurrentSkin)
{
    ASSERT_TRUE(ApplySkin(kGraphite));
    const QString sheet = qApp->styleSheet();
    const QPalette palette = QApplication::palette();

    // A file the process cannot read. Root reads any file whatever its mode, but not a
    // file whose reading fails: a link to the process's own memory fails at offset 0.
    const QString locked = WriteSkin(QStringLiteral("Locked.qss"), "QWidget { color: red; }");
    if (geteuid() == 0) {
        ASSERT_TRUE(QFile::remove(locked));
        ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), locked));
    } else {
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    }
    const QString vanishing = WriteSkin(QStringLiteral("Vanishing.qss"), "QWidget { color: red; }");
    ASSERT_TRUE(SkinNames().contains(QStringLiteral("Locked")));
    ASSERT_TRUE(SkinNames().contains(QStringLiteral("Vanishing")));
    ASSERT_TRUE(QFile::remove(vanishing));

    // Far too large for a style sheet.
    WriteSkin(QStringLiteral("Huge.qss"), QByteArray(5 * 1024 * 1024, ' '));

    EXPECT_FALSE(ApplySkin(QStringLiteral("Huge")));
    EXPECT_FALSE(ApplySkin(QStringLiteral("Locked")));
    EXPECT_FALSE(ApplySkin(QStringLiteral("Vanishing")));
    EXPECT_FALSE(ApplySkin(QStringLiteral("MacOS (internal)")));
    EXPECT_FALSE(ApplySkin(QString()));

    EXPECT_EQ(CurrentSkinName(), kGraphite);
    EXPECT_EQ(qApp->styleSheet(), sheet);
    EXPECT_EQ(QApplication::palette(), palette);
}

TEST_F(SkinsTest, ApplyingTheStartSkinAgainRestoresIt)
{
    ASSERT_TRUE(ApplySkin(StartSkinName()));
    const QString sheet = qApp->styleSheet();
    const QPalette palette = QApplication::palette();
    const QImage button = ButtonImage();

    WriteSkin(QStringLiteral("Odd.qss"), "QPushButton { background: yellow; }");
    ASSERT_TRUE(ApplySkin(QStringLiteral("Odd")));
    ASSERT_TRUE(ApplySkin(kPlain));
    ASSERT_TRUE(ApplySkin(kGraphite));
    ASSERT_TRUE(ApplySkin(StartSkinName()));

    EXPECT_EQ(CurrentSkinName(), StartSkinName());
    EXPECT_EQ(qApp->styleSheet(), sheet);
    EXPECT_EQ(QApplication::palette(), palette);
    EXPECT_EQ(ButtonImage(), button);
}

TEST_F(SkinsTest, ASwitchLaysOutTheRowsOfOpenViewsAgain)
{
    ASSERT_TRUE(ApplySkin(kPlain));
    QStandardItemModel model(0, 1);
    auto *parent = new QStandardItem(QStringLiteral("Photos"));
    parent->appendRow(new QStandardItem(QStringLiteral("sunset.jpg")));
    model.appendRow(parent);
    QTreeView view;
    view.setModel(&model);
    view.expandAll();
    view.resize(200, 120);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    const QModelIndex child = model.index(0, 0, model.index(0, 0));
    const int plainHeight = view.visualRect(child).height();

    // The built-in skins give rows room; rows laid out before the switch get it too.
    ASSERT_TRUE(ApplySkin(StartSkinName()));
    QCoreApplication::processEvents();
    EXPECT_GE(view.visualRect(child).height(), 22);
    EXPECT_GT(view.visualRect(child).height(), plainHeight);

    ASSERT_TRUE(ApplySkin(kPlain));
    QCoreApplication::processEvents();
    EXPECT_EQ(view.visualRect(child).height(), plainHeight);
}

// A window with the controls the program's windows are made of.
class TSampleWindow : public QMainWindow
{
public:
    TSampleWindow()
    {
        setWindowTitle(QStringLiteral("Pictavo"));
        m_menu = menuBar()->addMenu(QStringLiteral("&File"));
        m_menu->addAction(QStringLiteral("New project"));
        m_menu->addAction(QStringLiteral("Open project..."));
        m_menu->addSeparator();
        QAction *sync = m_menu->addAction(QStringLiteral("Sort sync"));
        sync->setCheckable(true);
        sync->setChecked(true);
        m_menu->addAction(QStringLiteral("Save report"))->setEnabled(false);
        m_menu->addAction(QStringLiteral("Exit"));
        menuBar()->addMenu(QStringLiteral("&View"));
        menuBar()->addMenu(QStringLiteral("&Help"));

        QToolBar *tools = addToolBar(QStringLiteral("Tools"));
        tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        tools->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), QStringLiteral("Open"));
        tools->addAction(style()->standardIcon(QStyle::SP_FileDialogNewFolder), QStringLiteral("Add"));
        tools->addSeparator();
        QAction *details = tools->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                                            QStringLiteral("Details"));
        details->setCheckable(true);
        details->setChecked(true);
        tools->addAction(style()->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("Convert"));

        auto *central = new QWidget;
        auto *columns = new QHBoxLayout(central);

        auto *model = new QStandardItemModel(0, 3, this);
        model->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("Type")});
        const char *rows[][3] = {{"sunset.jpg", "2.4 MB", "JPEG image"},
                                 {"harbour.png", "5.1 MB", "PNG image"},
                                 {"scan-0001.tif", "12.8 MB", "TIFF image"},
                                 {"portrait.jpg", "1.9 MB", "JPEG image"},
                                 {"logo.gif", "34 KB", "GIF image"}};
        auto *folder = new QStandardItem(style()->standardIcon(QStyle::SP_DirIcon), QStringLiteral("Photos"));
        for (const auto &row : rows) {
            QList<QStandardItem *> items;
            for (const char *text : row)
                items.append(new QStandardItem(QString::fromUtf8(text)));
            folder->appendRow(items);
        }
        model->appendRow({folder, new QStandardItem(), new QStandardItem(QStringLiteral("Folder"))});
        m_tree = new QTreeView;
        m_tree->setModel(model);
        m_tree->setAlternatingRowColors(true);
        m_tree->setRootIsDecorated(true);
        m_tree->expandAll();
        m_tree->setSortingEnabled(true);
        m_tree->header()->setSortIndicator(0, Qt::AscendingOrder);
        m_tree->setColumnWidth(0, 150);
        m_tree->setSelectionMode(QAbstractItemView::ExtendedSelection);
        m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
        m_tree->selectionModel()->select(model->index(1, 0, folder->index()),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
        columns->addWidget(m_tree, 3);

        auto *right = new QVBoxLayout;
        auto *tabs = new QTabWidget;
        auto *general = new QWidget;
        auto *form = new QVBoxLayout(general);
        auto *name = new QLineEdit(QStringLiteral("Untitled"));
        form->addWidget(name);
        auto *target = new QComboBox;
        target->addItems({QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("TIFF")});
        auto *quality = new QSpinBox;
        quality->setRange(1, 100);
        quality->setValue(85);
        auto *line = new QHBoxLayout;
        line->addWidget(target, 1);
        line->addWidget(quality);
        form->addLayout(line);
        auto *group = new QGroupBox(QStringLiteral("Options"));
        auto *options = new QVBoxLayout(group);
        auto *checked = new QCheckBox(QStringLiteral("Keep the aspect ratio"));
        checked->setChecked(true);
        options->addWidget(checked);
        options->addWidget(new QCheckBox(QStringLiteral("Time-stamp the names")));
        auto *disabled = new QCheckBox(QStringLiteral("Multi-page output"));
        disabled->setEnabled(false);
        options->addWidget(disabled);
        auto *radio = new QRadioButton(QStringLiteral("Pixels"));
        radio->setChecked(true);
        auto *radios = new QHBoxLayout;
        radios->addWidget(radio);
        radios->addWidget(new QRadioButton(QStringLiteral("Centimetres")));
        options->addLayout(radios);
        form->addWidget(group);
        form->addStretch();
        tabs->addTab(general, QStringLiteral("General"));
        tabs->addTab(new QWidget, QStringLiteral("Image"));
        tabs->addTab(new QWidget, QStringLiteral("Destination"));
        right->addWidget(tabs, 1);

        auto *progress = new QProgressBar;
        progress->setValue(62);
        right->addWidget(progress);
        auto *buttons = new QHBoxLayout;
        auto *convert = new QPushButton(QStringLiteral("Convert"));
        convert->setDefault(true);
        auto *stop = new QPushButton(QStringLiteral("Stop"));
        stop->setEnabled(false);
        buttons->addWidget(convert);
        buttons->addWidget(stop);
        buttons->addWidget(new QPushButton(QStringLiteral("Add")));
        auto *toggle = new QToolButton;
        toggle->setText(QStringLiteral("Sync"));
        toggle->setCheckable(true);
        toggle->setChecked(true);
        buttons->addWidget(toggle);
        right->addLayout(buttons);
        columns->addLayout(right, 2);

        setCentralWidget(central);
        statusBar()->addWidget(new QLabel(QStringLiteral("5 files")));
        statusBar()->addWidget(new QLabel(QStringLiteral("Converted: 3")));
        statusBar()->addPermanentWidget(new QLabel(QStringLiteral("Neutral")));
        resize(860, 500);
    }

    QMenu *Menu() const { return m_menu; }
    QTreeView *Tree() const { return m_tree; }

private:
    QMenu *m_menu;
    QTreeView *m_tree;
};

// The window, and its File menu open beside it with one item under the pointer.
QImage SampleShot()
{
    TSampleWindow window;
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    // As the program does: the skin is switched once its windows exist.
    RepaintSkin();
    window.Tree()->setFocus();
    QCoreApplication::processEvents();
    const QImage shot = window.grab().toImage();

    QMenu *menu = window.Menu();
    menu->popup(QPoint(0, 0));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
    menu->setActiveAction(menu->actions().at(1));
    QCoreApplication::processEvents();
    const QImage menuShot = menu->grab().toImage();
    menu->hide();

    QImage combined(shot.width() + menuShot.width() + 24, std::max(shot.height(), menuShot.height() + 24),
                    QImage::Format_RGB32);
    combined.fill(QColor(128, 128, 128));
    QPainter painter(&combined);
    painter.drawImage(0, 0, shot);
    painter.drawImage(shot.width() + 12, 12, menuShot);
    painter.end();
    return combined;
}

TEST_F(SkinsTest, SampleWindowScreenshotsUnderEveryBuiltInSkin)
{
    QList<QImage> shots;
    for (const QString &name : BuiltInSkinNames()) {
        ASSERT_TRUE(ApplySkin(name)) << qPrintable(name);
        const QImage shot = SampleShot();
        ASSERT_FALSE(shot.isNull());
        QString slug = name.section(QLatin1Char(' '), 0, 0).toLower();
        const QString path = QDir::temp().filePath(QStringLiteral("pictavo-skin-%1.png").arg(slug));
        EXPECT_TRUE(shot.save(path)) << qPrintable(path);
        shots.append(shot);
    }
    for (int i = 0; i < shots.size(); ++i) {
        for (int j = i + 1; j < shots.size(); ++j)
            EXPECT_NE(shots.at(i), shots.at(j)) << "skins " << i << " and " << j << " look the same";
    }
}

} // namespace
