// lumivane check --ola-universe: the cable (the box played on a
// pseudo-terminal) against a universe of a real olad kept to this machine
// (only its Dummy plugin, no web server), into which a test client streams
// what a desk would send.
#include "harness.h"
#include "ola_listener.h"
#include "olad_process.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>

namespace {

const QString kProgram = QStringLiteral(LUMIVANE_BIN_DIR "/lumivane");
constexpr int kWait = 10000;

using Levels = QList<QPair<int, int>>;

quint8 cable(int channel) { return quint8(channel * 7 + 3); }

// The box's levels as the network has them, but for `changed` and cut to
// `channels` long.
QByteArray network(const PacedBox &box, const Levels &changed, int channels = 512)
{
    QByteArray levels = box.levels();
    for (const auto &[channel, level] : changed)
        levels[channel - 1] = char(level);
    return levels.left(channels);
}

// A check to its end; the event loop runs meanwhile, so that the box answers.
ProgramRun check(const PacedBox &box, quint16 olaPort, const QStringList &arguments)
{
    return runLumivane(QStringList{"--port", box.pty.devicePath(), "check", "--ola-port", QString::number(olaPort)}
                       + arguments);
}

} // namespace

class TestOlaCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void verdicts_data();
    void verdicts();
    void settledChangeIsNoDifference();

private:
    // A universe of its own for each case, streamed `levels` by a client.
    bool streamed(OlaListener &desk, const QByteArray &levels);

    OladProcess m_olad;
    unsigned int m_nextUniverse = 200;
};

void TestOlaCheck::initTestCase()
{
    QString error;
    QVERIFY2(m_olad.start(error), qPrintable(error + " (apt-get install ola; scripts/install-deps)"));
}

void TestOlaCheck::cleanupTestCase()
{
    m_olad.stop();
    QCOMPARE(m_olad.startedPlugins(), QStringList{QStringLiteral("Dummy")});
}

bool TestOlaCheck::streamed(OlaListener &desk, const QByteArray &levels)
{
    if (!desk.connectToOlad() || !QTest::qWaitFor([&] { return desk.registered(); }, kWait))
        return false;
    desk.stream(levels);
    return QTest::qWaitFor([&] { return desk.latest() == levels; }, kWait);
}

void TestOlaCheck::verdicts_data()
{
    QTest::addColumn<QString>("olad");    // who is on the port: olad, into which a desk streams, or not
    QTest::addColumn<Levels>("changed");  // on the network only
    QTest::addColumn<int>("channels");    // the universe's length
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("out");  // channel, olad's level, the box's
    QTest::addColumn<QString>("said");    // on standard error; %1 the port, %2 the universe
    const QString none;
    QTest::newRow("the same levels") << "desk" << Levels{} << 512 << QStringList{} << 0 << QByteArray() << none;
    QTest::newRow("two channels changed")
        << "desk" << Levels{{3, 200}, {300, 1}} << 512 << QStringList{} << 1
        << QByteArray("3 200 " + QByteArray::number(cable(3)) + "\n300 1 " + QByteArray::number(cable(300)) + "\n")
        << none;
    QTest::newRow("within the tolerance") << "desk" << Levels{{3, cable(3) + 2}} << 512
                                          << QStringList{"--tolerance", "2"} << 0 << QByteArray() << none;
    QTest::newRow("outside the range") << "desk" << Levels{{300, 1}} << 512 << QStringList{"1-256"} << 0
                                       << QByteArray() << none;
    QTest::newRow("csv") << "desk" << Levels{{512, 0}} << 512 << QStringList{"--format", "csv"} << 1
                         << QByteArray("channel,expected,actual\n512,0," + QByteArray::number(cable(512)) + "\n")
                         << none;
    // olad holds no level past the frame a desk sends: those may carry anything.
    QTest::newRow("a shorter universe") << "desk" << Levels{} << 100 << QStringList{} << 0 << QByteArray() << none;
    // The network side cannot be had: status 4, one line, and no verdict.
    const auto unreachable = [](const char *name, const char *olad, const QString &said) {
        QTest::newRow(name) << olad << Levels{} << 512 << QStringList{} << 4 << QByteArray() << said;
    };
    unreachable("nobody", "nobody", "olad on 127.0.0.1:%1 is out of reach (is it running? check does not start it)");
    unreachable("a silent listener", "silent",
                "127.0.0.1:%1 takes the connection but does not answer as olad does (is it olad's RPC port?)");
    unreachable("olad, but nothing sends to the universe", "olad",
                "OLA universe %2 holds no levels: nothing sends to it");
}

void TestOlaCheck::verdicts()
{
    QFETCH(QString, olad);
    QFETCH(Levels, changed);
    QFETCH(int, channels);
    QFETCH(QStringList, options);
    QFETCH(int, code);
    QFETCH(QByteArray, out);
    QFETCH(QString, said);
    SilentPort silent;
    const quint16 port = olad == "nobody" ? OladProcess::freePort() : olad == "silent" ? silent.port : m_olad.rpcPort();
    QVERIFY(port != 0);
    const unsigned int universe = m_nextUniverse++;
    PacedBox box;
    box.setLevels(cable);
    OlaListener desk(m_olad.rpcPort(), universe);
    if (olad == "desk")
        QVERIFY(streamed(desk, network(box, changed, channels)));

    const ProgramRun run =
        check(box, port, QStringList{"--ola-universe", QString::number(universe), "--settle", "100"} + options);
    said.replace("%1", QString::number(port)).replace("%2", QString::number(universe));
    QCOMPARE(run.err, said.isEmpty() ? QByteArray() : ("lumivane: " + said + "\n").toUtf8());
    QCOMPARE(run.out, out);
    QCOMPARE(run.code, code);
}

// A change that reaches the cable 300 ms after the network is no
// difference with a settle time of 1 s; one that never reaches it is. A
// watch ends with 1 on Ctrl+C, as a channel differed.
void TestOlaCheck::settledChangeIsNoDifference()
{
    const unsigned int universe = m_nextUniverse++;
    PacedBox box;
    box.setLevels(cable);
    OlaListener desk(m_olad.rpcPort(), universe);
    QVERIFY(streamed(desk, network(box, {{7, 99}})));
    QProcess watch;
    watch.start(kProgram, {"--port", box.pty.devicePath(), "check", "--ola-universe", QString::number(universe),
                           "--ola-port", QString::number(m_olad.rpcPort()), "--settle", "1000", "--watch"});
    QByteArray out;
    auto said = [&](const QByteArray &line) {
        return QTest::qWaitFor(
            [&] {
                out += watch.readAllStandardOutput();
                return out.endsWith(line);
            },
            kWait);
    };
    QVERIFY2(said("differs 7 99 " + QByteArray::number(cable(7)) + "\n"), out);
    desk.stream(network(box, {}));
    QVERIFY2(said("agrees 7 " + QByteArray::number(cable(7)) + " " + QByteArray::number(cable(7)) + "\n"), out);

    desk.stream(network(box, {{5, 42}}));
    QTimer::singleShot(300, &box, [&] { box.box.setLevel(5, 42); });
    QTRY_COMPARE_WITH_TIMEOUT(int(box.box.level(5)), 42, kWait);
    desk.stream(network(box, {{6, 43}}));
    QVERIFY2(said("differs 6 43 " + QByteArray::number(cable(6)) + "\n"), out);

    ::kill(pid_t(watch.processId()), SIGINT);
    QSignalSpy finished(&watch, &QProcess::finished);
    QVERIFY(finished.wait(kWait));
    QCOMPARE(watch.exitCode(), 1);
    out += watch.readAllStandardOutput();
    QCOMPARE(out.count('\n'), 3);
    QCOMPARE(watch.readAllStandardError(), QByteArray());
}

QTEST_GUILESS_MAIN(TestOlaCheck)
#include "test_ola_check.moc"
