#include "DialogTestSupport.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QPixmap>
#include <QSet>
#include <QTest>
#include <QWidget>

void PressKey(QWidget *window, int key)
{
    QWidget *target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, static_cast<Qt::Key>(key));
}

int DistinctColours(const QImage &image, int limit)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> seen;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            seen.insert(rgb.pixel(x, y));
            if (seen.size() >= limit)
                return limit;
        }
    }
    return seen.size();
}

int RedPixels(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c(rgb.pixel(x, y));
            if (c.red() > 140 && c.green() < 80 && c.blue() < 80)
                ++count;
        }
    }
    return count;
}

void SaveScreenshot(QWidget *window, const QString &name)
{
    const QString folder = qEnvironmentVariable("PICTAVO_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    const QString stem = QDir(folder).filePath(QStringLiteral("pictavo-dialogs-") + name);
    window->grab().save(stem + QStringLiteral(".png"));
    // On a real display, also what the screen shows: the window as shaped and framed there.
    if (QGuiApplication::platformName() != QLatin1String("offscreen") && window->screen()) {
        QTest::qWait(300);
        const QRect area = window->frameGeometry().adjusted(-12, -12, 12, 12);
        window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .save(stem + QStringLiteral("-screen.png"));
    }
}
