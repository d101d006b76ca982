#include "ui/unitToolButtons.h"

#include <QAction>
#include <QFileInfo>
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
    return QIcon::fromTheme(QString::fromLatin1(name), widget->style()->standardIcon(fallback));
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
