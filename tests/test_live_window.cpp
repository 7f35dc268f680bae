// The Live Channels window beside the main window on the in-process box:
// how it opens and stops, where the operator's own requests go while blocks
// stream, that a failing block never reaches the main window, and snapshots.
#include "harness.h"
#include "history_plot.h"
#include "level_grid.h"
#include "live_channels_window.h"
#include "recording_player.h"
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
#include <QComboBox>
#include <QScrollArea>
#include <QAbstractSpinBox>
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

struct LiveRig : LiveWindow {
    using LiveWindow::LiveWindow;
    bool hasPicture() const { return live && live->fetch().level(1).has_value(); }
    QString picture() const
    {
        QVector<ChannelLevel> levels;
        for (int channel = 1; channel <= 512; ++channel)
            levels << ChannelLevel{channel, port->box().level(channel)};
        return QString::fromLatin1(formatLevels(OutputFormat::Csv, levels));
    }
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
        LiveRig rig(LiveRig::Time::Manual);
        QVERIFY(rig.runUntil([&rig] { return rig.hasPicture(); }));
        auto *status = rig.live->findChild<QLabel *>("lblLiveStatus");
        QVERIFY(status);
        rig.port->unplug();
        QVERIFY(rig.runUntil([&rig] { return rig.live->fetch().waitingForPort(); }));
        QTRY_VERIFY2(status->text().startsWith("port lost, waiting for it to come back"), qPrintable(status->text()));
        // Ten seconds of the line's time: hundreds of pictures' worth.
        QSignalSpy ended(&rig.live->fetch(), &LiveFetch::pictureEnded);
        rig.clock->advance(10s);
        QCOMPARE(ended.count(), 0);

        rig.port->plugIn();
        const int good = rig.live->fetch().goodPictures();
        rig.child<QRadioButton>("OptSerial_0")->click();
        QVERIFY(rig.runUntil([&rig, good] { return rig.live->fetch().goodPictures() > good; }));
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

    // The plot draws what was seen: no line across a pause of the live
    // pictures; a take's steps, held between changes, stay joined.
    void plotLeavesGapsUnjoined_data()
    {
        QTest::addColumn<bool>("take");
        QTest::addColumn<bool>("joined");
        QTest::newRow("live, a 20 s pause") << false << false;
        QTest::newRow("a take, a level held 20 s") << true << true;
    }

    void plotLeavesGapsUnjoined()
    {
        QFETCH(bool, take);
        QFETCH(bool, joined);
        HistoryPlot plot;
        plot.resize(700, 170);
        const double from = take ? 0.0 : -HistoryPlot::kSpanSeconds;
        if (take)
            plot.showTake(HistoryPlot::kSpanSeconds);
        // 100 % for 10 s, nothing for 20 s, then 15 %.
        QVector<QPointF> points;
        for (double t = 0; t <= 10; t += 0.05)
            points << QPointF(from + 10 + t, 255);
        for (double t = 0; t <= 10; t += 0.05)
            points << QPointF(from + 40 + t, 38);
        const QColor colour(0x20, 0xff, 0x20);
        plot.setSeries({{12, colour, points}});
        const QImage image = plot.grab().toImage();
        const QRectF area = plot.plotArea();
        const auto xOf = [&](double seconds) { return int(area.left() + (seconds - from) / 60.0 * area.width()); };
        int traced = 0;
        for (int x = xOf(from + 23); x <= xOf(from + 27); ++x) {
            for (int y = int(area.top()); y <= int(area.bottom()); ++y)
                traced += image.pixelColor(x, y) == colour;
        }
        QCOMPARE(traced > 0, joined);
    }

    // At full the traces run along the plot's top; the legend stands above
    // them and reads the same whatever the levels.
    void plotLegendStandsClearOfTheTraces()
    {
        HistoryPlot plot;
        plot.resize(700, 170);
        QVector<QPointF> full;
        for (double t = -60; t <= 0; t += 0.05)
            full << QPointF(t, 255);
        const QColor colour(0xff, 0x80, 0x20);
        plot.setSeries({{12, colour, {}}, {13, Qt::cyan, {}}});
        const QImage bare = plot.grab().toImage();
        plot.setSeries({{12, colour, full}, {13, Qt::cyan, full}});
        const QImage traced = plot.grab().toImage();
        const QRect legend = plot.legendRect().toAlignedRect();
        QVERIFY(legend.bottom() < plot.plotArea().top());
        QCOMPARE(traced.copy(legend), bare.copy(legend));
        int inked = 0;
        for (int y = legend.top(); y <= legend.bottom(); ++y) {
            for (int x = legend.left(); x <= legend.right(); ++x)
                inked += bare.pixelColor(x, y) == colour;
        }
        QVERIFY(inked > 20); // the legend is there
    }

    // Tab walks the window as it is read: each control below the one before,
    // or on its row to the right of it; every control once.
    void tabFollowsTheLayout_data()
    {
        QTest::addColumn<bool>("take");
        QTest::newRow("live") << false;
        QTest::newRow("a take shown") << true;
    }

    void tabFollowsTheLayout()
    {
        QFETCH(bool, take);
        LiveRig rig;
        rig.live->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.live));
        QTemporaryDir dir;
        if (take) {
            QVERIFY(rig.live->player().open(writeFile(dir.filePath("take.show"), "OLA Show\n1 1,2\n40\n1 3,4\n")));
        }
        const auto tabbable = [&](QWidget *widget) {
            return widget->isVisibleTo(rig.live) && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus);
        };
        QWidget *first = rig.live->findChild<QWidget *>("spnFirst");
        QStringList faults;
        QSet<QWidget *> seen;
        QWidget *widget = first;
        QWidget *before = nullptr;
        do {
            if (tabbable(widget) && !seen.contains(widget)) {
                seen.insert(widget);
                if (before) {
                    const QRect a(before->mapTo(rig.live, QPoint(0, 0)), before->size());
                    const QRect b(widget->mapTo(rig.live, QPoint(0, 0)), widget->size());
                    const bool sameRow = std::abs(a.center().y() - b.center().y()) < std::min(a.height(), b.height()) / 2 + 4;
                    if (!(sameRow ? b.left() > a.left() : b.top() >= a.center().y()))
                        faults << QStringLiteral("%1 after %2").arg(widget->objectName(), before->objectName());
                }
                before = widget;
            }
            widget = widget->nextInFocusChain();
        } while (widget != first && widget != rig.live);
        for (QWidget *control : rig.live->findChildren<QWidget *>()) {
            if (tabbable(control) && !seen.contains(control) && !control->inherits("QScrollBar")
                && !qobject_cast<QAbstractSpinBox *>(control->parentWidget())
                && !qobject_cast<QComboBox *>(control->parentWidget()))
                faults << QStringLiteral("%1 (%2) never reached").arg(control->objectName(), control->metaObject()->className());
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    // Beside the main window on a 1366 x 768 desktop the window shows at
    // least half the universe without scrolling; where there is room, all
    // of it.
    void gridShowsMuchOfTheUniverse_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("rows");
        QTest::newRow("beside the main window, 1366 x 768") << QSize(577, 700) << 16;
        QTest::newRow("a 1080-line screen") << QSize(577, 1010) << 32;
    }

    void gridShowsMuchOfTheUniverse()
    {
        QFETCH(QSize, size);
        QFETCH(int, rows);
        LiveRig rig;
        rig.live->show();
        rig.live->resize(size);
        QVERIFY(QTest::qWaitForWindowExposed(rig.live));
        QTRY_COMPARE(rig.live->size(), size);
        auto *view = rig.live->findChild<QScrollArea *>("scrLevels");
        const int rowHeight = rig.live->findChild<LevelGrid *>()->channelRect(1).height();
        QVERIFY2(view->viewport()->height() / rowHeight >= rows,
                 qPrintable(QStringLiteral("%1 rows of %2 px in %3 px").arg(view->viewport()->height() / rowHeight).arg(rowHeight).arg(view->viewport()->height())));
        QVERIFY(rig.live->findChild<LevelGrid *>()->width() >= 16 * 32);
    }
};

QTEST_MAIN(TestLiveWindow)
#include "test_live_window.moc"
