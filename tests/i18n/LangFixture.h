#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A folder tree "<tmp>/bin" and, on request, "<tmp>/lang" holding copies of chosen modules;
// the current directory is "<tmp>/bin" while the sandbox lives, so "../lang" is found as
// the program finds it.
class TLangSandbox
{
public:
    // Modules are file names without ".so": a test module, or "de" / "ru" for the shipped ones.
    explicit TLangSandbox(const QStringList &modules = {}, bool withLangFolder = true);
    ~TLangSandbox();
    TLangSandbox(const TLangSandbox &) = delete;
    TLangSandbox &operator=(const TLangSandbox &) = delete;

    QString langFolder() const;
    void addModule(const QString &module);
    void writeFile(const QString &fileName, const QByteArray &bytes);

private:
    QTemporaryDir m_root;
    QString m_previous;
};

// The built module file of that name (test folder first, then the shipped one).
QString ModuleFile(const QString &module);

// True while the module file is mapped into the process.
bool ModuleIsLoaded(const QString &path);
