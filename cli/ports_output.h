#pragma once

#include "level_output.h"
#include "port_mapping.h"

#include <QByteArray>
#include <QList>

// What `lumivane ports` writes. Text is the listing an operator reads; csv
// and json carry the same rows with stable columns for scripts:
// port,device,description,manufacturer, Port1 to Port4 first (an empty
// device when none stands behind the port), then each serial device found
// that no port opens, with an empty port. JSON writes the rows as one array
// of objects, null where csv has an empty field.
QByteArray formatPorts(OutputFormat format, const QList<SerialDevice> &orderedDevices,
                       const QList<PortTarget> &targets);

// The same for the devices on this machine now and the ports' variables.
QByteArray formatPortsNow(OutputFormat format);
