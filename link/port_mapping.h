#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Which device the operator's Port1 to Port4 open.
//
// $LUMIVANE_PORTn wins when it is set and not empty: ptys and the simulated
// box are reached that way. Otherwise Windows keeps COMn, and elsewhere Port n
// is the n-th serial device the system reports, USB and ACM adapters first,
// each by its /dev/serial/by-id/… name where it has one. The devices are
// looked up afresh at every call, so an adapter plugged in after start-up is
// found by choosing its port again.

inline constexpr int kPortCount = 4;

// One serial device as the system reports it.
struct SerialDevice {
    QString systemLocation; // e.g. /dev/ttyUSB0
    QString description;    // e.g. FT232R USB UART; may be empty
    QString manufacturer;   // e.g. FTDI; may be empty
    bool usbAdapter = false;
    QString byIdPath;       // the /dev/serial/by-id/… link to it; empty when none

    // The by-id name survives re-plugging, where ttyUSB numbers follow the
    // order the adapters happened to appear in.
    QString openName() const { return byIdPath.isEmpty() ? systemLocation : byIdPath; }

    bool operator==(const SerialDevice &other) const;
};

enum class PortPlatform { Unix, Windows };

// What Port n leads to.
struct PortTarget {
    enum class Source {
        Variable, // $LUMIVANE_PORTn
        Found,    // the n-th device found
        Com,      // COMn on Windows
        None,     // fewer than n devices
    };
    Source source = Source::None;
    QString device;      // empty for Source::None
    QString description; // of the device, when the system describes it
    int port = 0;
};

// USB-serial (ttyUSB) and modem-class (ttyACM) adapters are what operators
// plug in; the ports on the board (ttyS) are mostly absent or unused.
bool looksLikeUsbAdapter(const QString &portName, bool hasVendorId);

// USB and ACM adapters first, then the others; otherwise the system's order.
QList<SerialDevice> orderSerialDevices(const QList<SerialDevice> &devices);

// Port n (counting from 1) from the variable's value, the ordered devices
// and the platform. Fewer than n devices gives Source::None with an empty
// device name.
PortTarget resolvePort(int port, const QString &variableValue,
                       const QList<SerialDevice> &orderedDevices, PortPlatform platform);

// "<device> — <description>", the variable named when it chose the device, or
// a sentence saying that no serial device stands behind the port.
QString portToolTipText(const PortTarget &target, int devicesFound);

// Every device found with its description, then what Port1 to Port4 lead to.
QString portListingText(const QList<SerialDevice> &orderedDevices,
                        const QList<PortTarget> &targets);

// The links in a /dev/serial/by-id folder: each device's canonical path to
// the link naming it (the first by name when several do).
QHash<QString, QString> serialByIdLinks(const QString &folder);

// The serial devices on this machine now, in the system's order.
QList<SerialDevice> findSerialDevices();

// What Port n leads to now.
PortTarget currentPortTarget(int port);

// The device the port layer opens for Port n. An empty name when no device
// stands behind the port: opening it fails, and the operator sees
// "Error Opening COM Port" as for any other port that cannot be opened.
QString portDeviceName(int port);

// The /dev/serial/by-id/… name of `device`, which stays the same when its
// adapter is plugged in again; empty when it has none.
QString stableDeviceName(const QString &device);

// The port button's tool tip for Port n, and those of Port1 to Port4.
QString portToolTip(int port);
QStringList portToolTips();

// The listing for the operator's `lumivane ports`.
QString portListing();
