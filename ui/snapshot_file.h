#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Puts up to `count` bytes into the open file `fd` as write(2) does: how
// many went, or -1 with errno set.
using FileWrite = qint64 (*)(int fd, const char *bytes, qint64 count);

// Writes `bytes` to `path` whole or not at all: into a new file beside it,
// forced to the disk, then put in its place. On a full disk or any other
// fault, false with the system's reason in `error`; a file already at
// `path` is then left as it was and nothing half-written stays behind.
// The bytes go by `write`, write(2) itself unless a test fails it its way.
bool saveWholeFile(const QString &path, const QByteArray &bytes, QString &error, FileWrite write = nullptr);
