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

// Said once a patched universe takes the bridge's levels.
QString feeding(unsigned int universe, const QString &channels, const QString &device, quint16 olaPort)
{
    return QStringLiteral("Feeding OLA universe %1 with channels %2 from %3 (olad on 127.0.0.1:%4): \"Universe %1\", "
                          "merge LTP, output Dummy Port, no other source\n")
        .arg(universe)
        .arg(channels, device)
        .arg(olaPort);
}

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

// A universe of olad's as the operator sets it up for a bridge: the Dummy
// plugin's output port patched to it, and read back through a listener.
bool patched(OlaListener &listener)
{
    if (!listener.connectToOlad() || !QTest::qWaitFor([&] { return listener.registered(); }, kWait))
        return false;
    listener.patchDummyOutput();
    return QTest::qWaitFor([&] { return listener.patched(); }, kWait);
}

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
    void priorityAgainstAnotherSource_data();
    void priorityAgainstAnotherSource();
    void restartedOladIsFoundAgain();
    void whatStandsInTheWayIsSaidOnce_data();
    void whatStandsInTheWayIsSaidOnce();

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
    QTest::newRow("default, the whole universe") << QStringList{} << 1 << 512;
    QTest::newRow("a range") << QStringList{"17-80"} << 17 << 80;
    QTest::newRow("one channel") << QStringList{"200-200"} << 200 << 200;
}

void TestOlaBridge::goodPictureArrivesWhole()
{
    QFETCH(QStringList, range);
    QFETCH(int, first);
    QFETCH(int, last);
    const unsigned int number = m_nextUniverse++;
    PacedBox box;
    box.setLevels(levelA);
    OlaListener listener(m_olad.rpcPort(), number);
    QVERIFY(patched(listener));

    Bridge bridge(box, m_olad.rpcPort(), number, range);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(first, last, levelA), kWait);
    box.setLevels(levelB);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(first, last, levelB), kWait);
    QVERIFY(bridge.interrupted());
    QCOMPARE(bridge.out(), feeding(number, QStringLiteral("%1-%2").arg(first).arg(last), box.pty.devicePath(),
                                   m_olad.rpcPort())
                               .toUtf8());
    QCOMPARE(bridge.err(), QByteArray());
}

void TestOlaBridge::failedPicturesLeaveTheLastGood_data()
{
    QTest::addColumn<SimFaults>("faults");
    QTest::addColumn<QString>("said"); // %1: the universe
    SimFaults checksum;
    checksum.wrongChecksum = true;
    SimFaults endByte;
    endByte.wrongEndByte = true;
    SimFaults cutShort;
    cutShort.truncateBlockTo = 100;
    SimFaults silent;
    silent.silent = true;
    SimFaults upperBlock;
    upperBlock.wrongChecksumAt = {256};
    const QString none = QStringLiteral("no good picture from the box (%1); OLA universe %2 keeps the last good levels");
    QTest::newRow("checksum") << checksum << none.arg("checksum error");
    QTest::newRow("end byte") << endByte << none.arg("wrong end byte");
    QTest::newRow("cut short") << cutShort << none.arg("reply cut short");
    QTest::newRow("silent") << silent << none.arg("no answer");
    // 1-256 come good: sending them alone would shrink the universe to 256.
    QTest::newRow("checksum of 257-511 only")
        << upperBlock
        << QStringLiteral("channels 257-511 did not come back (checksum error); OLA universe %2 keeps the last whole "
                          "picture");
}

// The box goes bad with new levels on the line: none of them reaches the
// universe, which keeps all its channels; the bridge says so once, and the
// new levels come once it is good.
void TestOlaBridge::failedPicturesLeaveTheLastGood()
{
    QFETCH(SimFaults, faults);
    QFETCH(QString, said);
    const unsigned int number = m_nextUniverse++;
    PacedBox box;
    box.setLevels(levelA);
    OlaListener listener(m_olad.rpcPort(), number);
    QVERIFY(patched(listener));
    Bridge bridge(box, m_olad.rpcPort(), number);
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(1, 512, levelA), kWait);

    box.box.faults() = faults;
    box.setLevels(levelB);
    const QByteArray bad = ("lumivane: " + said.arg(number) + "\n").toUtf8();
    QTRY_VERIFY_WITH_TIMEOUT(bridge.err().contains(bad), kWait);
    const int requests = box.box.blockRequests();
    QTRY_VERIFY_WITH_TIMEOUT(box.box.blockRequests() >= requests + 2, kWait);
    // A picture is fetched piece by piece: the read of 512 that ended the
    // last good one may already have brought the new level, and rightly so.
    QCOMPARE(listener.latest().size(), 512);
    QCOMPARE(listener.latest().left(511), universe(1, 512, levelA).left(511));

    box.box.faults() = SimFaults{};
    QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(1, 512, levelB), kWait);
    QVERIFY(bridge.interrupted());
    QCOMPARE(bridge.err(), bad + "lumivane: good pictures from the box again\n");
    QCOMPARE(bridge.out().count('\n'), 1);
}

void TestOlaBridge::priorityAgainstAnotherSource_data()
{
    QTest::addColumn<int>("priority");
    QTest::addColumn<bool>("bridgeWins");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("150 over 100") << 150 << true << QByteArray();
    QTest::newRow("50 under 100") << 50 << false
                                  << QByteArray("at priority 100, above the bridge's 50: olad passes on its levels, "
                                                "not the line's\n");
}

// A second client sends the same universe at priority 100: olad passes on
// the levels of the higher priority, and the bridge says when it is not its.
void TestOlaBridge::priorityAgainstAnotherSource()
{
    QFETCH(int, priority);
    QFETCH(bool, bridgeWins);
    QFETCH(QByteArray, said);
    const unsigned int number = m_nextUniverse++;
    PacedBox box;
    box.setLevels(levelA);
    OlaListener other(m_olad.rpcPort(), number);
    QVERIFY(patched(other));
    other.stream(universe(1, 512, levelB), 100);
    QTRY_COMPARE_WITH_TIMEOUT(other.latest(), universe(1, 512, levelB), kWait);

    Bridge bridge(box, m_olad.rpcPort(), number, {"--priority", QString::number(priority)});
    QTRY_VERIFY_WITH_TIMEOUT(bridge.out().startsWith("Feeding"), kWait);
    const QByteArray winner = universe(1, 512, bridgeWins ? levelA : levelB);
    const QByteArray loser = universe(1, 512, bridgeWins ? levelB : levelA);
    QTRY_COMPARE_WITH_TIMEOUT(other.latest(), winner, kWait);
    // The other client sends three times more while the bridge goes on.
    QList<QByteArray> passedOn;
    connect(&other, &OlaListener::frameReceived, this, [&] { passedOn << other.latest(); });
    const int sends = other.sends();
    QTRY_VERIFY_WITH_TIMEOUT(other.sends() >= sends + 3, kWait);
    QVERIFY(!passedOn.contains(loser));
    QTRY_VERIFY_WITH_TIMEOUT(bridge.err().endsWith(said), kWait);
    QVERIFY(bridge.interrupted());
    QCOMPARE(bridge.err(),
             said.isEmpty() ? said : "lumivane: another source feeds OLA universe " + QByteArray::number(number) + " " + said);
}

// olad stopped under a feeding bridge, and started again on the same port:
// it keeps the patch.
void TestOlaBridge::restartedOladIsFoundAgain()
{
    const unsigned int number = 30;
    PacedBox box;
    box.setLevels(levelA);
    OlaListener listener(m_olad.rpcPort(), number);
    QVERIFY(patched(listener));
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

void TestOlaBridge::whatStandsInTheWayIsSaidOnce_data()
{
    QTest::addColumn<QString>("olad"); // what is on the port, and how it comes right
    QTest::addColumn<QString>("said"); // %1: olad's port, %2: the universe
    const QString unpatched = "OLA universe %2 %3 in olad: patch an output port to it with ola_patch -d DEVICE -p PORT "
                              "-u %2 (ola_dev_info lists them) or in OLA's web page (Add Universe, or the universe's "
                              "Settings tab); the bridge looks again every few seconds";
    const auto because = [&](const char *why) { return QString(unpatched).replace("%3", why); };
    QTest::newRow("nothing, olad started later")
        << "later" << "waiting for olad on 127.0.0.1:%1 (is it running? the bridge does not start it)";
    QTest::newRow("the universe not in olad, patched later") << "olad" << because("does not exist");
    // A client that listens to a universe makes olad keep it, portless.
    QTest::newRow("the universe without an output port, patched later")
        << "listened" << because("has no output port");
    // Not olad: the bridge never says it feeds it.
    QTest::newRow("a silent listener") << "silent"
                                       << "127.0.0.1:%1 takes the connection but does not answer as olad does (is "
                                          "it olad's RPC port?); nothing is said to be fed until it does";
}

// Said once, while the pictures go on; the universe fed once it comes right.
void TestOlaBridge::whatStandsInTheWayIsSaidOnce()
{
    QFETCH(QString, olad);
    QFETCH(QString, said);
    const unsigned int number = m_nextUniverse++;
    OladProcess later;
    later.patchAtStart(number);
    SilentPort silent;
    const quint16 port = olad == "later" ? later.rpcPort() : olad == "silent" ? silent.port : m_olad.rpcPort();
    QVERIFY(port != 0);
    PacedBox box;
    box.setLevels(levelA);
    OlaListener listener(port, number);
    if (olad == "listened") {
        QVERIFY(listener.connectToOlad());
        QTRY_VERIFY_WITH_TIMEOUT(listener.registered(), kWait);
    }
    Bridge bridge(box, port, number);
    said.replace("%1", QString::number(port)).replace("%2", QString::number(number));
    const QByteArray err = ("lumivane: " + said + "\n").toUtf8();
    QTRY_COMPARE_WITH_TIMEOUT(bridge.err(), err, kWait);
    const int requests = box.box.blockRequests();
    QTRY_VERIFY_WITH_TIMEOUT(box.box.blockRequests() >= requests + 20, kWait);
    QCOMPARE(bridge.out(), QByteArray());

    QByteArray fed;
    if (olad != "silent") {
        QString error;
        QVERIFY2(olad != "later" || later.start(error), qPrintable(error));
        QVERIFY(listener.connected() || listener.connectToOlad());
        if (olad != "later")
            listener.patchDummyOutput();
        fed = feeding(number, "1-512", box.pty.devicePath(), port).toUtf8();
        QTRY_COMPARE_WITH_TIMEOUT(bridge.out(), fed, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(listener.registered(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(padded(listener.latest()), universe(1, 512, levelA), kWait);
    }
    QVERIFY(bridge.interrupted());
    QCOMPARE(bridge.err(), err);
    QCOMPARE(bridge.out(), fed);
    later.stop();
    QCOMPARE(later.startedPlugins(), olad == "later" ? QStringList{QStringLiteral("Dummy")} : QStringList());
}

QTEST_MAIN(TestOlaBridge)
#include "test_ola_bridge.moc"
