#pragma once

// The display filter on the "Filter" page of the project panel: whether the folder tree and
// the file list show hidden items, and whether the file list shows every file or only those
// whose format is ticked in the current project's source formats. The same state gives the
// file gatherer its masks. The page's controls are made when it is first shown; until then
// the state lives here and the project's formats stand for the check list.

#include "ui/unitFileBrowser.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

class QCheckBox;
class QEvent;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;

class TFilterPanel : public QObject
{
    Q_OBJECT

public:
    // Builds the page's controls into filterPage, which the caller owns and which must not
    // have a layout yet, when the page is first shown, and installs the item acceptance on
    // the file list.
    TFilterPanel(QWidget *filterPage, TFileList *list, TFolderTree *tree, QObject *parent = nullptr);
    ~TFilterPanel() override;

    // Makes the page's controls now, if they are not made yet.
    void EnsurePage();

    // Binding a project: the check list is refilled from the current project's formats and
    // the custom filter is turned on. The file list follows the new project's formats even
    // when the custom filter was on already.
    void ShowProjectFormats();

    bool ShowAll() const { return m_showAll; }
    bool ShowCustom() const { return m_showCustom; }
    bool ShowHidden() const { return m_showHidden; }

    // The gatherer's masks: {"*.*"} while every file is shown, else "*.EXT" for each ticked
    // item in list order. With the custom filter on and nothing ticked the list is empty,
    // which means that nothing is wanted: the caller must not hand it to the gatherer, to
    // which an empty list matches every file.
    QStringList GatherMasks() const;

    // Lists the file list's folder anew, so that every item is judged by the filter again.
    void Relist();

Q_SIGNALS:
    // The user changed the project's formats here.
    void modified();
    // After every re-list made here: what the add command may act on has changed.
    void relisted();
    // The page's controls were just made; the texts of the language in use belong on them.
    void pageBuilt(QWidget *page);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum TBoxTag { TagCustom = 2, TagHidden = 4 };

    void buildPage(QWidget *page);
    void filterStep(int tag);
    // Sets the tree's and the list's filters from the flags and lists the folder anew.
    void applyFilters(int tag);
    void enableCustomControls();
    void relistWith(TObjectFilter filter);
    void refillCheckList();
    bool showsProjectFormats() const;
    void rebuildEnabledExtensions();
    void itemToggled(QListWidgetItem *item);
    void setEveryItem(bool checked);
    bool accepts(const QFileInfo &info) const;

    QWidget *m_page = nullptr;
    QPointer<TFileList> m_list;
    QPointer<TFolderTree> m_tree;
    QCheckBox *m_hidden = nullptr;
    QCheckBox *m_custom = nullptr;
    QListWidget *m_checkList = nullptr;
    QToolButton *m_uncheckAll = nullptr;
    QToolButton *m_checkAll = nullptr;
    QLabel *m_uncheckLabel = nullptr;
    QLabel *m_checkLabel = nullptr;

    bool m_showHidden = false;
    bool m_showCustom = false;
    bool m_showAll = true;
    bool m_inFilterStep = false;
    bool m_filling = false;
    // "." + the upper-case code of every enabled source format, read for every listed item.
    QSet<QString> m_enabledExtensions;
};
