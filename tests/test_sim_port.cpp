#include "sim_port.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

// An open port whose box holds still, channel 1 at 37.
void openWithStillBox(SimPort &port)
{
    port.box().setLevel(1, 37);
    QVERIFY(port.open(SimPort::portName(1), LineSettings{}));
    port.clearLog();
}

} // namespace

class TestSimPort : public QObject {
    Q_OBJECT
private slots:
    void answerComesOnlyAfterDelay_data();
    void answerComesOnlyAfterDelay();
    void answersKeepTheirOrder();
    void readLengthHonoured_data();
    void readLengthHonoured();
    void discardEmptiesTheBuffer();
    void deadPortRefusesEverything_data();
    void deadPortRefusesEverything();
    void unplugLosesTheLine();
    void byteLandsAfterTheCount();
    void logRecordsTheHostsOperations();
};

void TestSimPort::answerComesOnlyAfterDelay_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("no delay") << 0;
    QTest::newRow("short delay") << 30;
    QTest::newRow("long delay") << 200;
}

// The host's exchange code must cope with the answer arriving later, so the
// port may never hand it over inside write().
void TestSimPort::answerComesOnlyAfterDelay()
{
    QFETCH(int, delayMs);
    SimPort port;
    openWithStillBox(port);
    port.box().faults().answerDelay = std::chrono::milliseconds{delayMs};
    QSignalSpy arrived(&port, &SimPort::bytesArrived);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(port.write("C?"));
    QCOMPARE(port.bytesWaiting(), 0);
    QCOMPARE(arrived.count(), 0);

    QVERIFY(arrived.wait(5000));
    QVERIFY2(clock.elapsed() >= delayMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(port.read(), QByteArray("G"));
}

void TestSimPort::answersKeepTheirOrder()
{
    SimPort port;
    openWithStillBox(port);
    port.box().faults().answerDelay = 80ms;
    QVERIFY(port.write("C000?"));
    port.box().faults().answerDelay = 0ms;
    QVERIFY(port.write("C?"));
    QTRY_COMPARE(port.bytesWaiting(), 5);
    QCOMPARE(port.read(), QByteArray("L037G"));
}

void TestSimPort::readLengthHonoured_data()
{
    QTest::addColumn<int>("readLength");
    QTest::addColumn<QByteArray>("firstRead");
    QTest::addColumn<int>("left");

    QTest::newRow("all waiting") << 0 << QByteArray("abcdef") << 0;
    QTest::newRow("one byte") << 1 << QByteArray("a") << 5;
    QTest::newRow("some") << 4 << QByteArray("abcd") << 2;
    QTest::newRow("exactly all") << 6 << QByteArray("abcdef") << 0;
    QTest::newRow("more than waiting") << 10 << QByteArray("abcdef") << 0;
}

void TestSimPort::readLengthHonoured()
{
    QFETCH(int, readLength);
    QFETCH(QByteArray, firstRead);
    QFETCH(int, left);
    SimPort port;
    openWithStillBox(port);
    port.injectFromBox("abcdef");
    QTRY_COMPARE(port.bytesWaiting(), 6);

    QCOMPARE(port.read(readLength), firstRead);
    QCOMPARE(port.bytesWaiting(), left);
    QCOMPARE(port.log().last(), QStringLiteral("read ") + QString::fromLatin1(firstRead.toHex(' ')));
}

void TestSimPort::discardEmptiesTheBuffer()
{
    SimPort port;
    openWithStillBox(port);
    port.injectFromBox("L037");
    QTRY_COMPARE(port.bytesWaiting(), 4);

    QVERIFY(port.discardWaiting());
    QCOMPARE(port.bytesWaiting(), 0);
    QCOMPARE(port.read(), QByteArray());
    QCOMPARE(port.log(), (QStringList{"discard", "read"}));
}

void TestSimPort::deadPortRefusesEverything_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("operation");

    const QStringList hows{"never opened", "closed again", "unplugged", "open refused"};
    const QStringList operations{"write", "read", "discard", "close"};
    for (const QString &how : hows) {
        for (const QString &operation : operations)
            QTest::addRow("%s, %s", qPrintable(how), qPrintable(operation)) << how << operation;
    }
}

void TestSimPort::deadPortRefusesEverything()
{
    QFETCH(QString, how);
    QFETCH(QString, operation);
    SimPort port;
    if (how == "closed again") {
        port.open(SimPort::portName(1), LineSettings{});
        port.close();
    } else if (how == "unplugged") {
        port.open(SimPort::portName(1), LineSettings{});
        port.unplug();
    } else if (how == "open refused") {
        port.setOpenFails(true);
        QVERIFY(!port.open(SimPort::portName(1), LineSettings{}));
        QCOMPARE(port.log(), QStringList{"open failed"});
    }
    port.clearLog();
    QVERIFY(!port.isOpen());

    bool succeeded = true;
    if (operation == "write")
        succeeded = port.write("C?");
    else if (operation == "read")
        succeeded = !port.read().isEmpty();
    else if (operation == "discard")
        succeeded = port.discardWaiting();
    else
        succeeded = port.close();

    QVERIFY(!succeeded);
    QCOMPARE(port.log(), QStringList{operation + " failed"});
    QCOMPARE(port.written(), QByteArray());
    QCOMPARE(port.box().probes(), 0);
    QCOMPARE(port.bytesWaiting(), 0);
}

void TestSimPort::unplugLosesTheLine()
{
    SimPort port;
    openWithStillBox(port);
    port.box().faults().answerDelay = 50ms;
    QSignalSpy arrived(&port, &SimPort::bytesArrived);
    QSignalSpy lost(&port, &SimPort::lost);
    QVERIFY(port.write("C?"));

    port.unplug();
    QCOMPARE(lost.count(), 1); // a waiting exchange must notice the failure
    QVERIFY(!port.isOpen());
    QVERIFY(!port.write("C?"));
    QVERIFY(!port.open(SimPort::portName(1), LineSettings{}));
    QCOMPARE(port.box().probes(), 1);

    port.plugIn();
    QVERIFY(!port.isOpen());
    QVERIFY(port.open(SimPort::portName(1), LineSettings{}));
    arrived.clear();
    QVERIFY(port.write("C000?"));
    QVERIFY(arrived.wait(5000));
    QCOMPARE(port.read(), QByteArray("L037")); // the probe's answer died with the cable
}

// The host counts, then reads: a byte landing in between must be there for
// the read but must not have been counted, and the host hears of it later.
void TestSimPort::byteLandsAfterTheCount()
{
    SimPort port;
    openWithStillBox(port);
    port.injectFromBox("L0");
    QTRY_COMPARE(port.bytesWaiting(), 2);
    QSignalSpy arrived(&port, &SimPort::bytesArrived);

    port.arriveAfterNextCount("37");
    QCOMPARE(port.bytesWaiting(), 2);
    QCOMPARE(arrived.count(), 0);
    QCOMPARE(port.read(), QByteArray("L037"));
    QTRY_COMPARE(arrived.count(), 1);
    QCOMPARE(port.bytesWaiting(), 0);
}

void TestSimPort::logRecordsTheHostsOperations()
{
    SimPort port;
    port.box().setLevel(1, 37);
    QSignalSpy wrote(&port, &SimPort::wrote);
    QSignalSpy arrived(&port, &SimPort::bytesArrived);

    LineSettings settings;
    settings.baudRate = 9600;
    port.close();
    QVERIFY(port.open(SimPort::portName(3), settings));
    QCOMPARE(port.lineSettings().baudRate, 9600);
    const QByteArray flushAndProbe = QByteArray(2, '\0') + "C?";
    QVERIFY(port.write(flushAndProbe));
    QCOMPARE(wrote.count(), 1);
    QCOMPARE(wrote.first().first().toByteArray(), flushAndProbe);
    QVERIFY(arrived.wait(5000));
    port.read();
    port.read();
    port.discardWaiting();
    port.close();

    QCOMPARE(port.log(), (QStringList{"close failed", "open sim:port3",
                                      "write 00 00 43 3f", "read 47", "read", "discard", "close"}));
    QCOMPARE(port.written(), flushAndProbe);
}

QTEST_GUILESS_MAIN(TestSimPort)
#include "test_sim_port.moc"
