#include "stop_signals.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// A signal handler may only touch async-signal-safe things; the write end
// of a pipe is one.
volatile std::sig_atomic_t g_writeEnd = -1;

// A closed terminal (SIGHUP) ends a program the same way as a kill or Ctrl+C.
constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onStopSignal(int)
{
    const char mark = 's';
    [[maybe_unused]] const ssize_t ignored = ::write(g_writeEnd, &mark, 1);
}
} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    int ends[2];
    if (::pipe(ends) != 0)
        return;
    for (int end : ends) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    m_readEnd = ends[0];
    g_writeEnd = ends[1];
    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::drain);

    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int stop : kStopSignals)
        ::sigaction(stop, &action, nullptr);
}

StopSignals::~StopSignals()
{
    for (int stop : kStopSignals)
        ::signal(stop, SIG_DFL);
    m_notifier.reset();
    if (m_readEnd >= 0)
        ::close(m_readEnd);
    if (g_writeEnd >= 0)
        ::close(g_writeEnd);
    g_writeEnd = -1;
}

void StopSignals::drain()
{
    std::array<char, 16> marks;
    while (::read(m_readEnd, marks.data(), marks.size()) > 0) {
    }
    emit stopRequested();
}
