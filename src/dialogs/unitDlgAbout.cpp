#include "dialogs/unitDlgAbout.h"

#include "dialogs/unitBrand.h"

#include <QPushButton>
#include <QShowEvent>

TformAbout::TformAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("formAbout"));
    setWindowTitle(QStringLiteral("About Pictavo"));
    setFixedSize(394, 193);
    setModal(true);

    m_panel = new TBrandPanel(QStringLiteral("Close"), 1, QColor(0, 0, 0), size(), this);
    m_panel->button()->setObjectName(QStringLiteral("btnClose"));
    m_panel->button()->setDefault(true);
    connect(m_panel->button(), &QPushButton::clicked, this, &QDialog::accept);
    setMask(m_panel->outline());
}

QPushButton *TformAbout::closeButton() const
{
    return m_panel->button();
}

void TformAbout::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        CentreOnScreen(this);
        m_panel->button()->setFocus();
    }
}
