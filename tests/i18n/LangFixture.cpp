#include "LangFixture.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <dlfcn.h>

TLangSandbox::TLangSandbox(const QStringList &modules, bool withLangFolder)
    : m_previous(QDir::currentPath())
{
    EXPECT_TRUE(m_root.isValid());
    EXPECT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("bin")));
    if (withLangFolder) {
        EXPECT_TRUE(QDir(m_root.path()).mkpath(QStringLiteral("lang")));
    }
    for (const QString &module : modules)
        addModule(module);
    EXPECT_TRUE(QDir::setCurrent(m_root.filePath(QStringLiteral("bin"))));
}

TLangSandbox::~TLangSandbox()
{
    QDir::setCurrent(m_previous);
}

QString TLangSandbox::langFolder() const
{
    return m_root.filePath(QStringLiteral("lang"));
}

void TLangSandbox::addModule(const QString &module)
{
    const QString target = langFolder() + QLatin1Char('/') + module + QStringLiteral(".so");
    EXPECT_TRUE(QFile::copy(ModuleFile(module), target)) << target.toStdString();
}

void TLangSandbox::writeFile(const QString &fileName, const QByteArray &bytes)
{
    WriteFileBytes(langFolder() + QLatin1Char('/') + fileName, bytes);
}

QString ModuleFile(const QString &module)
{
    const QString fileName = module + QStringLiteral(".so");
    const QString test = QStringLiteral(PICTAVO_TEST_LANG_DIR "/") + fileName;
    if (QFileInfo::exists(test))
        return test;
    return QStringLiteral(PICTAVO_SHIPPED_LANG_DIR "/") + fileName;
}

bool ModuleIsLoaded(const QString &path)
{
    const QByteArray file = QFileInfo(path).absoluteFilePath().toUtf8();
    void *handle = dlopen(file.constData(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}
