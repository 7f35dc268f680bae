// Finding what is wrong with a line in Live Channels, on the in-process box:
// Hold marks how each channel moved since (on the line and on a take), the
// line report ranks the channels, and the heartbeat banner is raised once
// when a channel stands still and goes when it moves.
#include "harness.h"
#include "heartbeat_banner.h"
#include "level_grid.h"
#include "line_report_button.h"
#include "line_report_dialog.h"
#include "live_channels_window.h"
#include "recording_player.h"
#include "show_format.h"

#include <QAccessible>
#include <QAction>
#include <QHelpEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

using namespace std::chrono_literals;

namespace {

struct DiagnosisRig : LiveWindow {
    DiagnosisRig()
    {
        for (int channel = 1; channel <= 4; ++channel)
            port->box().setLevel(channel, 100);
        grid = in<LevelGrid>("grdLevels");
        in<QSpinBox>("spnLast")->setValue(16);
        // While ticking, each picture moves the window's clock on by 300 ms.
        live->fetch().setClock([this] { return LiveFetch::Clock::now() + offset; });
        QObject::connect(&live->fetch(), &LiveFetch::pictureEnded, live, [this] {
            if (ticking)
                offset += 300ms;
        });
    }
    // Until the box's level reached the grid.
    void shows(int channel, int level) const { QTRY_COMPARE(grid->cell(channel).level, level); }
    Motion motion(int channel) const { return grid->held(channel).motion; }
    QString description(int channel) const
    {
        return QAccessible::queryAccessibleInterface(grid)->child(channel - 1)->text(QAccessible::Description);
    }

    LevelGrid *grid = nullptr;
    std::chrono::milliseconds offset{0};
    bool ticking = true;
};

} // namespace

class TestLiveDiagnosis : public QObject {
    Q_OBJECT
private slots:
    // However short or narrow the cells, and in each format, a mark (the
    // hold's, a difference's, or both) never covers a figure of the level:
    // every pixel of ink drawn without the marks is drawn the same with them.
    void marksLeaveTheFiguresWhole_data()
    {
        QTest::addColumn<QSize>("cell");
        QTest::addColumn<int>("format");
        const std::pair<const char *, QSize> cells[] = {{"512 px wide, the narrowest", QSize(32, 26)},
                                                        {"577 px wide, 1-512 on a 768-line screen", QSize(33, 18)},
                                                        {"720 px wide", QSize(43, 18)},
                                                        {"a tall window", QSize(43, 25)},
                                                        {"a wide window", QSize(68, 43)}};
        const std::pair<const char *, LevelFormat> formats[] = {
            {"decimal", LevelFormat::Decimal}, {"percent", LevelFormat::Percent}, {"hex", LevelFormat::Hex}};
        for (const auto &[format, which] : formats) {
            for (const auto &[name, size] : cells)
                QTest::addRow("%s, %s", format, name) << size << int(which);
        }
    }
    void marksLeaveTheFiguresWhole()
    {
        QFETCH(QSize, cell);
        QFETCH(int, format);
        LevelGrid grid;
        grid.setFormat(LevelFormat(format));
        grid.resize(cell.width() * LevelGrid::kColumns, cell.height() * LevelGrid::kRows);
        std::array<LevelGrid::Cell, LevelGrid::kChannels> cells{};
        for (int i = 0; i < LevelGrid::kChannels; ++i)
            cells[size_t(i)].level = (i * 37) % 256;
        grid.setCells(cells);
        const QImage plain = grid.grab().toImage();
        std::array<LevelGrid::Held, LevelGrid::kChannels> holds{};
        for (int i = 0; i < LevelGrid::kChannels; ++i) {
            cells[size_t(i)].differs = i % 2 == 0; // with a hold mark, and without
            holds[size_t(i)] = LevelGrid::Held{i % 4 < 2, Motion(i / 4 % 4), 0, 255, 2};
        }
        grid.setCells(cells);
        grid.setHolds(holds);
        const QImage marked = grid.grab().toImage();

        const auto distance = [](QRgb a, QRgb b) {
            return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
        };
        // The ink is the pixel furthest from the fill; the figures' solid
        // pixels are those of the ink itself, not their blended edges.
        QStringList covered;
        for (int channel = 1; channel <= LevelGrid::kChannels && covered.size() < 5; ++channel) {
            const QRect inner = grid.channelRect(channel).adjusted(3, 3, -3, -3); // inside the frame
            const QRgb fill = plain.pixel(inner.left(), inner.bottom());
            QRgb ink = fill;
            for (int y = inner.top(); y <= inner.bottom(); ++y)
                for (int x = inner.left(); x <= inner.right(); ++x)
                    if (distance(plain.pixel(x, y), fill) > distance(ink, fill))
                        ink = plain.pixel(x, y);
            int solid = 0;
            for (int y = inner.top(); y <= inner.bottom(); ++y) {
                for (int x = inner.left(); x <= inner.right(); ++x) {
                    if (distance(plain.pixel(x, y), ink) > 30)
                        continue;
                    ++solid;
                    if (distance(marked.pixel(x, y), ink) > 60)
                        covered << QStringLiteral("channel %1 at %2,%3").arg(channel).arg(x).arg(y);
                }
            }
            QVERIFY(solid > 0);
        }
        QVERIFY2(covered.isEmpty(), qPrintable(covered.join(QStringLiteral("; "))));
    }

    // Up only, down only, moved and came back, never moved: each in the
    // grid, its tool tip and what a reader hears of the cell.
    void holdMarksTheLine()
    {
        DiagnosisRig rig;
        rig.shows(4, 100);
        rig.in<QPushButton>("cmdHold")->click();
        QVERIFY(rig.grid->holding());
        QCOMPARE(rig.description(1), QStringLiteral("Since the hold: never moved, lowest 100, highest 100, 0 changes"));
        QCOMPARE(rig.grid->held(17).known, false); // outside the range: nothing to say

        rig.port->box().setLevel(1, 150);
        rig.port->box().setLevel(2, 40);
        rig.port->box().setLevel(3, 180);
        rig.shows(3, 180);
        rig.port->box().setLevel(3, 100);
        QTRY_COMPARE(rig.motion(3), Motion::UpAndDown);
        QCOMPARE(rig.motion(1), Motion::UpOnly);
        QCOMPARE(rig.motion(2), Motion::DownOnly);
        QCOMPARE(rig.motion(4), Motion::Still);
        QCOMPARE(rig.description(3), QStringLiteral("Since the hold: moved and came back, lowest 100, highest 180, 2 changes"));
        QHelpEvent hover(QEvent::ToolTip, rig.grid->channelRect(2).center(), rig.grid->mapToGlobal(rig.grid->channelRect(2).center()));
        QApplication::sendEvent(rig.grid, &hover);
        QCOMPARE(QToolTip::text(), QStringLiteral("Channel 2: 40\nSince the hold: went down only, lowest 40, highest 100, 1 change"));

        // The report of the run ranks the channel that moved most first.
        rig.in<LineReportButton>("cmdLineReport")->click();
        LineReportDialog *report = nullptr;
        QTRY_VERIFY((report = rig.live->findChild<LineReportDialog *>("dlgLineReport")));
        auto *table = report->findChild<QTableView *>("tblLineReport");
        table->sortByColumn(3, Qt::DescendingOrder); // changes
        QCOMPARE(table->model()->index(0, 0).data().toString(), QStringLiteral("3"));
        QVERIFY(report->csv().startsWith("channel,min,max,changes,largest_step,spikes,first_change,last_change\n1,100,150,1,50,0,"));

        rig.in<QPushButton>("cmdResetHold")->click();
        QCOMPARE(rig.motion(3), Motion::Still);
        QCOMPARE(rig.grid->held(3).lowest, 100);
        QTest::keyClick(rig.live, Qt::Key_H, Qt::ControlModifier);
        QVERIFY(!rig.grid->holding());
        QCOMPARE(rig.description(3), QString());
    }

    // On a take the hold runs from the slider's position, forward and back.
    void holdFollowsTheSlider()
    {
        DiagnosisRig rig;
        QTemporaryDir dir;
        QVERIFY(rig.live->player().open(
            writeFile(dir.filePath("take.show"), "OLA Show\n1 10,50\n100\n1 20,50\n100\n1 10,60\n100\n")));
        auto *slider = rig.in<QSlider>("sldRecordingTime");
        slider->setValue(150); // the second picture: 20, 50
        rig.in<QPushButton>("cmdHold")->click();
        slider->setValue(250);
        QCOMPARE(rig.motion(1), Motion::DownOnly);
        QCOMPARE(rig.motion(2), Motion::UpOnly);
        QCOMPARE(rig.grid->held(3).known, false);
        slider->setValue(0); // before the hold: nothing moved since
        QCOMPARE(rig.motion(1), Motion::Still);
        QCOMPARE(rig.motion(2), Motion::Still);

        rig.in<LineReportButton>("cmdLineReport")->click();
        LineReportDialog *report = nullptr;
        QTRY_VERIFY((report = rig.live->findChild<LineReportDialog *>("dlgLineReport")));
        QCOMPARE(report->csv(), QByteArray("channel,min,max,changes,largest_step,spikes,first_change,last_change\n"
                                           "1,10,20,2,10,1,0.100,0.200\n2,50,60,1,10,0,0.200,0.200\n"));
    }

    void heartbeatBannerOncePerFreeze()
    {
        DiagnosisRig rig;
        auto *banner = rig.in<HeartbeatBanner>("lblHeartbeat");
        QSignalSpy said(banner, &HeartbeatBanner::raised);
        rig.in<QSpinBox>("spnStillAfter")->setValue(1);
        rig.in<QSpinBox>("spnHeartbeat")->setValue(4);
        QTRY_VERIFY(banner->isVisible());
        QCOMPARE(banner->text(), QStringLiteral("Channel 4 has not moved for 1 s"));
        QCOMPARE(QAccessible::queryAccessibleInterface(banner)->text(QAccessible::Name), banner->text());
        QSignalSpy more(&rig.live->fetch(), &LiveFetch::pictureEnded);
        QTRY_VERIFY(more.size() >= 10);
        QCOMPARE(said.size(), 1);

        rig.ticking = false; // so that it cannot freeze again unseen
        rig.port->box().setLevel(4, 101);
        QTRY_VERIFY(!banner->isVisible());
        rig.ticking = true;
        QTRY_VERIFY(banner->isVisible());
        QCOMPARE(said.size(), 2);
    }
};

QTEST_MAIN(TestLiveDiagnosis)
#include "test_live_diagnosis.moc"
