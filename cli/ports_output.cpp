#include "ports_output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVector>
#include <optional>

namespace {

struct PortRow {
    std::optional<int> port;
    QString device;
    QString description;
    QString manufacturer;
};

bool names(const SerialDevice &device, const QString &name)
{
    return name == device.systemLocation || name == device.openName();
}

QVector<PortRow> portRows(const QList<SerialDevice> &devices, const QList<PortTarget> &targets)
{
    QVector<PortRow> rows;
    QList<SerialDevice> unclaimed = devices;
    for (const PortTarget &target : targets) {
        PortRow row{target.port, target.device, target.description, QString()};
        for (const SerialDevice &device : devices) {
            if (!target.device.isEmpty() && names(device, target.device))
                row.manufacturer = device.manufacturer;
        }
        unclaimed.removeIf([&](const SerialDevice &device) { return names(device, target.device); });
        rows << row;
    }
    for (const SerialDevice &device : std::as_const(unclaimed))
        rows << PortRow{std::nullopt, device.openName(), device.description, device.manufacturer};
    return rows;
}

// Device names and descriptions may hold commas (", Inc.") or quotes.
QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') && !field.contains('\r'))
        return field;
    field.replace("\"", "\"\"");
    return '"' + field + '"';
}

QJsonValue jsonText(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

} // namespace

QByteArray formatPorts(OutputFormat format, const QList<SerialDevice> &orderedDevices,
                       const QList<PortTarget> &targets)
{
    if (format == OutputFormat::Text)
        return portListingText(orderedDevices, targets).toUtf8();
    const QVector<PortRow> rows = portRows(orderedDevices, targets);
    if (format == OutputFormat::Csv) {
        QByteArray out = "port,device,description,manufacturer\n";
        for (const PortRow &row : rows) {
            out += (row.port ? QByteArray::number(*row.port) : QByteArray()) + ',' + csvField(row.device) + ','
                + csvField(row.description) + ',' + csvField(row.manufacturer) + '\n';
        }
        return out;
    }
    QJsonArray array;
    for (const PortRow &row : rows) {
        array.append(QJsonObject{{QStringLiteral("port"), row.port ? QJsonValue(*row.port) : QJsonValue()},
                                 {QStringLiteral("device"), jsonText(row.device)},
                                 {QStringLiteral("description"), jsonText(row.description)},
                                 {QStringLiteral("manufacturer"), jsonText(row.manufacturer)}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray formatPortsNow(OutputFormat format)
{
    if (format == OutputFormat::Text)
        return portListing().toLocal8Bit();
    const QList<SerialDevice> devices = orderSerialDevices(findSerialDevices());
    QList<PortTarget> targets;
    for (int port = 1; port <= kPortCount; ++port) {
        const QString variable = qEnvironmentVariable(QStringLiteral("LUMIVANE_PORT%1").arg(port).toLatin1());
        targets << resolvePort(port, variable, devices,
#ifdef Q_OS_WIN
                               PortPlatform::Windows);
#else
                               PortPlatform::Unix);
#endif
    }
    return formatPorts(format, devices, targets);
}
