// Trust in the line: one program on a device whatever name it is reached
// by, and a refusal that says why.
#include "harness.h"
#include "port_mapping.h"
#include "qt_serial_port.h"

#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString ownName()
{
    QFile comm(QStringLiteral("/proc/self/comm"));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLatin1(comm.readAll()).trimmed() : QString();
}

} // namespace

class TestPortTrust : public QObject {
    Q_OBJECT
private slots:
    void refusalsSayWhy_data();
    void refusalsSayWhy();
    void theChosenPortSaysWhyItDidNotOpen();
};

void TestPortTrust::refusalsSayWhy_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("cause");
    const QString held = QStringLiteral("held by another program (%1, PID %2)").arg(ownName()).arg(::getpid());
    QTest::newRow("no such device") << "missing" << "no such device";
    QTest::newRow("a regular file") << "file" << "not a serial device";
    QTest::newRow("/dev/null") << "null" << "not a serial device";
    QTest::newRow("a folder") << "folder" << "not a serial device";
    QTest::newRow("no permission") << "forbidden" << "permission denied; join the dialout group";
    QTest::newRow("held, under the same name") << "held" << held;
    QTest::newRow("held, under a link to it") << "held by link" << held;
}

void TestPortTrust::refusalsSayWhy()
{
    QFETCH(QString, what);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    PtyBox box;
    QVERIFY(box.isReady());
    QtSerialPort holder;
    QString device = box.devicePath();
    if (what == "missing") {
        device = dir.filePath("ttyUSB9");
    } else if (what == "file") {
        device = dir.filePath("levels.csv");
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (what == "null") {
        device = QStringLiteral("/dev/null");
    } else if (what == "folder") {
        device = dir.path();
    } else if (what.startsWith("held")) {
        QVERIFY(holder.open(box.devicePath(), LineSettings{}));
        if (what == "held by link") {
            device = dir.filePath("box");
            QVERIFY(QFile::link(box.devicePath(), device));
        }
    }

    QtSerialPort port;
    bool opened = false;
    if (what == "forbidden") {
        // The pty is root's and not for others: open it as nobody.
        if (::geteuid() == 0) {
            QVERIFY(::seteuid(65534) == 0);
            opened = port.open(device, LineSettings{});
            QVERIFY(::seteuid(0) == 0);
        } else {
            QVERIFY(QFile::setPermissions(device, QFileDevice::Permissions()));
            opened = port.open(device, LineSettings{});
        }
    } else {
        opened = port.open(device, LineSettings{});
    }
    QVERIFY(!opened);
    QVERIFY(!port.isOpen());
    QVERIFY2(port.openError().startsWith(cause), qPrintable(port.openError()));
    if (holder.isOpen()) {
        // The refused one put nothing on the line and left the holder's hold as it was.
        QVERIFY(holder.write("C000?"));
        QTRY_COMPARE(box.received(), QByteArray("C000?"));
    }
}

// The status box keeps its words; the chosen port's tool tip says why, and
// stops saying it once the port opens.
void TestPortTrust::theChosenPortSaysWhyItDidNotOpen()
{
    PtyBox box;
    QVERIFY(box.isReady());
    QtSerialPort holder;
    QVERIFY(holder.open(box.devicePath(), LineSettings{}));
    qputenv("LUMIVANE_PORT1", box.devicePath().toLocal8Bit());
    RecordingPlatform desktop;
    BoxSession session(std::make_unique<QtSerialPort>());
    frmMain window(session, desktop.platform());
    window.load();
    QTRY_VERIFY(session.idle());
    auto *port1 = window.findChild<QRadioButton *>(QStringLiteral("OptSerial_0"));
    QVERIFY(port1);
    QCOMPARE(window.findChild<QLineEdit *>(QStringLiteral("txtMessageBox"))->text(),
             QStringLiteral("Error Opening COM Port"));
    const QString usual = portToolTip(1);
    const QString held = QStringLiteral("\nNot opened: held by another program (%1, PID %2)").arg(ownName()).arg(::getpid());
    QCOMPARE(port1->toolTip(), usual + held);
    // A hover looks at the devices again and keeps the cause.
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), port1->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(port1, &hover);
    QCOMPARE(port1->toolTip(), usual + held);

    holder.close();
    port1->click();
    QTRY_COMPARE(port1->toolTip(), usual);
    QVERIFY(session.port().isOpen());
    qunsetenv("LUMIVANE_PORT1");
}

QTEST_MAIN(TestPortTrust)
#include "test_port_trust.moc"
