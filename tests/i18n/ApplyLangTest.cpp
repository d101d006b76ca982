#include "LangFixture.h"

#include "i18n/unitApplyLang.h"
#include "i18n/unitDclLang.h"
#include "i18n/unitMultiLang.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLibrary>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The main window and the preferences dialog with the object names the texts go to.
struct TWidgetTree
{
    std::unique_ptr<QMainWindow> main;
    std::unique_ptr<QDialog> pref;
    QComboBox *measure = nullptr;

    TWidgetTree()
        : main(std::make_unique<QMainWindow>()), pref(std::make_unique<QDialog>())
    {
        main->setObjectName(QStringLiteral("formMain"));
        pref->setObjectName(QStringLiteral("formPref"));

        auto menu = [&](QWidget *parent, const char *name) {
            auto *item = new QMenu(QString::fromLatin1(name), parent);
            item->setObjectName(QString::fromLatin1(name));
            if (auto *bar = qobject_cast<QMenuBar *>(parent))
                bar->addMenu(item);
            else
                qobject_cast<QMenu *>(parent)->addMenu(item);
            return item;
        };
        auto action = [&](QObject *parent, const char *name) {
            auto *item = new QAction(QString::fromLatin1(name), parent);
            item->setObjectName(QString::fromLatin1(name));
            if (auto *owner = qobject_cast<QMenu *>(parent))
                owner->addAction(item);
            return item;
        };

        QMenuBar *bar = main->menuBar();
        QMenu *file = menu(bar, "PAD_FILE");
        for (const char *name : {"PAD_FILE_NEW", "PAD_FILE_OPEN", "PAD_FILE_SAVE"})
            action(file, name);
        file->addAction(action(main.get(), "ACTION_FILE_CLOSE"));
        QMenu *view = menu(bar, "PAD_VIEW");
        for (const char *name : {"PAD_VIEW_DIR", "PAD_VIEW_TOOLS", "PAD_VIEW_OPTIONS"})
            action(view, name);
        for (const char *name : {"PAD_VIEW_MODE", "PAD_VIEW_SELECT", "PAD_VIEW_SORT"})
            menu(view, name);
        action(view, "PAD_VIEW_BACK");
        menu(view, "PAD_VIEW_LANG");
        menu(view, "PAD_VIEW_SKIN");
        QMenu *service = menu(bar, "PAD_SERVIS");
        for (const char *name : {"PAD_SERVIS_CNV", "PAD_SERVIS_CNVSTOP", "PAD_SERV_PREF"})
            action(service, name);
        QMenu *help = menu(bar, "PAD_HELP");
        action(help, "PAD_HELP_ABOUT");
        auto *popup5 = new QMenu(main.get());
        popup5->setObjectName(QStringLiteral("PopupMenu5"));
        action(popup5, "P5_BACK");
        action(popup5, "P5_ADDFAVOR");
        for (const char *name :
             {"ACTION_BIGICON", "ACTION_ICON", "ACTION_LIST", "ACTION_DETAILS", "ACTION_TUMB",
              "ACTION_SORT_NAME", "ACTION_SORT_SIZE", "ACTION_SORT_TYPE", "ACTION_SORT_DATE",
              "ACTION_SORTF_NAME", "ACTION_SORTF_SIZE", "ACTION_SORTF_TYPE", "ACTION_SORTF_DATE",
              "ACTION_SORTF_PATH", "ACTION_SORT_SYNC", "ACTION_SELECT_ALL", "ACTION_SELECT_INVERT",
              "ACTION_SELECT_NONE", "ACTION_SELECTF_ALL", "ACTION_SELECTF_INVERT",
              "ACTION_SELECTF_NONE", "ACTION_FAVOR_CLEAR", "ACTION_FAVOR_DEL"})
            action(main.get(), name);

        auto *central = new QWidget;
        main->setCentralWidget(central);
        auto *layout = new QVBoxLayout(central);
        auto child = [&](QWidget *widget, const char *name, QWidget *parent) {
            widget->setObjectName(QString::fromLatin1(name));
            widget->setParent(parent);
            return widget;
        };
        auto *panel = child(new QWidget, "sPanel1", central);
        layout->addWidget(panel);
        for (const char *name : {"ToolButton15", "ToolButton11", "ToolButton17", "ToolButton2",
                                 "ToolButton3", "ToolButton12", "ToolButton13", "ToolButton4",
                                 "ToolButton8", "ToolButton6", "ToolButton16", "ToolButton9",
                                 "ToolButton18", "ToolButton19", "ToolButton20", "ToolButton22",
                                 "ToolButton24"})
            child(new QToolButton, name, panel);
        auto *exit = qobject_cast<QToolButton *>(child(new QToolButton, "sSpeedButton1", panel));
        exit->setText(QStringLiteral("Exit text"));

        auto *caption = child(new QWidget, "sCaptionFolder", central);
        auto *captionText = new QLabel(caption);
        captionText->setProperty("panel", 0);

        auto *pages = qobject_cast<QTabWidget *>(child(new QTabWidget, "sPageControl1", central));
        layout->addWidget(pages);
        QWidget *general = child(new QWidget, "tabGeneral", nullptr);
        QWidget *image = child(new QWidget, "tabImage", nullptr);
        pages->addTab(general, QStringLiteral("tab 1"));
        pages->addTab(image, QStringLiteral("tab 2"));
        for (const char *name : {"sSpeedButton3", "sSpeedButton4", "sSpeedButton5"})
            child(new QToolButton, name, general);
        for (const char *name : {"jobL_NameJob", "jobL_Author", "jobL_Create", "jobL_Modify",
                                 "jobL_Open", "jobL_Comment", "sLabel5"})
            child(new QLabel, name, general);
        auto *inner = qobject_cast<QTabWidget *>(child(new QTabWidget, "sPageControl2", image));
        QWidget *filter = child(new QWidget, "tabFilter", nullptr);
        QWidget *options = child(new QWidget, "tabDestExt", nullptr);
        QWidget *destination = child(new QWidget, "tabDestPath", nullptr);
        inner->addTab(filter, QStringLiteral("a"));
        inner->addTab(options, QStringLiteral("b"));
        inner->addTab(destination, QStringLiteral("c"));
        for (const char *name : {"sFilterShowHiden", "sFilterShowCustom"})
            child(new QCheckBox, name, filter);
        for (const char *name : {"sLabel3", "sLabel4"})
            child(new QLabel, name, filter);
        for (const char *name : {"sLabel1", "sLabel2", "sLabel6", "sLabel8", "sLabel9", "sLabel10",
                                 "sLabel11"})
            child(new QLabel, name, options);
        for (const char *name : {"jobIMAGE_MultiPages", "jobIMAGE_AsItIs2", "jobIMAGE_CW",
                                 "jobIMAGE_UseAsItIs", "jobIMAGE_LockH", "jobIMAGE_LockW",
                                 "jobIMAGE_Ratio"})
            child(new QCheckBox, name, options);
        auto optionGroup = [&](const char *name, QWidget *parent) {
            auto *group = qobject_cast<QGroupBox *>(child(new QGroupBox, name, parent));
            auto *groupLayout = new QVBoxLayout(group);
            groupLayout->addWidget(new QRadioButton(QStringLiteral("option 0")));
            groupLayout->addWidget(new QRadioButton(QStringLiteral("option 1")));
            return group;
        };
        optionGroup("jobIMAGE_ROption", options);
        measure = qobject_cast<QComboBox *>(child(new QComboBox, "jobIMAGE_Measure", options));
        measure->addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")});
        for (const char *name : {"jobIMAGE_UseDir", "jobIMAGE_Num", "jobIMAGE_KeepFolders",
                                 "jobIMAGE_LowerExt", "jobIMAGE_KeepDates"})
            child(new QCheckBox, name, destination);
        for (const char *name : {"jobL_NamePattern", "jobL_Existing", "jobL_Metadata"})
            child(new QLabel, name, destination);
        for (const char *name : {"jobIMAGE_Existing", "jobIMAGE_Metadata"})
            qobject_cast<QComboBox *>(child(new QComboBox, name, destination))
                ->addItems({QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")});
        optionGroup("jobIMAGE_OptionRename", destination);
        child(new QLabel, "sLabel12", destination);

        QStatusBar *status = main->statusBar();
        status->setObjectName(QStringLiteral("sStatusBar1"));
        auto *gauge = new QProgressBar;
        gauge->setProperty("panel", 0);
        status->addWidget(gauge);
        for (int n = 1; n <= 3; ++n) {
            auto *label = new QLabel(QStringLiteral("panel"));
            label->setProperty("panel", n);
            status->addWidget(label);
        }

        auto *prefPages = new QTabWidget(pref.get());
        auto *search = new QWidget;
        prefPages->addTab(search, QStringLiteral("Search"));
        optionGroup("sRadioGroup1", search);
    }

    QList<QObject *> roots() const { return {main.get(), pref.get()}; }

    template <typename T = QObject>
    T *find(const char *name) const
    {
        const QString wanted = QString::fromLatin1(name);
        for (QObject *root : roots()) {
            if (root->objectName() == wanted)
                return qobject_cast<T *>(root);
            if (T *found = root->findChild<T *>(wanted))
                return found;
        }
        return nullptr;
    }
};

QString TabText(QWidget *page)
{
    for (QWidget *up = page->parentWidget(); up; up = up->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(up))
            return tabs->tabText(tabs->indexOf(page));
    }
    return QStringLiteral("<no tab>");
}

// What a row's place shows now, read the way a user sees it.
QString Shown(const TWidgetTree &tree, const TTextRow &row)
{
    QObject *object = tree.find(row.objectName);
    if (!object)
        return QStringLiteral("<missing>");
    switch (row.place) {
    case TTextPlace::Hint:
        if (auto *action = qobject_cast<QAction *>(object))
            return action->toolTip();
        return qobject_cast<QWidget *>(object)->toolTip();
    case TTextPlace::WindowTitle:
        return qobject_cast<QWidget *>(object)->windowTitle();
    case TTextPlace::Item:
        if (auto *choice = qobject_cast<QComboBox *>(object))
            return choice->itemText(row.n);
        return object->findChildren<QRadioButton *>().value(row.n)->text();
    case TTextPlace::Panel:
        for (QLabel *label : object->findChildren<QLabel *>()) {
            if (label->property("panel").toInt() == row.n)
                return label->text();
        }
        return QStringLiteral("<no panel>");
    case TTextPlace::Caption:
    case TTextPlace::ClearText:
        break;
    }
    if (auto *menu = qobject_cast<QMenu *>(object))
        return menu->title();
    if (auto *action = qobject_cast<QAction *>(object))
        return action->text();
    if (auto *group = qobject_cast<QGroupBox *>(object))
        return group->title();
    if (auto *label = qobject_cast<QLabel *>(object))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(object))
        return button->text();
    return TabText(qobject_cast<QWidget *>(object));
}

QStringList Names(const TMLang &lang)
{
    QStringList names;
    for (const tagLangInfo &info : lang.Languages())
        names.append(info.NameLang);
    return names;
}

void ExpectEveryPlace(const TWidgetTree &tree, QString (*expected)(const char *key))
{
    for (const TTextRow &row : LangTextRows()) {
        const QString want = row.key ? expected(row.key) : QString();
        EXPECT_EQ(Shown(tree, row), want) << (row.key ? row.key : "(none)") << " on " << row.objectName;
    }
}

QString English(const char *key)
{
    return QString::fromUtf8(BuiltInString(key));
}

QString Echoed(const char *key)
{
    const QString name = QString::fromLatin1(key);
    return name.startsWith(QStringLiteral("HINT_")) ? QString() : QLatin1Char('<') + name + QLatin1Char('>');
}

TMLang &StartedLang(std::unique_ptr<TMLang> &holder)
{
    holder = std::make_unique<TMLang>();
    holder->RegisterBuiltIn();
    holder->SelectLanguage(TMLang::BuiltInName());
    return *holder;
}

} // namespace

TEST(ApplyLang, EveryRowNamesAComponentOfTheWindows)
{
    TWidgetTree tree;
    for (const TTextRow &row : LangTextRows())
        EXPECT_NE(tree.find(row.objectName), nullptr) << row.objectName;
    int keyed = 0;
    for (const TTextRow &row : LangTextRows()) {
        if (row.key) {
            EXPECT_NE(BuiltInString(row.key), nullptr) << row.key;
            ++keyed;
        }
    }
    EXPECT_EQ(keyed, 129);
}

TEST(ApplyLang, EnglishShowsTheDefaultTexts)
{
    TLangSandbox sandbox;
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    TWidgetTree tree;
    ApplyLangTexts(lang, tree.roots());
    ExpectEveryPlace(tree, English);

    EXPECT_EQ(tree.find<QMenu>("PAD_FILE")->title(), QStringLiteral("File"));
    EXPECT_EQ(tree.find<QAction>("ACTION_FILE_CLOSE")->text(), QStringLiteral("Exit"));
    EXPECT_EQ(tree.find<QToolButton>("sSpeedButton1")->text(), QString());
    EXPECT_EQ(tree.find<QToolButton>("sSpeedButton1")->toolTip(), QStringLiteral("Exit"));
    EXPECT_EQ(tree.find<QAction>("P5_BACK")->text(), QStringLiteral("Back"));
    EXPECT_EQ(tree.find<QToolButton>("ToolButton19")->toolTip(), QStringLiteral("Select"));
    auto *pages = tree.find<QTabWidget>("sPageControl1");
    EXPECT_EQ(pages->tabText(0), QStringLiteral("General"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Image"));
    auto *inner = tree.find<QTabWidget>("sPageControl2");
    EXPECT_EQ(inner->tabText(0), QStringLiteral("Filter"));
    EXPECT_EQ(inner->tabText(1), QStringLiteral("Image options"));
    EXPECT_EQ(inner->tabText(2), QStringLiteral("Destination"));
    const QList<QRadioButton *> search = tree.find("sRadioGroup1")->findChildren<QRadioButton *>();
    EXPECT_EQ(search.at(0)->text(), QStringLiteral(" Use subdirectories"));
    EXPECT_EQ(search.at(1)->text(), QStringLiteral(" Only root folders"));
    EXPECT_EQ(tree.find<QGroupBox>("sRadioGroup1")->title(), QString());
    EXPECT_EQ(tree.pref->windowTitle(), QStringLiteral("Preferences ..."));
    EXPECT_EQ(tree.main->windowTitle(), QStringLiteral("Pictavo"));
    EXPECT_EQ(tree.measure->itemText(2), QStringLiteral("Inches"));
    EXPECT_EQ(tree.find<QGroupBox>("jobIMAGE_OptionRename")->title(), QStringLiteral(" Rename options"));
    EXPECT_EQ(tree.find<QCheckBox>("jobIMAGE_LockW")->text(), QStringLiteral(" Lock "));
    EXPECT_EQ(tree.find<QLabel>("sLabel11")->text(), QStringLiteral("Portrait"));
    // Tabs that no row names keep their texts; the gauge panel is not a text.
    EXPECT_EQ(tree.find<QTabWidget>("sPageControl1")->count(), 2);
}

TEST(ApplyLang, AModuleLackingKeysEmptiesExactlyThosePlaces)
{
    TLangSandbox sandbox({QStringLiteral("Echo")});
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    TWidgetTree tree;
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Echo (EC)")), 0);
    ApplyLangTexts(lang, tree.roots());
    ExpectEveryPlace(tree, Echoed);
    EXPECT_EQ(tree.find<QToolButton>("ToolButton2")->toolTip(), QString());
    EXPECT_EQ(tree.find<QAction>("P5_ADDFAVOR")->text(), QString());
    EXPECT_EQ(tree.find<QAction>("ACTION_SORTF_DATE")->text(), QStringLiteral("<P2_DATE>"));
}

TEST(ApplyLang, SwitchingFromAModuleBackToEnglishRestoresEveryText)
{
    TLangSandbox sandbox({QStringLiteral("ru"), QStringLiteral("Echo")});
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    TWidgetTree tree;
    ApplyLangTexts(lang, tree.roots());

    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Русский (RU)")), 0);
    ApplyLangTexts(lang, tree.roots());
    EXPECT_EQ(tree.find<QMenu>("PAD_FILE")->title(), QStringLiteral("Файл"));
    EXPECT_EQ(tree.measure->itemText(0), QStringLiteral("Пиксели"));
    EXPECT_EQ(tree.find<QToolButton>("sSpeedButton1")->toolTip(), QStringLiteral("Выход"));

    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Echo (EC)")), 0);
    ApplyLangTexts(lang, tree.roots());
    ExpectEveryPlace(tree, Echoed);

    ASSERT_EQ(lang.SelectLanguage(QStringLiteral("ENGLISH (EN)")), lang.BuiltInPosition());
    lang.BindBuiltIn();
    ApplyLangTexts(lang, tree.roots());
    ExpectEveryPlace(tree, English);
    EXPECT_EQ(tree.measure->itemText(0), QStringLiteral("Pixels"));
    EXPECT_EQ(tree.measure->itemText(1), QStringLiteral("Centimeters"));
    EXPECT_EQ(tree.measure->itemText(2), QStringLiteral("Inches"));
}

TEST(ApplyLang, LooksEachKeyUpOncePerPlace)
{
    TLangSandbox sandbox({QStringLiteral("Nulls")});
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    TWidgetTree tree;
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Empty (XX)")), 0);
    QLibrary module(sandbox.langFolder() + QStringLiteral("/Nulls.so"));
    using TCount = int (*)();
    const auto count = reinterpret_cast<TCount>(module.resolve("LookupCount"));
    ASSERT_NE(count, nullptr);
    const int before = count();
    ApplyLangTexts(lang, tree.roots());
    int keyed = 0;
    for (const TTextRow &row : LangTextRows())
        keyed += row.key ? 1 : 0;
    EXPECT_EQ(count() - before, keyed);
    // Every catalogue-driven text is empty with this language.
    EXPECT_EQ(tree.find<QMenu>("PAD_FILE")->title(), QString());
    EXPECT_EQ(tree.main->windowTitle(), QString());
}

TEST(ApplyLang, MissingComponentsArePassedOver)
{
    TLangSandbox sandbox;
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    QWidget lone;
    auto *label = new QLabel(&lone);
    label->setObjectName(QStringLiteral("sLabel5"));
    auto *empty = new QComboBox(&lone);
    empty->setObjectName(QStringLiteral("jobIMAGE_Measure"));
    ApplyLangTexts(lang, {&lone, nullptr});
    EXPECT_EQ(label->text(), QStringLiteral("Files, selected for conversion:"));
    EXPECT_EQ(empty->count(), 0);
}

TEST(ApplyLang, MainWindowTitleCarriesTheProjectName)
{
    TLangSandbox sandbox({QStringLiteral("de")});
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    EXPECT_EQ(MainWindowTitle(lang, QStringLiteral("Untitled")), QStringLiteral("Pictavo  [Untitled]"));
}

TEST(LanguageMenu, WithoutModulesHoldsOneCheckedEnglishItem)
{
    TLangSandbox sandbox({}, false);
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    QMenu menu;
    menu.setEnabled(false);
    BuildLanguageMenu(&menu, lang);
    const QList<QAction *> items = menu.actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.at(0)->text(), QStringLiteral("English (EN)"));
    EXPECT_TRUE(items.at(0)->isChecked());
    EXPECT_TRUE(menu.isEnabled());
}

TEST(LanguageMenu, ListsLanguagesInOrderAndChoosingSelects)
{
    TLangSandbox sandbox({QStringLiteral("de"), QStringLiteral("ru")});
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    QMenu menu;
    BuildLanguageMenu(&menu, lang);
    QList<QAction *> items = menu.actions();
    ASSERT_EQ(items.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items.at(i)->text(), lang.Languages().at(i).NameLang);
        EXPECT_EQ(items.at(i)->isChecked(), i == 2);
        ASSERT_NE(items.at(i)->actionGroup(), nullptr);
        EXPECT_TRUE(items.at(i)->actionGroup()->isExclusive());
    }

    const int russian = Names(lang).indexOf(QStringLiteral("Русский (RU)"));
    EXPECT_EQ(ChooseLanguage(lang, items.at(russian)), russian);
    EXPECT_EQ(lang.GetText("PAD_VIEW"), QStringLiteral("Вид"));

    // Rebuilding replaces the items and moves the check mark.
    BuildLanguageMenu(&menu, lang);
    items = menu.actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items.at(russian)->isChecked());
    EXPECT_FALSE(items.at(2)->isChecked());
    EXPECT_EQ(menu.findChildren<QActionGroup *>().size(), 1);

    EXPECT_EQ(ChooseLanguage(lang, items.at(2)), lang.BuiltInPosition());
    EXPECT_EQ(lang.GetText("PAD_VIEW"), QStringLiteral("View"));
}

TEST(LanguageActivation, AppliesOnlyWhenTheLanguageChanged)
{
    TLangSandbox sandbox({QStringLiteral("de")});
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    TWidgetTree tree;
    QMenu *menu = tree.find<QMenu>("PAD_VIEW_LANG");
    auto *file = tree.find<QMenu>("PAD_FILE");
    int applied = -1;

    EXPECT_TRUE(ActivateLanguage(lang, applied, tree.roots(), menu));
    EXPECT_EQ(applied, lang.BuiltInPosition());
    EXPECT_EQ(file->title(), QStringLiteral("File"));
    EXPECT_EQ(menu->actions().size(), 2);

    // Becoming active again with the same language leaves the texts alone.
    file->setTitle(QStringLiteral("edited"));
    EXPECT_FALSE(ActivateLanguage(lang, applied, tree.roots(), menu));
    EXPECT_EQ(file->title(), QStringLiteral("edited"));

    const int german = lang.SelectLanguage(QStringLiteral("Deutsch (DE)"));
    ASSERT_GE(german, 0);
    EXPECT_TRUE(ActivateLanguage(lang, applied, tree.roots(), menu));
    EXPECT_EQ(applied, german);
    EXPECT_EQ(file->title(), QStringLiteral("Datei"));
    // The rebuilt menu keeps its own caption from the table and checks the new language.
    EXPECT_EQ(menu->title(), QStringLiteral("Sprachen"));
    EXPECT_TRUE(menu->actions().at(german)->isChecked());
}

TEST(QtTranslations, TheLanguageCodeComesFromTheNameOrTheModulesFile)
{
    const struct
    {
        const char *name;
        const char *libPath;
        const char *code;
    } cases[] = {
        {"Deutsch (DE)", "../lang/de.so", "de"},
        {"Русский (RU)", "../lang/ru.so", "ru"},
        {"Français (fr) ", "../lang/x.so", "fr"},
        {"Deutsch", "../lang/de.so", "de"},
        {"Echo (EC)", "../lang/Echo.so", ""},
        {"Twin", "../lang/Twin1.so", ""},
        {"English (EN)", "n/a", "en"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(QtLanguageCode(QString::fromUtf8(c.name), QString::fromUtf8(c.libPath)),
                  QString::fromUtf8(c.code)) << c.name;
    }
}

TEST(QtTranslations, StandardButtonsAndDialogsFollowTheChosenLanguage)
{
    TLangSandbox sandbox({QStringLiteral("de"), QStringLiteral("ru"), QStringLiteral("Echo")});
    std::unique_ptr<TMLang> holder;
    TMLang &lang = StartedLang(holder);
    TWidgetTree tree;
    int applied = -1;
    const auto cancel = [] {
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Cancel);
        return box.button(QMessageBox::Cancel)->text();
    };
    const auto lookIn = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };

    ASSERT_TRUE(ActivateLanguage(lang, applied, tree.roots(), nullptr));
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"));

    const struct
    {
        const char *language;
        const char *cancel;
        const char *lookIn;
    } steps[] = {
        {"Deutsch (DE)", "Abbrechen", "Suchen in:"},
        {"Русский (RU)", "Отмена", "Перейти к:"},
        // A module language Qt has no catalogue for: Qt's English, not the previous language.
        {"Echo (EC)", "Cancel", "Look in:"},
        {"Deutsch (DE)", "Abbrechen", "Suchen in:"},
        {"English (EN)", "Cancel", "Look in:"},
    };
    for (const auto &step : steps) {
        ASSERT_GE(lang.SelectLanguage(QString::fromUtf8(step.language)), 0) << step.language;
        if (lang.CurrentPosition() == lang.BuiltInPosition())
            lang.BindBuiltIn();
        ASSERT_TRUE(ActivateLanguage(lang, applied, tree.roots(), nullptr)) << step.language;
        EXPECT_EQ(cancel(), QString::fromUtf8(step.cancel)) << step.language;
        EXPECT_EQ(lookIn(), QString::fromUtf8(step.lookIn)) << step.language;
    }
}
