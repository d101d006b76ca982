#pragma once

#include "ui/unitPrompt.h"

#include <QList>
#include <QStringList>

// Records what the program tells the user and answers its questions from a script.
// Installs itself for its lifetime.
class TScriptedPrompt final : public TPrompt
{
public:
    TScriptedPrompt();
    ~TScriptedPrompt() override;

    void error(const QString &text) override { errors.append(text); }
    void warning(const QString &text) override { warnings.append(text); }
    void information(const QString &text) override { informations.append(text); }
    TAnswer question(const QString &text, bool withCancel) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) override;
    QString folderName(const QString &caption, const QString &folder) override;

    QStringList errors;
    QStringList warnings;
    QStringList informations;
    QStringList questions;
    QStringList dialogs;

    // Consumed in order; an unscripted question fails the test and answers No,
    // an unscripted file dialog is cancelled.
    QList<TAnswer> answers;
    QStringList fileNames;

private:
    TPrompt *m_previous;
};
