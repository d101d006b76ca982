#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Folder that holds the real MagickCore library file.
QString MagickLibraryFolder();

// Looks a function up in the MagickCore library the process has loaded, for tests that
// make or inspect images with calls the program itself never needs.
void *MagickSymbol(const char *name);

template <typename Function>
Function *MagickEntry(const char *name)
{
    return reinterpret_cast<Function *>(MagickSymbol(name));
}

struct TProcessResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs an executable of the build tree (bin/) and waits for it.
TProcessResult RunProgram(const QString &program, const QStringList &arguments,
                          const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                          const QString &workingFolder = QString());

// Writes bytes to a file, creating or replacing it; fails the test when it cannot.
void WriteFileBytes(const QString &path, const QByteArray &bytes);
QByteArray ReadFileBytes(const QString &path);

// Limits the size of files this process writes, so that writes past the limit fail as on a
// full disk, for root as well. Restores the earlier limit when it goes.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(qint64 bytes);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit &) = delete;
    TFileSizeLimit &operator=(const TFileSizeLimit &) = delete;

private:
    unsigned long long m_current = 0;
    unsigned long long m_maximum = 0;
    void (*m_handler)(int) = nullptr;
};
