#pragma once

// A conversion run over the rows of the sources view. The thread only hands the whole
// run to the thread the object lives in (the user-interface thread) and waits; the run
// keeps the window alive by pumping events at fixed points, which is also how a stop
// request reaches it.

#include "engine/unitConvertSteps.h"

#include <QList>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class QFile;
class TMagickImage;
class TSourcesModel;

// What the run drives besides the rows: the gauge and the view that shows them.
class TRunDisplay
{
public:
    virtual ~TRunDisplay() = default;
    // Position 0 to 100.
    virtual void SetGauge(int position) = 0;
    virtual void ScrollToTop() {}
    // A row is finished: scroll it into view and repaint the gauge and the rows. The
    // output is the file the row was written to (one-output mode) or will be written
    // into (multipage).
    virtual void RowFinished(int row, const QString &output) { Q_UNUSED(row) Q_UNUSED(output) }
    // Multipage: the final write is over; the rows that gave frames carry its result.
    virtual void CollectionWritten(const QList<int> &rows, const QString &output)
    {
        Q_UNUSED(rows) Q_UNUSED(output)
    }
    // Handles pending events; the default pumps the application's queue.
    virtual void Pump();
};

// The single output file of a multipage run for the file the user chose: its extension
// (from the name's last "." on) replaced by "." and the target format's code.
QString MultipageOutputPath(const QString &chosen, const QString &targetExt);

class TThreadConvert : public QThread
{
    Q_OBJECT

public:
    // Quality comes from the current project now; MultiPages and CounterStart when the
    // run starts. The rows and the display must outlive the run.
    TThreadConvert(TSourcesModel &rows, TRunDisplay &display, QObject *parent = nullptr);
    ~TThreadConvert() override;

    // The single output file of a multipage run.
    void SetMultipagePath(const QString &path) { m_multipagePath = path; }
    // Looked at before each row; the row in work is finished first.
    void Stop() { m_stop.store(true); }

    // The text of an error that ended the run early, empty otherwise.
    QString EscapedError() const { return m_escapedError; }
    bool Multipage() const { return m_multipage; }

    // Starts the thread; once the run has ended, `completion` is called on this object's
    // thread and the object then frees itself. Do not use the pointer after completion.
    void Launch(std::function<void(TThreadConvert &run)> completion);

    // The whole run on the calling thread; run() calls it on the object's thread.
    void Execute();

    static int RoundHalfToEven(double value);

protected:
    void run() override;

private:
    bool stopRequested() const;
    QString sourcePath(int row) const;
    void stage(int position);
    void finishRow(int row, const QString &output);
    struct TReadProblem
    {
        QString Text; // empty when the source was read cleanly
        bool Refused = false; // never handed to the library, or refused by its policy
        bool Corrupt = false; // the decoder said the source is damaged
    };
    TReadProblem readSource(int row, const QString &source,
                            const std::function<void(QFile &file)> &decode);
    void oneOutputLoop();
    void multipageLoop();

    TSourcesModel &m_rows;
    TRunDisplay &m_display;
    TRunSettings m_settings;
    std::unique_ptr<TMagickImage> Image;
    QString m_multipagePath;
    QString m_escapedError;
    // Not the thread's interruption flag: that one is ignored while the thread is not
    // running, and the run may be executed on the caller's thread.
    std::atomic<bool> m_stop{false};
    bool m_multipage = false;
    double ProgressStep = 0;
    double ProgressTotal = 0;
};
