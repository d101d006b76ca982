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

class TCnvJob;

// What the naming asks of the outside world; tests replace the clock.
struct TNamingEnvironment
{
    std::function<bool(const QString &path)> FileExists;
    // Asked only for a pattern that names {taken}, {width} or {height}.
    std::function<TSourceFacts(const QString &sourcePath)> Probe;
    std::function<QDateTime()> Now;
    // Blocks until the clock has moved past `moment`'s second.
    std::function<void(const QDateTime &moment)> SleepPastSecond;
};

TNamingEnvironment SystemNamingEnvironment();
void SetNamingEnvironment(const TNamingEnvironment &environment);

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

// Whether the path is one of the sources handed to ResetNaming.
bool IsRunSource(const QString &path);
// Whether the outputs of the run may replace existing files: the project counts its
// outputs, or says to replace them.
bool OutputMayReplaceFiles();

// Empties the registry, takes the run's sources and starts the counter at the current
// project's CounterStart. Called once when a run starts.
void ResetNaming(const TSourcePaths &sources = TSourcePaths());

// Destination folder (or the source's folder), the name up to its first dot, "." and
// the target format code as stored. The project's own settings may keep the source's
// subfolders below the searched folder `root`, name the output by a pattern and write
// the code in lower case.
QString MakeOutputName(const QString &fileName, const QString &folder,
                       const QString &root = QString());
// The output's name without extension: the pattern's result for the source, or the name
// up to its first dot when there is no usable pattern. `probe` is asked only when the
// pattern needs what it tells.
QString PatternBaseName(const QString &pattern, const QString &fileName, const QString &folder,
                        qint64 counter, const QDateTime &runStart,
                        const std::function<TSourceFacts(const QString &sourcePath)> &probe);
// The file name the project would give the first output of a run from this source now.
QString PreviewOutputName(const TCnvJob &job, const QString &fileName, const QString &folder);
// The part of `folder` below `root`, ending with "/", or empty when it is not below it.
QString KeptSubfolder(const QString &folder, const QString &root);
// Numbers the path when the project counts its outputs, otherwise moves it off existing
// files; in both modes it is moved off the run's sources.
QString ResolveOutputName(const QString &path);
// The same, with the project's rule for an output whose name an existing file holds: a
// file that is neither a source nor an output of this run may be kept (Skip: the row
// writes nothing) or replaced (Replace); otherwise the name is numbered as above.
struct TOutputTarget
{
    QString Path;
    bool Skip = false;
};
TOutputTarget ResolveOutput(const QString &path);

// stem + "_" + the run counter + extension; the counter moves on. It counts in 64 bits,
// so a run that starts near the largest 32-bit number goes on with larger ones.
QString CounterName(const QString &path);
// -1 when the path is free; otherwise the registry entry for it, made on first sight.
int RegisterExisting(const QString &path);
// A candidate for entry `index`: its next number (mode 0) or the local time "hhmmss"
// (mode 1).
QString CollisionName(int index, int mode);

// The registry as it stands, for tests: paths and their next numbers.
int NamingRegistryCount();
QString NamingRegistryPath(int index);
qint64 NamingRegistryNext(int index);
qint64 NamingRunCounter();
