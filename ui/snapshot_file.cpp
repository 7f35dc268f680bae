#include "snapshot_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

qint64 systemWrite(int fd, const char *bytes, qint64 count)
{
    return ::write(fd, bytes, size_t(count));
}

bool writeAll(int fd, const QByteArray &bytes, FileWrite write)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 put = write(fd, bytes.constData() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put == 0)
            errno = ENOSPC; // a disk that takes nothing more and says nothing
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

// A new file gets the usual permissions; one that replaces another keeps its.
mode_t modeFor(const QByteArray &target)
{
    struct stat existing {};
    if (::stat(target.constData(), &existing) == 0)
        return existing.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

// Every step is checked by hand: QSaveFile::commit() has been seen to report
// success after its last write failed for want of space.
bool saveWholeFile(const QString &path, const QByteArray &bytes, QString &error, FileWrite write)
{
    // Saving over a link replaces the file it leads to, not the link.
    const QFileInfo info(path);
    const QString canonical = info.exists() ? info.canonicalFilePath() : QString();
    const QByteArray target = QFile::encodeName(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
    QByteArray pattern = target + ".XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');

    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = systemError(errno);
        return false;
    }
    const bool written = ::fchmod(fd, modeFor(target)) == 0 && writeAll(fd, bytes, write ? write : systemWrite) && ::fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (written && closed && ::rename(temporary.data(), target.constData()) == 0)
        return true;
    error = systemError(!written ? writeError : !closed ? closeError : errno);
    ::unlink(temporary.data());
    return false;
}

#else

bool saveWholeFile(const QString &path, const QByteArray &bytes, QString &error, FileWrite)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() && file.commit())
        return true;
    error = file.errorString();
    return false;
}

#endif
