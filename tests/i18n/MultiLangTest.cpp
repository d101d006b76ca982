#include "LangFixture.h"

#include "i18n/unitDclLang.h"
#include "i18n/unitMultiLang.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

namespace {

QStringList Names(const TMLang &lang)
{
    QStringList names;
    for (const tagLangInfo &info : lang.Languages())
        names.append(info.NameLang);
    return names;
}

// Start-up as the program does it.
void StartUp(TMLang &lang)
{
    lang.RegisterBuiltIn();
    lang.SelectLanguage(TMLang::BuiltInName());
}

QString Leading(const QString &text)
{
    qsizetype n = 0;
    while (n < text.size() && text.at(n) == QLatin1Char(' '))
        ++n;
    return text.left(n);
}

QString Trailing(const QString &text)
{
    qsizetype n = 0;
    while (n < text.size() && text.at(text.size() - 1 - n) == QLatin1Char(' '))
        ++n;
    return text.right(n);
}

} // namespace

TEST(LangDiscovery, WithoutALangFolderOnlyEnglishIsListed)
{
    TLangSandbox sandbox({}, false);
    TMLang lang;
    EXPECT_TRUE(lang.Languages().isEmpty());
    EXPECT_EQ(lang.CurrentPosition(), -1);
    EXPECT_EQ(lang.CurrentName(), QString());
    StartUp(lang);
    ASSERT_EQ(lang.Languages().size(), 1);
    const tagLangInfo &english = lang.Languages().at(0);
    EXPECT_EQ(english.NameLang, QStringLiteral("English (EN)"));
    EXPECT_EQ(english.LibPath, QStringLiteral("n/a"));
    EXPECT_EQ(english.VersionLang, QStringLiteral("n/a"));
    EXPECT_EQ(english.Index, 0);
    EXPECT_EQ(lang.BuiltInPosition(), 0);
    EXPECT_EQ(lang.CurrentPosition(), 0);
    EXPECT_EQ(lang.CurrentName(), QStringLiteral("English (EN)"));
    EXPECT_EQ(lang.GetText("PAD_FILE"), QStringLiteral("File"));
}

TEST(LangDiscovery, AnEmptyLangFolderListsOnlyEnglish)
{
    TLangSandbox sandbox;
    TMLang lang;
    StartUp(lang);
    EXPECT_EQ(Names(lang), QStringList{QStringLiteral("English (EN)")});
}

TEST(LangDiscovery, ListsLoadableNamedModulesInFolderOrderThenEnglish)
{
    TLangSandbox sandbox({QStringLiteral("de"), QStringLiteral("ru"), QStringLiteral("NoName"),
                          QStringLiteral("NoString"), QStringLiteral("Nulls")});
    sandbox.writeFile(QStringLiteral("broken.so"), "this is not a shared library\n");
    sandbox.writeFile(QStringLiteral("empty.so"), QByteArray());
    QFile::copy(ModuleFile(QStringLiteral("Echo")), sandbox.langFolder() + QStringLiteral("/echo.so.bak"));
    QFile::copy(ModuleFile(QStringLiteral("Echo")), sandbox.langFolder() + QStringLiteral("/ECHO.SO"));
    QDir(sandbox.langFolder()).mkdir(QStringLiteral("folder.so"));

    // The order the file system hands out, of the modules that qualify.
    QStringList expectedFiles;
    const QStringList entries = QDir(sandbox.langFolder()).entryList(QDir::Files, QDir::Unsorted);
    for (const QString &entry : entries) {
        if (QStringList{QStringLiteral("de.so"), QStringLiteral("ru.so"), QStringLiteral("NoString.so"),
                        QStringLiteral("Nulls.so")}.contains(entry))
            expectedFiles.append(entry);
    }

    TMLang lang;
    StartUp(lang);
    const QList<tagLangInfo> &languages = lang.Languages();
    ASSERT_EQ(languages.size(), 5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(languages.at(i).LibPath, QStringLiteral("../lang/") + expectedFiles.at(i));
        EXPECT_EQ(languages.at(i).Index, i);
    }
    EXPECT_EQ(languages.at(4).NameLang, QStringLiteral("English (EN)"));
    EXPECT_EQ(lang.BuiltInPosition(), 4);
    EXPECT_EQ(lang.CurrentPosition(), 4);

    const QStringList names = Names(lang);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()),
              (QSet<QString>{QStringLiteral("Deutsch (DE)"), QStringLiteral("Русский (RU)"),
                             QStringLiteral("No Strings (NS)"), QStringLiteral("Empty (XX)"),
                             QStringLiteral("English (EN)")}));
    for (const tagLangInfo &info : languages) {
        if (info.NameLang == QStringLiteral("Deutsch (DE)")) {
            EXPECT_EQ(info.VersionLang, QStringLiteral("0.1.0"));
        }
        if (info.NameLang == QStringLiteral("No Strings (NS)")) {
            EXPECT_EQ(info.VersionLang, QString());
        }
    }
}

TEST(LangDiscovery, LeavesNoModuleLoaded)
{
    TLangSandbox sandbox({QStringLiteral("de"), QStringLiteral("Nulls")});
    const QString german = sandbox.langFolder() + QStringLiteral("/de.so");
    TMLang lang;
    StartUp(lang);
    EXPECT_FALSE(ModuleIsLoaded(german));
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Deutsch (DE)")), 0);
    EXPECT_TRUE(ModuleIsLoaded(german));
    lang.SelectLanguage(QStringLiteral("English (EN)"));
    EXPECT_FALSE(ModuleIsLoaded(german));
    lang.SelectLanguage(QStringLiteral("Deutsch (DE)"));
    lang.Unload();
    EXPECT_FALSE(ModuleIsLoaded(german));
    EXPECT_EQ(lang.CurrentName(), QStringLiteral("English (EN)"));
    EXPECT_EQ(lang.GetText("PAD_FILE"), QStringLiteral("File"));
}

TEST(LangDiscovery, CutsLongNamesAndVersionsToFifteenCharacters)
{
    TLangSandbox sandbox({QStringLiteral("LongName")});
    TMLang lang;
    StartUp(lang);
    ASSERT_EQ(lang.Languages().size(), 2);
    const tagLangInfo &info = lang.Languages().at(0);
    EXPECT_EQ(info.NameLang, QStringLiteral("Очень длинное и"));
    EXPECT_EQ(info.VersionLang, QStringLiteral("версия 1.2.3.4."));
    // Either the full name or its first 15 characters select it, in any case.
    EXPECT_EQ(lang.SelectLanguage(QStringLiteral("очень длинное имя ru")), 0);
    EXPECT_EQ(lang.CurrentName(), QStringLiteral("Очень длинное и"));
    EXPECT_EQ(lang.GetText("PAD_FILE"), QStringLiteral("длинный"));
    lang.SelectLanguage(QStringLiteral("English (EN)"));
    EXPECT_EQ(lang.SelectLanguage(QStringLiteral("ОЧЕНЬ ДЛИННОЕ И")), 0);
}

TEST(LangDiscovery, ModulesOfOneNameAreBothListedAndTheFirstIsSelected)
{
    TLangSandbox sandbox({QStringLiteral("Twin1"), QStringLiteral("Twin2")});
    TMLang lang;
    StartUp(lang);
    ASSERT_EQ(lang.Languages().size(), 3);
    EXPECT_EQ(lang.Languages().at(0).NameLang, QStringLiteral("Twin (TW)"));
    EXPECT_EQ(lang.Languages().at(1).NameLang, QStringLiteral("Twin (TW)"));
    const QString firstText =
        lang.Languages().at(0).LibPath.endsWith(QStringLiteral("Twin1.so")) ? QStringLiteral("twin 1")
                                                                            : QStringLiteral("twin 2");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(lang.SelectLanguage(QStringLiteral("twin (tw)")), 0);
        EXPECT_EQ(lang.GetText("PAD_FILE"), firstText);
    }
}

TEST(LangSelection, FindsNamesInAnyLetterCase)
{
    TLangSandbox sandbox({QStringLiteral("de"), QStringLiteral("ru")});
    TMLang lang;
    StartUp(lang);
    const int german = lang.SelectLanguage(QStringLiteral("DEUTSCH (de)"));
    EXPECT_GE(german, 0);
    EXPECT_EQ(german, lang.CurrentPosition());
    EXPECT_EQ(lang.CurrentName(), QStringLiteral("Deutsch (DE)"));
    EXPECT_EQ(lang.GetText("PAD_FILE"), QStringLiteral("Datei"));
    EXPECT_EQ(lang.GetText("pad_file"), QStringLiteral("Datei"));

    EXPECT_GE(lang.SelectLanguage(QStringLiteral("русский (ru)")), 0);
    EXPECT_EQ(lang.CurrentName(), QStringLiteral("Русский (RU)"));
    EXPECT_EQ(lang.GetText("PAD_FILE"), QStringLiteral("Файл"));

    EXPECT_EQ(lang.SelectLanguage(QStringLiteral("english (en)")), lang.BuiltInPosition());
    EXPECT_EQ(lang.CurrentName(), QStringLiteral("English (EN)"));
    EXPECT_EQ(lang.GetText("PAD_FILE"), QStringLiteral("File"));
}

TEST(LangSelection, AnUnknownNameChangesNothing)
{
    TLangSandbox sandbox({QStringLiteral("de")});
    TMLang lang;
    StartUp(lang);
    const int german = lang.SelectLanguage(QStringLiteral("Deutsch (DE)"));
    ASSERT_GE(german, 0);
    for (const QString &name : {QStringLiteral("Klingon (KL)"), QString(), QStringLiteral("Deutsch")}) {
        EXPECT_EQ(lang.SelectLanguage(name), -1);
        EXPECT_EQ(lang.CurrentPosition(), german);
        // The module is still there to answer.
        EXPECT_EQ(lang.GetText("PAD_HELP"), QStringLiteral("Hilfe"));
    }
}

TEST(LangSelection, FallsBackToEnglishWhenTheModuleIsGone)
{
    TLangSandbox sandbox({QStringLiteral("de"), QStringLiteral("ru")});
    TMLang lang;
    StartUp(lang);
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Русский (RU)")), 0);
    ASSERT_TRUE(QFile::remove(sandbox.langFolder() + QStringLiteral("/de.so")));
    EXPECT_EQ(lang.SelectLanguage(QStringLiteral("Deutsch (DE)")), -1);
    EXPECT_EQ(lang.CurrentPosition(), lang.BuiltInPosition());
    EXPECT_EQ(lang.CurrentName(), QStringLiteral("English (EN)"));
    EXPECT_EQ(lang.GetText("PAD_FILE"), QStringLiteral("File"));
    // The other module still works afterwards.
    EXPECT_GE(lang.SelectLanguage(QStringLiteral("Русский (RU)")), 0);
    EXPECT_EQ(lang.GetText("PAD_FILE"), QStringLiteral("Файл"));
}

TEST(LangSelection, FallsBackToEnglishWhenTheModuleHasNoGetString)
{
    TLangSandbox sandbox({QStringLiteral("de"), QStringLiteral("NoString")});
    const QString noString = sandbox.langFolder() + QStringLiteral("/NoString.so");
    TMLang lang;
    StartUp(lang);
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Deutsch (DE)")), 0);
    EXPECT_EQ(lang.SelectLanguage(QStringLiteral("No Strings (NS)")), -1);
    EXPECT_FALSE(ModuleIsLoaded(noString));
    EXPECT_EQ(lang.CurrentPosition(), lang.BuiltInPosition());
    EXPECT_EQ(lang.CurrentName(), QStringLiteral("English (EN)"));
    EXPECT_EQ(lang.GetText("PAD_HELP"), QStringLiteral("Help"));
}

TEST(LangLookup, NullTextsAndUnknownKeysGiveEmptyTexts)
{
    TLangSandbox sandbox({QStringLiteral("Nulls"), QStringLiteral("de")});
    TMLang lang;
    StartUp(lang);
    EXPECT_EQ(lang.GetText("NO_SUCH_KEY"), QString());
    EXPECT_EQ(lang.GetText(QStringLiteral("pad_file")), QStringLiteral("File"));
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Empty (XX)")), 0);
    for (int i = 0; i < CatalogueDefaultCount; ++i)
        EXPECT_TRUE(lang.GetText(CatalogueDefaults[i].key).isEmpty()) << CatalogueDefaults[i].key;
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Deutsch (DE)")), 0);
    EXPECT_EQ(lang.GetText("NO_SUCH_KEY"), QString());
}

TEST(LangLookup, CopiesEachTextBeforeTheModuleReusesItsMemory)
{
    TLangSandbox sandbox({QStringLiteral("Echo")});
    TMLang lang;
    StartUp(lang);
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Echo (EC)")), 0);
    const QString first = lang.GetText("PAD_FILE");
    const QString second = lang.GetText("PAD_VIEW");
    EXPECT_EQ(first, QStringLiteral("<PAD_FILE>"));
    EXPECT_EQ(second, QStringLiteral("<PAD_VIEW>"));
    EXPECT_EQ(lang.GetText("HINT_EXIT"), QString());
}

TEST(ShippedModules, AnswerEveryCatalogueKeyKeepingTheBlanks)
{
    TLangSandbox sandbox({QStringLiteral("de"), QStringLiteral("ru")});
    TMLang lang;
    StartUp(lang);
    for (const QString &name : {QStringLiteral("Deutsch (DE)"), QStringLiteral("Русский (RU)")}) {
        ASSERT_GE(lang.SelectLanguage(name), 0) << name.toStdString();
        int differing = 0;
        for (int i = 0; i < CatalogueDefaultCount; ++i) {
            const QString english = QString::fromUtf8(CatalogueDefaults[i].text);
            const QString text = lang.GetText(CatalogueDefaults[i].key);
            const std::string where = name.toStdString() + " " + CatalogueDefaults[i].key;
            EXPECT_FALSE(text.trimmed().isEmpty()) << where;
            EXPECT_EQ(Leading(text), Leading(english)) << where;
            EXPECT_EQ(Trailing(text), Trailing(english)) << where;
            EXPECT_TRUE(text.isValidUtf16()) << where;
            EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << where;
            if (text != english)
                ++differing;
        }
        // Only the product name and a few international words may stay as they are.
        EXPECT_GT(differing, 100) << name.toStdString();
        EXPECT_EQ(lang.GetText("NOT_A_KEY"), QString());
    }
}

TEST(ShippedModules, AreFoundFromTheBuildTreeBinFolderWithoutTestModules)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral(PICTAVO_BIN_DIR)));
    {
        TMLang lang;
        StartUp(lang);
        const QStringList names = Names(lang);
        EXPECT_EQ(QSet<QString>(names.begin(), names.end()),
                  (QSet<QString>{QStringLiteral("Deutsch (DE)"), QStringLiteral("Русский (RU)"),
                                 QStringLiteral("English (EN)")}));
        EXPECT_EQ(names.last(), QStringLiteral("English (EN)"));
    }
    QDir::setCurrent(previous);
}

TEST(LangTexts, CutToCharactersNeverSplitsACharacter)
{
    EXPECT_EQ(CutToCharacters(QStringLiteral("abc"), 15), QStringLiteral("abc"));
    EXPECT_EQ(CutToCharacters(QStringLiteral("абвгд"), 3), QStringLiteral("абв"));
    const QString emoji = QString::fromUtf8("a\xF0\x9F\x98\x80" "b");
    EXPECT_EQ(CutToCharacters(emoji, 2), QString::fromUtf8("a\xF0\x9F\x98\x80"));
    EXPECT_EQ(CutToCharacters(emoji, 1), QStringLiteral("a"));
    EXPECT_EQ(CutToCharacters(QString(), 5), QString());
}
