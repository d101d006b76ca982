#include "i18n/unitApplyLang.h"

#include "i18n/unitMultiLang.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLibraryInfo>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTranslator>
#include <QVariant>

namespace {

const char *const LanguageNameProperty = "pictavoLanguage";

void AddNamedChildren(QObject *parent, QHash<QString, QObject *> &named)
{
    const QObjectList &children = parent->children();
    for (QObject *child : children) {
        if (!child->objectName().isEmpty() && !named.contains(child->objectName()))
            named.insert(child->objectName(), child);
    }
    for (QObject *child : children)
        AddNamedChildren(child, named);
}

// Every named component of the trees, by name, the one findChild would find first when
// names repeat; one walk instead of one per catalogue row.
QHash<QString, QObject *> NamedComponents(const QList<QObject *> &roots)
{
    QHash<QString, QObject *> named;
    for (QObject *root : roots) {
        if (!root)
            continue;
        if (!root->objectName().isEmpty() && !named.contains(root->objectName()))
            named.insert(root->objectName(), root);
        AddNamedChildren(root, named);
    }
    return named;
}

// A page of a tab widget sits inside the tab widget's stack.
QTabWidget *TabWidgetOf(QWidget *page)
{
    QWidget *stack = page->parentWidget();
    if (!stack || !qobject_cast<QStackedWidget *>(stack))
        return nullptr;
    return qobject_cast<QTabWidget *>(stack->parentWidget());
}

void SetText(QObject *object, const QString &text)
{
    if (auto *label = qobject_cast<QLabel *>(object))
        label->setText(text);
    else if (auto *button = qobject_cast<QAbstractButton *>(object))
        button->setText(text);
    else if (object->metaObject()->indexOfProperty("text") >= 0)
        object->setProperty("text", text);
}

void SetCaption(QObject *object, const QString &text)
{
    if (auto *menu = qobject_cast<QMenu *>(object)) {
        menu->setTitle(text);
        return;
    }
    if (auto *action = qobject_cast<QAction *>(object)) {
        action->setText(text);
        return;
    }
    if (auto *group = qobject_cast<QGroupBox *>(object)) {
        group->setTitle(text);
        return;
    }
    if (qobject_cast<QLabel *>(object) || qobject_cast<QAbstractButton *>(object)) {
        SetText(object, text);
        return;
    }
    if (auto *widget = qobject_cast<QWidget *>(object)) {
        if (QTabWidget *tabs = TabWidgetOf(widget)) {
            tabs->setTabText(tabs->indexOf(widget), text);
            return;
        }
        if (widget->isWindow()) {
            widget->setWindowTitle(text);
            return;
        }
    }
    SetText(object, text);
}

void SetHint(QObject *object, const QString &text)
{
    if (auto *action = qobject_cast<QAction *>(object))
        action->setToolTip(text);
    else if (auto *widget = qobject_cast<QWidget *>(object))
        widget->setToolTip(text);
}

void SetItem(QObject *object, int n, const QString &text)
{
    // A choice that is still empty is filled when the editor binds the project.
    if (auto *choice = qobject_cast<QComboBox *>(object)) {
        if (n < choice->count())
            choice->setItemText(n, text);
        return;
    }
    if (auto *list = qobject_cast<QListWidget *>(object)) {
        if (QListWidgetItem *item = list->item(n))
            item->setText(text);
        return;
    }
    if (auto *group = qobject_cast<QButtonGroup *>(object)) {
        QAbstractButton *button = group->button(n);
        if (!button)
            button = group->buttons().value(n);
        if (button)
            button->setText(text);
        return;
    }
    // An option group: its buttons in the order they were made.
    const QList<QAbstractButton *> buttons = object->findChildren<QAbstractButton *>();
    if (n < buttons.size())
        buttons.at(n)->setText(text);
}

// A control made of views (the file list's styles) names each of them too.
void SetAccessibleName(QObject *object, const QString &name)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return;
    widget->setAccessibleName(name);
    for (QAbstractItemView *view : widget->findChildren<QAbstractItemView *>()) {
        if (view->window() == widget->window())
            view->setAccessibleName(name);
    }
}

void SetPanel(QObject *object, int n, const QString &text)
{
    const QList<QWidget *> widgets = object->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        const QVariant panel = widget->property("panel");
        if (panel.isValid() && panel.toInt() == n) {
            SetText(widget, text);
            return;
        }
    }
}

const QList<TTextRow> Rows = {
    {"PAD_FILE", "PAD_FILE", TTextPlace::Caption, 0},
    {"PAD_FILE_NEW", "PAD_FILE_NEW", TTextPlace::Caption, 0},
    {"PAD_FILE_OPEN", "PAD_FILE_OPEN", TTextPlace::Caption, 0},
    {"PAD_FILE_SAVE", "PAD_FILE_SAVE", TTextPlace::Caption, 0},
    {"PAD_EXIT", "ACTION_FILE_CLOSE", TTextPlace::Caption, 0},
    {nullptr, "sSpeedButton1", TTextPlace::ClearText, 0},
    {"PAD_HELP", "PAD_HELP", TTextPlace::Caption, 0},
    {"PAD_VIEW", "PAD_VIEW", TTextPlace::Caption, 0},
    {"PAD_VIEW_DIR", "PAD_VIEW_DIR", TTextPlace::Caption, 0},
    {"PAD_VIEW_OPTIONS", "PAD_VIEW_OPTIONS", TTextPlace::Caption, 0},
    {"PAD_VIEW_TOOLS", "PAD_VIEW_TOOLS", TTextPlace::Caption, 0},
    {"PAD_VIEW_MODE", "PAD_VIEW_MODE", TTextPlace::Caption, 0},
    {"PAD_VIEW_SELECT", "PAD_VIEW_SELECT", TTextPlace::Caption, 0},
    {"PAD_VIEW_SKIN", "PAD_VIEW_SKIN", TTextPlace::Caption, 0},
    {"PAD_VIEW_LANG", "PAD_VIEW_LANG", TTextPlace::Caption, 0},
    {"PAD_VIEW_SORT", "PAD_VIEW_SORT", TTextPlace::Caption, 0},
    {"PAD_VIEW_BACK", "PAD_VIEW_BACK", TTextPlace::Caption, 0},
    {"PAD_SERVIS", "PAD_SERVIS", TTextPlace::Caption, 0},
    {"PAD_SERVIS_CNV", "PAD_SERVIS_CNV", TTextPlace::Caption, 0},
    {"PAD_SERVIS_CNVSTOP", "PAD_SERVIS_CNVSTOP", TTextPlace::Caption, 0},
    {"PAD_SERV_PREF", "PAD_SERV_PREF", TTextPlace::Caption, 0},
    {"PAD_SERV_PREF", "formPref", TTextPlace::WindowTitle, 0},
    {"PREF_CAPS", "tabCaps", TTextPlace::Caption, 0},
    {"PREF_MAX_WIDTH", "lblMaxWidth", TTextPlace::Caption, 0},
    {"PREF_MAX_HEIGHT", "lblMaxHeight", TTextPlace::Caption, 0},
    {"PREF_MAX_AREA", "lblMaxArea", TTextPlace::Caption, 0},
    {"PREF_CACHE_DISK", "lblCacheDisk", TTextPlace::Caption, 0},
    {"PAD_ABOUT", "PAD_HELP_ABOUT", TTextPlace::Caption, 0},
    {"HINT_EXIT", "sSpeedButton1", TTextPlace::Hint, 0},
    {"HINT_SH_TOOLS", "ToolButton2", TTextPlace::Hint, 0},
    {"HINT_SH_DIR", "ToolButton3", TTextPlace::Hint, 0},
    {"HINT_SH_OPTIONS", "ToolButton12", TTextPlace::Hint, 0},
    {"HINT_BACK", "ToolButton13", TTextPlace::Hint, 0},
    {"HINT_BACK", "P5_BACK", TTextPlace::Caption, 0},
    {"HINT_VIEWMODE", "ToolButton4", TTextPlace::Hint, 0},
    {"HINT_SELECT", "ToolButton8", TTextPlace::Hint, 0},
    {"HINT_SELECT", "ToolButton19", TTextPlace::Hint, 0},
    {"HINT_SORT", "ToolButton6", TTextPlace::Hint, 0},
    {"HINT_SORT", "ToolButton20", TTextPlace::Hint, 0},
    {"HINT_NEW_PRJ", "ToolButton15", TTextPlace::Hint, 0},
    {"HINT_NEW_PRJ", "sSpeedButton3", TTextPlace::Hint, 0},
    {"HINT_OPEN_PRJ", "ToolButton11", TTextPlace::Hint, 0},
    {"HINT_OPEN_PRJ", "sSpeedButton4", TTextPlace::Hint, 0},
    {"HINT_SAVE_PRJ", "ToolButton17", TTextPlace::Hint, 0},
    {"HINT_SAVE_PRJ", "sSpeedButton5", TTextPlace::Hint, 0},
    {"HINT_ADDFAVOR", "ToolButton16", TTextPlace::Hint, 0},
    {"HINT_ADDFAVOR", "P5_ADDFAVOR", TTextPlace::Caption, 0},
    {"HINT_CONVERT", "ToolButton9", TTextPlace::Hint, 0},
    {"HINT_CONVERTSTOP", "ToolButton18", TTextPlace::Hint, 0},
    {"HINT_CLEARALL", "ToolButton24", TTextPlace::Hint, 0},
    {"HINT_DELSELECT", "ToolButton22", TTextPlace::Hint, 0},
    {"P1_LICON", "ACTION_BIGICON", TTextPlace::Caption, 0},
    {"P1_SICON", "ACTION_ICON", TTextPlace::Caption, 0},
    {"P1_LIST", "ACTION_LIST", TTextPlace::Caption, 0},
    {"P1_TABLE", "ACTION_DETAILS", TTextPlace::Caption, 0},
    {"P1_THUMB", "ACTION_TUMB", TTextPlace::Caption, 0},
    {"P2_DATE", "ACTION_SORT_DATE", TTextPlace::Caption, 0},
    {"P2_DATE", "ACTION_SORTF_DATE", TTextPlace::Caption, 0},
    {"P2_SIZE", "ACTION_SORT_SIZE", TTextPlace::Caption, 0},
    {"P2_SIZE", "ACTION_SORTF_SIZE", TTextPlace::Caption, 0},
    {"P2_NAME", "ACTION_SORT_NAME", TTextPlace::Caption, 0},
    {"P2_NAME", "ACTION_SORTF_NAME", TTextPlace::Caption, 0},
    {"P2_TYPE", "ACTION_SORT_TYPE", TTextPlace::Caption, 0},
    {"P2_TYPE", "ACTION_SORTF_TYPE", TTextPlace::Caption, 0},
    {"P2_PATH", "ACTION_SORTF_PATH", TTextPlace::Caption, 0},
    {"P2_SYNCMODE", "ACTION_SORT_SYNC", TTextPlace::Caption, 0},
    {"P3_SEL_ALL", "ACTION_SELECT_ALL", TTextPlace::Caption, 0},
    {"P3_SEL_ALL", "ACTION_SELECTF_ALL", TTextPlace::Caption, 0},
    {"P3_SEL_INVERT", "ACTION_SELECT_INVERT", TTextPlace::Caption, 0},
    {"P3_SEL_INVERT", "ACTION_SELECTF_INVERT", TTextPlace::Caption, 0},
    {"P3_SEL_NONE", "ACTION_SELECT_NONE", TTextPlace::Caption, 0},
    {"P3_SEL_NONE", "ACTION_SELECTF_NONE", TTextPlace::Caption, 0},
    {"P6_CLEAR", "ACTION_FAVOR_CLEAR", TTextPlace::Caption, 0},
    {"P6_DELETE", "ACTION_FAVOR_DEL", TTextPlace::Caption, 0},
    {"TITLE_1", "formMain", TTextPlace::WindowTitle, 0},
    {"TREEDIR_CAPTION", "sCaptionFolder", TTextPlace::Panel, 0},
    {"J_GNR", "tabGeneral", TTextPlace::Caption, 0},
    {"J_GNR_NAMEPRJ", "jobL_NameJob", TTextPlace::Caption, 0},
    {"J_GNR_AUTHOR", "jobL_Author", TTextPlace::Caption, 0},
    {"J_GNR_CREATED", "jobL_Create", TTextPlace::Caption, 0},
    {"J_GNR_MODIFED", "jobL_Modify", TTextPlace::Caption, 0},
    {"J_GNR_OPENED", "jobL_Open", TTextPlace::Caption, 0},
    {"J_GNR_COMMENT", "jobL_Comment", TTextPlace::Caption, 0},
    {"J_SRC_FOLDER", "sRadioGroup1", TTextPlace::Item, 1},
    {"J_SRC_USESUB", "sRadioGroup1", TTextPlace::Item, 0},
    {"J_IMG", "tabImage", TTextPlace::Caption, 0},
    {"J_DEST", "tabDestPath", TTextPlace::Caption, 0},
    {"J_DEST_USEFOLDER", "jobIMAGE_UseDir", TTextPlace::Caption, 0},
    {"J_DEST_OPTION", "jobIMAGE_OptionRename", TTextPlace::Caption, 0},
    {"J_DEST_OPTDIGITAL", "jobIMAGE_OptionRename", TTextPlace::Item, 0},
    {"J_DEST_OPTTIME", "jobIMAGE_OptionRename", TTextPlace::Item, 1},
    {"J_DEST_KEEPFOLDERS", "jobIMAGE_KeepFolders", TTextPlace::Caption, 0},
    {"HINT_DEST_KEEPFOLDERS", "jobIMAGE_KeepFolders", TTextPlace::Hint, 0},
    {"J_DEST_NAME", "jobL_NamePattern", TTextPlace::Caption, 0},
    {"J_DEST_LOWEREXT", "jobIMAGE_LowerExt", TTextPlace::Caption, 0},
    {"J_DEST_EXISTING", "jobL_Existing", TTextPlace::Caption, 0},
    {"J_DEST_EXIST_NUMBER", "jobIMAGE_Existing", TTextPlace::Item, 0},
    {"J_DEST_EXIST_SKIP", "jobIMAGE_Existing", TTextPlace::Item, 1},
    {"J_DEST_EXIST_REPLACE", "jobIMAGE_Existing", TTextPlace::Item, 2},
    {"HINT_DEST_EXISTING", "jobIMAGE_Existing", TTextPlace::Hint, 0},
    {"J_DEST_KEEPDATES", "jobIMAGE_KeepDates", TTextPlace::Caption, 0},
    {"J_DEST_METADATA", "jobL_Metadata", TTextPlace::Caption, 0},
    {"J_DEST_META_KEEP", "jobIMAGE_Metadata", TTextPlace::Item, 0},
    {"J_DEST_META_PRIVATE", "jobIMAGE_Metadata", TTextPlace::Item, 1},
    {"J_DEST_META_NONE", "jobIMAGE_Metadata", TTextPlace::Item, 2},
    {"J_DEST_USECOUNTER", "jobIMAGE_Num", TTextPlace::Caption, 0},
    {"J_IMG_DEST", "tabDestExt", TTextPlace::Caption, 0},
    {"J_IMG_ASITIS", "jobIMAGE_UseAsItIs", TTextPlace::Caption, 0},
    {"J_IMG_MEASURE", "sLabel8", TTextPlace::Caption, 0},
    {"J_IMG_RANGE", "sLabel9", TTextPlace::Caption, 0},
    {"J_IMG_WIDTH", "sLabel2", TTextPlace::Caption, 0},
    {"J_IMG_HEIGHT", "sLabel6", TTextPlace::Caption, 0},
    {"J_CB_PIXEL", "jobIMAGE_Measure", TTextPlace::Item, 0},
    {"J_CB_CM", "jobIMAGE_Measure", TTextPlace::Item, 1},
    {"J_CB_INCH", "jobIMAGE_Measure", TTextPlace::Item, 2},
    {"J_FILTER", "tabFilter", TTextPlace::Caption, 0},
    {"J_FILTER_CHECK", "sLabel4", TTextPlace::Caption, 0},
    {"J_FILTER_UNCHECK", "sLabel3", TTextPlace::Caption, 0},
    {"J_FILTER_NEWEXT", "sLabel1", TTextPlace::Caption, 0},
    {"FILTER_SHOWHIDEN", "sFilterShowHiden", TTextPlace::Caption, 0},
    {"FILTER_SHOWCUSTOM", "sFilterShowCustom", TTextPlace::Caption, 0},
    {"STATUS_TOTAL", "sStatusBar1", TTextPlace::Panel, 1},
    {"STATUS_SELECTED", "sStatusBar1", TTextPlace::Panel, 2},
    {"FOUNDED", "sLabel5", TTextPlace::Caption, 0},
    {"J_IMG_ASITIS2", "jobIMAGE_AsItIs2", TTextPlace::Caption, 0},
    {"J_IMG_PORTRET", "jobIMAGE_ROption", TTextPlace::Item, 0},
    {"J_IMG_PORTRET", "sLabel11", TTextPlace::Caption, 0},
    {"J_IMG_ALBOM", "jobIMAGE_ROption", TTextPlace::Item, 1},
    {"J_IMG_ALBOM", "sLabel10", TTextPlace::Caption, 0},
    {"J_IMG_ROTATE", "jobIMAGE_CW", TTextPlace::Caption, 0},
    {"J_IMG_LOCK", "jobIMAGE_LockH", TTextPlace::Caption, 0},
    {"J_IMG_LOCK", "jobIMAGE_LockW", TTextPlace::Caption, 0},
    {"J_IMG_ASPECT", "jobIMAGE_Ratio", TTextPlace::Caption, 0},
    {"J_IMG_MULTI", "jobIMAGE_MultiPages", TTextPlace::Caption, 0},
    {"J_IMG_ENV", "sLabel12", TTextPlace::Caption, 0},
    {"PAD_VIEW_PREVIEW", "PAD_VIEW_PREVIEW", TTextPlace::Caption, 0},
    {"PAD_SERVIS_COPYCMD", "PAD_SERVIS_COPYCMD", TTextPlace::Caption, 0},
    {"WAIT_DONE", "WaitDone", TTextPlace::Caption, 0},
    {"WAIT_FAILED", "WaitFailed", TTextPlace::Caption, 0},
    {"WAIT_ELAPSED", "WaitElapsed", TTextPlace::Caption, 0},
    {"WAIT_LEFT", "WaitLeft", TTextPlace::Caption, 0},
    {"WAIT_INWORK", "WaitInWork", TTextPlace::Caption, 0},
    {"ACC_FILELIST", "VLEx", TTextPlace::AccessibleName, 0},
    {"ACC_SOURCES", "XPTree", TTextPlace::AccessibleName, 0},
    {"TREEDIR_CAPTION", "VET", TTextPlace::AccessibleName, 0},
    {"J_GNR_COMMENT", "jobMETA_Comment", TTextPlace::AccessibleName, 0},
    {"J_DEST_USEFOLDER", "jobIMAGE_Dir", TTextPlace::AccessibleName, 0},
    {"J_DEST_USECOUNTER", "jobIMAGE_NumBox", TTextPlace::AccessibleName, 0},
    {"J_FILTER_OLDEXT", "jobIMAGE_ListCustomExt", TTextPlace::AccessibleName, 0},
    {"J_FILTER_CHECK", "sSpeedButton7", TTextPlace::AccessibleName, 0},
    {"J_FILTER_UNCHECK", "sSpeedButton6", TTextPlace::AccessibleName, 0},
};

} // namespace

const QList<TTextRow> &LangTextRows()
{
    return Rows;
}

void ApplyLangTexts(const TMLang &lang, const QList<QObject *> &roots)
{
    const QHash<QString, QObject *> named = NamedComponents(roots);
    for (const TTextRow &row : Rows) {
        QObject *component = named.value(QString::fromLatin1(row.objectName));
        if (!component)
            continue;
        const QString text = row.key ? lang.GetText(row.key) : QString();
        switch (row.place) {
        case TTextPlace::Caption:
            SetCaption(component, text);
            break;
        case TTextPlace::Hint:
            SetHint(component, text);
            break;
        case TTextPlace::Item:
            SetItem(component, row.n, text);
            break;
        case TTextPlace::Panel:
            SetPanel(component, row.n, text);
            break;
        case TTextPlace::WindowTitle:
            if (auto *window = qobject_cast<QWidget *>(component))
                window->setWindowTitle(text);
            break;
        case TTextPlace::ClearText:
            SetText(component, QString());
            break;
        case TTextPlace::AccessibleName:
            SetAccessibleName(component, text);
            break;
        }
    }
}

namespace {

bool hasMnemonic(const QString &title)
{
    for (qsizetype i = 0; i + 1 < title.size(); ++i) {
        if (title.at(i) != QLatin1Char('&'))
            continue;
        if (title.at(i + 1) != QLatin1Char('&'))
            return true;
        ++i;
    }
    return false;
}

// Marks the first letter of each title not taken by a sibling; titles with a mark keep it.
void markMenus(const QList<QMenu *> &menus)
{
    QSet<QChar> taken;
    for (const QMenu *menu : menus) {
        const QString title = menu->title();
        const qsizetype mark = title.indexOf(QLatin1Char('&'));
        if (hasMnemonic(title) && mark + 1 < title.size())
            taken.insert(title.at(mark + 1).toUpper());
    }
    for (QMenu *menu : menus) {
        QString title = menu->title();
        if (hasMnemonic(title) || title.contains(QLatin1Char('&')))
            continue;
        for (qsizetype i = 0; i < title.size(); ++i) {
            const QChar letter = title.at(i).toUpper();
            if (!title.at(i).isLetterOrNumber() || taken.contains(letter))
                continue;
            taken.insert(letter);
            menu->setTitle(title.insert(i, QLatin1Char('&')));
            break;
        }
    }
}

QList<QMenu *> submenusOf(const QList<QAction *> &actions)
{
    QList<QMenu *> menus;
    for (QAction *action : actions) {
        if (QMenu *menu = action->menu())
            menus.append(menu);
    }
    return menus;
}

void markSubmenus(QMenu *menu)
{
    const QList<QMenu *> submenus = submenusOf(menu->actions());
    markMenus(submenus);
    for (QMenu *submenu : submenus)
        markSubmenus(submenu);
}

const char kNamedByHint[] = "pictavoNamedByHint";

} // namespace

void AddMenuMnemonics(QMenuBar *bar)
{
    const QList<QMenu *> menus = submenusOf(bar->actions());
    markMenus(menus);
    for (QMenu *menu : menus)
        markSubmenus(menu);
}

void NameIconButtons(const QList<QObject *> &roots)
{
    for (QObject *root : roots) {
        for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
            if (!button->text().isEmpty() || button->toolTip().isEmpty())
                continue;
            if (!button->accessibleName().isEmpty() && !button->property(kNamedByHint).toBool())
                continue;
            button->setAccessibleName(button->toolTip());
            button->setProperty(kNamedByHint, true);
        }
    }
}

bool ActivateLanguage(const TMLang &lang, int &appliedLast, const QList<QObject *> &roots,
                      QMenu *languageMenu)
{
    if (lang.CurrentPosition() == appliedLast)
        return false;
    UseQtTranslations(lang);
    ApplyLangTexts(lang, roots);
    if (languageMenu)
        BuildLanguageMenu(languageMenu, lang);
    appliedLast = lang.CurrentPosition();
    return true;
}

QString QtLanguageCode(const QString &nameLang, const QString &libPath)
{
    static const QRegularExpression bracketed(QStringLiteral("\\(([A-Za-z]{2,3})\\)\\s*$"));
    QString code;
    const QRegularExpressionMatch match = bracketed.match(nameLang);
    if (match.hasMatch())
        code = match.captured(1).toLower();
    else if (libPath != QLatin1String("n/a"))
        code = QFileInfo(libPath).completeBaseName().toLower();
    // A code Qt does not know as a language gives no catalogue.
    if (code.isEmpty() || QLocale(code).language() == QLocale::C)
        return {};
    return code;
}

bool UseQtTranslations(const TMLang &lang, const QString &folder)
{
    static QPointer<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    const int current = lang.CurrentPosition();
    if (current < 0 || current == lang.BuiltInPosition() || current >= lang.Languages().size())
        return false;
    const tagLangInfo &info = lang.Languages().at(current);
    const QString code = QtLanguageCode(info.NameLang, info.LibPath);
    if (code.isEmpty() || code == QLatin1String("en"))
        return false;
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (!translator->load(QLocale(code), QStringLiteral("qtbase"), QStringLiteral("_"), from)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}

QString MainWindowTitle(const TMLang &lang, const QString &projectName)
{
    return lang.GetText("TITLE_1") + QStringLiteral("  [") + projectName + QLatin1Char(']');
}

void BuildLanguageMenu(QMenu *menu, const TMLang &lang)
{
    // The old group goes with the old items.
    const QList<QActionGroup *> groups = menu->findChildren<QActionGroup *>(QString(), Qt::FindDirectChildrenOnly);
    menu->clear();
    qDeleteAll(groups);
    auto *group = new QActionGroup(menu);
    group->setExclusive(true);
    const QList<tagLangInfo> &languages = lang.Languages();
    for (int i = 0; i < languages.size(); ++i) {
        const QString &name = languages.at(i).NameLang;
        // An "&" of the name is shown, not taken as the accelerator mark.
        QAction *item = menu->addAction(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setProperty(LanguageNameProperty, name);
        item->setCheckable(true);
        item->setActionGroup(group);
        item->setChecked(i == lang.CurrentPosition());
    }
    menu->setEnabled(true);
}

int ChooseLanguage(TMLang &lang, const QAction *item)
{
    if (!item)
        return lang.CurrentPosition();
    const QVariant name = item->property(LanguageNameProperty);
    QString caption = name.isValid() ? name.toString() : item->text();
    if (!name.isValid()) {
        const qsizetype mark = caption.indexOf(QLatin1Char('&'));
        if (mark >= 0)
            caption.remove(mark, 1);
    }
    lang.SelectLanguage(caption);
    if (lang.CurrentPosition() == lang.BuiltInPosition())
        lang.BindBuiltIn();
    return lang.CurrentPosition();
}
