#include "project/unitStopSignals.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

int g_stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], &byte, 1);
}

} // namespace

TStopSignals::TStopSignals()
{
    if (::pipe(g_stopPipe) != 0)
        return;
    ::fcntl(g_stopPipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(g_stopPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &m_previous[i]);
    m_notifier = std::make_unique<QSocketNotifier>(g_stopPipe[0], QSocketNotifier::Read);
}

TStopSignals::~TStopSignals()
{
    if (g_stopPipe[0] < 0)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &m_previous[i], nullptr);
    m_notifier.reset();
    ::close(g_stopPipe[0]);
    ::close(g_stopPipe[1]);
    g_stopPipe[0] = g_stopPipe[1] = -1;
}

void TStopSignals::Drain()
{
    char bytes[16];
    while (::read(g_stopPipe[0], bytes, sizeof bytes) > 0) {
    }
}
