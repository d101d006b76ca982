#include "ui/unitPromptBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Presses a button of the next message box once it is on screen; records its text and symbol.
void pressWhenShown(QMessageBox::StandardButton button, QString *text, QMessageBox::Icon *icon = nullptr)
{
    QTimer::singleShot(0, [button, text, icon]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            pressWhenShown(button, text, icon);
            return;
        }
        *text = box->text();
        if (icon)
            *icon = box->icon();
        box->button(button)->click();
    });
}

} // namespace

TEST(DialogFilter, TurnsPairsIntoQtFilters)
{
    EXPECT_EQ(DialogFilter(QStringLiteral("*.prj|*.prj")), QLatin1String("*.prj (*.prj)"));
    EXPECT_EQ(DialogFilter(QStringLiteral("TXT|*.txt|All|*.a;*.b")),
              QLatin1String("TXT (*.txt);;All (*.a *.b)"));
    EXPECT_EQ(DialogFilter(QStringLiteral("Images (*.png)")), QLatin1String("Images (*.png)"));
}

TEST(MessageBoxPrompt, AsksWithRealMessageBoxes)
{
    TMessageBoxPrompt prompt;
    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    pressWhenShown(QMessageBox::No, &shown, &icon);
    EXPECT_EQ(prompt.question(QStringLiteral("Delete selection?"), false), TAnswer::No);
    EXPECT_EQ(shown, QLatin1String("Delete selection?"));
    EXPECT_EQ(icon, QMessageBox::Question);

    // A question whose answer can cost the user something carries the warning symbol.
    pressWhenShown(QMessageBox::Yes, &shown, &icon);
    EXPECT_EQ(prompt.question(QStringLiteral("Cancel convert?"), false, TSymbol::Warning), TAnswer::Yes);
    EXPECT_EQ(icon, QMessageBox::Warning);
    pressWhenShown(QMessageBox::No, &shown, &icon);
    EXPECT_EQ(prompt.question(QStringLiteral("File 'a.prj' exist. Rewrite?"), false, TSymbol::Warning), TAnswer::No);
    EXPECT_EQ(icon, QMessageBox::Warning);

    pressWhenShown(QMessageBox::Cancel, &shown);
    EXPECT_EQ(prompt.question(QStringLiteral("Save project?"), true), TAnswer::Cancel);

    pressWhenShown(QMessageBox::Yes, &shown);
    EXPECT_EQ(prompt.question(QStringLiteral("Clear data?"), false), TAnswer::Yes);

    pressWhenShown(QMessageBox::Ok, &shown);
    prompt.warning(QStringLiteral("Not found plugin for 'XYZ'"));
    EXPECT_EQ(shown, QLatin1String("Not found plugin for 'XYZ'"));
}
