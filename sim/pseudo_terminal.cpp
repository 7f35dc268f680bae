#include "pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
QString failure(const char *what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

PseudoTerminal::~PseudoTerminal()
{
    if (m_device >= 0)
        ::close(m_device);
    if (m_master >= 0)
        ::close(m_master);
}

bool PseudoTerminal::open(QString &error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) {
        error = failure("posix_openpt");
        return false;
    }
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = failure("grantpt/unlockpt");
        return false;
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        error = failure("ptsname");
        return false;
    }
    m_deviceName = QString::fromLocal8Bit(name);

    m_device = ::open(name, O_RDWR | O_NOCTTY);
    if (m_device < 0) {
        error = failure("open device side");
        return false;
    }
    // No echo and no line discipline: every byte goes through untouched,
    // until the monitor sets the line up its own way.
    termios raw{};
    if (::tcgetattr(m_device, &raw) != 0) {
        error = failure("tcgetattr");
        return false;
    }
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B115200);
    ::cfsetospeed(&raw, B115200);
    if (::tcsetattr(m_device, TCSANOW, &raw) != 0) {
        error = failure("tcsetattr");
        return false;
    }

    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = failure("fcntl");
        return false;
    }
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_device, F_SETFD, FD_CLOEXEC);
    return true;
}
