#pragma once

// Ctrl+C, SIGTERM and SIGHUP reach the event loop through a pipe, the only thing a
// handler may touch: the program then stops its run after the files in work, keeps the
// report and ends the normal way, so that nothing is left half-written and its temporary
// folders are removed.

#include <QSocketNotifier>

#include <csignal>
#include <iterator>
#include <memory>

class TStopSignals
{
    Q_DISABLE_COPY_MOVE(TStopSignals)

public:
    // Takes over the three signals until destroyed; one object at a time.
    TStopSignals();
    ~TStopSignals();
    // Activated when a signal came; null when the pipe could not be made.
    QSocketNotifier *Notifier() const { return m_notifier.get(); }
    // Empties the pipe, so that the notifier fires again for the next signal.
    static void Drain();

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_previous[std::size(kSignals)] = {};
    std::unique_ptr<QSocketNotifier> m_notifier;
};
