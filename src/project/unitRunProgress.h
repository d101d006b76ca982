#pragma once

// The figures of a run as it goes: files done of the total, failed so far, time spent and
// time left at the run's own pace, and the files in work. Fed by the run's display on
// one thread; the clock is handed in, so that the figures can be checked at fixed times.

#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

class TRunProgress
{
public:
    // Milliseconds from any fixed point.
    using TClock = std::function<qint64()>;
    // Files done before the time left is told: the first ones carry the start's costs.
    static constexpr int FilesBeforeEstimate = 3;

    explicit TRunProgress(TClock clock = {});

    void Begin(int total);
    void Started(int row, const QString &name);
    void Finished(int row, bool failed);

    int Total() const { return m_total; }
    int Done() const { return m_done; }
    int Failed() const { return m_failed; }
    qint64 ElapsedMs() const;
    // -1 until FilesBeforeEstimate files are done; 0 once all are.
    qint64 RemainingMs() const;
    // Names of the files in work, in the order they were started.
    QStringList InWork() const { return m_inWork.values(); }

    // "0:07", "12:34", "1:02:03"; empty for a negative time.
    static QString Duration(qint64 ms);
    // One line: "12/300 files, 1 failed, 0:42 elapsed, 6:13 left: a.jpg, b.jpg".
    QString Line() const;

private:
    TClock m_clock;
    qint64 m_start = 0;
    int m_total = 0;
    int m_done = 0;
    int m_failed = 0;
    QMap<int, QString> m_inWork;
};
