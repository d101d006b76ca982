#include "project/unitRunProgress.h"

#include <QElapsedTimer>

TRunProgress::TRunProgress(TClock clock) : m_clock(std::move(clock))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
}

void TRunProgress::Begin(int total)
{
    m_start = m_clock();
    m_total = qMax(0, total);
    m_done = 0;
    m_failed = 0;
    m_inWork.clear();
}

void TRunProgress::Started(int row, const QString &name)
{
    m_inWork.insert(row, name);
}

void TRunProgress::Finished(int row, bool failed)
{
    m_inWork.remove(row);
    ++m_done;
    if (failed)
        ++m_failed;
}

qint64 TRunProgress::ElapsedMs() const
{
    return qMax<qint64>(0, m_clock() - m_start);
}

qint64 TRunProgress::RemainingMs() const
{
    if (m_done >= m_total)
        return 0;
    if (m_done < FilesBeforeEstimate)
        return -1;
    return ElapsedMs() * (m_total - m_done) / m_done;
}

QString TRunProgress::Duration(qint64 ms)
{
    if (ms < 0)
        return {};
    const qint64 seconds = (ms + 500) / 1000;
    const auto two = [](qint64 value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    if (seconds >= 3600)
        return QString::number(seconds / 3600) + QLatin1Char(':') + two(seconds / 60 % 60) + QLatin1Char(':')
            + two(seconds % 60);
    return QString::number(seconds / 60) + QLatin1Char(':') + two(seconds % 60);
}

QString TRunProgress::Line() const
{
    QString line = QStringLiteral("%1/%2 files, %3 failed, %4 elapsed")
                       .arg(m_done)
                       .arg(m_total)
                       .arg(m_failed)
                       .arg(Duration(ElapsedMs()));
    const qint64 left = RemainingMs();
    if (left >= 0 && m_done < m_total)
        line += QStringLiteral(", ") + Duration(left) + QStringLiteral(" left");
    if (!m_inWork.isEmpty())
        line += QStringLiteral(": ") + InWork().join(QStringLiteral(", "));
    return line;
}
