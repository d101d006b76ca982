#pragma once

// A conversion run over the rows of the sources view. The thread the run object lives in
// (the user-interface thread) names every output in row order and hands each row to a
// job on a pool of its own; jobs decode, transform and write, and post their results
// back. Only that thread touches the rows, the display and the output naming.

#include "engine/unitPixelMemory.h"
#include "engine/unitRunSettings.h"
#include "project/unitReport.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QThreadPool;
class TMemoryBudget;
class TOutputNaming;
class TSourcesModel;
struct TRowResult;
class TStagedOutput;

// What the run drives besides the rows: the gauge and the view that shows them. Called
// on the run object's thread only.
class TRunDisplay
{
public:
    virtual ~TRunDisplay() = default;
    // Position 0 to 100.
    virtual void SetGauge(int position) = 0;
    virtual void ScrollToTop() {}
    // A row has been named and handed to a job.
    virtual void RowStarted(int row) { Q_UNUSED(row) }
    // A row is finished (in the order of the rows): scroll it into view and repaint the
    // gauge and the rows. The output is the file the row was written to (one-output
    // mode, empty when it failed) or will be written into (multipage).
    virtual void RowFinished(int row, const QString &output) { Q_UNUSED(row) Q_UNUSED(output) }
    // Multipage: the final write is over; the rows that gave frames carry its result.
    virtual void CollectionWritten(const QList<int> &rows, const QString &output)
    {
        Q_UNUSED(rows) Q_UNUSED(output)
    }
};

// The single output file of a multipage run for the file the user chose: its extension
// (from the name's last "." on) replaced by "." and the target format's code.
QString MultipageOutputPath(const QString &chosen, const QString &targetExt);

class TThreadConvert : public QObject
{
    Q_OBJECT

public:
    // Everything the run reads comes from `settings`. The rows and the display must
    // outlive the run.
    TThreadConvert(TSourcesModel &rows, TRunDisplay &display, const TRunSettings &settings,
                   QObject *parent = nullptr);
    // Waits for the jobs in flight.
    ~TThreadConvert() override;

    // The single output file of a multipage run.
    void SetMultipagePath(const QString &path) { m_settings.MultipagePath = path; }
    // The run's other projects: every source is also written as each of them says, named
    // from the same registry; one-output mode only. Before the run starts.
    void SetAlsoConvert(const QList<TRunSettings> &others) { m_alsoConvert = others; }
    // Files in work at the same time, 1 to 16; before the run starts.
    void SetFilesAtOnce(int count);
    int FilesAtOnce() const { return m_settings.FilesAtOnce; }
    const TRunSettings &Settings() const { return m_settings; }
    // No row starts after this; the rows in work are finished, their writes included.
    // The report tells the user break.
    void Stop();

    // The text of an error that ended the run early, empty otherwise.
    QString EscapedError() const { return m_escapedError; }
    bool Multipage() const { return m_multipage; }
    bool UserBreak() const { return m_userBreak; }
    // Counts, times and status of the run; complete once it has ended.
    const TConversionSummary &Summary() const { return m_summary; }

    // Starts the run and returns; once it has ended, `completion` is called on this
    // object's thread and the object then frees itself. Do not use the pointer after
    // completion.
    void Launch(std::function<void(TThreadConvert &run)> completion);

    // The whole run, returning when it has ended; events are handled meanwhile.
    void Execute();

    static int RoundHalfToEven(double value);

signals:
    // The run has ended, however it ended.
    void Finished();

private:
    bool stopRequested() const;
    QString sourcePath(int row) const;
    void stage(int position);
    void begin();
    void startRows();
    void startRow(int row);
    // Whether the project's rule for existing files names each row when it starts.
    static bool namesAtStart(const TCnvJob &project);
    // Names what follows as these settings say, their probe included.
    void nameFor(const TRunSettings &settings);
    void skipRow(int row, const QString &existing);
    void rowDone(const std::shared_ptr<TRowResult> &result);
    // The row's final name, settled in row order, and its files moved there; empty when
    // the row has no output.
    QString placeOutput(TRowResult &done, const QString &plain);
    // Names one staged output (`named`: its name is final already) and moves it there;
    // empty, with `error` set when the placing failed, or when there is nothing staged.
    QString placeStaged(TStagedOutput *staged, const QString &plain, const TRunSettings &settings,
                        bool named, QString &error);
    void finishRow(int row, const QString &output);
    void writeCollection();
    void collectionDone(const QString &error);
    void end();

    TSourcesModel &m_rows;
    TRunDisplay &m_display;
    // Fixed once the run has started; every job shares it.
    TRunSettings m_settings;
    std::shared_ptr<const TRunSettings> m_frozen;
    std::unique_ptr<TOutputNaming> m_naming;
    std::shared_ptr<TMemoryBudget> m_budget;
    // The library's large blocks are reused from picture to picture while the run is on.
    std::optional<TPixelMemoryRun> m_pixelMemory;
    QList<TRunSettings> m_alsoConvert;
    QList<std::shared_ptr<const TRunSettings>> m_alsoFrozen;
    std::unique_ptr<QThreadPool> m_pool;
    TConversionSummary m_summary;
    QString m_escapedError;
    std::atomic<bool> m_stop{false};
    bool m_userBreak = false;
    bool m_multipage = false;
    bool m_running = false;
    bool m_ended = false;
    int m_nextRow = 0;     // the next row to start
    int m_nextFinish = 0;  // the next row to finish, in row order
    int m_inFlight = 0;
    bool m_writing = false;
    // Results that came back before an earlier row's.
    QMap<int, std::shared_ptr<TRowResult>> m_waiting;
    QMap<int, QString> m_outputs;
    // Multipage: the rows that gave frames and their frames, in row order.
    QList<int> m_contributed;
    QList<std::shared_ptr<TRowResult>> m_collected;
    double ProgressStep = 0;
    double ProgressTotal = 0;
};
