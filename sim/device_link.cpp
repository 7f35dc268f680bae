#include "device_link.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

DeviceLink::~DeviceLink()
{
    if (m_path.isEmpty())
        return;
    // Another simulator may have taken the name over since; leave its link be.
    const QByteArray linkName = QFile::encodeName(m_path);
    const QByteArray target = QFile::encodeName(m_target);
    std::vector<char> pointsTo(size_t(target.size()) + 2);
    const ssize_t length = ::readlink(linkName.constData(), pointsTo.data(), pointsTo.size());
    if (length == target.size() && QByteArray(pointsTo.data(), length) == target)
        ::unlink(linkName.constData());
}

bool DeviceLink::create(const QString &path, const QString &target, QString &error)
{
    const QByteArray linkName = QFile::encodeName(path);
    struct stat existing {};
    if (::lstat(linkName.constData(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = QStringLiteral("%1 exists and is not a symbolic link; not replacing it.").arg(path);
            return false;
        }
        if (::unlink(linkName.constData()) != 0) {
            error = QStringLiteral("Cannot remove the old link %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    }
    if (::symlink(QFile::encodeName(target).constData(), linkName.constData()) != 0) {
        error = QStringLiteral("Cannot link %1 to %2: %3").arg(path, target, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    m_path = path;
    m_target = target;
    return true;
}
