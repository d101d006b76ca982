#include "i18n/unitMultiLang.h"

#include "i18n/unitDclLang.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace {

using TNameFunction = const char *(*)();

// Index is 8 bits wide: the built-in language must still get a distinct one.
constexpr int MaxModuleLanguages = 255;

QString TextFromModule(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// Qt shares loaded libraries by file name; a relative name would alias modules of the same
// name found from another current directory.
QString LoadablePath(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

bool SameName(const QString &a, const QString &b)
{
    return a.toUpper() == b.toUpper();
}

} // namespace

QString CutToCharacters(const QString &text, int count)
{
    qsizetype end = 0;
    for (int taken = 0; taken < count && end < text.size(); ++taken) {
        const bool pair = text.at(end).isHighSurrogate() && end + 1 < text.size()
                          && text.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return text.left(end);
}

TMLang::TMLang() : m_lookup(&BuiltInString)
{
    FindModules();
    m_current = -1;
}

TMLang::~TMLang()
{
    Unload();
}

QString TMLang::ModuleMask()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("*.dll");
#else
    return QStringLiteral("*.so");
#endif
}

void TMLang::FindModules()
{
    const QDir folder(LangFolder());
    const QStringList entries = folder.entryList({ModuleMask()},
                                                 QDir::Files | QDir::CaseSensitive, QDir::Unsorted);
    for (const QString &entry : entries) {
        if (m_languages.size() >= MaxModuleLanguages)
            break;
        const QString path = LangFolder() + entry;
        QLibrary library(LoadablePath(path));
        if (!library.load())
            continue;
        const auto name = reinterpret_cast<TNameFunction>(library.resolve("GetNameLang"));
        const auto version = reinterpret_cast<TNameFunction>(library.resolve("GetVersionLang"));
        const QString nameText = name ? TextFromModule(name()) : QString();
        // A nameless language could not be shown in the menu and would capture an empty
        // stored choice, so it is passed over like one without GetNameLang.
        if (!nameText.isEmpty()) {
            tagLangInfo info;
            info.NameLang = CutToCharacters(nameText, LangShortCapacity);
            info.LibPath = path;
            if (version)
                info.VersionLang = CutToCharacters(TextFromModule(version()), LangShortCapacity);
            AddLanguage(std::move(info));
        }
        library.unload();
    }
}

void TMLang::RegisterBuiltIn()
{
    tagLangInfo info;
    info.NameLang = BuiltInName();
    info.LibPath = QStringLiteral("n/a");
    info.VersionLang = QStringLiteral("n/a");
    m_builtIn = AddLanguage(std::move(info));
    BindBuiltIn();
}

int TMLang::AddLanguage(tagLangInfo info)
{
    info.Index = quint8(m_languages.size());
    m_languages.append(std::move(info));
    return int(m_languages.size() - 1);
}

int TMLang::SelectLanguage(const QString &name)
{
    const QString wanted = CutToCharacters(name, LangShortCapacity);
    int found = -1;
    for (int i = 0; i < m_languages.size(); ++i) {
        if (SameName(m_languages.at(i).NameLang, wanted)) {
            found = i;
            break;
        }
    }
    // Nothing is released before a match is known: the current lookups stay valid.
    if (found < 0)
        return -1;

    Unload();
    m_current = found;
    if (found == m_builtIn) {
        BindBuiltIn();
        return m_current;
    }

    auto library = std::make_unique<QLibrary>(LoadablePath(m_languages.at(found).LibPath));
    const auto getString = library->load() ? reinterpret_cast<TLookup>(library->resolve("GetString"))
                                           : nullptr;
    if (!getString) {
        if (library->isLoaded())
            library->unload();
        m_current = m_builtIn;
        BindBuiltIn();
        return -1;
    }
    m_module = std::move(library);
    m_lookup = getString;
    return m_current;
}

void TMLang::BindBuiltIn()
{
    m_lookup = &BuiltInString;
}

QString TMLang::GetText(const char *key) const
{
    return TextFromModule(m_lookup(key ? key : ""));
}

QString TMLang::GetText(const QString &key) const
{
    return GetText(key.toUtf8().constData());
}

QString TMLang::CurrentName() const
{
    if (m_current < 0 || m_current >= m_languages.size())
        return {};
    return m_languages.at(m_current).NameLang;
}

void TMLang::Unload()
{
    if (!m_module)
        return;
    m_lookup = &BuiltInString;
    m_module->unload();
    m_module.reset();
    m_current = m_builtIn;
}
