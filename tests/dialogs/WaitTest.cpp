#include "DialogTestSupport.h"

#include "dialogs/unitWait.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

TEST(Wait, IsAFixedToolWindowOnTopWithoutTitleBarButtons)
{
    TformWait wait;
    EXPECT_EQ(wait.objectName(), QLatin1String("formWait"));
    EXPECT_EQ(wait.windowTitle(), QLatin1String("Please, wait ..."));
    EXPECT_EQ(wait.size(), QSize(286, 123));
    EXPECT_EQ(wait.minimumSize(), wait.maximumSize());
    const Qt::WindowFlags flags = wait.windowFlags();
    EXPECT_EQ(wait.windowType(), Qt::Tool);
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint)) << "only the hints asked for are shown";
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(wait.isVisible()) << "created hidden";
}

TEST(Wait, StopConvertIsAWideBoldRedDefaultButtonWithAnIcon)
{
    TformWait wait;
    QPushButton *stop = wait.stopButton();
    EXPECT_EQ(stop->text(), QLatin1String("Stop convert"));
    EXPECT_TRUE(stop->isDefault());
    EXPECT_TRUE(stop->font().bold());
    EXPECT_EQ(stop->font().pointSize(), 10);
    EXPECT_EQ(stop->palette().color(QPalette::ButtonText), QColor(192, 0, 0));
    EXPECT_FALSE(stop->icon().isNull());
    EXPECT_GE(stop->width(), wait.width() * 8 / 10);

    wait.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wait));
    EXPECT_EQ(wait.focusWidget(), stop);
    const QImage image = wait.grab().toImage();
    SaveScreenshot(&wait, QStringLiteral("wait"));
    EXPECT_GE(DistinctColours(image), 40);
    EXPECT_GT(RedPixels(image.copy(stop->geometry())), 30) << "the text and the icon show in red";
}

TEST(Wait, EveryWayOfClosingAsksForOneStopAndHides)
{
    TformWait wait;
    QSignalSpy stops(&wait, &TformWait::stopRequested);
    const std::vector<std::pair<const char *, std::function<void()>>> ways{
        {"button", [&] { QTest::mouseClick(wait.stopButton(), Qt::LeftButton); }},
        {"Enter", [&] { PressKey(&wait, Qt::Key_Return); }},
        {"keypad Enter", [&] { PressKey(&wait, Qt::Key_Enter); }},
        {"Escape", [&] { PressKey(&wait, Qt::Key_Escape); }},
        {"close", [&] { EXPECT_TRUE(wait.close()); }},
    };
    for (const auto &[name, close] : ways) {
        SCOPED_TRACE(name);
        stops.clear();
        wait.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&wait));
        close();
        EXPECT_EQ(stops.count(), 1);
        EXPECT_FALSE(wait.isVisible());
    }
}

TEST(Wait, HidingFromTheProgramStopsNothing)
{
    TformWait wait;
    QSignalSpy stops(&wait, &TformWait::stopRequested);
    wait.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wait));
    wait.hide();
    EXPECT_FALSE(wait.isVisible());
    EXPECT_EQ(stops.count(), 0);

    // Once hidden, a late close or a stray Escape asks for nothing either.
    wait.close();
    wait.reject();
    EXPECT_EQ(stops.count(), 0);

    wait.show();
    wait.stopButton()->click();
    EXPECT_EQ(stops.count(), 1) << "the window works again after being hidden";
}

TEST(Wait, KeepsItsPlaceBetweenShowings)
{
    TformWait wait;
    wait.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wait));
    const QPoint first = wait.pos();
    wait.hide();
    wait.move(first + QPoint(40, 30));
    wait.show();
    EXPECT_EQ(wait.pos(), first);
}

TEST(Wait, AnimatesOnlyWhileShownAndResumesWhereItStopped)
{
    TformWait wait;
    EXPECT_FALSE(wait.isAnimating()) << "a hidden window costs no timer ticks";
    QTest::qWait(120);
    EXPECT_EQ(wait.animationFrame(), 0u);

    wait.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wait));
    EXPECT_TRUE(wait.isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(wait.animationFrame() >= 3, 3000);
    const QImage early = wait.grab().toImage();
    const quint64 before = wait.animationFrame();
    QTRY_VERIFY_WITH_TIMEOUT(wait.animationFrame() >= before + 5, 3000);
    SaveScreenshot(&wait, QStringLiteral("wait-moving"));
    EXPECT_NE(wait.grab().toImage(), early) << "the picture moves";

    wait.hide();
    EXPECT_FALSE(wait.isAnimating());
    const quint64 atHide = wait.animationFrame();
    QTest::qWait(200);
    EXPECT_EQ(wait.animationFrame(), atHide);

    wait.show();
    EXPECT_TRUE(wait.isAnimating());
    EXPECT_GE(wait.animationFrame(), atHide) << "the animation goes on, it does not start over";
    QTRY_VERIFY_WITH_TIMEOUT(wait.animationFrame() > atHide, 3000);

    // Stopping by the user pauses it as well.
    wait.stopButton()->click();
    EXPECT_FALSE(wait.isAnimating());
}
