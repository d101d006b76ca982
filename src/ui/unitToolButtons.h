#pragma once

// Toolbar buttons and their icons, shared by the main window and the sources area.

#include <QIcon>
#include <QStyle>

class QAction;
class QToolBar;
class QToolButton;
class QWidget;

// Without a desktop session Qt knows no icon theme; the one Debian ships serves then.
void ChooseIconTheme();

// The theme's icon of that name, else the style's own.
QIcon ThemedIcon(const char *name, QStyle::StandardPixmap fallback, const QWidget *widget);
// The widget's style's standard icon, read once per style.
QIcon StandardIcon(QStyle::StandardPixmap pixmap, const QWidget *widget);

// A button of its own rather than the action's: its hint is the button's and survives
// the action's caption being set.
QToolButton *AddToolButton(QToolBar *bar, const char *objectName, const QIcon &icon);
// A button that runs the command and follows its enablement.
QToolButton *AddCommandButton(QToolBar *bar, const char *objectName, QAction *command);

// A widget made after its window joins the end of the window's Tab order; this puts the
// Tab stops made inside `container` right after it, in the order they were made.
void PlaceInTabOrder(QWidget *container);
// Controls made inside a page while it was being shown would appear a moment after the
// page, laid out once more; this shows and lays them out at once.
void ShowControlsMadeWhileShown(QWidget *page);
