#include "engine/unitRename.h"

#include "project/unitFavor.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"

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

QString TOutputNaming::give(const QString &path)
{
    m_given.Add(path);
    return path;
}

bool TOutputNaming::isTaken(const QString &path) const
{
    return IsRunSource(path) || m_environment.FileExists(path);
}

// Tries candidates of entry `index` until one names neither a source nor a file.
QString TOutputNaming::firstFreeCandidate(int index, bool filesCount)
{
    const int mode = m_project->RenameMode == 1 ? 1 : 0;
    for (;;) {
        const QString candidate = CollisionName(index, mode);
        const bool taken = filesCount ? isTaken(candidate)
                                      : IsRunSource(candidate) || m_given.Contains(candidate);
        if (!taken)
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
    m_patternCounter = m_runCounter;
    m_runStart = m_environment.Now();
}

QString TOutputNaming::MakeOutputName(const QString &fileName, const QString &folder,
                                      const QString &root)
{
    const TOutputRules rules = TOutputRules::From(m_project->Options);
    const bool toDestination = m_project->UseDestDir == 1;
    QString folderPart = toDestination ? m_project->DestDir : folder;
    if (!folderPart.endsWith(QLatin1Char('/')))
        folderPart += QLatin1Char('/');
    if (toDestination && rules.KeepFolders)
        folderPart += KeptSubfolder(folder, root);
    const QString extension = rules.LowerExt ? m_project->TargetExt.toLower() : m_project->TargetExt;
    const QString base = PatternBaseName(rules.NamePattern, fileName, folder, m_patternCounter,
                                         m_runStart, m_environment.Probe);
    if (!rules.NamePattern.isEmpty())
        ++m_patternCounter;
    return folderPart + base + QLatin1Char('.') + extension;
}

QString TOutputNaming::ResolveOutputName(const QString &path)
{
    if (m_project->UseCounter) {
        const QString counted = CounterName(path);
        // An existing output may be replaced, a source never.
        if (!IsRunSource(counted))
            return counted;
        return firstFreeCandidate(RegisterExisting(counted));
    }
    const int index = RegisterExisting(path);
    if (index < 0)
        return path;
    return firstFreeCandidate(index);
}

QString TOutputNaming::NextName(const QString &path, const QString &taken)
{
    const int mode = m_project->RenameMode == 1 ? 1 : 0;
    // The clock names one candidate a second.
    if (mode == 1 && taken != path)
        m_environment.SleepPastSecond(m_environment.Now());
    return firstFreeCandidate(entryFor(m_project->UseCounter ? taken : path));
}

TOutputNaming::TTarget TOutputNaming::ResolveOutput(const QString &path)
{
    const TExisting existing = TOutputRules::From(m_project->Options).Existing;
    if (m_project->UseCounter || existing == TExisting::Number)
        return TTarget{ResolveOutputName(path), false};
    // Only a file from before the run is kept or replaced. A name a source or another
    // output of this run holds is numbered, and the numbers go on over files from before,
    // so that the same sources meet the same names again on the next run.
    QString target = path;
    if (IsRunSource(path) || m_given.Contains(path))
        target = firstFreeCandidate(entryFor(path), false);
    const bool exists = m_environment.FileExists(target);
    return TTarget{give(target), exists && existing == TExisting::Skip};
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
    return isTaken(path) ? entryFor(path) : -1;
}

int TOutputNaming::entryFor(const QString &path)
{
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

QString PatternBaseName(const QString &pattern, const QString &fileName, const QString &folder,
                        qint64 counter, const QDateTime &runStart,
                        const std::function<TSourceFacts(const QString &)> &probe)
{
    if (pattern.isEmpty() || CheckNamePattern(pattern).What != TPatternProblem::None)
        return BaseOfFileName(fileName);
    TNameFields fields;
    fields.FileName = fileName;
    fields.Folder = folder;
    fields.Counter = counter;
    fields.RunStart = runStart;
    if (PatternUses(pattern, TNameField::Taken) || PatternUses(pattern, TNameField::Width)
        || PatternUses(pattern, TNameField::Height)) {
        const QString source = EntryKey(folder, fileName);
        TSourceFacts facts;
        if (probe)
            facts = probe(source);
        else
            facts.Taken = QFileInfo(source).lastModified();
        fields.Taken = facts.Taken;
        fields.Width = facts.Width;
        fields.Height = facts.Height;
    }
    return ApplyNamePattern(pattern, fields);
}

QString PreviewOutputName(const TCnvJob &project, const QString &fileName, const QString &folder,
                          const TNamingEnvironment &environment)
{
    const TOutputRules rules = TOutputRules::From(project.Options);
    const QString extension = rules.LowerExt ? project.TargetExt.toLower() : project.TargetExt;
    const QString base = PatternBaseName(rules.NamePattern, fileName, folder, project.CounterStart,
                                         environment.Now(), environment.Probe);
    return extension.isEmpty() ? base : base + QLatin1Char('.') + extension;
}

QString KeptSubfolder(const QString &folder, const QString &root)
{
    if (root.isEmpty() || !folder.startsWith(root, FileNameCase()))
        return QString();
    QString below = folder.mid(root.size());
    if (!below.isEmpty() && !below.endsWith(QLatin1Char('/')))
        below += QLatin1Char('/');
    return below;
}

bool OutputMayReplaceFiles(const TCnvJob &project)
{
    return project.UseCounter || TOutputRules::From(project.Options).Existing == TExisting::Replace;
}
