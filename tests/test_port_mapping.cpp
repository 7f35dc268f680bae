// Which device each port button opens: adapters before board ports, by-id
// names, the variable over everything, and a port with nothing behind it.
#include "port_mapping.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

SerialDevice usb(const QString &location, const QString &byId = {})
{
    SerialDevice device;
    device.systemLocation = location;
    device.description = QStringLiteral("USB UART on ") + location;
    device.usbAdapter = true;
    device.byIdPath = byId;
    return device;
}

SerialDevice board(const QString &location)
{
    SerialDevice device;
    device.systemLocation = location;
    return device;
}

const QString kFtdi = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");

QStringList openNames(const QList<SerialDevice> &devices)
{
    QStringList names;
    for (const SerialDevice &device : devices)
        names << device.openName();
    return names;
}

} // namespace

class TestPortMapping : public QObject {
    Q_OBJECT
private slots:
    void usbAdapterByName_data()
    {
        QTest::addColumn<QString>("portName");
        QTest::addColumn<bool>("hasVendorId");
        QTest::addColumn<bool>("usb");
        QTest::newRow("ttyUSB") << "ttyUSB0" << false << true;
        QTest::newRow("ttyACM") << "ttyACM2" << false << true;
        QTest::newRow("board port") << "ttyS0" << false << false;
        QTest::newRow("vendor id on any name") << "ttyXRUSB0" << true << true;
        QTest::newRow("macOS adapter") << "cu.usbserial-A10K" << false << true;
    }
    void usbAdapterByName()
    {
        QFETCH(QString, portName);
        QFETCH(bool, hasVendorId);
        QFETCH(bool, usb);
        QCOMPARE(looksLikeUsbAdapter(portName, hasVendorId), usb);
    }

    void ordering_data()
    {
        QTest::addColumn<QList<SerialDevice>>("found");
        QTest::addColumn<QStringList>("ordered");
        QTest::newRow("nothing") << QList<SerialDevice>() << QStringList();
        QTest::newRow("adapter after the board ports")
            << QList<SerialDevice>{board("/dev/ttyS0"), board("/dev/ttyS1"), usb("/dev/ttyUSB0")}
            << QStringList{"/dev/ttyUSB0", "/dev/ttyS0", "/dev/ttyS1"};
        QTest::newRow("system order kept within each kind")
            << QList<SerialDevice>{usb("/dev/ttyUSB1"), board("/dev/ttyS3"), usb("/dev/ttyACM0"),
                                   board("/dev/ttyS0"), usb("/dev/ttyUSB0")}
            << QStringList{"/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyS3", "/dev/ttyS0"};
        QTest::newRow("by-id name where there is one")
            << QList<SerialDevice>{board("/dev/ttyS0"), usb("/dev/ttyUSB0", kFtdi), usb("/dev/ttyUSB1")}
            << QStringList{kFtdi, "/dev/ttyUSB1", "/dev/ttyS0"};
    }
    void ordering()
    {
        QFETCH(QList<SerialDevice>, found);
        QFETCH(QStringList, ordered);
        QCOMPARE(openNames(orderSerialDevices(found)), ordered);
    }

    void resolving_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QList<SerialDevice>>("found");
        QTest::addColumn<PortPlatform>("platform");
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("description");

        const QList<SerialDevice> two{usb("/dev/ttyUSB0", kFtdi), board("/dev/ttyS0")};
        const auto unix = PortPlatform::Unix;
        const auto windows = PortPlatform::Windows;
        const int variable = int(PortTarget::Source::Variable);
        const int found = int(PortTarget::Source::Found);
        const int com = int(PortTarget::Source::Com);
        const int none = int(PortTarget::Source::None);

        QTest::newRow("first adapter by its by-id name")
            << 1 << "" << two << unix << found << kFtdi << "USB UART on /dev/ttyUSB0";
        QTest::newRow("second device") << 2 << "" << two << unix << found << "/dev/ttyS0" << "";
        QTest::newRow("fewer devices than the port number") << 3 << "" << two << unix << none << "" << "";
        QTest::newRow("no devices at all") << 1 << "" << QList<SerialDevice>() << unix << none << "" << "";
        QTest::newRow("variable wins over a device")
            << 1 << "/tmp/lumivane-port1" << two << unix << variable << "/tmp/lumivane-port1" << "";
        QTest::newRow("variable naming a device found keeps its description")
            << 2 << "/dev/ttyUSB0" << two << unix << variable << "/dev/ttyUSB0" << "USB UART on /dev/ttyUSB0";
        QTest::newRow("Windows port ignores the device order")
            << 1 << "" << QList<SerialDevice>{board("\\\\.\\COM4"), usb("\\\\.\\COM1")} << windows << com
            << "COM1" << "USB UART on \\\\.\\COM1";
        QTest::newRow("Windows COM1 is not COM10")
            << 1 << "" << QList<SerialDevice>{usb("\\\\.\\COM10")} << windows << com << "COM1" << "";
        QTest::newRow("variable wins on Windows")
            << 2 << "COM7" << QList<SerialDevice>() << windows << variable << "COM7" << "";
    }
    void resolving()
    {
        QFETCH(int, port);
        QFETCH(QString, variable);
        QFETCH(QList<SerialDevice>, found);
        QFETCH(PortPlatform, platform);
        QFETCH(int, source);
        QFETCH(QString, device);
        QFETCH(QString, description);
        const PortTarget target = resolvePort(port, variable, found, platform);
        QCOMPARE(int(target.source), source);
        QCOMPARE(target.device, device);
        QCOMPARE(target.description, description);
    }

    // The tool tip must let the operator tell the ports apart and see why one
    // leads nowhere.
    void toolTip_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("variable");
        QTest::addColumn<QStringList>("mentions");
        const QString dash = QStringLiteral("\u2014");
        QTest::newRow("adapter") << 1 << "" << QStringList{kFtdi + " " + dash + " USB UART on /dev/ttyUSB0"};
        QTest::newRow("variable") << 3 << "/tmp/box" << QStringList{"/tmp/box", "LUMIVANE_PORT3"};
        QTest::newRow("nothing behind it")
            << 3 << "" << QStringList{"No serial device", "Port3", "only 2", "LUMIVANE_PORT3"};
    }
    void toolTip()
    {
        QFETCH(int, port);
        QFETCH(QString, variable);
        QFETCH(QStringList, mentions);
        const QList<SerialDevice> two{usb("/dev/ttyUSB0", kFtdi), board("/dev/ttyS0")};
        const QString tip = portToolTipText(resolvePort(port, variable, two, PortPlatform::Unix), 2);
        for (const QString &mention : mentions)
            QVERIFY2(tip.contains(mention), qPrintable(tip));
    }

    // udev's by-id links are relative ("../../ttyUSB0"); a dangling one is
    // left from an adapter pulled out.
    void byIdLinksResolveToTheirDevices()
    {
        QTemporaryDir dev;
        QVERIFY(dev.isValid());
        const QString root = QFileInfo(dev.path()).canonicalFilePath();
        QVERIFY(QDir(root).mkpath(QStringLiteral("serial/by-id")));
        for (const QString name : {"ttyUSB0", "ttyUSB1"}) {
            QFile device(root + "/" + name);
            QVERIFY(device.open(QIODevice::WriteOnly));
        }
        const QString byId = root + "/serial/by-id";
        QVERIFY(QFile::link("../../ttyUSB1", byId + "/usb-Prolific_PL2303-if00-port0"));
        QVERIFY(QFile::link("../../ttyUSB0", byId + "/usb-FTDI_A10K-if00-port0"));
        QVERIFY(QFile::link("../../ttyUSB9", byId + "/usb-gone-if00-port0"));

        const QHash<QString, QString> links = serialByIdLinks(byId);
        QCOMPARE(links.size(), 2);
        QCOMPARE(links.value(root + "/ttyUSB0"), byId + "/usb-FTDI_A10K-if00-port0");
        QCOMPARE(links.value(root + "/ttyUSB1"), byId + "/usb-Prolific_PL2303-if00-port0");
        QVERIFY(serialByIdLinks(root + "/no-such-folder").isEmpty());
    }

    // What the port layer opens follows the variable at every call, not a
    // copy taken at start-up.
    void variableReadAtEveryCall()
    {
        qputenv("LUMIVANE_PORT2", "/tmp/first");
        QCOMPARE(portDeviceName(2), QStringLiteral("/tmp/first"));
        qputenv("LUMIVANE_PORT2", "/tmp/second");
        QCOMPARE(portDeviceName(2), QStringLiteral("/tmp/second"));
        qunsetenv("LUMIVANE_PORT2");
    }
};

QTEST_GUILESS_MAIN(TestPortMapping)
#include "test_port_mapping.moc"
