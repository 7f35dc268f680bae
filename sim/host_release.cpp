#include "host_release.h"

#include <QDir>
#include <QFile>
#include <array>
#include <sys/stat.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

HostRelease::HostRelease(const QString &device, int deviceSide, QObject *parent)
    : QObject(parent)
    , m_deviceSide(deviceSide)
    , m_inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_inotify < 0)
        return;
    // A close is reported for every descriptor, also one the kernel closes
    // for a killed process.
    if (::inotify_add_watch(m_inotify, QFile::encodeName(device).constData(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)
        < 0) {
        ::close(m_inotify);
        m_inotify = -1;
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(m_inotify, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &HostRelease::onEvents);
}

HostRelease::~HostRelease()
{
    m_notifier.reset();
    if (m_inotify >= 0)
        ::close(m_inotify);
}

namespace {

// Whether a process other than this one has the character device `device`
// open: every descriptor on the system is looked at, as fuser does.
bool othersHaveItOpen(dev_t device)
{
    const QString self = QString::number(::getpid());
    const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &process : processes) {
        if (process == self || !process.front().isDigit())
            continue;
        const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(process));
        for (const QString &descriptor : descriptors.entryList(QDir::System | QDir::NoDotAndDotDot)) {
            struct stat info {};
            if (::stat(QFile::encodeName(descriptors.filePath(descriptor)).constData(), &info) == 0
                && S_ISCHR(info.st_mode) && info.st_rdev == device) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

void HostRelease::onEvents()
{
    // The kernel folds closes that come together into one event, so they
    // are not counted: whoever still has the line open is looked for.
    alignas(inotify_event) std::array<char, 4096> events;
    bool closed = false;
    while (::read(m_inotify, events.data(), events.size()) > 0)
        closed = true;
    struct stat line {};
    if (!closed || ::fstat(m_deviceSide, &line) != 0 || othersHaveItOpen(line.st_rdev))
        return;
    ::ioctl(m_deviceSide, TIOCNXCL);
    ::tcflush(m_deviceSide, TCIOFLUSH);
    emit released();
}
