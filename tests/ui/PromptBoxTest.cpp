#include "ui/unitPromptBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Presses a button of the next message box once it is on screen; records its text.
void pressWhenShown(QMessageBox::StandardButton button, QString *text)
{
    QTimer::singleShot(0, [button, text]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            pressWhenShown(button, text);
            return;
        }
        *text = box->text();
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
    pressWhenShown(QMessageBox::No, &shown);
    EXPECT_EQ(prompt.question(QStringLiteral("Delete selection?"), false), TAnswer::No);
    EXPECT_EQ(shown, QLatin1String("Delete selection?"));

    pressWhenShown(QMessageBox::Cancel, &shown);
    EXPECT_EQ(prompt.question(QStringLiteral("Save project?"), true), TAnswer::Cancel);

    pressWhenShown(QMessageBox::Yes, &shown);
    EXPECT_EQ(prompt.question(QStringLiteral("Clear data?"), false), TAnswer::Yes);

    pressWhenShown(QMessageBox::Ok, &shown);
    prompt.warning(QStringLiteral("Not found plugin for 'XYZ'"));
    EXPECT_EQ(shown, QLatin1String("Not found plugin for 'XYZ'"));
}
