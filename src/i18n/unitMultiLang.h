#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <memory>

class QLibrary;

// What a lookup calls: the built-in catalogue or a module's GetString. Null means empty.
using TLookup = const char *(*)(const char *key);

// Capacity, in characters, of the in-memory short strings NameLang and VersionLang.
constexpr int LangShortCapacity = 15;

struct tagLangInfo
{
    quint8 Index = 0;
    QString NameLang;
    QString LibPath;
    QString VersionLang;
};

// The first `count` characters (code points, so no surrogate pair is split).
QString CutToCharacters(const QString &text, int count);

// Where text lookups go: the built-in English or the selected language module, found in
// "../lang/" relative to the current directory.
class TMLang
{
public:
    // Finds the modules; no language is current yet.
    TMLang();
    ~TMLang();
    TMLang(const TMLang &) = delete;
    TMLang &operator=(const TMLang &) = delete;

    static QString BuiltInName() { return QStringLiteral("English (EN)"); }
    static QString LangFolder() { return QStringLiteral("../lang/"); }
    // File names a language module may have.
    static QString ModuleMask();

    // Appends "English (EN)" and binds the lookups to the catalogue.
    void RegisterBuiltIn();
    // Gives the info its Index and appends it; returns its position.
    int AddLanguage(tagLangInfo info);
    // Selects the first language of that display name (cut to 15 characters, any letter
    // case). -1 when no entry matches, leaving everything as it was, or when its module
    // cannot be bound, falling back to the built-in language.
    int SelectLanguage(const QString &name);
    void BindBuiltIn();

    // A copy of the current language's text for the key; empty when it has none.
    QString GetText(const char *key) const;
    QString GetText(const QString &key) const;

    QString CurrentName() const;
    int CurrentPosition() const { return m_current; }
    int BuiltInPosition() const { return m_builtIn; }
    const QList<tagLangInfo> &Languages() const { return m_languages; }

    // Releases the loaded module; the built-in language takes over.
    void Unload();

private:
    void FindModules();

    std::unique_ptr<QLibrary> m_module;
    int m_current = -1;
    int m_builtIn = -1;
    QList<tagLangInfo> m_languages;
    TLookup m_lookup;
};
