#include "bench_driver.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

namespace bench {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

void complain(const QString &line)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(line));
}

Platform quietDesktop()
{
    Platform platform;
    platform.beep = [] {};
    platform.messageBox = [](QWidget *, const QString &text, const QString &) { complain(text); };
    platform.endProgram = [] {};
    return platform;
}

Duration processCpuTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto toDuration = [](const timeval &t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return toDuration(usage.ru_utime) + toDuration(usage.ru_stime);
}

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(limit);
    while (!done() && deadline.isActive())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

} // namespace bench
