#include "device_lock.h"

#include <QFile>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {

QString processName(long pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

QString heldBy(const QString &holder)
{
    return holder.isEmpty() ? QStringLiteral("held by another program")
                            : QStringLiteral("held by another program (%1)").arg(holder);
}

#ifdef Q_OS_UNIX
QString causeOf(int error, const QString &device)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("no such device");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied; join the dialout group "
                              "(sudo usermod -aG dialout $USER) and log in again");
    case EBUSY:
        return heldBy(lockHolder(device));
    case EISDIR:
        return QStringLiteral("not a serial device");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}
#endif

} // namespace

DeviceLock::~DeviceLock()
{
    release();
}

bool DeviceLock::take(const QString &device, QString &cause)
{
    release();
#ifdef Q_OS_UNIX
    // Non-blocking: a modem line would otherwise wait for carrier here.
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        cause = causeOf(errno, device);
        return false;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        cause = QStringLiteral("not a serial device");
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        cause = error == EWOULDBLOCK ? heldBy(lockHolder(device)) : QString::fromLocal8Bit(std::strerror(error));
        return false;
    }
    // A program that is not ours may hold the line in exclusive mode, which
    // binds everyone but root; root honours it too.
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) {
        ::close(fd);
        cause = heldBy(QString());
        return false;
    }
    m_fd = fd;
#else
    Q_UNUSED(device);
    Q_UNUSED(cause);
#endif
    return true;
}

void DeviceLock::release()
{
#ifdef Q_OS_UNIX
    if (m_fd >= 0)
        ::close(m_fd);
#endif
    m_fd = -1;
}

QString lockHolderIn(const QString &locksText, unsigned fsMajor, unsigned fsMinor, unsigned long long inode,
                     QString (*nameOf)(long pid))
{
    // "1: FLOCK  ADVISORY  WRITE 4711 00:1a:3 0 EOF"; waiters carry "->".
    static const QRegularExpression line(
        QStringLiteral(R"(^\d+:\s+(\S+)\s+\S+\s+\S+\s+(-?\d+)\s+([0-9a-fA-F]+):([0-9a-fA-F]+):(\d+)\s)"),
        QRegularExpression::MultilineOption);
    QRegularExpressionMatchIterator matches = line.globalMatch(locksText);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        if (match.captured(3).toUInt(nullptr, 16) != fsMajor || match.captured(4).toUInt(nullptr, 16) != fsMinor
            || match.captured(5).toULongLong() != inode) {
            continue;
        }
        const long pid = match.captured(2).toLong();
        if (pid <= 0) // taken in another PID namespace
            continue;
        const QString name = nameOf(pid);
        return name.isEmpty() ? QStringLiteral("PID %1").arg(pid) : QStringLiteral("%1, PID %2").arg(name).arg(pid);
    }
    return {};
}

QString lockHolder(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return {};
    // /proc files have no size; read until the end.
    return lockHolderIn(QString::fromLatin1(locks.readAll()), major(info.st_dev), minor(info.st_dev),
                        info.st_ino, processName);
#else
    Q_UNUSED(path);
    return {};
#endif
}
