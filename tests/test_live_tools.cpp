// The tools under the Live Channels grid on the in-process box: comparing
// with expected levels, recording a take, and sending pictures to olad.
#include "harness.h"
#include "compare_control.h"
#include "level_grid.h"
#include "live_channels_window.h"
#include "ola_listener.h"
#include "ola_send_control.h"
#include "olad_process.h"
#include "record_control.h"
#include "show_format.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

using Levels = QList<QPair<int, int>>;

struct ToolsRig : LiveWindow {
    QString label(const QString &name) const { return in<QLabel>(name)->text(); }
    QList<int> marked() const
    {
        QList<int> channels;
        for (int channel = 1; channel <= LevelGrid::kChannels; ++channel) {
            if (in<LevelGrid>()->cell(channel).differs)
                channels << channel;
        }
        return channels;
    }
    // Waits for a picture taken after now.
    bool freshPicture() const
    {
        const int seen = live->fetch().goodPictures();
        return QTest::qWaitFor([&] { return live->fetch().goodPictures() >= seen + 2; });
    }
};

} // namespace

class TestLiveTools : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_olad.start(error), qPrintable(error));
    }

    void comparesWithExpectedLevels_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Levels>("box");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("tolerance");
        QTest::addColumn<QList<int>>("marked");
        QTest::addColumn<QString>("said");
        const QByteArray three = "channel,level\r\n1,10\r\n2,20\r\n3,30\r\n";
        QTest::newRow("all agree") << three << Levels{{1, 10}, {2, 20}, {3, 30}} << 512 << 0 << QList<int>{}
                                   << "0 channels differ from expected.csv";
        QTest::newRow("one beyond the tolerance")
            << three << Levels{{1, 10}, {2, 23}, {3, 28}} << 512 << 2 << QList<int>{2}
            << "1 channel differs from expected.csv";
        QTest::newRow("at the tolerance's edge") << three << Levels{{1, 10}, {2, 23}, {3, 28}} << 512 << 3
                                                 << QList<int>{} << "0 channels differ from expected.csv";
        QTest::newRow("every one") << three << Levels{{1, 0}, {2, 255}, {3, 31}} << 512 << 0 << QList<int>{1, 2, 3}
                                   << "3 channels differ from expected.csv";
        QTest::newRow("don't care, and channels past 256")
            << QByteArray("channel,level\n5,\n300,7\n512,9\n") << Levels{{5, 99}, {300, 7}, {512, 10}} << 512 << 0
            << QList<int>{512} << "1 channel differs from expected.csv";
        QTest::newRow("a channel outside the range read")
            << QByteArray("channel,level\n1,5\n300,5\n") << Levels{{1, 5}, {300, 5}} << 16 << 0 << QList<int>{300}
            << "1 channel differs from expected.csv";
    }

    void comparesWithExpectedLevels()
    {
        QFETCH(QByteArray, file);
        QFETCH(Levels, box);
        QFETCH(int, last);
        QFETCH(int, tolerance);
        QFETCH(QList<int>, marked);
        QFETCH(QString, said);
        ToolsRig rig;
        for (const auto &[channel, level] : box)
            rig.port->box().setLevel(channel, quint8(level));
        rig.in<QSpinBox>("spnLast")->setValue(last);
        rig.in<QSpinBox>("spnTolerance")->setValue(tolerance);
        QVERIFY(rig.freshPicture());
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath("expected.csv"), file);

        rig.in<QPushButton>("cmdCompare")->click();
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = rig.live->findChild<QFileDialog *>("dlgCompare")));
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");

        QTRY_COMPARE(rig.label("lblCompare"), said);
        QVERIFY(rig.freshPicture());
        QCOMPARE(rig.marked(), marked);
        QVERIFY(rig.desktop.boxTexts.isEmpty());

        rig.in<QPushButton>("cmdStopComparing")->click();
        QCOMPARE(rig.marked(), QList<int>{});
        QCOMPARE(rig.label("lblCompare"), QString());
    }

    // What Save Snapshot wrote compares as it is, and agrees with the box.
    // With no good picture for a second nothing is judged, as check counts
    // such channels unread; the next good picture brings the verdict back.
    // One block of channels: a picture comes whole or not at all.
    void snapshotIsAnExpectation()
    {
        ToolsRig rig;
        rig.in<QSpinBox>("spnLast")->setValue(40);
        QVERIFY(rig.freshPicture());
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath("cue 12.csv"), rig.live->snapshotText().toUtf8());
        QVERIFY(rig.in<CompareControl>()->load(path));
        QCOMPARE(rig.label("lblCompare"), QStringLiteral("0 channels differ from cue 12.csv"));
        rig.port->box().setLevel(40, quint8(rig.port->box().level(40) ^ 0x80));
        QTRY_COMPARE(rig.marked(), QList<int>{40});

        LiveFetch::Clock::time_point now = LiveFetch::Clock::now();
        rig.live->fetch().setClock([&now] { return now; });
        rig.port->box().faults().wrongChecksum = true;
        QTRY_VERIFY(rig.live->fetch().failures(LevelFetch::Outcome::ChecksumError) > 0);
        QCOMPARE(rig.label("lblCompare"), QStringLiteral("1 channel differs from cue 12.csv"));
        now += LiveFetch::kStaleAfter;
        QTRY_COMPARE(rig.label("lblCompare"),
                     QStringLiteral("40 channels could not be compared with cue 12.csv: no good picture"));
        QCOMPARE(rig.marked().size(), 40);
        rig.port->box().faults().wrongChecksum = false;
        QTRY_COMPARE(rig.label("lblCompare"), QStringLiteral("1 channel differs from cue 12.csv"));
        QCOMPARE(rig.marked(), QList<int>{40});
    }

    void malformedFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("where");
        QTest::newRow("wrong header") << QByteArray("chan,lvl\n1,2\n") << ":1: ";
        QTest::newRow("level past 255") << QByteArray("channel,level\n1,2\n2,256\n") << ":3: ";
        QTest::newRow("channel twice") << QByteArray("channel,level\n7,2\n7,3\n") << ":3: ";
        QTest::newRow("no rows") << QByteArray("channel,level\n") << ": ";
    }

    void malformedFileIsRefused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, where);
        ToolsRig rig;
        QTRY_VERIFY(rig.live->fetch().goodPictures() > 0);
        QTemporaryDir dir;
        const QString path = writeFile(dir.filePath("cues.csv"), file);
        QVERIFY(!rig.in<CompareControl>()->load(path));
        QCOMPARE(rig.desktop.boxTitles, QStringList{"Compare with"});
        QVERIFY2(rig.desktop.boxTexts.value(0).contains(path + where), qPrintable(rig.desktop.boxTexts.value(0)));
        QVERIFY(rig.freshPicture());
        QCOMPARE(rig.marked(), QList<int>{});
        QCOMPARE(rig.label("lblCompare"), QString());
        QVERIFY(!rig.in<QPushButton>("cmdStopComparing")->isEnabled());
    }

    // A take of a few pictures reads back with the box's levels, and the
    // label counted time and bytes while it ran.
    void recordsTheRange()
    {
        ToolsRig rig;
        rig.in<QSpinBox>("spnFirst")->setValue(3);
        rig.in<QSpinBox>("spnLast")->setValue(40);
        rig.in<QSpinBox>("spnOlaUniverse")->setValue(7); // played back where the window sends
        QVERIFY(rig.freshPicture());
        QTemporaryDir dir;
        const QString path = dir.filePath("take.show");
        auto *record = rig.in<QPushButton>("cmdRecord");
        QVERIFY(rig.in<RecordControl>()->startRecording(path));
        QCOMPARE(record->text(), QStringLiteral("Stop"));
        for (int level = 1; level <= 3; ++level) {
            rig.port->box().setLevel(20, quint8(level));
            QVERIFY(rig.freshPicture());
        }
        QTRY_VERIFY2(rig.label("lblRecording").contains(QRegularExpression("^Recording 00:0\\d, [1-9][0-9.]* (bytes|KB)$")),
                     qPrintable(rig.label("lblRecording")));
        record->click();
        QCOMPARE(record->text(), QStringLiteral("Record…"));

        Recording take;
        QString error;
        QVERIFY2(loadShow(path, take, error), qPrintable(error));
        QCOMPARE(take.universe(), 7u);
        QCOMPARE(take.first(), 3);
        QCOMPARE(take.last(), 40);
        QVERIFY(take.pictures() >= 3);
        QByteArray box;
        for (int channel = 3; channel <= 40; ++channel)
            box += char(rig.port->box().level(channel));
        QCOMPARE(take.levelsOf(take.pictures() - 1), box);
        QVERIFY(rig.desktop.boxTexts.isEmpty());

        // A take is never written over another.
        QVERIFY(!rig.in<RecordControl>()->startRecording(path));
        QCOMPARE(rig.desktop.boxTitles, QStringList{"Record"});
        QCOMPARE(record->text(), QStringLiteral("Record…"));
    }

    // How a take ends shows under the button: one with no picture is not
    // kept, and one whose channels are no longer fetched stops there.
    void recordSaysHowTheTakeEnded_data()
    {
        QTest::addColumn<bool>("failing"); // every block with a bad checksum
        QTest::addColumn<QString>("how"); // what the operator does
        QTest::addColumn<QString>("during");
        QTest::addColumn<QString>("after");
        QTest::newRow("no good block") << true << "cmdRecord"
                                       << "; channels 1-512 not read (checksum error): nothing recorded yet"
                                       << "No picture of channels 1-512 came: nothing recorded, %1 not kept";
        QTest::newRow("fewer channels shown") << false << "spnFirst" << QString()
                                              << "Recording stopped: channels 10-512 are fetched now, the take is "
                                                 "of channels 1-512";
        QTest::newRow("paused") << false << "cmdPause" << QString() << "Recording stopped: fetching was paused";
    }
    void recordSaysHowTheTakeEnded()
    {
        QFETCH(bool, failing);
        QFETCH(QString, how);
        QFETCH(QString, during);
        QFETCH(QString, after);
        ToolsRig rig;
        QVERIFY(rig.freshPicture());
        rig.port->box().faults().wrongChecksum = failing;
        // The second block that failed was asked after the fault came.
        QTRY_VERIFY(!failing || rig.live->fetch().failures(LevelFetch::Outcome::ChecksumError) >= 2);
        QTemporaryDir dir;
        const QString path = dir.filePath("take.show");
        QVERIFY(rig.in<RecordControl>()->startRecording(path));
        if (failing)
            QTRY_VERIFY2(rig.label("lblRecording").endsWith(during), qPrintable(rig.label("lblRecording")));
        else
            QTRY_VERIFY(rig.in<RecordControl>()->recorder().picturesWritten() > 0);
        if (how == "spnFirst")
            rig.in<QSpinBox>(how)->setValue(10);
        else
            rig.in<QPushButton>(how)->click();
        QCOMPARE(rig.label("lblRecording"), after.arg(path));
        QCOMPARE(rig.in<QPushButton>("cmdRecord")->text(), QStringLiteral("Record…"));
        QCOMPARE(QFileInfo::exists(path), !failing);
    }

    // Choosing a file that exists: no offer to replace it, which would not
    // be kept; a plain word, and the question again with a free name.
    void existingFileIsAskedAgainWithAFreeName()
    {
        ToolsRig rig;
        QTemporaryDir dir;
        const QString kept = writeFile(dir.filePath("take.show"), "an earlier take\n");
        writeFile(dir.filePath("take-2.show"), "another\n");
        rig.in<RecordControl>()->setFolder(dir.path());
        rig.in<QPushButton>("cmdRecord")->click();
        QPointer<QFileDialog> first;
        QTRY_VERIFY((first = rig.live->findChild<QFileDialog *>("dlgRecord")));
        QVERIFY(first->testOption(QFileDialog::DontConfirmOverwrite));
        first->selectFile(kept);
        QMetaObject::invokeMethod(first, "accept");

        QTRY_COMPARE(rig.desktop.boxTexts, QStringList{"take.show exists, and a take is never written over another. "
                                                       "Choose another name, such as take-3.show."});
        QFileDialog *again = nullptr;
        QTRY_VERIFY((again = rig.live->findChild<QFileDialog *>("dlgRecord")) && again != first && again->isVisible());
        QCOMPARE(again->selectedFiles(), QStringList{dir.filePath("take-3.show")});
        QMetaObject::invokeMethod(again, "accept");
        QTRY_COMPARE(rig.in<QPushButton>("cmdRecord")->text(), QStringLiteral("Stop"));
        QCOMPARE(rig.in<RecordControl>()->recorder().path(), dir.filePath("take-3.show"));
        QCOMPARE(readFile(kept), QByteArray("an earlier take\n"));
    }

    // The disk refuses more: the take stops and says why.
    void failedWriteStops()
    {
        ToolsRig rig;
        QVERIFY(rig.freshPicture());
        QTemporaryDir dir;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit small = before;
        small.rlim_cur = 700; // the header and a picture or so of 512 channels
        setrlimit(RLIMIT_FSIZE, &small);
        QVERIFY(rig.in<RecordControl>()->startRecording(dir.filePath("take.show")));
        for (int level = 1; level <= 5 && rig.desktop.boxTitles.isEmpty(); ++level) {
            rig.port->box().setLevel(1, quint8(level));
            rig.freshPicture();
        }
        QTRY_COMPARE(rig.desktop.boxTitles, QStringList{"Record"});
        setrlimit(RLIMIT_FSIZE, &before);
        // A write the disk takes in part says the cause, not "Unknown error".
        QVERIFY2(rig.desktop.boxTexts.value(0).endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))),
                 qPrintable(rig.desktop.boxTexts.value(0)));
        QCOMPARE(rig.in<QPushButton>("cmdRecord")->text(), QStringLiteral("Record…"));
        QVERIFY(!rig.in<RecordControl>()->recorder().recording());
        QVERIFY(rig.label("lblRecording").startsWith("Recording stopped: "));
    }

    // No olad: the box says so, and the pictures go on coming.
    void waitsForMissingOlad()
    {
        const quint16 port = OladProcess::freePort();
        QVERIFY(port != 0);
        ToolsRig rig;
        rig.in<OlaSendControl>()->setServerPort(port);
        rig.in<QCheckBox>("chkSendToOla")->setChecked(true);
        QCOMPARE(rig.label("lblOla"), QStringLiteral("OLA: waiting for olad on 127.0.0.1:%1").arg(port));
        QVERIFY(rig.freshPicture());
        QCOMPARE(rig.in<OlaSendControl>()->feed().state(), OlaFeed::State::Waiting);

        rig.in<QCheckBox>("chkSendToOla")->setChecked(false);
        QCOMPARE(rig.in<OlaSendControl>()->feed().state(), OlaFeed::State::Off);
        QCOMPARE(rig.label("lblOla"), QString());
    }

    // What olad receives for a universe held against the line, cell by cell.
    void comparesWithOlaUniverse()
    {
        QVERIFY(m_olad.running());
        ToolsRig rig;
        rig.in<QSpinBox>("spnOlaPort")->setValue(m_olad.rpcPort());
        QVERIFY(rig.freshPicture());
        QByteArray cable;
        for (int channel = 1; channel <= LevelGrid::kChannels; ++channel)
            cable += char(rig.port->box().level(channel));
        QByteArray network = cable;
        network[1] = char(quint8(cable[1]) ^ 0x40);
        network[39] = char(quint8(cable[39]) ^ 0x40);
        OlaListener desk(m_olad.rpcPort(), 61);
        QVERIFY(desk.connectToOlad());
        desk.stream(network);
        QTRY_COMPARE(desk.latest(), network);

        rig.in<QSpinBox>("spnCompareUniverse")->setValue(61);
        rig.in<QPushButton>("cmdCompareOla")->click();
        QTRY_COMPARE(rig.label("lblCompare"), QStringLiteral("2 channels differ from OLA universe 61"));
        QCOMPARE(rig.marked(), (QList<int>{2, 40}));
        desk.stream(cable);
        QTRY_COMPARE(rig.label("lblCompare"), QStringLiteral("0 channels differ from OLA universe 61"));
        QCOMPARE(rig.marked(), QList<int>{});

        rig.in<QPushButton>("cmdStopComparing")->click();
        QCOMPARE(rig.label("lblCompare"), QString());
    }

    // A real olad (only its Dummy plugin, on 127.0.0.1) takes the box's
    // levels once its universe is patched, and the label says what olad
    // does with them.
    void feedsRealOlad()
    {
        QVERIFY(m_olad.running());
        ToolsRig rig;
        rig.port->box().setLevel(7, 77);
        rig.in<OlaSendControl>()->setServerPort(m_olad.rpcPort());
        rig.in<QSpinBox>("spnOlaUniverse")->setValue(42);
        OlaListener listener(m_olad.rpcPort(), 42);
        QVERIFY(listener.connectToOlad());
        QTRY_VERIFY(listener.registered());
        rig.in<QCheckBox>("chkSendToOla")->setChecked(true);
        QTRY_VERIFY2(rig.label("lblOla").startsWith("OLA universe 42 has no output port in olad: patch an output "
                                                    "port to it with ola_patch -d DEVICE -p PORT -u 42"),
                     qPrintable(rig.label("lblOla")));
        listener.patchDummyOutput();
        const QString feeding =
            QStringLiteral("OLA: feeding universe 42: \"Universe 42\", merge LTP, output Dummy Port, no other source");
        QTRY_COMPARE_WITH_TIMEOUT(rig.label("lblOla"), feeding, 10000);
        QTRY_COMPARE(listener.latest().mid(6, 1), QByteArray(1, char(77)));

        // Another source above the priority chosen wins, and is said to.
        listener.stream(QByteArray(512, '\x10'), 100);
        rig.in<QSpinBox>("spnOlaPriority")->setValue(50);
        QTRY_COMPARE(rig.label("lblOla"), feeding + "; another source at priority 100 wins");
        QTRY_COMPARE(listener.latest(), QByteArray(512, '\x10'));

        // The listener's library does not take olad's going well.
        listener.disconnectFromOlad();
        m_olad.stop();
        QTRY_COMPARE(rig.label("lblOla"), QStringLiteral("OLA: olad went away"));
        QCOMPARE(m_olad.startedPlugins(), QStringList{QStringLiteral("Dummy")});
    }

private:
    // One olad for the program: the last test stops it.
    OladProcess m_olad;
};

QTEST_MAIN(TestLiveTools)
#include "test_live_tools.moc"
