#include "dialogs/unitSplash.h"

#include "dialogs/unitBrand.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>

TformSplash::TformSplash(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("formSplash"));
    setWindowTitle(QStringLiteral("Pictavo"));
    setFixedSize(393, 197);

    m_panel = new TBrandPanel(QStringLiteral("Continue"), 2, QColor(128, 128, 136), size(), this);
    m_panel->button()->setObjectName(QStringLiteral("btnContinue"));
    m_panel->button()->setDefault(true);
    connect(m_panel->button(), &QPushButton::clicked, this, &QDialog::accept);
    setMask(m_panel->outline());
}

QPushButton *TformSplash::continueButton() const
{
    return m_panel->button();
}

void TformSplash::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        CentreOnScreen(this);
        m_panel->button()->setFocus();
    }
}

void ShowSplashAndWait(TformSplash &splash)
{
    QPointer<TformSplash> guard(&splash);
    splash.show();
    splash.raise();
    splash.activateWindow();
    splash.repaint();
    while (guard && splash.isVisible())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
