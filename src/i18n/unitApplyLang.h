#pragma once

#include <QList>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QObject;
class TMLang;

// Where a catalogue text lands on the component of that object name.
enum class TTextPlace {
    Caption,     // menu title, action or button text, label, group title, tab of a page
    Hint,        // tool tip
    Item,        // item n of a choice, an option group or a list
    Panel,       // panel n: the descendant widget whose property "panel" is n
    WindowTitle, // caption of a window
    ClearText,   // the component's own text is emptied; no key
    AccessibleName, // what assistive tools announce for a control that shows no text
};

struct TTextRow
{
    const char *key;
    const char *objectName;
    TTextPlace place;
    int n;
};

// Every component the language texts reach, in the order they are applied.
const QList<TTextRow> &LangTextRows();

// Sets every row's text, looking each key up once per row, on the components found by
// object name in the given trees (a root itself counts). Components that are not there
// are passed over. The caller then re-binds the project editor.
void ApplyLangTexts(const TMLang &lang, const QList<QObject *> &roots);

// The activation step of the main window: when the current language is not the one whose
// texts were applied last (-1 at first), applies its texts and Qt's, rebuilds the language
// menu and remembers it. True when it applied; the caller then re-binds the project editor.
bool ActivateLanguage(const TMLang &lang, int &appliedLast, const QList<QObject *> &roots,
                      QMenu *languageMenu);

// Qt's own texts (standard dialogs, message-box buttons) in the current language: its
// "qtbase" catalogue from folder (Qt's translations by default) replaces the one loaded
// before; English, or a language Qt has no catalogue for, leaves Qt's English. The
// language comes from the code in the name's brackets ("Deutsch (DE)"), else from the
// module's file name (de.so). True when a catalogue is in use.
bool UseQtTranslations(const TMLang &lang, const QString &folder = QString());
// The language code used for a language's name and module path, empty for none.
QString QtLanguageCode(const QString &nameLang, const QString &libPath);

// Gives every menu of the bar, and every submenu in them, a mnemonic: the first letter of
// its title that no sibling has taken, in whatever language the titles are. A title that
// has one already keeps it.
void AddMenuMnemonics(QMenuBar *bar);
// Buttons that show only an icon are named for assistive tools by their hint, in the
// language of the hint; a name set otherwise is kept.
void NameIconButtons(const QList<QObject *> &roots);

// The main window's caption: the text of TITLE_1, two blanks and the name in brackets.
QString MainWindowTitle(const TMLang &lang, const QString &projectName);

// Refills the language menu: one radio item per language in list order, the current
// one checked; the menu is enabled afterwards.
void BuildLanguageMenu(QMenu *menu, const TMLang &lang);
// Selects the language an item of that menu stands for and binds the built-in lookups
// when the built-in language has become current. Returns the current position.
int ChooseLanguage(TMLang &lang, const QAction *item);
