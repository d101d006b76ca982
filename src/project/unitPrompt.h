#pragma once

#include <QString>
#include <QStringList>

// Everything the program asks or tells the user in a modal box goes through this
// interface: the windows install one that shows message boxes, the command-line
// companion one that prints, and tests one that answers from a script.
enum class TAnswer { Yes, No, Cancel };
// The symbol a question carries: a plain question, or a warning where the answer can cost
// the user something.
enum class TSymbol { Question, Warning };

class TPrompt
{
public:
    virtual ~TPrompt() = default;

    virtual void error(const QString &text) = 0;
    virtual void warning(const QString &text) = 0;
    virtual void information(const QString &text) = 0;
    // Yes/No, or Yes/No/Cancel when withCancel is set.
    virtual TAnswer question(const QString &text, bool withCancel = false,
                             TSymbol symbol = TSymbol::Question) = 0;
    // An empty result means the dialog was cancelled.
    virtual QString openFileName(const QString &caption, const QString &folder,
                                 const QString &filter) = 0;
    virtual QString saveFileName(const QString &caption, const QString &proposed,
                                 const QString &filter) = 0;
    // An existing folder, or empty when the chooser was cancelled.
    virtual QString folderName(const QString &caption, const QString &folder) = 0;
};

// Writes errors and warnings to standard error and answers every question with No.
class TConsolePrompt final : public TPrompt
{
public:
    void error(const QString &text) override;
    void warning(const QString &text) override;
    void information(const QString &text) override;
    TAnswer question(const QString &text, bool withCancel = false,
                     TSymbol symbol = TSymbol::Question) override;
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString folderName(const QString &, const QString &) override { return {}; }
};

// The installed prompt; a console prompt until another one is installed.
TPrompt &Prompt();
// Does not take ownership; nullptr restores the console prompt.
void SetPrompt(TPrompt *prompt);

// Installs a prompt for the lifetime of the object and restores the previous one.
class TPromptScope
{
public:
    explicit TPromptScope(TPrompt *prompt);
    ~TPromptScope();
    TPromptScope(const TPromptScope &) = delete;
    TPromptScope &operator=(const TPromptScope &) = delete;

private:
    TPrompt *m_previous;
};
