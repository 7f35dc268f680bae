// Looking back at a take in the Live Channels window: what the grid, the
// status line and the snapshots show at the slider, play and its speeds, the
// way back to the line, and files that are refused.
#include "harness.h"
#include "history_plot.h"
#include "level_grid.h"
#include "level_output.h"
#include "live_channels_window.h"
#include "recording_player.h"
#include "show_format.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Channels 1-4 of universe 1: picture k holds 10k+1..10k+4, at 0, 400,
// 1000 and 2500 ms, the last held 500 ms.
const qint64 kTimes[] = {0, 400, 1000, 2500};

QByteArray take(unsigned universeOfLast = 1)
{
    QByteArray text = QByteArray(show_format::kHeader) + '\n';
    for (int k = 0; k < 4; ++k) {
        text += show_format::frameLine(k == 3 ? universeOfLast : 1, 1, bytes({10 * k + 1, 10 * k + 2, 10 * k + 3, 10 * k + 4}));
        text += show_format::delayLine(k == 3 ? 500 : kTimes[k + 1] - kTimes[k]);
    }
    return text;
}

QString pictureCsv(int k)
{
    return QString::fromLatin1(formatLevels(OutputFormat::Csv, channelLevels(1, bytes({10 * k + 1, 10 * k + 2, 10 * k + 3, 10 * k + 4}))));
}

struct PlayerRig : LiveWindow {
    PlayerRig() { writeFile(dir.filePath("take.show"), take()); }
    bool open(const QString &name = "take.show") { return live->player().open(dir.filePath(name)); }
    int gridLevel(int channel) const { return in<LevelGrid>("grdLevels")->cell(channel).level; }

    QTemporaryDir dir;
};

} // namespace

class TestRecordingPlayer : public QObject {
    Q_OBJECT
private slots:
    void opensThroughTheDialogAtItsFirstPicture()
    {
        PlayerRig rig;
        QTRY_VERIFY(rig.live->fetch().level(1).has_value());
        rig.in<QPushButton>("cmdOpenRecording")->click();
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = rig.in<QFileDialog>("dlgOpenRecording")));
        dialog->selectFile(rig.dir.filePath("take.show"));
        QMetaObject::invokeMethod(dialog, "accept");

        QTRY_VERIFY(rig.live->player().showing());
        QVERIFY(!rig.live->fetch().running());
        QCOMPARE(rig.in<QLabel>("lblRecordingTime")->text(), QStringLiteral("take.show 00:00.000 / 00:03.000"));
        for (int channel = 1; channel <= 4; ++channel)
            QCOMPARE(rig.gridLevel(channel), channel);
        QCOMPARE(rig.gridLevel(5), -1);
    }

    void scrubbingShowsThePictureInForce_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<int>("picture");
        QTest::addColumn<QString>("label");
        QTest::newRow("start") << 0 << 0 << "take.show 00:00.000 / 00:03.000";
        QTest::newRow("just before the second") << 399 << 0 << "take.show 00:00.399 / 00:03.000";
        QTest::newRow("on the third") << 1000 << 2 << "take.show 00:01.000 / 00:03.000";
        QTest::newRow("held last") << 2999 << 3 << "take.show 00:02.999 / 00:03.000";
    }

    void scrubbingShowsThePictureInForce()
    {
        QFETCH(int, ms);
        QFETCH(int, picture);
        QFETCH(QString, label);
        PlayerRig rig;
        QVERIFY(rig.open());
        rig.in<QSlider>("sldRecordingTime")->setValue(ms);
        QCOMPARE(rig.gridLevel(4), 10 * picture + 4);
        QCOMPARE(rig.in<QLabel>("lblRecordingTime")->text(), label);
        QCOMPARE(rig.live->snapshotText(), pictureCsv(picture));
    }

    void playAdvancesBySpeed_data()
    {
        QTest::addColumn<int>("speedClicks");
        QTest::addColumn<int>("speed");
        QTest::newRow("1x") << 0 << 1;
        QTest::newRow("4x") << 1 << 4;
        QTest::newRow("back to 1x") << 2 << 1;
    }

    void playAdvancesBySpeed()
    {
        QFETCH(int, speedClicks);
        QFETCH(int, speed);
        PlayerRig rig;
        QVERIFY(rig.open());
        for (int i = 0; i < speedClicks; ++i)
            rig.in<QPushButton>("cmdSpeed")->click();
        QCOMPARE(rig.in<QPushButton>("cmdSpeed")->text(), QStringLiteral("%1×").arg(speed));
        QCOMPARE(rig.in<QPushButton>("cmdSpeed")->accessibleName(), QStringLiteral("Playing speed %1×").arg(speed));
        rig.in<QSlider>("sldRecordingTime")->setValue(100);
        rig.live->player().advance();
        QCOMPARE(rig.live->player().position(), 100 + RecordingPlayer::kTick.count() * speed);

        // Its own timer plays on, and stops at the end.
        rig.in<QSlider>("sldRecordingTime")->setValue(2900);
        rig.in<QPushButton>("cmdPlayPause")->click();
        QCOMPARE(rig.in<QPushButton>("cmdPlayPause")->text(), QStringLiteral("Pause"));
        QTRY_COMPARE(rig.live->player().position(), 3000);
        QTRY_COMPARE(rig.in<QPushButton>("cmdPlayPause")->text(), QStringLiteral("Play"));
        QCOMPARE(rig.gridLevel(1), 31);
    }

    void liveGoesBackToTheLine()
    {
        PlayerRig rig;
        rig.port->box().setLevel(1, 200);
        QVERIFY(rig.open());
        QCOMPARE(rig.gridLevel(1), 1);
        rig.in<QPushButton>("cmdLive")->click();
        QVERIFY(rig.live->fetch().running());
        QTRY_COMPARE(rig.gridLevel(1), 200);
        QVERIFY(rig.live->snapshotText().contains("\n1,200\n"));
        QVERIFY(rig.in<QLabel>("lblRecordingTime")->isHidden());
        QVERIFY(!rig.in<QLabel>("lblLiveStatus")->isHidden());
    }

    void snapshotsTakeThePictureAtTheSlider_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Copy") << "cmdCopy";
        QTest::newRow("Save Snapshot") << "cmdSaveSnapshot";
    }

    void snapshotsTakeThePictureAtTheSlider()
    {
        QFETCH(QString, how);
        PlayerRig rig;
        QVERIFY(rig.open());
        rig.in<QSlider>("sldRecordingTime")->setValue(450);
        rig.in<QPushButton>(how)->click();
        if (how == "cmdCopy") {
            QCOMPARE(QGuiApplication::clipboard()->text(), pictureCsv(1));
            return;
        }
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = rig.in<QFileDialog>("dlgSaveSnapshot")));
        dialog->selectFile(rig.dir.filePath("picture.csv"));
        QMetaObject::invokeMethod(dialog, "accept");
        QCOMPARE(QString::fromUtf8(readFile(rig.dir.filePath("picture.csv"))), pictureCsv(1));
    }

    // However long the take, the time axis has a handful of marks from 0
    // that reach to within a step of its end.
    void timeAxisKeepsFewMarks_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::newRow("half a second") << 0.5;
        QTest::newRow("an hour") << 3600.0;
        QTest::newRow("a year") << 34e6;
        QTest::newRow("past 2^31 seconds") << 500 * 4294967.295;
    }
    void timeAxisKeepsFewMarks()
    {
        QFETCH(double, seconds);
        const QVector<double> ticks = HistoryPlot::takeTicks(seconds);
        QVERIFY(!ticks.isEmpty() && ticks.size() <= HistoryPlot::kMostTicks + 1);
        QCOMPARE(ticks.first(), 0.0);
        const double step = ticks.size() > 1 ? ticks[1] : 1.0;
        for (int i = 1; i < ticks.size(); ++i)
            QCOMPARE(ticks[i] - ticks[i - 1], step);
        QVERIFY(ticks.last() <= seconds && seconds - ticks.last() < step);
    }

    // 500 pictures each held 4294967295 ms, as ola_recorder accepts: the
    // plot draws it, and the slider reaches the last picture.
    void aTakeOfDecadesPlaysToItsEnd()
    {
        PlayerRig rig;
        QByteArray text = QByteArray(show_format::kHeader) + '\n';
        for (int k = 0; k < 500; ++k)
            text += show_format::frameLine(1, 1, bytes({k % 256, 7})) + show_format::delayLine(4294967295);
        QVERIFY(!writeFile(rig.dir.filePath("decades.show"), text).isEmpty());
        rig.live->fetch().togglePin(1);
        QVERIFY(rig.open("decades.show"));
        auto *slider = rig.in<QSlider>("sldRecordingTime");
        slider->setValue(slider->maximum());
        QCOMPARE(rig.live->player().position(), 500 * qint64(4294967295));
        QCOMPARE(rig.gridLevel(1), 499 % 256);
        QCOMPARE(rig.in<QLabel>("lblRecordingTime")->text(),
                 QStringLiteral("decades.show 35791394:07.500 / 35791394:07.500"));
        rig.in<HistoryPlot>("pltHistory")->grab();
    }

    // OLA's recorder writes several universes into one file: the window
    // asks which to show instead of refusing it.
    void severalUniversesAskWhichToShow()
    {
        PlayerRig rig;
        QVERIFY(!writeFile(rig.dir.filePath("two.show"), take(2)).isEmpty());
        QVERIFY(rig.open("two.show"));
        QVERIFY(!rig.live->player().showing());
        QInputDialog *question = nullptr;
        QTRY_VERIFY((question = rig.in<QInputDialog>("dlgRecordingUniverse")));
        QCOMPARE(question->comboBoxItems(), (QStringList{"Universe 1", "Universe 2"}));
        QCOMPARE(question->labelText(), QStringLiteral("two.show holds universes 1 and 2. Show:"));
        question->setTextValue(QStringLiteral("Universe 2"));
        question->accept();

        QVERIFY(rig.live->player().showing());
        QVERIFY(rig.desktop.boxTexts.isEmpty());
        QCOMPARE(rig.gridLevel(1), 31);
        QCOMPARE(rig.in<QLabel>("lblRecordingTime")->text(),
                 QStringLiteral("two.show (universe 2) 00:00.000 / 00:03.000"));
    }

    void badFilesAreRefusedByLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("where");
        QTest::newRow("not a show file") << QByteArray("channel,level\n1,0\n") << "bad.show:1: ";
        QTest::newRow("cut short") << take().left(take().size() - 3) << "bad.show:9: ";
        QTest::newRow("channels change") << take().replace("\n1 31,", "\n1 ,") << "bad.show:8: ";
    }

    void badFilesAreRefusedByLine()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, where);
        PlayerRig rig;
        QVERIFY(!writeFile(rig.dir.filePath("bad.show"), text).isEmpty());
        QVERIFY(!rig.open("bad.show"));
        QCOMPARE(rig.desktop.boxTitles, QStringList{"Open Recording"});
        QVERIFY2(rig.desktop.boxTexts.value(0).contains(where), qPrintable(rig.desktop.boxTexts.value(0)));
        QVERIFY(!rig.live->player().showing());
        QVERIFY(rig.live->fetch().running());
        QVERIFY(rig.in<QLabel>("lblRecordingTime")->isHidden());
    }
};

QTEST_MAIN(TestRecordingPlayer)
#include "test_recording_player.moc"
