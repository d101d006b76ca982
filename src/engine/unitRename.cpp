#include "engine/unitRename.h"

#include "project/unitFavor.h"
#include "project/unitJob.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <vector>

namespace {

const QChar kSeparator = QLatin1Char('_');

// Position of the extension's dot within the file-name part, or -1.
int extensionDot(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? dot : -1;
}

QString stemOf(const QString &path)
{
    const int dot = extensionDot(path);
    return dot < 0 ? path : path.left(dot);
}

QString extensionOf(const QString &path)
{
    const int dot = extensionDot(path);
    return dot < 0 ? QString() : path.mid(dot);
}

} // namespace

TNamingEnvironment SystemNamingEnvironment()
{
    TNamingEnvironment environment;
    environment.FileExists = [](const QString &path) { return QFileInfo::exists(path); };
    environment.Now = [] { return QDateTime::currentDateTime(); };
    environment.SleepPastSecond = [](const QDateTime &moment) {
        const QTime time = moment.time();
        const int wait = 1000 - time.msec();
        QThread::msleep(ulong(qMax(1, wait)));
    };
    return environment;
}

TSourcePaths::TSourcePaths(const QStringList &paths)
{
    for (const QString &path : paths)
        Add(path);
}

void TSourcePaths::Add(const QString &path) { m_keys.insert(Key(path)); }

bool TSourcePaths::Contains(const QString &path) const
{
    return !m_keys.isEmpty() && m_keys.contains(Key(path));
}

QString TSourcePaths::Key(const QString &path)
{
    const QFileInfo info(QDir::cleanPath(path));
    const QString folder = info.absoluteDir().canonicalPath();
    if (folder.isEmpty())
        return info.absoluteFilePath();
    return QDir(folder).filePath(info.fileName());
}

TOutputNaming::TOutputNaming(const TCnvJob &project, TNamingEnvironment environment)
    : m_project(&project), m_environment(std::move(environment))
{
}

bool TOutputNaming::isTaken(const QString &path) const
{
    return IsRunSource(path) || m_given.Contains(path) || m_environment.FileExists(path);
}

QString TOutputNaming::give(const QString &path)
{
    m_given.Add(path);
    return path;
}

// Tries candidates of entry `index` until one names neither a source nor a file.
QString TOutputNaming::firstFreeCandidate(int index)
{
    const int mode = m_project->RenameMode == 1 ? 1 : 0;
    for (;;) {
        const QString candidate = CollisionName(index, mode);
        if (!isTaken(candidate))
            return candidate;
        if (mode == 1)
            m_environment.SleepPastSecond(m_environment.Now());
    }
}

void TOutputNaming::ResetNaming(const TSourcePaths &sources)
{
    m_registry.clear();
    m_sources = sources;
    m_given = TSourcePaths();
    m_runCounter = m_project->CounterStart;
}

QString TOutputNaming::MakeOutputName(const QString &fileName, const QString &folder) const
{
    const int dot = fileName.indexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? fileName : fileName.left(dot);
    QString folderPart = m_project->UseDestDir == 1 ? m_project->DestDir : folder;
    if (!folderPart.endsWith(QLatin1Char('/')))
        folderPart += QLatin1Char('/');
    return folderPart + base + QLatin1Char('.') + m_project->TargetExt;
}

QString TOutputNaming::ResolveOutputName(const QString &path)
{
    if (m_project->UseCounter) {
        const QString counted = CounterName(path);
        // An existing output may be replaced, a source never.
        if (!IsRunSource(counted))
            return give(counted);
        return give(firstFreeCandidate(RegisterExisting(counted)));
    }
    const int index = RegisterExisting(path);
    if (index < 0)
        return give(path);
    return give(firstFreeCandidate(index));
}

QString TOutputNaming::CounterName(const QString &path)
{
    const QString result =
        stemOf(path) + kSeparator + QString::number(m_runCounter) + extensionOf(path);
    ++m_runCounter;
    return result;
}

int TOutputNaming::RegisterExisting(const QString &path)
{
    if (!isTaken(path))
        return -1;
    for (size_t i = 0; i < m_registry.size(); ++i) {
        if (m_registry[i].Path.compare(path, FileNameCase()) == 0)
            return int(i);
    }
    m_registry.push_back(TNameEntry{path, 1});
    return int(m_registry.size() - 1);
}

QString TOutputNaming::CollisionName(int index, int mode)
{
    TNameEntry &entry = m_registry.at(size_t(index));
    const QString stem = stemOf(entry.Path) + kSeparator;
    const QString extension = extensionOf(entry.Path);
    if (mode == 1)
        return stem + m_environment.Now().toString(QStringLiteral("hhmmss")) + extension;
    return stem + QString::number(entry.Next++) + extension;
}
