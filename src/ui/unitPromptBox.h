#pragma once

#include "project/unitPrompt.h"

class QWidget;

// The program's prompt: modal message boxes and file dialogs over the given window.
class TMessageBoxPrompt final : public TPrompt
{
public:
    explicit TMessageBoxPrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void error(const QString &text) override;
    void warning(const QString &text) override;
    void information(const QString &text) override;
    TAnswer question(const QString &text, bool withCancel = false,
                     TSymbol symbol = TSymbol::Question) override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) override;
    QString folderName(const QString &caption, const QString &folder) override;

private:
    QWidget *m_parent;
};

// "Text|*.txt|All|*" (pairs of description and pattern) as a Qt dialog filter.
QString DialogFilter(const QString &pairs);
