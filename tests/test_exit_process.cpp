// Exit pressed while the start-up probe still waits on a silent box, with
// reads queued behind it, ends the process the normal way at once: exit
// status 0, everything torn down, nothing more on the wire.
#include "harness.h"
#include "protocol.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

class TestExitProcess : public QObject {
    Q_OBJECT
private slots:
    void exitDuringTheProbeEndsAtOnce_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("Exit button") << QStringList();
        QTest::newRow("File > Exit") << QStringList{"--menu"};
    }

    void exitDuringTheProbeEndsAtOnce()
    {
        QFETCH(QStringList, arguments);
        PtyBox box;
        QVERIFY(box.isReady());

        QProcess monitor;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LUMIVANE_PORT1", box.devicePath());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        monitor.setProcessEnvironment(environment);
        monitor.start(QStringLiteral(LUMIVANE_BIN_DIR "/exit_helper"), arguments);
        QVERIFY(monitor.waitForStarted());

        const QByteArray probe = QByteArray(protocol::kFlushNulCount, '\0') + "C?";
        // The box stays silent; the helper presses Exit inside the probe's wait.
        QSignalSpy finished(&monitor, &QProcess::finished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.exitCode(), 0);
        QCOMPARE(monitor.readAllStandardOutput(), QByteArray("exit helper: torn down\n"));
        // Whatever is still in the line arrives; nothing beyond the probe was written.
        QTRY_COMPARE(box.received(), probe);
        QTest::qWait(100);
        QCOMPARE(box.received(), probe);
    }
};

QTEST_GUILESS_MAIN(TestExitProcess)
#include "test_exit_process.moc"
