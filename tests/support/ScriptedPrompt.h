#pragma once

#include "project/unitPrompt.h"

#include <QList>
#include <QStringList>

#include <functional>

// Records what the program tells the user and answers its questions from a script.
// Installs itself for its lifetime.
class TScriptedPrompt final : public TPrompt
{
public:
    TScriptedPrompt();
    ~TScriptedPrompt() override;

    void error(const QString &text) override { errors.append(text); }
    void warning(const QString &text) override { warnings.append(text); }
    void information(const QString &text) override
    {
        informations.append(text);
        if (onInformation)
            onInformation(text);
    }
    TAnswer question(const QString &text, bool withCancel = false,
                     TSymbol symbol = TSymbol::Question) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) override;
    QString folderName(const QString &caption, const QString &folder) override;

    QStringList errors;
    QStringList warnings;
    QStringList informations;
    QStringList questions;
    QList<TSymbol> questionSymbols; // beside questions
    QStringList dialogs;
    // Beside dialogs: the start folder, or the proposed path of a save dialog.
    QStringList dialogFolders;

    // Consumed in order; an unscripted question fails the test and answers No,
    // an unscripted file dialog is cancelled.
    QList<TAnswer> answers;
    QStringList fileNames;
    // Runs while an information box would be open, as long as the user takes to read it.
    std::function<void(const QString &)> onInformation;

private:
    TPrompt *m_previous;
};
