// Live Channels comes back as the operator left it: range, format, pins,
// tolerance, olad's port and the priority sent at, heartbeat, size and the
// folders last used; the main window keeps nothing.
#include "harness.h"
#include "compare_control.h"
#include "live_channels_window.h"
#include "record_control.h"
#include "recording_player.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Rig : MonitorWindow {
    LiveChannelsWindow *open()
    {
        child<QAction>("mnuLiveChannels")->trigger();
        return form->liveChannelsWindow();
    }
};

template <typename T>
T *in(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

} // namespace

class TestLiveSettings : public QObject {
    Q_OBJECT
private slots:
    void settingsGoToTheTestsOwnFolder()
    {
        QSettings settings(QStringLiteral("Lumivane"), QStringLiteral("lumivane-monitor"));
        QVERIFY(!settings.fileName().startsWith(QDir::homePath() + QStringLiteral("/.config")));
    }

    void comesBackAsLeft()
    {
        QTemporaryDir snapshots, takes;
        Rig rig;
        rig.load();
        QPointer<LiveChannelsWindow> live = rig.open();
        QTRY_VERIFY(live->fetch().level(1).has_value());
        in<QSpinBox>(live, "spnLast")->setValue(300);
        in<QSpinBox>(live, "spnFirst")->setValue(10);
        in<QComboBox>(live, "cboFormat")->setCurrentIndex(2);
        live->fetch().togglePin(12);
        live->fetch().togglePin(40);
        in<QSpinBox>(live, "spnTolerance")->setValue(3);
        in<QSpinBox>(live, "spnOlaPort")->setValue(9123);
        in<QSpinBox>(live, "spnOlaPriority")->setValue(150);
        in<QSpinBox>(live, "spnHeartbeat")->setValue(512);
        in<QSpinBox>(live, "spnStillAfter")->setValue(12);
        live->resize(700, 650);
        in<QPushButton>(live, "cmdSaveSnapshot")->click();
        QFileDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = in<QFileDialog>(live, "dlgSaveSnapshot")));
        dialog->selectFile(snapshots.filePath(QStringLiteral("picture.csv")));
        QMetaObject::invokeMethod(dialog, "accept");
        RecordControl *record = live->findChild<RecordControl *>();
        const QString take = takes.filePath(QStringLiteral("take.show"));
        QVERIFY(record->startRecording(take));
        QTRY_VERIFY(record->recorder().picturesSeen() >= 2);
        record->stopRecording();
        QVERIFY(live->player().open(take));
        live->close();
        QTRY_VERIFY(!live);

        live = rig.open();
        QCOMPARE(in<QSpinBox>(live, "spnFirst")->value(), 10);
        QCOMPARE(in<QSpinBox>(live, "spnLast")->value(), 300);
        QCOMPARE(in<QComboBox>(live, "cboFormat")->currentText(), QStringLiteral("Hex 00-FF"));
        QCOMPARE(live->fetch().pinned(), (QVector<int>{12, 40}));
        QCOMPARE(in<QSpinBox>(live, "spnTolerance")->value(), 3);
        QCOMPARE(in<QSpinBox>(live, "spnOlaPort")->value(), 9123);
        QCOMPARE(in<QSpinBox>(live, "spnOlaPriority")->value(), 150);
        QCOMPARE(in<QSpinBox>(live, "spnHeartbeat")->value(), 512);
        QCOMPARE(in<QSpinBox>(live, "spnStillAfter")->value(), 12);
        QCOMPARE(live->size(), QSize(700, 650));
        QCOMPARE(live->findChild<RecordControl *>()->folder(), takes.path());
        QCOMPARE(live->player().folder(), takes.path());
        in<QPushButton>(live, "cmdSaveSnapshot")->click();
        QTRY_VERIFY((dialog = in<QFileDialog>(live, "dlgSaveSnapshot")));
        QCOMPARE(dialog->directory().absolutePath(), snapshots.path());
        dialog->reject();
    }

    void goneFolderGivesWayToHome()
    {
        Rig rig;
        rig.load();
        QSettings(QStringLiteral("Lumivane"), QStringLiteral("lumivane-monitor"))
            .setValue(QStringLiteral("LiveChannels/recordingFolder"), QStringLiteral("/nonexistent/stick"));
        LiveChannelsWindow *live = rig.open();
        QCOMPARE(live->findChild<RecordControl *>()->folder(), QDir::homePath());
    }
};

QTEST_MAIN(TestLiveSettings)
#include "test_live_settings.moc"
