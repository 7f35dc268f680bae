#pragma once

#include "bench_stats.h"
#include "platform.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>

// What the window benchmarks share: they drive the real windows from
// outside, so unlike the program they turn the event loop themselves.
namespace bench {

void say(const QString &line);
// On standard error, behind the program's name.
void complain(const QString &line);

// No beeps and no dialogs: a message box would stop the run.
Platform quietDesktop();

// Turns the event loop until `done` holds or `limit` has passed.
bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds limit = std::chrono::seconds{5});

template <typename T>
T *child(QObject &parent, const QString &name)
{
    T *found = parent.findChild<T *>(name);
    if (!found)
        qFatal("no %s", qPrintable(name));
    return found;
}

} // namespace bench
