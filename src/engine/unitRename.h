#pragma once

// Output names of the one-output mode: the plain path of a source's output, then
// numbering or collision handling so that an output lands neither on an existing file
// nor on a source of the run.

#include "engine/unitNamePattern.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// What the naming asks of the outside world; tests replace the clock.
struct TNamingEnvironment
{
    std::function<bool(const QString &path)> FileExists;
    // What a name pattern needs of a source beyond its name; asked only for a pattern
    // that names {taken}, {width} or {height}. Unset: the file's time alone.
    std::function<TSourceFacts(const QString &sourcePath)> Probe;
    std::function<QDateTime()> Now;
    // Blocks until the clock has moved past `moment`'s second.
    std::function<void(const QDateTime &moment)> SleepPastSecond;
};

TNamingEnvironment SystemNamingEnvironment();

// The source files of the run: no output may take one of their paths, whether or not
// the file is still there. Paths are compared after resolving "." and ".." and the
// folder's symbolic links.
class TSourcePaths
{
public:
    TSourcePaths() = default;
    explicit TSourcePaths(const QStringList &paths);
    void Add(const QString &path);
    bool Contains(const QString &path) const;
    static QString Key(const QString &path);

private:
    QSet<QString> m_keys;
};

class TCnvJob;

// The naming state of one run: the registry of names met as existing files, the counter
// and the run's sources. It reads the project at each call; the project must outlive it.
// A name is settled just before its file is placed, so the files placed are what it tests.
class TOutputNaming
{
public:
    explicit TOutputNaming(const TCnvJob &project,
                           TNamingEnvironment environment = SystemNamingEnvironment());

    void SetEnvironment(const TNamingEnvironment &environment) { m_environment = environment; }
    // Names what follows as `project` says (it must outlive the calls), within the same
    // registry and handed-out names: the projects of one run never share a name.
    void NameFor(const TCnvJob &project) { m_project = &project; }
    // What the patterns of the project named next learn of a source.
    void SetProbe(const std::function<TSourceFacts(const QString &sourcePath)> &probe)
    {
        m_environment.Probe = probe;
    }

    // Empties the registry, takes the run's sources and starts the counter at the
    // project's CounterStart. Called once when a run starts.
    void ResetNaming(const TSourcePaths &sources = TSourcePaths());

    // Destination folder (or the source's folder), the name up to its first dot, "." and
    // the target format code as stored. The project's own settings may keep the source's
    // subfolders below the searched folder `root`, name the output by a pattern (whose
    // counter moves on) and write the code in lower case.
    QString MakeOutputName(const QString &fileName, const QString &folder,
                           const QString &root = QString());
    // Numbers the path when the project counts its outputs, otherwise moves it off
    // existing files; in both modes it is moved off the run's sources.
    QString ResolveOutputName(const QString &path);
    // The same, with the project's rule for an output whose name an existing file holds:
    // a file that is neither a source nor an output of this run may be kept (Skip: the
    // row writes nothing) or replaced; otherwise the name is numbered as above.
    struct TTarget
    {
        QString Path;
        bool Skip = false;
    };
    TTarget ResolveOutput(const QString &path);

    // The name after `taken`, which the placing found taken (by a per-frame file or by
    // another process): a candidate of the plain path's entry.
    QString NextName(const QString &path, const QString &taken);

    // stem + "_" + the run counter + extension; the counter moves on. It counts in 64
    // bits, so a run that starts near the largest 32-bit number goes on with larger ones.
    QString CounterName(const QString &path);
    // -1 when the path is free; otherwise the registry entry for it, made on first sight.
    int RegisterExisting(const QString &path);
    // A candidate for entry `index`: its next number (mode 0) or the local time "hhmmss"
    // (mode 1).
    QString CollisionName(int index, int mode);

    // Whether the path is one of the sources handed to ResetNaming.
    bool IsRunSource(const QString &path) const { return m_sources.Contains(path); }

    // The registry as it stands, for tests: paths and their next numbers.
    int RegistryCount() const { return int(m_registry.size()); }
    QString RegistryPath(int index) const { return m_registry.at(size_t(index)).Path; }
    qint64 RegistryNext(int index) const { return m_registry.at(size_t(index)).Next; }
    qint64 RunCounter() const { return m_runCounter; }

private:
    struct TNameEntry
    {
        QString Path;
        qint64 Next = 1;
    };

    bool isTaken(const QString &path) const;
    QString give(const QString &path);
    // The first candidate that names neither a source nor, when `filesCount`, an existing
    // file, nor otherwise a name this run gave.
    QString firstFreeCandidate(int index, bool filesCount = true);
    // The registry entry for the path, made on first sight.
    int entryFor(const QString &path);

    const TCnvJob *m_project;
    TNamingEnvironment m_environment;
    // The {n} of name patterns, one number per source named, and the run's {date} {time}.
    qint64 m_patternCounter = 1;
    QDateTime m_runStart;
    std::vector<TNameEntry> m_registry;
    qint64 m_runCounter = 1;
    TSourcePaths m_sources;
    // Names a rule for existing files decided when their rows started.
    TSourcePaths m_given;
};

// The output's name without extension: the pattern's result for the source, or the name
// up to its first dot when there is no usable pattern. `probe` is asked only when the
// pattern needs what it tells.
QString PatternBaseName(const QString &pattern, const QString &fileName, const QString &folder,
                        qint64 counter, const QDateTime &runStart,
                        const std::function<TSourceFacts(const QString &sourcePath)> &probe);
// The file name the project would give the first output of a run from this source now.
QString PreviewOutputName(const TCnvJob &project, const QString &fileName, const QString &folder,
                          const TNamingEnvironment &environment = SystemNamingEnvironment());
// The part of `folder` below `root`, ending with "/", or empty when it is not below it.
QString KeptSubfolder(const QString &folder, const QString &root);
// Whether outputs of the project may replace existing files: it counts its outputs, or
// says to replace them.
bool OutputMayReplaceFiles(const TCnvJob &project);
