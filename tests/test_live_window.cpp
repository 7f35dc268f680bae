// The Live Channels window beside the main window on the in-process box:
// how it opens and stops, where the operator's own requests go while blocks
// stream, that a failing block never reaches the main window, and snapshots.
#include "harness.h"
#include "live_channels_window.h"
#include "level_output.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

const QByteArray kBlockForAll = bytes({0xFF, 0x00, 0xC0, 0x00, 0x00, 0xFF, 0xC1});
const QString kBlockWrite = QStringLiteral("write ") + QString::fromLatin1(kBlockForAll.toHex(' '));
const QString kRead1 = QStringLiteral("write 43 30 30 30 3f");
// The rest of a picture of 1-512: 256-511 as a block, 512 by a read.
const QString kUpperBlockWrite = QStringLiteral("write ff 00 c0 ff 00 ff c1");
const QString kRead512 = QStringLiteral("write 43 35 31 31 3f");

// What went to the wire, and the port choices, without the probe's flush.
QStringList writesAndPorts(const QStringList &log)
{
    QStringList out;
    for (const QString &entry : log) {
        if (entry != "write 00" && (entry.startsWith("write") || entry.startsWith("open") || entry == "close"))
            out << entry;
    }
    return out;
}

struct LiveRig : MonitorWindow {
    explicit LiveRig(Time time = Time::Steady)
        : MonitorWindow(false, false, time)
    {
        load();
        child<QAction>("mnuLiveChannels")->trigger();
        live = form->liveChannelsWindow();
    }
    bool hasPicture() const { return live && live->fetch().level(1).has_value(); }
    QString picture() const
    {
        QVector<ChannelLevel> levels;
        for (int channel = 1; channel <= 512; ++channel)
            levels << ChannelLevel{channel, port->box().level(channel)};
        return QString::fromLatin1(formatLevels(OutputFormat::Csv, levels));
    }

    QPointer<LiveChannelsWindow> live;
};

} // namespace

class TestLiveWindow : public QObject {
    Q_OBJECT
private slots:
    void opensOnceAndStopsAtOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Escape") << "Escape";
        QTest::newRow("Ctrl+W") << "Ctrl+W";
        QTest::newRow("Pause, then Resume") << "Pause";
    }

    void opensOnceAndStopsAtOnce()
    {
        QFETCH(QString, how);
        LiveRig rig;
        QVERIFY(rig.live);
        QCOMPARE(rig.live->windowTitle(), QStringLiteral("Live Channels — Lumivane MINI Monitor"));
        rig.child<QAction>("mnuLiveChannels")->trigger();
        QCOMPARE(rig.form->liveChannelsWindow(), rig.live.data());
        QVERIFY(QTest::qWaitForWindowActive(rig.live));
        QTRY_VERIFY(rig.hasPicture());
        rig.port->box().faults().answerDelay = 20ms;

        if (how == "Escape")
            QTest::keyClick(rig.live, Qt::Key_Escape);
        else if (how == "Ctrl+W")
            QTest::keyClick(rig.live, Qt::Key_W, Qt::ControlModifier);
        else
            rig.live->findChild<QPushButton *>("cmdPause")->click();
        QCOMPARE(rig.session->requestsWaiting(), 0);
        rig.settle();
        const int blocks = rig.port->box().blockRequests();
        rig.clickAndSettle("cmdReadChannel_0");
        QCOMPARE(rig.port->box().blockRequests(), blocks);

        if (how != "Pause") {
            QTRY_VERIFY(!rig.live);
            return;
        }
        auto *pause = rig.live->findChild<QPushButton *>("cmdPause");
        QCOMPARE(pause->text(), QStringLiteral("Resume"));
        pause->click();
        QTRY_VERIFY(rig.port->box().blockRequests() > blocks);
        QCOMPARE(pause->text(), QStringLiteral("Pause"));
    }

    // Asked while the first block of a picture of 1-512 is on the wire, a
    // request goes next, before the rest of the picture; a monitoring pass,
    // asked by its own timer, goes between two pieces, whole.
    void operatorRequestsGoBetweenBlocks_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("rightAfterTheBlock");
        QTest::newRow("read") << "cmdReadChannel_0" << QStringList{kRead1} << true;
        QTest::newRow("listing") << "Command1" << QStringList{"write ff 00 c0 00 00 02 c1"} << true;
        QTest::newRow("port choice") << "OptSerial_1" << QStringList{"close", "open sim:port2", "write 43 3f"} << true;
        QTest::newRow("monitoring pass") << "ChkContinuousMonitor"
                                         << QStringList{kRead1, kRead1, kRead1, kRead1, kRead1} << false;
    }

    void operatorRequestsGoBetweenBlocks()
    {
        QFETCH(QString, control);
        QFETCH(QStringList, expected);
        QFETCH(bool, rightAfterTheBlock);
        LiveRig rig;
        rig.child<QSlider>("sldDMXHigh")->setValue(3);
        QTRY_VERIFY(rig.hasPicture());
        rig.port->box().faults().answerDelay = 20ms;
        rig.port->clearLog();
        int clickedAt = -1;
        bool clicking = false;
        connect(
            rig.port, &SimPort::wrote, rig.port,
            [&rig, &clickedAt, &clicking, control](const QByteArray &written) {
                if (written != kBlockForAll || clicking)
                    return;
                clicking = true;
                QTimer::singleShot(0, rig.port, [&rig, &clickedAt, control] {
                    clickedAt = int(writesAndPorts(rig.port->log()).size()) - 1;
                    rig.child<QAbstractButton>(control)->click();
                });
            });

        QTRY_VERIFY2(clickedAt >= 0 && writesAndPorts(rig.port->log()).mid(clickedAt + 1).contains(expected.first()),
                     qPrintable(writesAndPorts(rig.port->log()).join('\n')));
        QTRY_VERIFY(writesAndPorts(rig.port->log()).size() > clickedAt + 1 + expected.size() * 2 + 2);
        const QStringList wire = writesAndPorts(rig.port->log());
        const int start = int(wire.indexOf(expected.first(), clickedAt + 1));
        const QStringList pieces{kBlockWrite, kUpperBlockWrite, kRead512};
        QCOMPARE(wire.at(clickedAt), kBlockWrite);
        if (rightAfterTheBlock) {
            QCOMPARE(start, clickedAt + 1);
            QCOMPARE(wire.at(start + expected.size()), kUpperBlockWrite);
        }
        QVERIFY2(pieces.contains(wire.at(start - 1)), qPrintable(wire.at(start - 1)));
        QCOMPARE(wire.mid(start, expected.size()), expected);
        QVERIFY2(pieces.contains(wire.at(start + expected.size())), qPrintable(wire.at(start + expected.size())));
        QCOMPARE(rig.desktop.beeps, 0);
    }

    void failedPicturesAreCountedByKindAndStayOutOfTheMainWindow_data()
    {
        QTest::addColumn<LevelFetch::Outcome>("kind");
        QTest::newRow("no answer") << LevelFetch::Outcome::NoAnswer;
        QTest::newRow("header") << LevelFetch::Outcome::HeaderError;
        QTest::newRow("checksum") << LevelFetch::Outcome::ChecksumError;
        QTest::newRow("end byte") << LevelFetch::Outcome::EndByteError;
        QTest::newRow("cut short") << LevelFetch::Outcome::CutShort;
    }

    void failedPicturesAreCountedByKindAndStayOutOfTheMainWindow()
    {
        QFETCH(LevelFetch::Outcome, kind);
        LiveRig rig(LiveRig::Time::Manual); // a picture's time-out takes no time
        rig.port->box().setLevel(1, 77);
        QVERIFY(rig.runUntil([&rig] { return rig.live->fetch().level(1) == std::optional<int>(77); }));
        const QString status = rig.text("txtMessageBox");
        SimFaults &faults = rig.port->box().faults();
        switch (kind) {
        case LevelFetch::Outcome::NoAnswer: faults.silent = true; break;
        case LevelFetch::Outcome::HeaderError: rig.port->script(kBlockForAll, QByteArray(261, 'x'), 0ms); break;
        case LevelFetch::Outcome::ChecksumError: faults.wrongChecksum = true; break;
        case LevelFetch::Outcome::EndByteError: faults.wrongEndByte = true; break;
        case LevelFetch::Outcome::CutShort: faults.truncateBlockTo = 100; break;
        case LevelFetch::Outcome::Success: break;
        }
        rig.port->box().setLevel(1, 78);

        QVERIFY(rig.runUntil([&rig, kind] { return rig.live->fetch().failures(kind) >= 2; }));
        using Outcome = LevelFetch::Outcome;
        for (Outcome other : {Outcome::NoAnswer, Outcome::HeaderError, Outcome::ChecksumError,
                              Outcome::EndByteError, Outcome::CutShort}) {
            if (other != kind)
                QCOMPARE(rig.live->fetch().failures(other), 0);
        }
        QCOMPARE(rig.live->fetch().level(1), std::optional<int>(77));
        QCOMPARE(rig.text("txtMessageBox"), status);
        QCOMPARE(rig.child<QListWidget>("lstLevel")->count(), 0);
        QCOMPARE(rig.desktop.beeps, 0);
    }

    // A pulled device is said once under the grid and not asked for: no
    // failed picture a line-time; pictures come again once the port is
    // chosen again.
    void aLostPortIsSaidOnceAndNotFetchedFrom()
    {
        LiveRig rig;
        QTRY_VERIFY(rig.hasPicture());
        auto *status = rig.live->findChild<QLabel *>("lblLiveStatus");
        QVERIFY(status);
        rig.port->unplug();
        QTRY_VERIFY2(status->text().startsWith("port lost, waiting for it to come back"), qPrintable(status->text()));
        QSignalSpy ended(&rig.live->fetch(), &LiveFetch::pictureEnded);
        QVERIFY(!ended.wait(300));

        rig.port->plugIn();
        const int good = rig.live->fetch().goodPictures();
        rig.child<QRadioButton>("OptSerial_0")->click();
        QTRY_VERIFY(rig.live->fetch().goodPictures() > good);
        QTRY_VERIFY2(status->text().contains("pictures/s"), qPrintable(status->text()));
    }

    void snapshots_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("writable");
        QTest::newRow("Copy button") << "cmdCopy" << true;
        QTest::newRow("Ctrl+C") << "Ctrl+C" << true;
        QTest::newRow("saved") << "cmdSaveSnapshot" << true;
        QTest::newRow("cannot be saved") << "cmdSaveSnapshot" << false;
    }

    void snapshots()
    {
        QFETCH(QString, how);
        QFETCH(bool, writable);
        LiveRig rig;
        QTRY_VERIFY(rig.hasPicture());
        QGuiApplication::clipboard()->clear();
        QTemporaryDir dir;
        const QString path = writable ? dir.filePath("picture.csv") : dir.filePath("gone/picture.csv");

        if (how == "Ctrl+C") {
            QVERIFY(QTest::qWaitForWindowActive(rig.live));
            QTest::keyClick(rig.live->focusWidget(), Qt::Key_C, Qt::ControlModifier);
        } else {
            rig.live->findChild<QPushButton *>(how)->click();
        }
        if (how != "cmdSaveSnapshot") {
            QCOMPARE(QGuiApplication::clipboard()->text(), rig.picture());
            return;
        }
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = rig.live->findChild<QFileDialog *>("dlgSaveSnapshot")));
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");

        QFile file(path);
        QCOMPARE(file.open(QIODevice::ReadOnly), writable);
        if (writable) {
            QCOMPARE(QString::fromUtf8(file.readAll()), rig.picture());
            QVERIFY(rig.desktop.boxTitles.isEmpty());
            return;
        }
        QCOMPARE(rig.desktop.boxTitles, QStringList{"Save Snapshot"});
        QVERIFY(rig.desktop.boxTexts.value(0).contains(path));
        QVERIFY(rig.live && rig.hasPicture());
    }
};

QTEST_MAIN(TestLiveWindow)
#include "test_live_window.moc"
