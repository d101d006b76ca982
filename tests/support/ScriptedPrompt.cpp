#include "support/ScriptedPrompt.h"

#include <gtest/gtest.h>

TScriptedPrompt::TScriptedPrompt() : m_previous(&Prompt()) { SetPrompt(this); }

TScriptedPrompt::~TScriptedPrompt()
{
    SetPrompt(m_previous == this ? nullptr : m_previous);
}

TAnswer TScriptedPrompt::question(const QString &text, bool, TSymbol symbol)
{
    questions.append(text);
    questionSymbols.append(symbol);
    if (answers.isEmpty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return TAnswer::No;
    }
    return answers.takeFirst();
}

QString TScriptedPrompt::openFileName(const QString &caption, const QString &folder, const QString &)
{
    dialogs.append(caption);
    dialogFolders.append(folder);
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString TScriptedPrompt::saveFileName(const QString &caption, const QString &proposed, const QString &)
{
    dialogs.append(caption);
    dialogFolders.append(proposed);
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString TScriptedPrompt::folderName(const QString &caption, const QString &folder)
{
    dialogs.append(caption);
    dialogFolders.append(folder);
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}
