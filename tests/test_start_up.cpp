// The monitor and the simulator answer --help and --version without a
// display, and a display that cannot be opened ends the monitor with one
// plain line and status 1, not Qt's abort.
#include "harness.h"

#include <QDir>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A session without any display: what the test's own environment leaves out.
const QStringList kWithoutDisplay{"DISPLAY",          "WAYLAND_DISPLAY",  "QT_QPA_PLATFORM",
                                  "XDG_SESSION_TYPE", "QT_LOGGING_RULES", "QT_FATAL_WARNINGS"};

ProgramRun run(const QString &program, const QStringList &arguments, const QStringList &environment = {})
{
    return runProgram(QStringLiteral(LUMIVANE_BIN_DIR "/") + program, arguments, kWithoutDisplay + environment);
}

// Whether qt6-wayland's platform plugin is where Qt looks for platforms.
bool waylandPluginInstalled()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("*wayland*")}, QDir::Files).isEmpty();
}

} // namespace

class TestStartUp : public QObject {
    Q_OBJECT
private slots:
    void answersWithoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answer"); // the start of what it prints
        QTest::addColumn<QString>("mentions");
        const QString monitorVersion = QStringLiteral("lumivane-monitor " LUMIVANE_VERSION "\n");
        QTest::newRow("monitor --version") << "lumivane-monitor" << QStringList{"--version"}
                                           << monitorVersion << "";
        QTest::newRow("monitor -v") << "lumivane-monitor" << QStringList{"-v"} << monitorVersion << "";
        QTest::newRow("monitor --version among Qt's options")
            << "lumivane-monitor" << QStringList{"-reverse", "-style", "fusion", "--version"}
            << monitorVersion << "";
        QTest::newRow("monitor --help") << "lumivane-monitor" << QStringList{"--help"} << "Usage: "
                                        << "LUMIVANE_PORTn";
        QTest::newRow("sim --version") << "lumivane-sim" << QStringList{"--version"}
                                       << "lumivane-sim " LUMIVANE_VERSION "\n" << "";
    }
    void answersWithoutDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(QString, answer);
        QFETCH(QString, mentions);
        const ProgramRun result = run(program, arguments);
        QCOMPARE(result.status, QProcess::NormalExit);
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(result.code, 0);
        const QString out = QString::fromLocal8Bit(result.out);
        QVERIFY2(out.startsWith(answer), qPrintable(out));
        QVERIFY2(out.contains(mentions), qPrintable(out));
    }

    void noDisplayIsOnePlainLine_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing set") << QStringList() << "(DISPLAY is not set)";
        QTest::newRow("stale X display") << QStringList{"DISPLAY=:97"} << "X display :97";
        QTest::newRow("X chosen, stale display")
            << QStringList{"DISPLAY=:97", "QT_QPA_PLATFORM=xcb"} << "X display :97";
        QTest::newRow("Wayland session type, nothing set")
            << QStringList{"XDG_SESSION_TYPE=wayland"} << "(DISPLAY is not set)";
        // In a Wayland session the line names what is wrong with Wayland,
        // not that X (tried after it) failed too: without qt6-wayland, the
        // package; with it, the display that does not answer.
        const QString waylandFault = waylandPluginInstalled()
            ? QStringLiteral("(the Wayland display lumivane-no-such-display does not answer)")
            : QStringLiteral("(Qt's wayland plugin is not installed); install qt6-wayland");
        const QString waylandSession = QStringLiteral("WAYLAND_DISPLAY=lumivane-no-such-display");
        QTest::newRow("Wayland chosen") << QStringList{waylandSession, "QT_QPA_PLATFORM=wayland"}
                                        << waylandFault;
        QTest::newRow("Wayland session") << QStringList{waylandSession} << waylandFault;
        QTest::newRow("Wayland session, stale X display")
            << QStringList{waylandSession, "DISPLAY=:97"} << waylandFault;
    }
    void noDisplayIsOnePlainLine()
    {
        QFETCH(QStringList, settings);
        QFETCH(QString, reason);
        QTemporaryDir runtime; // no Wayland socket can be found in it
        QVERIFY(runtime.isValid());
        const ProgramRun result =
            run(QStringLiteral("lumivane-monitor"), {}, QStringList{"XDG_RUNTIME_DIR=" + runtime.path()} + settings);
        QCOMPARE(result.status, QProcess::NormalExit); // an abort is a crash exit
        QCOMPARE(result.code, 1);
        const QString err = QString::fromLocal8Bit(result.err);
        QVERIFY2(err.startsWith(QLatin1String("lumivane-monitor: no display available")), qPrintable(err));
        QVERIFY2(err.endsWith(u'\n') && err.count(u'\n') == 1, qPrintable(err));
        QVERIFY2(err.contains(reason, Qt::CaseInsensitive), qPrintable(err));
        QCOMPARE(result.out, QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestStartUp)
#include "test_start_up.moc"
