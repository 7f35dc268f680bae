#pragma once

#include <QString>

// The stable name the operator points the monitor at: a symbolic link to
// the pseudo-terminal's device, gone again when the simulator stops.
class DeviceLink {
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Replaces an old symbolic link at `path`, but never anything else.
    bool create(const QString &path, const QString &target, QString &error);

private:
    QString m_path;
    QString m_target;
};
