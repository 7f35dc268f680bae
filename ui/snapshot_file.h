#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to `path` whole or not at all: into a new file beside it,
// forced to the disk, then put in its place. On a full disk or any other
// fault, false with the system's reason in `error`; a file already at
// `path` is then left as it was and nothing half-written stays behind.
bool saveWholeFile(const QString &path, const QByteArray &bytes, QString &error);
