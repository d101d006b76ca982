#include "ui/unitToolButtons.h"

#include <QAction>
#include <QFileInfo>
#include <QHash>
#include <QLayout>
#include <QPair>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

void ChooseIconTheme()
{
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"))
        return;
    for (const QString &path : QIcon::themeSearchPaths()) {
        if (QFileInfo(path + QStringLiteral("/Adwaita/index.theme")).isFile()) {
            QIcon::setThemeName(QStringLiteral("Adwaita"));
            return;
        }
    }
}

QIcon ThemedIcon(const char *name, QStyle::StandardPixmap fallback, const QWidget *widget)
{
    const QString themed = QString::fromLatin1(name);
    if (QIcon::hasThemeIcon(themed))
        return QIcon::fromTheme(themed);
    return StandardIcon(fallback, widget);
}

QIcon StandardIcon(QStyle::StandardPixmap pixmap, const QWidget *widget)
{
    // A style's standard icon is read from its image files on every call; a window's
    // worth of buttons made it a good part of the time the main window takes to appear.
    static QHash<QPair<QString, int>, QIcon> made;
    QStyle *style = widget->style();
    const QPair<QString, int> key(style->name() + QLatin1Char('/') + QString::fromLatin1(style->metaObject()->className()),
                                  int(pixmap));
    auto found = made.constFind(key);
    if (found != made.constEnd())
        return *found;
    const QIcon icon = style->standardIcon(pixmap, nullptr, widget);
    made.insert(key, icon);
    return icon;
}

QToolButton *AddToolButton(QToolBar *bar, const char *objectName, const QIcon &icon)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setIcon(icon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

QToolButton *AddCommandButton(QToolBar *bar, const char *objectName, QAction *command)
{
    QToolButton *button = AddToolButton(bar, objectName, command->icon());
    QObject::connect(button, &QToolButton::clicked, command, &QAction::trigger);
    auto follow = [button, command] { button->setEnabled(command->isEnabled()); };
    QObject::connect(command, &QAction::changed, button, follow);
    follow();
    return button;
}

void PlaceInTabOrder(QWidget *container)
{
    QList<QWidget *> stops;
    for (QWidget *widget = container->nextInFocusChain(); widget && widget != container;
         widget = widget->nextInFocusChain()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || !container->isAncestorOf(widget))
            continue;
        // A control's own parts (a spin box's edit) move with it.
        bool inside = false;
        for (const QWidget *stop : std::as_const(stops))
            inside = inside || stop->isAncestorOf(widget);
        if (!inside)
            stops.append(widget);
    }
    // Qt orders Tab stops only: the chain goes on from the last stop before the container.
    QWidget *previous = container->previousInFocusChain();
    while (previous != container && (!(previous->focusPolicy() & Qt::TabFocus) || container->isAncestorOf(previous)))
        previous = previous->previousInFocusChain();
    if (previous == container)
        return;
    for (QWidget *stop : std::as_const(stops)) {
        QWidget::setTabOrder(previous, stop);
        previous = stop;
    }
}

void ShowControlsMadeWhileShown(QWidget *page)
{
    if (!page->isVisible())
        return;
    for (QWidget *child : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && !child->testAttribute(Qt::WA_WState_ExplicitShowHide))
            child->show();
    }
    if (page->layout())
        page->layout()->activate();
}
