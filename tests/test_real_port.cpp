// The real serial layer on a pseudo-terminal: the probe's bytes go out
// unchanged, answers come back, and the simulated box answers it.
#include "box_session.h"
#include "harness.h"
#include "qt_serial_port.h"
#include "sim_process.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace std::chrono_literals;

namespace {

QList<Status> probe(BoxSession &session)
{
    QList<Status> statuses;
    const auto connection = QObject::connect(&session, &BoxSession::probed, &session,
                                             [&statuses](int, Status status) { statuses << status; });
    session.choosePort(1);
    if (!QTest::qWaitFor([&session] { return session.idle(); }, 5000))
        qWarning("the port choice did not end");
    QObject::disconnect(connection);
    return statuses;
}

// Opens `port` as Port1 on the pty the test plays as the box.
bool openAsPort1(QtSerialPort &port, const PtyBox &box)
{
    return port.open(box.devicePath(), LineSettings{});
}

} // namespace

class TestRealPort : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("LUMIVANE_PORT1"); }

    void probeBytesArriveAndGComesBack()
    {
        PtyBox box;
        QVERIFY(box.isReady());
        qputenv("LUMIVANE_PORT1", box.devicePath().toLocal8Bit());
        BoxSession session(std::make_unique<QtSerialPort>());

        // The box answers once it has seen the whole probe.
        const QByteArray expected = QByteArray(protocol::kFlushNulCount, '\0') + "C?";
        connect(&box, &PtyBox::bytesReceived, &box, [&box, expected] {
            if (box.received() == expected)
                box.send("G");
        });

        QCOMPARE(probe(session), QList<Status>{Status::ConnectedOk});
        QCOMPARE(box.received(), expected);
        QVERIFY(session.port().isOpen());
    }

    void everyByteValueTravelsUnchanged()
    {
        PtyBox box;
        QtSerialPort port;
        QVERIFY(openAsPort1(port, box));

        QByteArray all;
        for (int value = 0; value < 256; ++value)
            all.append(char(value));
        QVERIFY(port.write(all));
        QTRY_COMPARE(box.received(), all);

        QVERIFY(box.send(all));
        QTRY_COMPARE(port.bytesWaiting(), 256);
        QCOMPARE(port.read(), all);
    }

    void aChatteringLineKeepsOnlyWhatTheCountCanHold()
    {
        PtyBox box;
        QtSerialPort port;
        QVERIFY(openAsPort1(port, box));

        // 100 KB of noise while nothing reads: only the first 32767 bytes stay.
        const QByteArray noise(1000, 'x');
        QSignalSpy arrivals(&port, &SerialPort::bytesArrived);
        for (int i = 0; i < 100; ++i) {
            QVERIFY(box.send(noise));
            QVERIFY(arrivals.wait(5000)); // the line drained before the next burst
        }
        QTRY_COMPARE(port.bytesWaiting(), QtSerialPort::kMaxWaiting);
        QTest::qWait(100);
        QCOMPARE(port.read().size(), QtSerialPort::kMaxWaiting);
        QVERIFY(port.discardWaiting());
        QCOMPARE(port.bytesWaiting(), 0);
    }

    void aPortThatIsNotOpenFailsQuietly()
    {
        QtSerialPort port;
        QVERIFY(!port.open(QStringLiteral("/nonexistent/lumivane-port"), LineSettings{}));
        QVERIFY(!port.isOpen());
        QVERIFY(!port.write("C000?"));
        QVERIFY(!port.discardWaiting());
        QCOMPARE(port.bytesWaiting(), 0);
        QCOMPARE(port.read(), QByteArray());
    }

    void simulatedBoxAnswersTheProbe()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("port1");
        SimProcess sim(QStringLiteral(LUMIVANE_BIN_DIR "/lumivane-sim"));
        QString error;
        QVERIFY2(sim.start(link, {}, error), qPrintable(error));

        qputenv("LUMIVANE_PORT1", link.toLocal8Bit());
        BoxSession session(std::make_unique<QtSerialPort>());
        QCOMPARE(probe(session), QList<Status>{Status::ConnectedOk});
        // Choosing the port again closes and reopens the pty; the box still answers.
        QCOMPARE(probe(session), QList<Status>{Status::ConnectedOk});

        QVERIFY(sim.stop());
    }
};

QTEST_GUILESS_MAIN(TestRealPort)
#include "test_real_port.moc"
