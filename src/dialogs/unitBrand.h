#pragma once

#include <QColor>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QPushButton;

// Opens a web page; the program's opener hands it to the desktop, tests record it instead.
using TUrlOpener = std::function<void(const QUrl &)>;

// An empty opener brings back the desktop's.
void SetUrlOpener(TUrlOpener opener);
// False when the desktop has nothing that opens it; an installed opener always succeeds.
bool OpenUrl(const QUrl &url);

QUrl ProjectPageUrl();
QString MakerName();

// The application's version when it has one, else the version the program was built as.
QString ProgramVersion();

// The product icon, painted for the given logical size and device pixel ratio.
QPixmap PaintProductIcon(const QSize &size, qreal devicePixelRatio = 1.0);

// Centres a top-level window on the screen it is on (the primary screen before its first show).
void CentreOnScreen(QWidget *window);

// What the splash and the About window have in common: the rounded panel with the icon,
// title, maker, version, separator, credit and notice lines, and one button bottom right.
class TBrandPanel : public QWidget
{
    Q_OBJECT

public:
    // The panel takes the given size at once, so that its children are placed before any showing.
    TBrandPanel(const QString &buttonText, int borderWidth, const QColor &borderColor, const QSize &size,
                QWidget *parent = nullptr);

    QPushButton *button() const { return m_button; }

    // The panel's outline, for the mask of a borderless window that it fills.
    QRegion outline() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeChildren();

    int m_borderWidth;
    QColor m_borderColor;
    QWidget *m_icon;
    QWidget *m_title;
    QWidget *m_maker;
    QWidget *m_version;
    QWidget *m_notice;
    QWidget *m_library;
    QWidget *m_credit;
    QPushButton *m_button;
};
