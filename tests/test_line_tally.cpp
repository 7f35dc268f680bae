// How a channel moved over crafted runs of pictures: the line report's
// figures and the flicker finder's answer for each, and when a heartbeat
// channel is said to stand still and to move again.
#include "heartbeat_watch.h"
#include "line_tally.h"
#include "picture.h"

#include <QtTest>

Q_DECLARE_METATYPE(Motion)

namespace {

constexpr qint64 kPictureMs = 40;
constexpr int kNone = -1;  // the picture lacks the channel
constexpr int kPause = -2; // pictures stopped for a while

// Channel 3 of a tally of 1-4 over `levels`, a picture every 40 ms; the
// other channels are never answered.
LineTally tallied(const QList<int> &levels)
{
    LineTally tally(1, 4);
    for (int i = 0; i < levels.size(); ++i) {
        if (levels[i] == kPause)
            tally.interrupt();
        else if (levels[i] == kNone)
            tally.add(i * kPictureMs, Picture(1, 4)); // a failed picture: no level at all
        else
            tally.add(i * kPictureMs, 3, QByteArray(1, char(levels[i])));
    }
    return tally;
}

} // namespace

class TestLineTally : public QObject {
    Q_OBJECT
private slots:
    void figures_data()
    {
        QTest::addColumn<QList<int>>("levels");
        // min, max, changes, largest step, spikes, first and last change (ms; -1 none)
        QTest::addColumn<QList<int>>("figures");
        QTest::addColumn<Motion>("motion");
        QTest::newRow("still") << QList<int>{50, 50, 50, 50} << QList<int>{50, 50, 0, 0, 0, -1, -1} << Motion::Still;
        QTest::newRow("one picture") << QList<int>{9} << QList<int>{9, 9, 0, 0, 0, -1, -1} << Motion::Still;
        QTest::newRow("spike up") << QList<int>{0, 0, 200, 0, 0} << QList<int>{0, 200, 2, 200, 1, 80, 120}
                                  << Motion::UpAndDown;
        QTest::newRow("spike down, exactly the threshold") << QList<int>{100, 92, 100} << QList<int>{92, 100, 2, 8, 1, 40, 80}
                                                           << Motion::UpAndDown;
        QTest::newRow("wobble under the threshold") << QList<int>{100, 93, 100} << QList<int>{93, 100, 2, 7, 0, 40, 80}
                                                    << Motion::UpAndDown;
        QTest::newRow("spike held two pictures") << QList<int>{0, 50, 50, 0} << QList<int>{0, 50, 2, 50, 0, 40, 120}
                                                 << Motion::UpAndDown;
        QTest::newRow("flicker: every return counts") << QList<int>{0, 90, 0, 90, 0}
                                                      << QList<int>{0, 90, 4, 90, 3, 40, 160} << Motion::UpAndDown;
        QTest::newRow("step") << QList<int>{10, 10, 140, 140} << QList<int>{10, 140, 1, 130, 0, 80, 80}
                              << Motion::UpOnly;
        QTest::newRow("fade up") << QList<int>{0, 10, 20, 30, 40} << QList<int>{0, 40, 4, 10, 0, 40, 160}
                                 << Motion::UpOnly;
        QTest::newRow("steppy fade down") << QList<int>{255, 250, 245, 200, 195} << QList<int>{195, 255, 4, 45, 0, 40, 160}
                                          << Motion::DownOnly;
        // A gap: no step or spike across it, but a different level after it changed.
        QTest::newRow("unanswered, then back") << QList<int>{0, kNone, 0} << QList<int>{0, 0, 0, 0, 0, -1, -1}
                                               << Motion::Still;
        QTest::newRow("spike across a gap") << QList<int>{0, 200, kNone, 0} << QList<int>{0, 200, 2, 200, 0, 40, 120}
                                            << Motion::UpAndDown;
        QTest::newRow("step across a gap") << QList<int>{0, kNone, 100, 105} << QList<int>{0, 105, 2, 5, 0, 80, 120}
                                           << Motion::UpOnly;
        QTest::newRow("first answered late") << QList<int>{kNone, kNone, 30, 20} << QList<int>{20, 30, 1, 10, 0, 120, 120}
                                             << Motion::DownOnly;
        QTest::newRow("spike across a pause") << QList<int>{0, 200, kPause, 0} << QList<int>{0, 200, 2, 200, 0, 40, 120}
                                              << Motion::UpAndDown;
        QTest::newRow("never answered") << QList<int>{kNone, kNone} << QList<int>{} << Motion::Still;
    }

    void figures()
    {
        QFETCH(QList<int>, levels);
        QFETCH(QList<int>, figures);
        QFETCH(Motion, motion);
        const LineTally tally = tallied(levels);
        QCOMPARE(tally.pictures(), int(levels.size() - levels.count(kPause)));
        // Channels 1, 2 and 4 were never in a picture.
        using Runs = QVector<QPair<int, int>>;
        const std::optional<ChannelFigures> got = tally.figures(3);
        if (figures.isEmpty()) {
            QVERIFY(!got);
            QVERIFY(tally.rows().isEmpty());
            QCOMPARE(tally.unanswered(), (Runs{{1, 4}}));
            return;
        }
        QCOMPARE(tally.unanswered(), (Runs{{1, 2}, {4, 4}}));
        QVERIFY(got);
        const QList<int> seen{got->lowest,
                              got->highest,
                              got->changes,
                              got->largestStep,
                              got->spikes,
                              int(got->firstChangeMs.value_or(-1)),
                              int(got->lastChangeMs.value_or(-1))};
        QCOMPARE(seen, figures);
        QCOMPARE(got->motion, motion);
        QCOMPARE(tally.rows().size(), 1);
    }

    // The heartbeat still after 100 ms: "F" said frozen, "M" said moving
    // again, "." nothing; each level 40 ms after the one before.
    void heartbeat_data()
    {
        QTest::addColumn<QList<int>>("levels");
        QTest::addColumn<QString>("news");
        QTest::newRow("moving") << QList<int>{1, 2, 3, 4, 5, 6} << "......";
        QTest::newRow("still: said once") << QList<int>{7, 7, 7, 7, 7, 7, 7} << "...F...";
        QTest::newRow("moves again") << QList<int>{7, 7, 7, 7, 8, 8} << "...FM.";
        QTest::newRow("unanswered says nothing") << QList<int>{7, kNone, kNone, kNone, 7} << "....F";
        QTest::newRow("frozen twice") << QList<int>{1, 1, 1, 1, 2, 2, 2, 2} << "...FM..F";
        QTest::newRow("a pause starts the count again") << QList<int>{7, 7, kPause, 7, 7, 7, 7} << "......F";
        QTest::newRow("a freeze said stands across a pause") << QList<int>{7, 7, 7, 7, kPause, 7, 8} << "...F..M";
    }

    void heartbeat()
    {
        QFETCH(QList<int>, levels);
        QFETCH(QString, news);
        HeartbeatWatch watch(std::chrono::milliseconds{100});
        QString said;
        for (int i = 0; i < levels.size(); ++i) {
            if (levels[i] == kPause) {
                watch.interrupt();
                said += u'.';
                continue;
            }
            const std::optional<int> level = levels[i] == kNone ? std::nullopt : std::optional<int>(levels[i]);
            const HeartbeatWatch::News each = watch.take(i * kPictureMs, level);
            said += each == HeartbeatWatch::News::Froze ? u'F' : each == HeartbeatWatch::News::Moved ? u'M' : u'.';
        }
        QCOMPARE(said, news);
    }
};

QTEST_GUILESS_MAIN(TestLineTally)
#include "test_line_tally.moc"
