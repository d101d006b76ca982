#include "DialogTestSupport.h"

#include "dialogs/unitWait.h"
#include "project/unitRunProgress.h"

#include <QLabel>
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
    // The run's figures sit below the animation and the button, at the same width.
    EXPECT_EQ(wait.width(), 286);
    EXPECT_GT(wait.height(), 123);
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

// A run of 10 files on a clock the test moves: the time left appears once three files are
// done, at the pace so far, and the window shows the same figures.
TEST(Wait, ShowsFilesDoneFailedAndTimeLeftAtTheRunsPace)
{
    qint64 now = 5000;
    TRunProgress progress([&now] { return now; });
    progress.Begin(10);
    progress.Started(0, QStringLiteral("a.jpg"));
    progress.Started(1, QStringLiteral("b.jpg"));
    EXPECT_EQ(progress.InWork(), (QStringList{QStringLiteral("a.jpg"), QStringLiteral("b.jpg")}));
    now += 2000;
    progress.Finished(0, false);
    progress.Finished(1, true);
    EXPECT_EQ(progress.Done(), 2);
    EXPECT_EQ(progress.Failed(), 1);
    EXPECT_EQ(progress.RemainingMs(), -1) << "too few files for a pace";
    EXPECT_EQ(progress.Line(), QStringLiteral("2/10 files, 1 failed, 0:02 elapsed"));

    progress.Started(2, QStringLiteral("c.jpg"));
    progress.Started(3, QStringLiteral("d.jpg"));
    now += 1000;
    progress.Finished(2, false);
    EXPECT_EQ(progress.ElapsedMs(), 3000);
    EXPECT_EQ(progress.RemainingMs(), 7000) << "1 s a file, 7 files to go";
    EXPECT_EQ(progress.Line(), QStringLiteral("3/10 files, 1 failed, 0:03 elapsed, 0:07 left: d.jpg"));

    TformWait wait;
    wait.ShowProgress(progress);
    const auto value = [&wait](const char *name) {
        return wait.findChild<QLabel *>(QLatin1String(name) + QStringLiteral("Value"))->text();
    };
    EXPECT_EQ(value("WaitDone"), QStringLiteral("3 / 10"));
    EXPECT_EQ(value("WaitFailed"), QStringLiteral("1"));
    EXPECT_EQ(value("WaitElapsed"), QStringLiteral("0:03"));
    EXPECT_EQ(value("WaitLeft"), QStringLiteral("0:07"));
    EXPECT_EQ(value("WaitInWork"), QStringLiteral("d.jpg"));

    for (int row = 3; row < 10; ++row)
        progress.Finished(row, false);
    EXPECT_EQ(progress.RemainingMs(), 0);
    EXPECT_EQ(TRunProgress::Duration(3 * 3600000 + 62000), QStringLiteral("3:01:02"));
}
