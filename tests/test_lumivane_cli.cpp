// lumivane run the way a script runs it: its exit status, what it prints,
// and what it puts on the wire, against the simulated box and against a
// box the test plays on a pseudo-terminal.
#include "harness.h"
#include "level_pattern.h"
#include "protocol.h"
#include "qt_serial_port.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kProgram = QStringLiteral(LUMIVANE_BIN_DIR "/lumivane");

// What the box has heard once the bytes of a finished run have been taken in.
QByteArray heard(PtyBox &box)
{
    QCoreApplication::processEvents();
    return box.received();
}

} // namespace

class TestLumivaneCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void refusedBeforeTheWire_data();
    void refusedBeforeTheWire();
    void formats_data();
    void formats();
    void silentBox_data();
    void silentBox();
    void watchRunsCountedPasses_data();
    void watchRunsCountedPasses();
    void versionOptions_data();
    void versionOptions();
    void portsTables_data();
    void portsTables();
    void watchGoesOnOverALostPort_data();
    void watchGoesOnOverALostPort();
    void asksTheNextPictureBeforePrinting();
    void listsTheUniverse();
    void ctrlCEndsAfterThePassInFlight();
    void closedPipeEndsQuietly();
    void aHeldDeviceNamesItsHolder_data();
    void aHeldDeviceNamesItsHolder();
    void outputThatCannotBeWrittenFails_data();
    void outputThatCannotBeWrittenFails();

private:
    SimulatedBox m_box;
};

// One simulated box for the whole program: channels 1 and 2 pinned, channel 3 silent.
void TestLumivaneCli::initTestCase()
{
    m_box.start({"--static", "--level", "1=10", "--level", "2=255", "--silent-channels", "3"});
}

void TestLumivaneCli::cleanupTestCase()
{
    m_box.stop();
}

// Refused before anything reaches the box: one line, and the wire stays quiet.
void TestLumivaneCli::refusedBeforeTheWire_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("fault"); // what the one line must name
    // Refused by its command line: status 2.
    const auto refused = [](const char *name, const QStringList &arguments, const QString &fault) {
        QTest::newRow(name) << arguments << QStringList() << 2 << fault;
    };
    refused("channel 0", {"read", "0"}, "lumivane: channel 0 is outside 1-512");
    refused("channel 513", {"watch", "513"}, "channel 513 is outside 1-512");
    refused("range ending past 512", {"read", "500-513"}, "channel 513 is outside");
    refused("falling range", {"watch", "12-9"}, "range 12-9 falls");
    refused("list with a gap", {"read", "1,,5"}, "'' is not a channel");
    refused("range of three ends", {"read", "1-2-3"}, "'1-2-3' is not a channel");
    refused("open range", {"watch", "5-"}, "'' is not a channel");
    refused("not a number", {"watch", "1x"}, "'1x' is not a channel");
    refused("range of one", {"list", "5-5"}, "range 5-5 does not rise");
    refused("range past 512", {"list", "1-513"}, "channel 513 is outside");
    refused("unknown option", {"--bogus", "read", "1"}, "bogus");
    refused("unknown format", {"--format", "xml", "read", "1"}, "format 'xml'");
    refused("port 5", {"read", "1", "--port", "5"}, "port 5 is outside 1-4");
    refused("port -1", {"read", "1", "--port", "-1"}, "port -1 is outside 1-4");
    refused("port 0", {"read", "1", "--port=0"}, "port 0 is outside 1-4");
    refused("port 99999999999", {"read", "1", "--port", "99999999999"}, "port 99999999999 is outside 1-4");
    refused("count of none", {"watch", "1", "--count", "0"}, "--count '0'");
    refused("count without watch", {"read", "1", "--count", "2"}, "--count is for watch");
    refused("unknown command", {"frob"}, "unknown command 'frob'");
    refused("-n without watch", {"read", "1", "-n", "2"}, "--count is for watch");
    refused("-i without watch", {"list", "1-2", "-i", "5"}, "--interval is for watch");
    refused("-p 5", {"-p", "5", "read", "1"}, "port 5 is outside 1-4");
    refused("-f xml", {"-f", "xml", "read", "1"}, "format 'xml'");
    refused("ports with -p", {"ports"}, "ports takes no --port");
    refused("--changes without watch", {"read", "1", "--changes"}, "--changes is for watch only");
    refused("--still-after alone", {"watch", "1", "--still-after", "5"}, "--still-after needs --heartbeat");
    refused("heartbeat 513", {"watch", "1", "--heartbeat", "513"}, "--heartbeat '513' is not a channel (1-512)");
    refused("report of two ranges", {"report", "1-2", "3-4"}, "report takes one range FIRST-LAST");
    refused("a take reported for a while", {"report", "--recording", "t.show", "--duration", "5"},
            "report --recording reads no line");
    refused("spike threshold 0", {"report", "--spike-threshold", "0"},
            "--spike-threshold '0' is not a level difference (1-255)");
    refused("bridge, no universe", {"bridge"}, "bridge needs --universe N");
    refused("bridge, negative universe", {"bridge", "--universe", "-1"}, "--universe '-1'");
    refused("bridge, universe past 32 bits", {"bridge", "--universe", "4294967296"}, "--universe '4294967296'");
    refused("bridge, range past the universe", {"bridge", "--universe", "1", "1-513"}, "'1-513' is not");
    refused("bridge, falling range", {"bridge", "--universe", "1", "9-8"}, "'9-8' is not");
    refused("bridge, channel 0", {"bridge", "--universe", "1", "0-8"}, "'0-8' is not");
    refused("bridge, two ranges", {"bridge", "--universe", "1", "1-2", "3-4"}, "one range");
    refused("bridge, ola port 0", {"bridge", "--universe", "1", "--ola-port", "0"}, "--ola-port '0'");
    refused("bridge, ola port past 16 bits", {"bridge", "--universe", "1", "--ola-port", "65536"},
            "--ola-port '65536'");
    refused("bridge, priority past 200", {"bridge", "--universe", "1", "--priority", "201"},
            "--priority '201' is not an OLA priority (0-200)");
    refused("bridge, negative priority", {"bridge", "--universe", "1", "--priority", "-1"}, "--priority '-1'");
    refused("bridge, format", {"--format", "csv", "bridge", "--universe", "1"}, "no --format");
    refused("universe without bridge", {"read", "1", "--universe", "1"}, "--universe is for bridge and record only");
    refused("priority without bridge", {"check", "--ola-universe", "1", "--priority", "9"},
            "--priority is for bridge only");
    refused("ola port without bridge or check", {"list", "1-5", "--ola-port", "9"},
            "--ola-port is for bridge and check --ola-universe only");
    refused("ola port with a file check", {"check", "cue.csv", "--ola-port", "9"},
            "--ola-port is for check --ola-universe only");
    refused("settle with a file check", {"check", "cue.csv", "--settle", "9"},
            "--settle is for check --ola-universe only");
    refused("settle past a minute", {"check", "--ola-universe", "1", "--settle", "60001"}, "--settle '60001'");
    refused("check universe and --range", {"check", "--ola-universe", "1", "--range", "1-5"}, "not --range");
    refused("check universe and a file", {"check", "--ola-universe", "1", "cue.csv"},
            "'cue.csv' is not a channel range");
    refused("check universe past 32 bits", {"check", "--ola-universe", "4294967296"}, "--ola-universe '4294967296'");
    // The last --port wins over the test box's.
    QTest::newRow("read, missing device") << QStringList{"-p", "/nonexistent/tty", "read", "1"} << QStringList() << 3
                                          << "lumivane: Error Opening COM Port (/nonexistent/tty: no such device)";
    QTest::newRow("probe, missing device") << QStringList{"--port", "/nonexistent/tty", "probe"} << QStringList() << 3
                                           << "lumivane: Error Opening COM Port (/nonexistent/tty: no such device)";
    QTest::newRow("read, not a serial device") << QStringList{"--port", "/dev/null", "read", "1"} << QStringList() << 3
                                               << "lumivane: Error Opening COM Port (/dev/null: not a serial device)";
    QTest::newRow("watch, Port4 by its variable")
        << QStringList{"--port", "4", "watch", "1"} << QStringList{"LUMIVANE_PORT4=/nonexistent/port4"} << 3
        << "lumivane: Error Opening COM Port (/nonexistent/port4: no such device)";
}

void TestLumivaneCli::refusedBeforeTheWire()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, code);
    QFETCH(QString, fault);
    PtyBox box;
    QVERIFY(box.isReady());
    const ProgramRun result = runLumivane(QStringList{"--port", box.devicePath()} + arguments, environment);
    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.code, code);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.err.count('\n'), 1);
    QVERIFY2(result.err.startsWith("lumivane: ") && result.err.at(10) != ' ', result.err);
    QVERIFY2(result.err.contains(fault.toUtf8()), result.err);
    QCOMPARE(heard(box), QByteArray());
}

void TestLumivaneCli::formats_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("err");
    const QByteArray noResponse = "lumivane: NO RESPONSE FROM DMX Transceiver (channel 3)\n";
    QTest::newRow("text") << QStringList{"read", "1", "2"} << QByteArray("1 10\n2 255\n") << 0 << QByteArray();
    QTest::newRow("csv") << QStringList{"--format", "csv", "read", "1", "2"}
                         << QByteArray("channel,level\n1,10\n2,255\n") << 0 << QByteArray();
    QTest::newRow("json") << QStringList{"--format=json", "read", "1", "2"}
                          << QByteArray(R"([{"channel":1,"level":10},{"channel":2,"level":255}])" "\n") << 0
                          << QByteArray();
    QTest::newRow("text, no answer") << QStringList{"read", "1", "3"} << QByteArray("1 10\n3 \n") << 1 << noResponse;
    QTest::newRow("csv, no answer") << QStringList{"--format", "csv", "read", "3", "2"}
                                    << QByteArray("channel,level\n3,\n2,255\n") << 1 << noResponse;
    QTest::newRow("json, no answer") << QStringList{"--format", "json", "read", "3"}
                                     << QByteArray(R"([{"channel":3,"level":null}])" "\n") << 1 << noResponse;
    QTest::newRow("list") << QStringList{"list", "1-2"} << QByteArray("1 10\n2 255\n") << 0 << QByteArray();
    QTest::newRow("list, no answer")
        << QStringList{"--format", "json", "list", "2-3"}
        << QByteArray(R"([{"channel":2,"level":null},{"channel":3,"level":null}])" "\n") << 1
        << QByteArray("lumivane: Header error (channels 2-3)\n");
    QTest::newRow("probe") << QStringList{"probe"} << QByteArray("DMX Transceiver connected OK\n") << 0 << QByteArray();
    QTest::newRow("-f csv") << QStringList{"-f", "csv", "read", "1"} << QByteArray("channel,level\n1,10\n") << 0
                            << QByteArray();
    QTest::newRow("-fjson") << QStringList{"-fjson", "read", "2"} << QByteArray(R"([{"channel":2,"level":255}])" "\n")
                            << 0 << QByteArray();
    QTest::newRow("csv, --no-header") << QStringList{"--format=csv", "--no-header", "read", "1", "3"}
                                      << QByteArray("1,10\n3,\n") << 1 << noResponse;
    QTest::newRow("list, csv, --no-header") << QStringList{"list", "1-2", "-f", "csv", "--no-header"}
                                            << QByteArray("1,10\n2,255\n") << 0 << QByteArray();
    QTest::newRow("text, --no-header") << QStringList{"--no-header", "read", "1"} << QByteArray("1 10\n") << 0
                                       << QByteArray();
    QTest::newRow("json, --no-header") << QStringList{"--no-header", "-f", "json", "read", "1"}
                                       << QByteArray(R"([{"channel":1,"level":10}])" "\n") << 0 << QByteArray();
}

void TestLumivaneCli::formats()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    QFETCH(int, code);
    QFETCH(QByteArray, err);
    const ProgramRun result = runLumivane(QStringList{"--port", m_box.link()} + arguments);
    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.out, out);
    QCOMPARE(result.err, err);
    QCOMPARE(result.code, code);
}

void TestLumivaneCli::silentBox_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("probe") << QStringList{"probe"} << QByteArray(protocol::kFlushNulCount, '\0') + "C?"
                           << QByteArray() << QByteArray("lumivane: No DMX Transceiver is connected\n");
    // No probe before a read, and each channel asked for on its own.
    QTest::newRow("read") << QStringList{"read", "12", "256"} << QByteArray("C011?C255?")
                          << QByteArray("12 \n256 \n")
                          << QByteArray("lumivane: NO RESPONSE FROM DMX Transceiver (channel 12)\n"
                                        "lumivane: NO RESPONSE FROM DMX Transceiver (channel 256)\n");
    QTest::newRow("list") << QStringList{"list", "255-256"} << bytes({0xFF, 0x00, 0xC0, 0xFE, 0x00, 0x01, 0xC1})
                          << QByteArray("255 \n256 \n") << QByteArray("lumivane: Header error (channels 255-256)\n");
    // The universe: 1-256 and 256-511 by blocks, 512 by a read; every row written.
    QByteArray universeRows;
    for (int channel = 1; channel <= 512; ++channel)
        universeRows += QByteArray::number(channel) + " \n";
    QTest::newRow("list 1-512") << QStringList{"list", "1-512"}
                                << bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0xFF, 0xC1, 0xFF, 0x00, 0xC0, 0xFF, 0x00, 0xFF,
                                          0xC1}) + "C511?"
                                << universeRows
                                << QByteArray("lumivane: Header error (channels 1-256)\nlumivane: Header error (channels 257-511)\n"
                                              "lumivane: NO RESPONSE FROM DMX Transceiver (channel 512)\n");
    QTest::newRow("read of a range and a list") << QStringList{"read", "511-512,3"} << QByteArray("C510?C511?C002?")
                                                << QByteArray("511 \n512 \n3 \n")
                                                << QByteArray("lumivane: NO RESPONSE FROM DMX Transceiver (channel 511)\n"
                                                              "lumivane: NO RESPONSE FROM DMX Transceiver (channel 512)\n"
                                                              "lumivane: NO RESPONSE FROM DMX Transceiver (channel 3)\n");
    // Single channels by reads, the range by one block, in the order given.
    QTest::newRow("watch 1,5,9-12") << QStringList{"watch", "1,5,9-12", "--count", "1"}
                                    << QByteArray("C000?C004?") + bytes({0xFF, 0x00, 0xC0, 0x08, 0x00, 0x03, 0xC1})
                                    << QByteArray("1 \n5 \n9 \n10 \n11 \n12 \n")
                                    << QByteArray("lumivane: NO RESPONSE FROM DMX Transceiver (channel 1)\n"
                                                  "lumivane: NO RESPONSE FROM DMX Transceiver (channel 5)\n"
                                                  "lumivane: Header error (channels 9-12)\n");
}

void TestLumivaneCli::silentBox()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, wire);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    PtyBox box;
    QVERIFY(box.isReady());
    const ProgramRun result = runLumivane(QStringList{"--port", box.devicePath()} + arguments);
    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.code, 1);
    QCOMPARE(result.out, out);
    QCOMPARE(result.err, err);
    QCOMPARE(heard(box).toHex(' '), wire.toHex(' '));
}

// Every channel of 4-512 with the box's own level: 4-256 and 257-511 by
// blocks, 512 by a read.
void TestLumivaneCli::listsTheUniverse()
{
    for (const QString &command : {QStringLiteral("list"), QStringLiteral("watch")}) {
        QStringList arguments{"--port", m_box.link(), command, "4-512"};
        if (command == "watch")
            arguments << "--count" << "2";
        const ProgramRun result = runLumivane(arguments);
        QCOMPARE(result.code, 0);
        QCOMPARE(result.err, QByteArray());
        const QList<QByteArray> rows = result.out.trimmed().split('\n');
        QCOMPARE(rows.size(), command == "list" ? 509 : 2 * 509);
        for (int i = 0; i < rows.size(); ++i) {
            const int channel = 4 + i % 509;
            const quint8 level = level_pattern::levelAt(channel, std::chrono::milliseconds{0});
            QCOMPARE(rows[i], QByteArray::number(channel) + ' ' + QByteArray::number(level));
        }
    }
}

void TestLumivaneCli::watchRunsCountedPasses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("header");
    QTest::newRow("long options") << QStringList{"--port", m_box.link(), "--format", "csv", "watch", "2", "1", "--count", "2"}
                                  << true;
    QTest::newRow("short options, --no-header")
        << QStringList{"-p", m_box.link(), "-f", "csv", "--no-header", "watch", "2", "1", "-n", "2", "-i", "10"} << false;
}

void TestLumivaneCli::watchRunsCountedPasses()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, header);
    const ProgramRun result = runLumivane(arguments);
    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.code, 0);
    QCOMPARE(result.err, QByteArray());
    QStringList rows = QString::fromUtf8(result.out).split(u'\n');
    if (header)
        QCOMPARE(rows.takeFirst(), "time,channel,level");
    QCOMPARE(rows.size(), 5); // two passes of two, and the last newline
    const QRegularExpression stamped(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}(Z|[+-]\d\d:\d\d),)");
    const QStringList readings{"2,255", "1,10", "2,255", "1,10"};
    for (int i = 0; i < readings.size(); ++i) {
        QVERIFY2(stamped.match(rows[i]).hasMatch(), qPrintable(rows[i]));
        QCOMPARE(rows[i].section(u',', 1), readings[i]);
    }
}

// -V is the usual spelling; -v stays for the scripts that use it.
void TestLumivaneCli::versionOptions_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("-V") << "-V";
    QTest::newRow("-v") << "-v";
    QTest::newRow("--version") << "--version";
}

void TestLumivaneCli::versionOptions()
{
    QFETCH(QString, option);
    const ProgramRun result = runLumivane({option});
    QCOMPARE(result.code, 0);
    QCOMPARE(result.err, QByteArray());
    QVERIFY2(QRegularExpression(R"(^lumivane \d+\.\d+\.\d+\n$)").match(QString::fromUtf8(result.out)).hasMatch(),
             result.out);
}

// Port1-Port4 as the variables name them come first, then whatever serial
// devices this machine has, each with no port.
void TestLumivaneCli::portsTables_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("head");
    const QByteArray rows = "1,/tmp/box1,,\n2,/tmp/box2,,\n3,/tmp/box3,,\n4,/tmp/box4,,\n";
    QTest::newRow("csv") << QStringList{"-f", "csv", "ports"} << "port,device,description,manufacturer\n" + rows;
    QTest::newRow("csv, --no-header") << QStringList{"ports", "--format=csv", "--no-header"} << rows;
    QTest::newRow("json") << QStringList{"--format", "json", "ports"}
                          << QByteArray(R"([{"description":null,"device":"/tmp/box1","manufacturer":null,"port":1},)");
}

void TestLumivaneCli::portsTables()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, head);
    const ProgramRun result = runLumivane(arguments, {"LUMIVANE_PORT1=/tmp/box1", "LUMIVANE_PORT2=/tmp/box2",
                                       "LUMIVANE_PORT3=/tmp/box3", "LUMIVANE_PORT4=/tmp/box4"});
    QCOMPARE(result.code, 0);
    QCOMPARE(result.err, QByteArray());
    QVERIFY2(result.out.startsWith(head), result.out);
    if (arguments.contains("json")) {
        QJsonParseError error;
        const QJsonArray rows = QJsonDocument::fromJson(result.out, &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        for (int i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[i].toObject().value("port"), i < 4 ? QJsonValue(i + 1) : QJsonValue());
        return;
    }
    for (const QByteArray &row : result.out.mid(head.size()).split('\n'))
        QVERIFY2(row.isEmpty() || row.startsWith(','), row); // a device no port opens
}

// The box's line is pulled for half a second in the middle of a watch: said
// once each way on standard error, no empty readings in the data, and every
// counted pass made on the box that came back. A device reached by a name
// that may go to another device is not waited for: the watch ends with the
// port's status, its data still free of empty readings.
void TestLumivaneCli::watchGoesOnOverALostPort_data()
{
    QTest::addColumn<QString>("channels");
    QTest::addColumn<bool>("comesBack");
    QTest::addColumn<int>("code");
    QTest::newRow("by reads") << "1,2" << true << 0;
    QTest::newRow("by blocks") << "1-2" << true << 0;
    QTest::newRow("by blocks, gone for good") << "1-2" << false << 3;
}

void TestLumivaneCli::watchGoesOnOverALostPort()
{
    QFETCH(QString, channels);
    QFETCH(bool, comesBack);
    QFETCH(int, code);
    SimulatedBox simulator;
    QStringList line{"--static", "--level", "1=10", "--drop-after", "1000"};
    if (comesBack)
        line << "--back-after" << "500";
    simulator.start(line);
    // The terminal's own name is not kept for the device it names now.
    const QString port = comesBack ? simulator.link() : QFile::symLinkTarget(simulator.link());

    const ProgramRun result = runLumivane({"--port", port, "--format", "csv", "watch", channels, "--interval", "50", "--count", "40"});
    simulator.stop();

    QCOMPARE(result.status, QProcess::NormalExit);
    QCOMPARE(result.code, code);
    QCOMPARE(result.err.count("was lost"), 1);
    QCOMPARE(result.err.count("is back"), comesBack ? 1 : 0);
    QCOMPARE(result.err.count('\n'), comesBack ? 2 : 1);
    const QStringList rows = QString::fromUtf8(result.out).trimmed().split(u'\n');
    if (comesBack)
        QCOMPARE(rows.size(), 81);
    for (int i = 1; i < rows.size(); ++i)
        QCOMPARE(rows[i].section(u',', 1), i % 2 == 1 ? QStringLiteral("1,10") : QStringLiteral("2,8"));
}

// With standard output stalled (a terminal or a reader that is slow to
// take the rows), the next picture is already asked: the line is not kept
// waiting on the printing.
void TestLumivaneCli::asksTheNextPictureBeforePrinting()
{
    const QByteArray request = *protocol::block::buildRequest(1, 3);
    PtyBox box;
    QVERIFY(box.isReady());
    connect(&box, &PtyBox::bytesReceived, this, [&] {
        if (box.received().endsWith(request))
            box.send(protocol::block::buildReply(QByteArray("\x0a\x14\x1e", 3)));
    });
    const QString stalled = m_box.filePath(QStringLiteral("stalled"));
    QVERIFY(::mkfifo(QFile::encodeName(stalled).constData(), 0600) == 0);
    const int full = ::open(QFile::encodeName(stalled).constData(), O_RDWR | O_NONBLOCK);
    QVERIFY(full >= 0);
    const QByteArray filler(4096, 'x');
    for (qsizetype chunk = filler.size(); chunk > 0; chunk /= 2) {
        while (::write(full, filler.constData(), size_t(chunk)) == chunk) {
        }
    }

    QProcess watch;
    watch.setStandardOutputFile(stalled);
    watch.start(kProgram, {"--port", box.devicePath(), "watch", "1-3", "--interval", "0"});
    QTRY_VERIFY_WITH_TIMEOUT(box.received().count(request) >= 2, 5000);
    watch.kill(); // it stays stuck in its write
    QVERIFY(watch.waitForFinished(5000));
    ::close(full);
}

// The box answers channel 2 late; Ctrl+C comes while it is awaited. The pass
// still ends with channel 2's level, and no pass follows.
void TestLumivaneCli::ctrlCEndsAfterThePassInFlight()
{
    PtyBox box;
    QVERIFY(box.isReady());
    QProcess watch;
    connect(&box, &PtyBox::bytesReceived, this, [&] {
        if (box.received() == "C000?") {
            box.send("L010");
        } else if (box.received() == "C000?C001?") {
            ::kill(pid_t(watch.processId()), SIGINT);
            QTimer::singleShot(300, &box, [&] { box.send("L020"); });
        }
    });
    watch.start(kProgram, {"--port", box.devicePath(), "watch", "1", "2", "--interval", "0"});
    QVERIFY(watch.waitForStarted());
    QSignalSpy finished(&watch, &QProcess::finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.readAllStandardOutput(), QByteArray("1 10\n2 20\n"));
    QCOMPARE(watch.exitCode(), 0);
    QCOMPARE(heard(box), QByteArray("C000?C001?"));
}

// `lumivane watch 1 | head -n 1`: the reader goes, lumivane ends without a word.
void TestLumivaneCli::closedPipeEndsQuietly()
{
    QProcess watch;
    QProcess head;
    watch.setStandardOutputProcess(&head);
    head.start(QStringLiteral("head"), {"-n", "1"});
    watch.start(kProgram, {"--port", m_box.link(), "watch", "1", "--interval", "10"});
    QVERIFY(head.waitForFinished(10000));
    QCOMPARE(head.readAllStandardOutput(), QByteArray("1 10\n"));
    QSignalSpy finished(&watch, &QProcess::finished);
    QVERIFY(watch.state() == QProcess::NotRunning || finished.wait(10000));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.exitCode(), 0);
    QCOMPARE(watch.readAllStandardError(), QByteArray());
}

// A second program on a device is refused, however the device is named.
void TestLumivaneCli::aHeldDeviceNamesItsHolder_data()
{
    QTest::addColumn<bool>("byLink");
    QTest::newRow("the device's own name") << false;
    QTest::newRow("a link to it") << true;
}

void TestLumivaneCli::aHeldDeviceNamesItsHolder()
{
    QFETCH(bool, byLink);
    PtyBox box;
    QVERIFY(box.isReady());
    QtSerialPort holder;
    QVERIFY(holder.open(box.devicePath(), LineSettings{}));
    QString device = box.devicePath();
    if (byLink) {
        device = m_box.filePath(QStringLiteral("held"));
        QFile::remove(device);
        QVERIFY(QFile::link(box.devicePath(), device));
    }
    const QByteArray expected = QStringLiteral("lumivane: Error Opening COM Port (%1: held by another program (%2, PID %3))\n")
                                    .arg(device, QString::fromLatin1(readFile("/proc/self/comm").trimmed()))
                                    .arg(QCoreApplication::applicationPid())
                                    .toUtf8();
    const ProgramRun result = runLumivane({"--port", device, "read", "1"});
    QCOMPARE(result.code, 3);
    QCOMPARE(result.err, expected);
    QCOMPARE(heard(box), QByteArray());
}

// Into a full disk every command fails alike: status 1 and the reason.
void TestLumivaneCli::outputThatCannotBeWrittenFails_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--help") << QStringList{"--help"};
    QTest::newRow("--version") << QStringList{"--version"};
    QTest::newRow("ports") << QStringList{"ports"};
    QTest::newRow("read") << QStringList{"--port", m_box.link(), "read", "1"};
}

void TestLumivaneCli::outputThatCannotBeWrittenFails()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(kProgram, arguments);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.readAllStandardError(), QByteArray("lumivane: cannot write the output: No space left on device\n"));
    QCOMPARE(process.exitCode(), 1);
}

QTEST_GUILESS_MAIN(TestLumivaneCli)
#include "test_lumivane_cli.moc"
