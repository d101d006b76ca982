#include "dialogs/unitWait.h"

#include "dialogs/unitBrand.h"
#include "project/unitRunProgress.h"

#include <QBasicTimer>
#include <QFormLayout>
#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShowEvent>
#include <QTimerEvent>

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kTickMs = 40;
// The run's figures, below the animation and the button.
constexpr int kFiguresHeight = 112;
// Frames one file takes from folder to folder, and the pause before the next one leaves.
constexpr int kFlightFrames = 30;
constexpr int kPauseFrames = 6;
constexpr int kCycleFrames = kFlightFrames + kPauseFrames;

void PaintFolderBack(QPainter &p, const QRectF &r)
{
    QPainterPath back;
    back.moveTo(r.left(), r.top() + 5);
    back.lineTo(r.left(), r.bottom());
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.right(), r.top() + 5);
    back.lineTo(r.left() + r.width() * 0.45, r.top() + 5);
    back.lineTo(r.left() + r.width() * 0.38, r.top());
    back.lineTo(r.left() + 3, r.top());
    back.closeSubpath();
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(222, 170, 52));
    p.drawPath(back);
}

void PaintFolderFront(QPainter &p, const QRectF &r)
{
    // The front flap leans back a little, so a file can be seen going in behind it.
    const qreal top = r.top() + r.height() * 0.38;
    QPolygonF front({QPointF(r.left() - 2, top), QPointF(r.right() + 2, top), QPointF(r.right(), r.bottom()),
                     QPointF(r.left(), r.bottom())});
    QLinearGradient fill(0, top, 0, r.bottom());
    fill.setColorAt(0, QColor(255, 219, 120));
    fill.setColorAt(1, QColor(240, 186, 66));
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(fill);
    p.drawPolygon(front);
}

void PaintFile(QPainter &p, const QPointF &centre, qreal angle, qreal opacity)
{
    p.save();
    p.setOpacity(opacity);
    p.translate(centre);
    p.rotate(angle);
    const QRectF page(-8, -10, 16, 20);
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - 5, page.top());
    outline.lineTo(page.right(), page.top() + 5);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    p.setPen(QPen(QColor(90, 96, 112), 1));
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(outline);
    p.setBrush(QColor(214, 220, 232));
    p.drawPolygon(QPolygonF({QPointF(page.right() - 5, page.top()), QPointF(page.right() - 5, page.top() + 5),
                             QPointF(page.right(), page.top() + 5)}));
    // A little picture on the page: it is an image file on its way.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(92, 150, 220));
    p.drawRect(QRectF(page.left() + 3, page.top() + 7, 10, 7));
    p.setBrush(QColor(64, 140, 72));
    p.drawPolygon(QPolygonF({QPointF(page.left() + 3, page.top() + 14), QPointF(page.left() + 7, page.top() + 10),
                             QPointF(page.left() + 10, page.top() + 14)}));
    p.setBrush(QColor(176, 182, 196));
    p.drawRect(QRectF(page.left() + 3, page.top() + 16, 10, 1.2));
    p.restore();
}

QIcon DrawnStopIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const qreal a = qDegreesToRadians(22.5 + 45.0 * i);
        octagon << QPointF(16 + 14.5 * std::cos(a), 16 + 14.5 * std::sin(a));
    }
    p.setPen(QPen(QColor(120, 0, 0), 1.2));
    p.setBrush(QColor(208, 24, 24));
    p.drawPolygon(octagon);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(QRectF(8, 13.5, 16, 5), 1.5, 1.5);
    return QIcon(pixmap);
}

} // namespace

// Files flying from one folder into another, for as long as the window shows.
class TFileCopyAnimation : public QFrame
{
public:
    explicit TFileCopyAnimation(QWidget *parent) : QFrame(parent)
    {
        setObjectName(QStringLiteral("aniCopy"));
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Base);
    }

    quint64 frame() const { return m_frame; }
    bool isRunning() const { return m_timer.isActive(); }

protected:
    void showEvent(QShowEvent *event) override
    {
        QFrame::showEvent(event);
        m_timer.start(kTickMs, this);
    }

    void hideEvent(QHideEvent *event) override
    {
        m_timer.stop();
        QFrame::hideEvent(event);
    }

    void timerEvent(QTimerEvent *event) override
    {
        if (event->timerId() != m_timer.timerId()) {
            QFrame::timerEvent(event);
            return;
        }
        ++m_frame;
        update();
    }

    void paintEvent(QPaintEvent *event) override
    {
        QFrame::paintEvent(event);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF area = contentsRect();
        const qreal folderW = 46;
        const qreal folderH = 34;
        const qreal folderTop = area.center().y() - folderH / 2 + 8;
        const QRectF source(area.left() + 24, folderTop, folderW, folderH);
        const QRectF target(area.right() - 24 - folderW, folderTop, folderW, folderH);

        // A faint dotted track shows the way the files go.
        const QPointF start(source.center().x(), source.top() + 10);
        const QPointF end(target.center().x(), target.top() + 10);
        const qreal lift = 26;
        QPainterPath track(start);
        track.quadTo(QPointF((start.x() + end.x()) / 2, start.y() - 2 * lift), end);
        p.setPen(QPen(QColor(190, 196, 210), 1.2, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawPath(track);

        PaintFolderBack(p, source);
        PaintFolderBack(p, target);

        const int phase = static_cast<int>(m_frame % kCycleFrames);
        if (phase < kFlightFrames) {
            const qreal t = phase / qreal(kFlightFrames - 1);
            // Ease in and out, so the file leaves and lands gently.
            const qreal s = t * t * (3 - 2 * t);
            const QPointF at = track.pointAtPercent(s);
            const qreal fade = std::min({1.0, s * 6, (1 - s) * 6});
            PaintFile(p, at, -20 + 40 * s, 0.35 + 0.65 * fade);
        }

        PaintFolderFront(p, source);
        PaintFolderFront(p, target);
    }

private:
    QBasicTimer m_timer;
    quint64 m_frame = 0;
};

TformWait::TformWait(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("formWait"));
    setWindowTitle(QStringLiteral("Please, wait ..."));
    setFixedSize(286, 123 + kFiguresHeight);

    m_animation = new TFileCopyAnimation(this);
    m_animation->setGeometry(8, 8, 270, 72);

    m_stop = new QPushButton(QStringLiteral("Stop convert"), this);
    m_stop->setObjectName(QStringLiteral("btnStop"));
    m_stop->setGeometry(8, 88, 270, 28);
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(10);
    font.setBold(true);
    m_stop->setFont(font);
    QPalette palette = m_stop->palette();
    palette.setColor(QPalette::ButtonText, QColor(192, 0, 0));
    m_stop->setPalette(palette);
    m_stop->setIcon(QIcon::fromTheme(QStringLiteral("process-stop"), DrawnStopIcon()));
    m_stop->setIconSize(QSize(18, 18));
    m_stop->setDefault(true);
    connect(m_stop, &QPushButton::clicked, this, &TformWait::reject);

    auto *figures = new QWidget(this);
    figures->setObjectName(QStringLiteral("WaitFigures"));
    figures->setGeometry(8, 123, 270, kFiguresHeight - 6);
    auto *form = new QFormLayout(figures);
    form->setContentsMargins(0, 0, 0, 0);
    form->setVerticalSpacing(2);
    form->setLabelAlignment(Qt::AlignLeft);
    // Captions come from the language texts, by these names.
    for (const char *name : {"WaitDone", "WaitFailed", "WaitElapsed", "WaitLeft", "WaitInWork"}) {
        auto *caption = new QLabel(figures);
        caption->setObjectName(QString::fromLatin1(name));
        auto *value = new QLabel(figures);
        value->setObjectName(QString::fromLatin1(name) + QStringLiteral("Value"));
        value->setTextFormat(Qt::PlainText);
        value->setMinimumWidth(1);
        caption->setBuddy(value);
        form->addRow(caption, value);
        m_figures.append(value);
    }
    ShowProgress(TRunProgress());
}

void TformWait::ShowProgress(const TRunProgress &progress)
{
    const qint64 left = progress.RemainingMs();
    const QString names = progress.InWork().join(QStringLiteral(", "));
    const QStringList values = {
        QStringLiteral("%1 / %2").arg(progress.Done()).arg(progress.Total()),
        QString::number(progress.Failed()),
        TRunProgress::Duration(progress.ElapsedMs()),
        left < 0 ? QStringLiteral("\u2013") : TRunProgress::Duration(left),
        names,
    };
    for (int i = 0; i < m_figures.size(); ++i) {
        QLabel *label = m_figures.at(i);
        label->setText(label->fontMetrics().elidedText(values.at(i), Qt::ElideMiddle, 190));
        label->setToolTip(i == m_figures.size() - 1 ? names : QString());
    }
}

quint64 TformWait::animationFrame() const
{
    return m_animation->frame();
}

bool TformWait::isAnimating() const
{
    return m_animation->isRunning();
}

void TformWait::reject()
{
    // Only a showing window can be closed by the user; a second close of a hidden one asks nothing.
    if (!isVisible())
        return;
    QDialog::reject();
    Q_EMIT stopRequested();
}

void TformWait::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (!m_placed) {
        CentreOnScreen(this);
        m_position = pos();
        m_placed = true;
    } else {
        move(m_position);
    }
    m_stop->setFocus();
}
