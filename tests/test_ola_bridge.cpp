// lumivane bridge against a real olad kept to this machine (only its Dummy
// plugin runs, no web server), with the box played on a pseudo-terminal and
// the universe read back from olad through OLA's own client library.
#include "harness.h"
#include "ola_listener.h"
#include "olad_process.h"
#include "sim_box.h"

#include <QProcess>
#include <QTest>
#include <QTimer>
#include <csignal>

Q_DECLARE_METATYPE(SimFaults)

namespace {

const QString kProgram = QStringLiteral(LUMIVANE_BIN_DIR "/lumivane");
constexpr int kWait = 10000;

quint8 levelA(int channel) { return quint8(channel * 37 + 11); }
quint8 levelB(int channel) { return quint8(255 - channel); }

// The universe as olad holds it once channels first..last came with
// `level`: nothing below first, nothing above last.
QByteArray universe(int first, int last, quint8 (*level)(int))
{
    QByteArray frame(512, '\0');
    for (int channel = first; channel <= last; ++channel)
        frame[channel - 1] = char(level(channel));
    return frame;
}

QByteArray padded(QByteArray frame)
{
    return frame + QByteArray(std::max(0, 512 - int(frame.size())), '\0');
}

// The box on a pseudo-terminal: a simulated box answers what lumivane asks,
// 5 ms later, so that the bridge fetches about as fast as a real line allows.
class PacedBox : public QObject {
public:
    PacedBox()
        : box(false)
    {
        setLevels(levelA);
        connect(&pty, &PtyBox::bytesReceived, this, [this] {
            const QByteArray answer = box.feed(pty.received().mid(m_taken));
            m_taken = int(pty.received().size());
            if (!answer.isEmpty())
                QTimer::singleShot(5, this, [this, answer] { pty.send(answer); });
        });
    }
    void setLevels(quint8 (*level)(int))
    {
        for (int channel = 1; channel <= SimBox::kChannels; ++channel)
            box.setLevel(channel, level(channel));
    }

    PtyBox pty;
    SimBox box;

private:
    int m_taken = 0;
};

// A lumivane bridge process and all it has said.
struct Bridge {
    Bridge(const PacedBox &box, quint16 olaPort, unsigned int universe, const QStringList &more = {})
    {
        process.start(kProgram, QStringList{"--port", box.pty.devicePath(), "bridge", "--universe",
                                            QString::number(universe), "--ola-port", QString::number(olaPort)}
                                    + more);
    }
    QByteArray out()
    {
        m_out += process.readAllStandardOutput();
        return m_out;
    }
    QByteArray err()
    {
        m_err += process.readAllStandardError();
        return m_err;
    }
    // Ctrl+C ends it at once, with status 0.
    bool interrupted()
    {
        ::kill(pid_t(process.processId()), SIGINT);
        return process.waitForFinished(kWait) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

    QProcess process;

private:
    QByteArray m_out;
    QByteArray m_err;
};

} // namespace

class TestOlaBridge : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void goodPictureArrivesWhole_data();
    void goodPictureArrivesWhole();
    void failedPicturesLeaveTheLastGood_data();
    void failedPicturesLeaveTheLastGood();
    void restartedOladIsFoundAgain();
    void missingOladIsWaitedFor();
    void refusedBeforeTheWire_data();
    void refusedBeforeTheWire();

private:
    OladProcess m_olad;
    unsigned int m_nextUniverse = 100; // each case its own universe
};

void TestOlaBridge::initTestCase()
{
    QString error;
    QVERIFY2(m_olad.start(error), qPrintable(error + " (apt-get install ola; scripts/install-deps)"));
}

// Nothing but the Dummy plugin ran, whatever the tests did to olad.
void TestOlaBridge::cleanupTestCase()
{
    m_olad.stop();
    QCOMPARE(m_olad.startedPlugins(), QStringList{QStringLiteral("Dummy")});
    QCOMPARE(m_olad.strangeConfigFiles(), QStringList());
}

void TestOlaBridge::goodPictureArrivesWhole_data()
{
    QTest::addColumn<QStringList>("range");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QString>("said");
    QTest::newRow("default, the whole universe") << QStringList{} << 1 << 512 << "with channels 1-512";
    QTest::newRow("a range") << QStringList{"17-80"} << 17 << 80 << "with channels 17-80";
    QTest::newRow("one channel") << QStringList{"200-200"} << 200 << 200 << "with channels 200-200";
}

void TestOlaBridge::goodPictureArrivesWhole()
{
    QFETCH(QStringList, range);
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QString, said);
    const unsigned int number = m_nextUniverse++;
    PacedBox box;
    OlaListener listener(m_olad.rpcPort(), number);
    QVERIFY(listener.connectToOlad());
    QTRY_VERIFY_WITH_TIMEOUT(listener.registered(), kWait);

    Bridge bridge(box, m_olad.rpcPort(), number, range);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(first, last, levelA), kWait);
    box.setLevels(levelB);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(first, last, levelB), kWait);
    QVERIFY(bridge.interrupted());
    QCOMPARE(bridge.out(), QStringLiteral("Feeding OLA universe %1 %2 from %3 (olad on 127.0.0.1:%4)\n")
                               .arg(number)
                               .arg(said, box.pty.devicePath())
                               .arg(m_olad.rpcPort())
                               .toUtf8());
    QCOMPARE(bridge.err(), QByteArray());
}

void TestOlaBridge::failedPicturesLeaveTheLastGood_data()
{
    QTest::addColumn<SimFaults>("faults");
    QTest::addColumn<QString>("said");
    SimFaults checksum;
    checksum.wrongChecksum = true;
    SimFaults endByte;
    endByte.wrongEndByte = true;
    SimFaults cutShort;
    cutShort.truncateBlockTo = 100;
    SimFaults silent;
    silent.silent = true;
    QTest::newRow("checksum") << checksum << "(checksum error)";
    QTest::newRow("end byte") << endByte << "(wrong end byte)";
    QTest::newRow("cut short") << cutShort << "(reply cut short)";
    QTest::newRow("silent") << silent << "(no answer)";
}

// The box goes bad with new levels on the line: none of them reaches the
// universe, the bridge says so once, and the new levels come once it is good.
void TestOlaBridge::failedPicturesLeaveTheLastGood()
{
    QFETCH(SimFaults, faults);
    QFETCH(QString, said);
    const unsigned int number = m_nextUniverse++;
    PacedBox box;
    OlaListener listener(m_olad.rpcPort(), number);
    QVERIFY(listener.connectToOlad());
    QTRY_VERIFY_WITH_TIMEOUT(listener.registered(), kWait);
    Bridge bridge(box, m_olad.rpcPort(), number);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(1, 512, levelA), kWait);

    box.box.faults() = faults;
    box.setLevels(levelB);
    const QByteArray bad = QStringLiteral("lumivane: no good picture from the box %1; OLA universe %2 keeps the "
                                          "last good levels\n")
                               .arg(said)
                               .arg(number)
                               .toUtf8();
    QTRY_VERIFY_WITH_TIMEOUT(bridge.err().contains(bad), kWait);
    const int requests = box.box.blockRequests();
    QTRY_VERIFY_WITH_TIMEOUT(box.box.blockRequests() >= requests + 2, kWait);
    // A picture is fetched piece by piece: the read of 512 that ended the
    // last good one may already have brought the new level, and rightly so.
    QCOMPARE(padded(listener.latest()).left(511), universe(1, 512, levelA).left(511));

    box.box.faults() = SimFaults{};
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(1, 512, levelB), kWait);
    QVERIFY(bridge.interrupted());
    QCOMPARE(bridge.err(), bad + "lumivane: good pictures from the box again\n");
    QCOMPARE(bridge.out().count('\n'), 1);
}

// olad stopped under a feeding bridge, and started again on the same port.
void TestOlaBridge::restartedOladIsFoundAgain()
{
    const unsigned int number = 30;
    PacedBox box;
    OlaListener listener(m_olad.rpcPort(), number);
    QVERIFY(listener.connectToOlad());
    QTRY_VERIFY_WITH_TIMEOUT(listener.registered(), kWait);
    Bridge bridge(box, m_olad.rpcPort(), number);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(1, 512, levelA), kWait);

    // OLA's client reads on after its server is gone; ours lets go first.
    listener.disconnectFromOlad();
    m_olad.stop();
    const QByteArray olad = QStringLiteral("olad on 127.0.0.1:%1").arg(m_olad.rpcPort()).toUtf8();
    QTRY_VERIFY_WITH_TIMEOUT(bridge.err().contains(olad + " went away"), kWait);
    QString error;
    QVERIFY2(m_olad.start(error), qPrintable(error));
    QVERIFY(listener.connectToOlad());
    QTRY_VERIFY_WITH_TIMEOUT(listener.registered(), kWait);
    box.setLevels(levelB);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(1, 512, levelB), kWait);

    QCOMPARE(bridge.process.state(), QProcess::Running);
    QVERIFY(bridge.interrupted());
    QCOMPARE(bridge.err(), "lumivane: " + olad + " went away; waiting for it to come back\n");
    QCOMPARE(bridge.out().count('\n'), 2);
    QVERIFY2(bridge.out().endsWith(olad + " is back: feeding OLA universe 30 again\n"), bridge.out());
}

// No olad: one line, the line is still fetched, and olad is found once it starts.
void TestOlaBridge::missingOladIsWaitedFor()
{
    OladProcess later;
    const unsigned int number = 40;
    PacedBox box;
    Bridge bridge(box, later.rpcPort(), number);
    const QByteArray waiting = QStringLiteral("lumivane: waiting for olad on 127.0.0.1:%1 (is it running? the bridge "
                                              "does not start it)\n")
                                   .arg(later.rpcPort())
                                   .toUtf8();
    QTRY_COMPARE_WITH_TIMEOUT(bridge.err(), waiting, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(box.box.blockRequests() >= 20, kWait);
    QCOMPARE(bridge.process.state(), QProcess::Running);

    QString error;
    QVERIFY2(later.start(error), qPrintable(error));
    OlaListener listener(later.rpcPort(), number);
    QVERIFY(listener.connectToOlad());
    QTRY_VERIFY_WITH_TIMEOUT(listener.registered(), kWait);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(1, 512, levelA), kWait);
    QVERIFY(bridge.interrupted());
    QCOMPARE(bridge.err(), waiting);
    QVERIFY2(bridge.out().startsWith("Feeding OLA universe 40 with channels 1-512"), bridge.out());
    QCOMPARE(bridge.out().count('\n'), 1);
    later.stop();
    QCOMPARE(later.startedPlugins(), QStringList{QStringLiteral("Dummy")});
}

void TestOlaBridge::refusedBeforeTheWire_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("fault");
    QTest::newRow("no universe") << QStringList{"bridge"} << "bridge needs --universe N";
    QTest::newRow("negative universe") << QStringList{"bridge", "--universe", "-1"} << "--universe '-1'";
    QTest::newRow("universe past 32 bits") << QStringList{"bridge", "--universe", "4294967296"}
                                           << "--universe '4294967296'";
    QTest::newRow("range past the universe") << QStringList{"bridge", "--universe", "1", "1-513"} << "'1-513' is not";
    QTest::newRow("falling range") << QStringList{"bridge", "--universe", "1", "9-8"} << "'9-8' is not";
    QTest::newRow("channel 0") << QStringList{"bridge", "--universe", "1", "0-8"} << "'0-8' is not";
    QTest::newRow("two ranges") << QStringList{"bridge", "--universe", "1", "1-2", "3-4"} << "one range";
    QTest::newRow("ola port 0") << QStringList{"bridge", "--universe", "1", "--ola-port", "0"} << "--ola-port '0'";
    QTest::newRow("ola port past 16 bits") << QStringList{"bridge", "--universe", "1", "--ola-port", "65536"}
                                           << "--ola-port '65536'";
    QTest::newRow("format") << QStringList{"--format", "csv", "bridge", "--universe", "1"} << "no --format";
    QTest::newRow("universe without bridge") << QStringList{"read", "1", "--universe", "1"}
                                             << "--universe is for bridge and record only";
    QTest::newRow("ola port without bridge") << QStringList{"list", "1-5", "--ola-port", "9"}
                                             << "--ola-port is for bridge only";
}

void TestOlaBridge::refusedBeforeTheWire()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fault);
    PtyBox box;
    QVERIFY(box.isReady());
    QProcess process;
    process.start(kProgram, QStringList{"--port", box.devicePath()} + arguments);
    QVERIFY(process.waitForFinished(kWait));
    QCOMPARE(process.exitCode(), 2);
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(err.count('\n'), 1);
    QVERIFY2(err.contains(fault.toUtf8()), err);
    QCoreApplication::processEvents();
    QCOMPARE(box.received(), QByteArray());
}

QTEST_MAIN(TestOlaBridge)
#include "test_ola_bridge.moc"
