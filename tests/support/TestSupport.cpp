#include "support/TestSupport.h"

#include "engine/unitImageLibrary.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

#include <dlfcn.h>
#include <sys/resource.h>

QString MagickLibraryFolder() { return QStringLiteral(PICTAVO_MAGICK_LIBDIR); }

void *MagickSymbol(const char *name)
{
    // RTLD_NOLOAD: only the copy the binding loaded, never a second one.
    void *handle = dlopen(QFile::encodeName(ImageLibraryFileName()).constData(),
                          RTLD_NOW | RTLD_NOLOAD);
    if (!handle)
        return nullptr;
    void *symbol = dlsym(handle, name);
    dlclose(handle);
    return symbol;
}

TProcessResult RunProgram(const QString &program, const QStringList &arguments,
                          const QProcessEnvironment &environment, const QString &workingFolder)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start(QStringLiteral(PICTAVO_BIN_DIR) + QLatin1Char('/') + program, arguments);
    TProcessResult result;
    if (!process.waitForStarted(30000)) {
        ADD_FAILURE() << "cannot start " << program.toStdString();
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(300000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
        process.kill();
        process.waitForFinished();
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

void WriteFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

TFileSizeLimit::TFileSizeLimit(qint64 bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    m_current = limit.rlim_cur;
    m_maximum = limit.rlim_max;
    // A write past the limit then fails with EFBIG instead of ending the process.
    m_handler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
}

TFileSizeLimit::~TFileSizeLimit()
{
    rlimit limit{};
    limit.rlim_cur = rlim_t(m_current);
    limit.rlim_max = rlim_t(m_maximum);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_handler);
}
