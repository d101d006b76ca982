#include "dialogs/unitBrand.h"
#include "dialogs/unitDlgAbout.h"
#include "dialogs/unitSplash.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Every test starts with an opener that records instead of starting a browser.
class Brand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetUrlOpener([this](const QUrl &url) { opened.push_back(url); });
    }

    void TearDown() override { SetUrlOpener({}); }

    std::vector<QUrl> opened;
};

QColor TextColour(const QWidget *label)
{
    return label->palette().color(QPalette::WindowText);
}

} // namespace

TEST_F(Brand, ClickingTheMakerLinkOpensTheProjectPage)
{
    TformSplash splash;
    splash.show();
    auto *link = splash.findChild<QLabel *>(QStringLiteral("lblLink"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(), MakerName());
    EXPECT_TRUE(link->font().underline());

    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front(), QUrl(QStringLiteral("https://github.com/pictavo/pictavo")));
    EXPECT_TRUE(splash.isVisible()) << "following the link does not close the splash";

    QTest::mouseClick(link, Qt::RightButton);
    EXPECT_EQ(opened.size(), 1u) << "only the left button follows the link";

    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 20, link->height() + 20));
    EXPECT_EQ(opened.size(), 1u) << "a press released off the link opens nothing";
}

TEST_F(Brand, TheAboutLinkOpensTheSamePage)
{
    TformAbout about;
    about.show();
    auto *link = about.findChild<QLabel *>(QStringLiteral("lblLink"));
    ASSERT_NE(link, nullptr);
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front(), ProjectPageUrl());
}

TEST_F(Brand, TheLinkIsNavyAndTurnsPurpleUnderTheMouse)
{
    TformSplash splash;
    splash.show();
    auto *link = splash.findChild<QLabel *>(QStringLiteral("lblLink"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(TextColour(link), QColor(0, 0, 128));

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), link->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(link, &enter);
    EXPECT_EQ(TextColour(link), QColor(128, 0, 128));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_EQ(TextColour(link), QColor(0, 0, 128));

    QCoreApplication::sendEvent(link, &enter);
    splash.hide();
    splash.show();
    EXPECT_EQ(TextColour(link), QColor(0, 0, 128)) << "a window closed under the mouse shows again unhovered";
}

TEST(ProgramVersion, ComesFromTheApplicationWhenItHasOne)
{
    const QString saved = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(QStringLiteral("2.5.1"));
    EXPECT_EQ(ProgramVersion(), QLatin1String("2.5.1"));
    {
        TformAbout about;
        auto *version = about.findChild<QLabel *>(QStringLiteral("lblVersion"));
        ASSERT_NE(version, nullptr);
        EXPECT_EQ(version->text(), QLatin1String("version 2.5.1"));
        EXPECT_TRUE(version->alignment() & Qt::AlignRight);
    }
    QCoreApplication::setApplicationVersion(QString());
    EXPECT_FALSE(ProgramVersion().isEmpty());
    QCoreApplication::setApplicationVersion(saved);
}

TEST(ProductIcon, IsPaintedWithTransparentCorners)
{
    const QImage icon = PaintProductIcon(QSize(61, 60)).toImage();
    EXPECT_EQ(icon.size(), QSize(61, 60));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(60, 0)), 0);

    int opaque = 0;
    for (int y = 0; y < icon.height(); ++y)
        for (int x = 0; x < icon.width(); ++x)
            opaque += qAlpha(icon.pixel(x, y)) == 255;
    EXPECT_GT(opaque, 61 * 60 / 3) << "the picture fills a good part of its square";

    const QPixmap sharp = PaintProductIcon(QSize(61, 60), 2.0);
    EXPECT_EQ(sharp.size(), QSize(122, 120)) << "high-density screens get a sharper picture";
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(61, 60));
}

TEST(BrandPanel, ShowsTheSameContentOnBothWindows)
{
    TformSplash splash;
    TformAbout about;
    for (QWidget *window : {static_cast<QWidget *>(&splash), static_cast<QWidget *>(&about)}) {
        SCOPED_TRACE(window->objectName().toStdString());
        auto text = [window](const char *name) {
            auto *label = window->findChild<QLabel *>(QString::fromLatin1(name));
            return label ? label->text() : QStringLiteral("<missing>");
        };
        EXPECT_EQ(text("lblTitle"), QLatin1String("Pictavo"));
        EXPECT_EQ(text("lblMaker"), QLatin1String("Pictavo developers"));
        EXPECT_EQ(text("lblCredit"), QLatin1String("Developer: Pictavo developers"));
        EXPECT_EQ(text("lblVersion"), QStringLiteral("version ") + ProgramVersion());
        auto *title = window->findChild<QLabel *>(QStringLiteral("lblTitle"));
        ASSERT_NE(title, nullptr);
        EXPECT_TRUE(title->font().bold());
        EXPECT_EQ(title->font().pointSize(), 16);
        auto *icon = window->findChild<QLabel *>(QStringLiteral("imgProduct"));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->size(), QSize(61, 60));
        EXPECT_LT(icon->x(), 20);
        EXPECT_LT(icon->y(), 20);
        auto *button = window->findChild<QPushButton *>();
        ASSERT_NE(button, nullptr);
        EXPECT_GT(button->x(), window->width() / 2) << "the button sits bottom right";
        EXPECT_GT(button->y(), window->height() / 2);
        EXPECT_LE(button->geometry().right(), window->width() - 1);
        EXPECT_LE(button->geometry().bottom(), window->height() - 1);
    }
}
