#include "engine/unitRename.h"

#include "engine/unitConvertSteps.h"
#include "engine/unitNamePattern.h"
#include "project/unitFavor.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <vector>

namespace {

struct TNameEntry
{
    QString Path;
    qint64 Next = 1;
};

struct TNamingState
{
    std::vector<TNameEntry> Registry;
    qint64 RunCounter = 1;
    // The {n} of name patterns, one number per source named.
    qint64 PatternCounter = 1;
    QDateTime RunStart;
    TSourcePaths Sources;
    // Names handed out in this run: taken as if written, so that a name never depends
    // on whether an earlier row's write is over yet.
    TSourcePaths Given;
    TNamingEnvironment Environment = SystemNamingEnvironment();
};

TNamingState &state()
{
    static TNamingState naming;
    return naming;
}

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

bool isSource(const QString &path) { return state().Sources.Contains(path); }

bool isTaken(const QString &path)
{
    return isSource(path) || state().Given.Contains(path) || state().Environment.FileExists(path);
}

QString give(const QString &path)
{
    state().Given.Add(path);
    return path;
}

TOutputRules outputRules()
{
    const TCnvJob *job = CurrentJob();
    return job ? TOutputRules::From(job->Options) : TOutputRules();
}

QString outputBase(const QString &fileName, const QString &folder, const QString &pattern)
{
    TNamingState &naming = state();
    const bool patterned = !pattern.isEmpty();
    const QString base = PatternBaseName(pattern, fileName, folder, naming.PatternCounter,
                                         naming.RunStart, naming.Environment.Probe);
    if (patterned)
        ++naming.PatternCounter;
    return base;
}

int collisionMode()
{
    const TCnvJob *job = CurrentJob();
    return job && job->RenameMode == 1 ? 1 : 0;
}

// Tries candidates of entry `index` until one names neither a source nor a file.
QString firstFreeCandidate(int index)
{
    const int mode = collisionMode();
    for (;;) {
        const QString candidate = CollisionName(index, mode);
        if (!isTaken(candidate))
            return candidate;
        if (mode == 1)
            state().Environment.SleepPastSecond(state().Environment.Now());
    }
}

} // namespace

TNamingEnvironment SystemNamingEnvironment()
{
    TNamingEnvironment environment;
    environment.FileExists = [](const QString &path) { return QFileInfo::exists(path); };
    environment.Probe = [](const QString &sourcePath) {
        const TCnvJob *job = CurrentJob();
        const TCnvJob fallback{QString()};
        const TCnvJob &project = job ? *job : fallback;
        return ProbeSource(sourcePath, project, TRunSettings(project));
    };
    environment.Now = [] { return QDateTime::currentDateTime(); };
    environment.SleepPastSecond = [](const QDateTime &moment) {
        const QTime time = moment.time();
        const int wait = 1000 - time.msec();
        QThread::msleep(ulong(qMax(1, wait)));
    };
    return environment;
}

void SetNamingEnvironment(const TNamingEnvironment &environment)
{
    state().Environment = environment;
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

bool IsRunSource(const QString &path) { return isSource(path); }

bool OutputMayReplaceFiles()
{
    const TCnvJob *job = CurrentJob();
    return job && (job->UseCounter || outputRules().Existing == TExisting::Replace);
}

void ResetNaming(const TSourcePaths &sources)
{
    TNamingState &naming = state();
    naming.Registry.clear();
    naming.Sources = sources;
    naming.Given = TSourcePaths();
    const TCnvJob *job = CurrentJob();
    naming.RunCounter = job ? job->CounterStart : 1;
    naming.PatternCounter = naming.RunCounter;
    naming.RunStart = naming.Environment.Now();
}

QString MakeOutputName(const QString &fileName, const QString &folder, const QString &root)
{
    const TCnvJob *job = CurrentJob();
    const TOutputRules rules = outputRules();
    const bool toDestination = job && job->UseDestDir == 1;
    QString folderPart = toDestination ? job->DestDir : folder;
    if (!folderPart.endsWith(QLatin1Char('/')))
        folderPart += QLatin1Char('/');
    if (toDestination && rules.KeepFolders)
        folderPart += KeptSubfolder(folder, root);
    QString extension = job ? job->TargetExt : QString();
    if (rules.LowerExt)
        extension = extension.toLower();
    return folderPart + outputBase(fileName, folder, rules.NamePattern) + QLatin1Char('.') + extension;
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
    if (probe && (PatternUses(pattern, TNameField::Taken) || PatternUses(pattern, TNameField::Width)
                  || PatternUses(pattern, TNameField::Height))) {
        const TSourceFacts facts = probe(EntryKey(folder, fileName));
        fields.Taken = facts.Taken;
        fields.Width = facts.Width;
        fields.Height = facts.Height;
    }
    return ApplyNamePattern(pattern, fields);
}

QString PreviewOutputName(const TCnvJob &job, const QString &fileName, const QString &folder)
{
    const TOutputRules rules = TOutputRules::From(job.Options);
    const QString extension = rules.LowerExt ? job.TargetExt.toLower() : job.TargetExt;
    const QString base = PatternBaseName(rules.NamePattern, fileName, folder, job.CounterStart,
                                         state().Environment.Now(), state().Environment.Probe);
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

QString ResolveOutputName(const QString &path)
{
    const TCnvJob *job = CurrentJob();
    if (job && job->UseCounter) {
        const QString counted = CounterName(path);
        // An existing output may be replaced, a source never.
        if (!isSource(counted))
            return give(counted);
        return give(firstFreeCandidate(RegisterExisting(counted)));
    }
    const int index = RegisterExisting(path);
    if (index < 0)
        return give(path);
    return give(firstFreeCandidate(index));
}

TOutputTarget ResolveOutput(const QString &path)
{
    const TCnvJob *job = CurrentJob();
    const TExisting existing = outputRules().Existing;
    // Only a file from before the run is kept or replaced; an output of this run and a
    // source are numbered round as always.
    if (!(job && job->UseCounter) && existing != TExisting::Number && !isSource(path)
        && !state().Given.Contains(path) && state().Environment.FileExists(path)) {
        give(path);
        return TOutputTarget{path, existing == TExisting::Skip};
    }
    return TOutputTarget{ResolveOutputName(path), false};
}

QString CounterName(const QString &path)
{
    TNamingState &naming = state();
    const QString result =
        stemOf(path) + kSeparator + QString::number(naming.RunCounter) + extensionOf(path);
    ++naming.RunCounter;
    return result;
}

int RegisterExisting(const QString &path)
{
    if (!isTaken(path))
        return -1;
    std::vector<TNameEntry> &registry = state().Registry;
    for (size_t i = 0; i < registry.size(); ++i) {
        if (registry[i].Path.compare(path, FileNameCase()) == 0)
            return int(i);
    }
    registry.push_back(TNameEntry{path, 1});
    return int(registry.size() - 1);
}

QString CollisionName(int index, int mode)
{
    TNameEntry &entry = state().Registry.at(size_t(index));
    const QString stem = stemOf(entry.Path) + kSeparator;
    const QString extension = extensionOf(entry.Path);
    if (mode == 1)
        return stem + state().Environment.Now().toString(QStringLiteral("hhmmss")) + extension;
    return stem + QString::number(entry.Next++) + extension;
}

int NamingRegistryCount() { return int(state().Registry.size()); }

QString NamingRegistryPath(int index) { return state().Registry.at(size_t(index)).Path; }

qint64 NamingRegistryNext(int index) { return state().Registry.at(size_t(index)).Next; }

qint64 NamingRunCounter() { return state().RunCounter; }
