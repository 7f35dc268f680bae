#include "port_mapping.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>

namespace {

constexpr auto kByIdFolder = "/dev/serial/by-id";

QString variableName(int port)
{
    return QStringLiteral("LUMIVANE_PORT%1").arg(port);
}

QString variableValue(int port)
{
    return qEnvironmentVariable(variableName(port).toLatin1().constData());
}

QString withDescription(const QString &device, const QString &description)
{
    if (description.isEmpty())
        return device;
    return QStringLiteral("%1 \u2014 %2").arg(device, description);
}

// The description of the device a name points at, when it is one of those found.
QString describedBy(const QString &name, const QList<SerialDevice> &devices)
{
    for (const SerialDevice &device : devices) {
        if (name == device.systemLocation || (!device.byIdPath.isEmpty() && name == device.byIdPath))
            return device.description;
    }
    return {};
}

constexpr PortPlatform kThisPlatform =
#ifdef Q_OS_WIN
    PortPlatform::Windows;
#else
    PortPlatform::Unix;
#endif

} // namespace

bool SerialDevice::operator==(const SerialDevice &other) const
{
    return systemLocation == other.systemLocation && description == other.description
        && manufacturer == other.manufacturer && usbAdapter == other.usbAdapter
        && byIdPath == other.byIdPath;
}

bool looksLikeUsbAdapter(const QString &portName, bool hasVendorId)
{
    if (hasVendorId)
        return true;
    static const QStringList prefixes{QStringLiteral("ttyUSB"), QStringLiteral("ttyACM"),
                                      QStringLiteral("cu.usbserial"), QStringLiteral("cu.usbmodem")};
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [&](const QString &prefix) { return portName.startsWith(prefix); });
}

QList<SerialDevice> orderSerialDevices(const QList<SerialDevice> &devices)
{
    QList<SerialDevice> ordered = devices;
    std::stable_partition(ordered.begin(), ordered.end(),
                          [](const SerialDevice &device) { return device.usbAdapter; });
    return ordered;
}

PortTarget resolvePort(int port, const QString &variableValue,
                       const QList<SerialDevice> &orderedDevices, PortPlatform platform)
{
    PortTarget target;
    target.port = port;
    if (port < 1)
        return target;
    if (!variableValue.isEmpty()) {
        target.source = PortTarget::Source::Variable;
        target.device = variableValue;
        target.description = describedBy(variableValue, orderedDevices);
        return target;
    }
    if (platform == PortPlatform::Windows) {
        target.source = PortTarget::Source::Com;
        target.device = QStringLiteral("COM%1").arg(port);
        for (const SerialDevice &device : orderedDevices) {
            if (device.systemLocation == target.device
                || device.systemLocation.endsWith(QLatin1Char('\\') + target.device)) {
                target.description = device.description;
            }
        }
        return target;
    }
    if (port > orderedDevices.size())
        return target;
    const SerialDevice &device = orderedDevices.at(port - 1);
    target.source = PortTarget::Source::Found;
    target.device = device.openName();
    target.description = device.description;
    return target;
}

QString portToolTipText(const PortTarget &target, int devicesFound)
{
    switch (target.source) {
    case PortTarget::Source::Variable:
        return QStringLiteral("%1 (set by %2)")
            .arg(withDescription(target.device, target.description), variableName(target.port));
    case PortTarget::Source::Found:
    case PortTarget::Source::Com:
        return withDescription(target.device, target.description);
    case PortTarget::Source::None:
        break;
    }
    const QString found = devicesFound == 0
        ? QStringLiteral("the system reports no serial device")
        : devicesFound == 1 ? QStringLiteral("the system reports only 1 serial device")
                            : QStringLiteral("the system reports only %1 serial devices").arg(devicesFound);
    return QStringLiteral("No serial device stands behind Port%1: %2. Plug in the adapter and "
                          "choose Port%1 again, or set %3 to the device.")
        .arg(QString::number(target.port), found, variableName(target.port));
}

QString portListingText(const QList<SerialDevice> &orderedDevices, const QList<PortTarget> &targets)
{
    QString text;
    if (orderedDevices.isEmpty())
        text += QStringLiteral("No serial devices found.\n");
    else
        text += QStringLiteral("Serial devices found (USB and ACM adapters first):\n");
    for (const SerialDevice &device : orderedDevices) {
        QString line = QStringLiteral("  ") + device.openName();
        if (!device.byIdPath.isEmpty())
            line += QStringLiteral(" (%1)").arg(device.systemLocation);
        QStringList about;
        if (!device.description.isEmpty())
            about << device.description;
        if (!device.manufacturer.isEmpty())
            about << device.manufacturer;
        if (!about.isEmpty())
            line += QStringLiteral(" \u2014 ") + about.join(QStringLiteral(", "));
        text += line + QLatin1Char('\n');
    }
    text += QLatin1Char('\n');
    for (const PortTarget &target : targets) {
        const QString leadsTo = target.source == PortTarget::Source::None
            ? QStringLiteral("no device")
            : portToolTipText(target, int(orderedDevices.size()));
        text += QStringLiteral("Port%1: %2\n").arg(QString::number(target.port), leadsTo);
    }
    return text;
}

QHash<QString, QString> serialByIdLinks(const QString &folder)
{
    QHash<QString, QString> links;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (!entry.isSymLink())
            continue;
        const QString device = entry.canonicalFilePath(); // empty for a dangling link
        if (!device.isEmpty() && !links.contains(device))
            links.insert(device, entry.absoluteFilePath());
    }
    return links;
}

QList<SerialDevice> findSerialDevices()
{
    const QHash<QString, QString> byId =
        kThisPlatform == PortPlatform::Unix ? serialByIdLinks(QString::fromLatin1(kByIdFolder))
                                            : QHash<QString, QString>();
    QList<SerialDevice> devices;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports) {
#ifdef Q_OS_MACOS
        // Every macOS device comes twice; the tty. twin waits for carrier
        // detect on open, which the box never raises.
        if (port.portName().startsWith(QLatin1String("tty.")))
            continue;
#endif
        SerialDevice device;
        device.systemLocation = port.systemLocation();
        device.description = port.description();
        device.manufacturer = port.manufacturer();
        device.usbAdapter = looksLikeUsbAdapter(port.portName(), port.hasVendorIdentifier());
        const QString canonical = QFileInfo(device.systemLocation).canonicalFilePath();
        device.byIdPath = byId.value(canonical.isEmpty() ? device.systemLocation : canonical);
        devices << device;
    }
    return devices;
}

PortTarget currentPortTarget(int port)
{
    const QString variable = variableValue(port);
    // Opening a port named by the variable never waits on the system's
    // device enumeration.
    const QList<SerialDevice> devices =
        variable.isEmpty() ? orderSerialDevices(findSerialDevices()) : QList<SerialDevice>();
    return resolvePort(port, variable, devices, kThisPlatform);
}

namespace {
// Port1 to Port4 against one list of devices.
QList<PortTarget> resolvePorts(const QList<SerialDevice> &orderedDevices)
{
    QList<PortTarget> targets;
    for (int port = 1; port <= kPortCount; ++port)
        targets << resolvePort(port, variableValue(port), orderedDevices, kThisPlatform);
    return targets;
}
} // namespace

QString portDeviceName(int port)
{
    return currentPortTarget(port).device;
}

QString portToolTip(int port)
{
    const QList<SerialDevice> devices = orderSerialDevices(findSerialDevices());
    return portToolTipText(resolvePort(port, variableValue(port), devices, kThisPlatform), int(devices.size()));
}

// One look at the system's devices serves all four ports.
QStringList portToolTips()
{
    const QList<SerialDevice> devices = orderSerialDevices(findSerialDevices());
    QStringList tips;
    for (const PortTarget &target : resolvePorts(devices))
        tips << portToolTipText(target, int(devices.size()));
    return tips;
}

QString portListing()
{
    const QList<SerialDevice> devices = orderSerialDevices(findSerialDevices());
    return portListingText(devices, resolvePorts(devices));
}

QString stableDeviceName(const QString &device)
{
    if (device.startsWith(QLatin1String(kByIdFolder)))
        return device;
    if (kThisPlatform != PortPlatform::Unix)
        return {};
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return serialByIdLinks(QString::fromLatin1(kByIdFolder)).value(canonical.isEmpty() ? device : canonical);
}
