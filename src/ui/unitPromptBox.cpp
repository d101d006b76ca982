#include "ui/unitPromptBox.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

QString title() { return QStringLiteral("Pictavo"); }

} // namespace

void TMessageBoxPrompt::error(const QString &text)
{
    QMessageBox::critical(m_parent, title(), text, QMessageBox::Ok);
}

void TMessageBoxPrompt::warning(const QString &text)
{
    QMessageBox::warning(m_parent, title(), text, QMessageBox::Ok);
}

void TMessageBoxPrompt::information(const QString &text)
{
    QMessageBox::information(m_parent, title(), text, QMessageBox::Ok);
}

TAnswer TMessageBoxPrompt::question(const QString &text, bool withCancel, TSymbol symbol)
{
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    const QMessageBox::StandardButton answer = symbol == TSymbol::Warning
        ? QMessageBox::warning(m_parent, title(), text, buttons, QMessageBox::Yes)
        : QMessageBox::question(m_parent, title(), text, buttons, QMessageBox::Yes);
    switch (answer) {
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    default:
        return withCancel ? TAnswer::Cancel : TAnswer::No;
    }
}

QString TMessageBoxPrompt::openFileName(const QString &caption, const QString &folder,
                                        const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, caption, folder, DialogFilter(filter));
}

QString TMessageBoxPrompt::saveFileName(const QString &caption, const QString &proposed,
                                        const QString &filter)
{
    // The dialog itself asks before it accepts an existing file.
    return QFileDialog::getSaveFileName(m_parent, caption, proposed, DialogFilter(filter));
}

QString TMessageBoxPrompt::folderName(const QString &caption, const QString &folder)
{
    return QFileDialog::getExistingDirectory(m_parent, caption, folder);
}

QString DialogFilter(const QString &pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts.at(i + 1).split(QLatin1Char(';')).join(QLatin1Char(' '));
        filters.append(parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    if (filters.isEmpty())
        return pairs;
    return filters.join(QStringLiteral(";;"));
}
