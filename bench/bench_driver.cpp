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
