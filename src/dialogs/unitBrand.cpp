#include "dialogs/unitBrand.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QHideEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>
#include <QScreen>

#include <utility>

namespace {

constexpr int kCornerRadius = 10;
constexpr int kMargin = 12;
const QColor kPanelFill(223, 223, 227);
const QColor kLinkColor(0, 0, 128);
const QColor kLinkHoverColor(128, 0, 128);
const QColor kTitleColor(28, 40, 84);
const QColor kTextColor(40, 40, 48);

TUrlOpener &CurrentOpener()
{
    static TUrlOpener opener;
    return opener;
}

// Families in order of preference; the style hint picks a like font when none is installed.
QFont MakeFont(const QStringList &families, QFont::StyleHint hint, int points, bool bold)
{
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

QLabel *MakeLabel(const QString &objectName, const QString &text, const QFont &font,
                  const QColor &color, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}

// A text link: navy and underlined, purple while the mouse is over it; a left click opens it.
class TLinkLabel : public QLabel
{
public:
    TLinkLabel(const QString &text, QUrl url, QWidget *parent) : QLabel(text, parent), m_url(std::move(url))
    {
        setObjectName(QStringLiteral("lblLink"));
        setCursor(Qt::PointingHandCursor);
        setToolTip(m_url.toString());
        QFont underlined = font();
        underlined.setUnderline(true);
        setFont(underlined);
        setColor(kLinkColor);
    }

protected:
    void enterEvent(QEnterEvent *event) override
    {
        setColor(kLinkHoverColor);
        QLabel::enterEvent(event);
    }

    void leaveEvent(QEvent *event) override
    {
        setColor(kLinkColor);
        QLabel::leaveEvent(event);
    }

    // A window hidden under the mouse gets no leave event; it shows again unhovered.
    void hideEvent(QHideEvent *event) override
    {
        setColor(kLinkColor);
        QLabel::hideEvent(event);
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            event->accept();
        else
            QLabel::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        // A press that is dragged off the link and released elsewhere opens nothing.
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
            event->accept();
            OpenUrl(m_url);
            return;
        }
        QLabel::mouseReleaseEvent(event);
    }

private:
    void setColor(const QColor &color)
    {
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, color);
        setPalette(palette);
    }

    QUrl m_url;
};

QPainterPath RoundedPanel(const QRectF &rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, kCornerRadius, kCornerRadius);
    return path;
}

void PaintIconPicture(QPainter &p)
{
    // Drawn on a 64 by 64 grid: a stacked pair of photographs and a round "convert" badge.
    p.setRenderHint(QPainter::Antialiasing);

    // The photograph behind, turned a little.
    p.save();
    p.translate(34, 26);
    p.rotate(9);
    p.setPen(QPen(QColor(96, 104, 124), 1.2));
    QLinearGradient back(0, -18, 0, 18);
    back.setColorAt(0, QColor(250, 250, 252));
    back.setColorAt(1, QColor(214, 218, 228));
    p.setBrush(back);
    p.drawRoundedRect(QRectF(-22, -17, 44, 34), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 186, 214));
    p.drawRect(QRectF(-18, -13, 36, 26));
    p.restore();

    // The photograph in front: a white frame around a landscape.
    const QRectF frame(3, 17, 44, 36);
    p.setPen(QPen(QColor(70, 76, 96), 1.2));
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(frame, 3, 3);
    const QRectF picture = frame.adjusted(3.5, 3.5, -3.5, -3.5);
    p.save();
    p.setClipRect(picture);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, QColor(52, 120, 205));
    sky.setColorAt(1, QColor(170, 214, 250));
    p.setPen(Qt::NoPen);
    p.fillRect(picture, sky);
    QRadialGradient sun(QPointF(30, 27), 6);
    sun.setColorAt(0, QColor(255, 236, 140));
    sun.setColorAt(1, QColor(255, 178, 20));
    p.setBrush(sun);
    p.drawEllipse(QPointF(30, 27), 4.5, 4.5);
    p.setBrush(QColor(56, 128, 64));
    p.drawPolygon(QPolygonF({QPointF(6, 50), QPointF(17, 32), QPointF(26, 44), QPointF(31, 38),
                             QPointF(45, 50)}));
    p.setBrush(QColor(36, 92, 48));
    p.drawPolygon(QPolygonF({QPointF(6, 50), QPointF(13, 41), QPointF(20, 50)}));
    p.restore();

    // The badge: two arrows chasing each other around a disc.
    const QPointF centre(49, 47);
    QRadialGradient disc(centre + QPointF(-3, -3), 14);
    disc.setColorAt(0, QColor(255, 140, 60));
    disc.setColorAt(1, QColor(214, 72, 16));
    p.setPen(QPen(QColor(255, 255, 255), 1.5));
    p.setBrush(disc);
    p.drawEllipse(centre, 12, 12);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255), 2.2, Qt::SolidLine, Qt::RoundCap));
    const QRectF ring(centre.x() - 6.5, centre.y() - 6.5, 13, 13);
    p.drawArc(ring, 110 * 16, 140 * 16);
    p.drawArc(ring, 290 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    // Arrow heads at the ends of the two arcs.
    p.drawPolygon(QPolygonF({QPointF(centre.x() - 2.5, centre.y() + 9), QPointF(centre.x() + 2.5, centre.y() + 6.5),
                             QPointF(centre.x() - 2.5, centre.y() + 3.5)}));
    p.drawPolygon(QPolygonF({QPointF(centre.x() + 2.5, centre.y() - 9), QPointF(centre.x() - 2.5, centre.y() - 6.5),
                             QPointF(centre.x() + 2.5, centre.y() - 3.5)}));
}

} // namespace

void SetUrlOpener(TUrlOpener opener)
{
    CurrentOpener() = std::move(opener);
}

bool OpenUrl(const QUrl &url)
{
    if (const TUrlOpener &opener = CurrentOpener()) {
        opener(url);
        return true;
    }
    return QDesktopServices::openUrl(url);
}

QUrl ProjectPageUrl()
{
    return QUrl(QStringLiteral("https://github.com/pictavo/pictavo"));
}

QString MakerName()
{
    return QStringLiteral("Pictavo developers");
}

QString ProgramVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    if (!version.isEmpty())
        return version;
#ifdef PICTAVO_VERSION
    return QStringLiteral(PICTAVO_VERSION);
#else
    return QStringLiteral("1.0");
#endif
}

QPixmap PaintProductIcon(const QSize &size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.scale(size.width() / 64.0, size.height() / 64.0);
    PaintIconPicture(painter);
    return pixmap;
}

void CentreOnScreen(QWidget *window)
{
    QScreen *screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

TBrandPanel::TBrandPanel(const QString &buttonText, int borderWidth, const QColor &borderColor,
                         const QSize &size, QWidget *parent)
    : QWidget(parent), m_borderWidth(borderWidth), m_borderColor(borderColor)
{
    setObjectName(QStringLiteral("pnlBrand"));

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgProduct"));
    icon->setFixedSize(61, 60);
    icon->setPixmap(PaintProductIcon(icon->size(), devicePixelRatioF()));
    m_icon = icon;

    const QStringList serif{QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                            QStringLiteral("DejaVu Serif")};
    const QStringList tahoma{QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"),
                             QStringLiteral("Liberation Sans")};
    const QStringList verdana{QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                              QStringLiteral("Liberation Sans")};
    const QFont small = MakeFont(tahoma, QFont::SansSerif, 8, false);

    m_title = MakeLabel(QStringLiteral("lblTitle"), QStringLiteral("Pictavo"),
                        MakeFont(serif, QFont::Serif, 16, true), kTitleColor, this);
    m_maker = MakeLabel(QStringLiteral("lblMaker"), MakerName(), MakeFont(tahoma, QFont::SansSerif, 8, true),
                        kTextColor, this);
    auto *version = MakeLabel(QStringLiteral("lblVersion"), QStringLiteral("version ") + ProgramVersion(),
                              MakeFont(verdana, QFont::SansSerif, 10, true), kTextColor, this);
    version->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_version = version;

    auto *notice = new QWidget(this);
    notice->setObjectName(QStringLiteral("lblNotice"));
    auto *noticeLayout = new QHBoxLayout(notice);
    noticeLayout->setContentsMargins(0, 0, 0, 0);
    noticeLayout->setSpacing(0);
    auto *lead = MakeLabel(QStringLiteral("lblNoticeText"), QStringLiteral("A batch image converter by "),
                           small, kTextColor, notice);
    auto *link = new TLinkLabel(MakerName(), ProjectPageUrl(), notice);
    link->setFont([&] {
        QFont font = small;
        font.setUnderline(true);
        return font;
    }());
    auto *tail = MakeLabel(QStringLiteral("lblNoticeEnd"), QStringLiteral("."), small, kTextColor, notice);
    noticeLayout->addWidget(lead);
    noticeLayout->addWidget(link);
    noticeLayout->addWidget(tail);
    noticeLayout->addStretch(1);
    m_notice = notice;

    m_library = MakeLabel(QStringLiteral("lblLibrary"), QStringLiteral("Images are read and written by ImageMagick."),
                          small, kTextColor, this);

    m_credit = MakeLabel(QStringLiteral("lblCredit"), QStringLiteral("Developer: ") + MakerName(), small,
                         kTextColor, this);

    m_button = new QPushButton(buttonText, this);
    m_button->setObjectName(QStringLiteral("btnPanel"));
    m_button->setFixedSize(96, 26);

    resize(size);
    placeChildren();
}

QRegion TBrandPanel::outline() const
{
    // Rasterised rather than taken from the path's polygon, whose chords cut into the border
    // at the corners.
    QBitmap shape(size());
    shape.fill(Qt::color0);
    QPainter painter(&shape);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawPath(RoundedPanel(QRectF(rect())));
    painter.end();
    return QRegion(shape);
}

void TBrandPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal inset = m_borderWidth / 2.0;
    const QRectF outer = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    p.setPen(QPen(m_borderColor, m_borderWidth));
    p.setBrush(kPanelFill);
    p.drawPath(RoundedPanel(outer));

    // An etched rule under the icon row: a dark line over a light one.
    p.setRenderHint(QPainter::Antialiasing, false);
    const int y = m_icon->geometry().bottom() + 9;
    p.setPen(QColor(160, 160, 168));
    p.drawLine(kMargin, y, width() - kMargin - 1, y);
    p.setPen(QColor(250, 250, 252));
    p.drawLine(kMargin, y + 1, width() - kMargin - 1, y + 1);
}

void TBrandPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

void TBrandPanel::placeChildren()
{
    const int right = width() - kMargin;
    const int textLeft = kMargin + 61 + 12;
    m_icon->move(kMargin, kMargin);
    m_title->setGeometry(textLeft, kMargin - 2, right - textLeft, 30);
    m_maker->setGeometry(textLeft, kMargin + 28, right - textLeft, 16);
    m_version->setGeometry(textLeft, kMargin + 42, right - textLeft, 20);
    const int separator = kMargin + 60 + 9;
    m_notice->setGeometry(kMargin, separator + 12, right - kMargin, 18);
    m_library->setGeometry(kMargin, separator + 32, right - kMargin, 18);
    const int buttonTop = height() - kMargin - m_button->height();
    m_button->move(right - m_button->width(), buttonTop);
    m_credit->setGeometry(kMargin, buttonTop, m_button->x() - kMargin - 8, m_button->height());
}
