#include "DialogTestSupport.h"

#include "dialogs/unitDlgAbout.h"
#include "dialogs/unitSplash.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Runs ShowSplashAndWait while a timer does something to the window; a watchdog hides the
// splash so that a fault fails the test instead of hanging it.
bool SplashReturnsAfter(TformSplash &splash, const std::function<void()> &action)
{
    bool watchdogFired = false;
    QTimer::singleShot(50, &splash, action);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        watchdogFired = true;
        splash.hide();
    });
    watchdog.start(5000);
    ShowSplashAndWait(splash);
    return !watchdogFired && !splash.isVisible();
}

QPoint ScreenCentre()
{
    return QGuiApplication::primaryScreen()->availableGeometry().center();
}

} // namespace

TEST(Splash, IsABorderlessWindowOfFixedSizeInTheMiddleOfTheScreen)
{
    TformSplash splash;
    EXPECT_EQ(splash.objectName(), QLatin1String("formSplash"));
    EXPECT_EQ(splash.size(), QSize(393, 197));
    EXPECT_EQ(splash.minimumSize(), splash.maximumSize());
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(splash.isVisible());

    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    EXPECT_LE((splash.frameGeometry().center() - ScreenCentre()).manhattanLength(), 2);
}

TEST(Splash, ContinueIsTheDefaultButtonAndHasTheFocus)
{
    TformSplash splash;
    splash.show();
    QPushButton *button = splash.continueButton();
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QLatin1String("Continue"));
    EXPECT_TRUE(button->isDefault());
    EXPECT_EQ(splash.focusWidget(), button);
}

TEST(Splash, ContinueEnterAndEscapeEachLetStartUpGoOn)
{
    {
        TformSplash splash;
        EXPECT_TRUE(SplashReturnsAfter(splash, [&] { splash.continueButton()->click(); }));
    }
    {
        TformSplash splash;
        EXPECT_TRUE(SplashReturnsAfter(splash, [&] { PressKey(&splash, Qt::Key_Return); }));
    }
    {
        TformSplash splash;
        EXPECT_TRUE(SplashReturnsAfter(splash, [&] { PressKey(&splash, Qt::Key_Enter); }));
    }
    {
        TformSplash splash;
        EXPECT_TRUE(SplashReturnsAfter(splash, [&] { PressKey(&splash, Qt::Key_Escape); }));
    }
    {
        TformSplash splash;
        EXPECT_TRUE(SplashReturnsAfter(splash, [&] { splash.close(); }));
    }
}

TEST(Splash, WaitingPaintsTheWindowBeforeTheUserAnswers)
{
    TformSplash splash;
    bool exposedWhileWaiting = false;
    EXPECT_TRUE(SplashReturnsAfter(splash, [&] {
        exposedWhileWaiting = splash.isVisible() && splash.windowHandle() && splash.windowHandle()->isExposed();
        splash.continueButton()->click();
    }));
    EXPECT_TRUE(exposedWhileWaiting);
}

TEST(Splash, PaintsThePanelWithItsGreyFillAndBorder)
{
    TformSplash splash;
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    const QImage image = splash.grab().toImage();
    SaveScreenshot(&splash, QStringLiteral("splash"));
    EXPECT_GE(DistinctColours(image), 40) << "the picture, texts and panel are all there";
    // Between the separator and the credit line, on the left, the panel shows its fill.
    EXPECT_EQ(QColor(image.pixel(200, 130)), QColor(223, 223, 227));
    // The 2-pixel grey border on the straight parts of the edge.
    EXPECT_EQ(QColor(image.pixel(196, 0)), QColor(128, 128, 136));
    EXPECT_EQ(QColor(image.pixel(196, 1)), QColor(128, 128, 136));
    EXPECT_EQ(QColor(image.pixel(0, 98)), QColor(128, 128, 136));
    EXPECT_EQ(QColor(image.pixel(2, 98)), QColor(223, 223, 227));
}

TEST(About, IsABorderlessWindowOfFixedSizeWithTheBlackBorder)
{
    TformAbout about;
    EXPECT_EQ(about.objectName(), QLatin1String("formAbout"));
    EXPECT_EQ(about.size(), QSize(394, 193));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_TRUE(about.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(about.isModal());
    EXPECT_EQ(about.closeButton()->text(), QLatin1String("Close"));
    EXPECT_TRUE(about.closeButton()->isDefault());

    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    EXPECT_LE((about.frameGeometry().center() - ScreenCentre()).manhattanLength(), 2);
    const QImage image = about.grab().toImage();
    SaveScreenshot(&about, QStringLiteral("about"));
    EXPECT_GE(DistinctColours(image), 40);
    EXPECT_EQ(QColor(image.pixel(197, 0)), QColor(0, 0, 0));
    EXPECT_EQ(QColor(image.pixel(197, 1)), QColor(223, 223, 227)) << "the border is one pixel wide";
    EXPECT_EQ(QColor(image.pixel(393, 96)), QColor(0, 0, 0));
}

TEST(About, CloseEnterAndEscapeEndTheModalShowing)
{
    TformAbout about;
    // The same window serves every showing of the About command.
    const std::vector<std::function<void()>> ways{
        [&] { QTest::mouseClick(about.closeButton(), Qt::LeftButton); },
        [&] { PressKey(&about, Qt::Key_Return); },
        [&] { PressKey(&about, Qt::Key_Escape); },
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        SCOPED_TRACE(i);
        bool wasShowing = false;
        QTimer::singleShot(50, &about, [&, i] {
            wasShowing = about.isVisible() && QApplication::activeModalWidget() == &about;
            ways[i]();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, &about, [&] { about.done(42); });
        watchdog.start(5000);
        const int result = about.exec();
        watchdog.stop();
        EXPECT_TRUE(wasShowing);
        EXPECT_NE(result, 42) << "the window did not close by itself";
        EXPECT_FALSE(about.isVisible());
    }
}
