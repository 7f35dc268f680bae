// Two sources of one universe judged against each other on a clock of the
// test's own: the network's levels against the cable's, which may lag by
// the settle time, and what olad passes back against what we sent it.
#include "settle_filter.h"
#include "source_watch.h"

#include <QTest>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

Clock::time_point at(int ms)
{
    return Clock::time_point(milliseconds(ms));
}

// At `ms`, the channels that disagree (and those the box left unread), and
// the channels the filter lets through.
struct Comparison {
    int ms = 0;
    QList<int> disagree;
    QList<int> unread;
    QList<int> differ;
};

// What the feed sent, or olad passed back, and what is then said of other
// sources; an expiry check when `frame` is empty.
struct Exchange {
    enum Kind { Sent, Echo, Expire };
    Kind kind = Sent;
    QByteArray frame;
    int priority = 100;
    int ms = 0;
    SourceWatch::Other other = SourceWatch::Other::None;
};

} // namespace

Q_DECLARE_METATYPE(QList<Comparison>)
Q_DECLARE_METATYPE(QList<Exchange>)

class TestSourceJudging : public QObject {
    Q_OBJECT
private slots:
    void settle_data()
    {
        QTest::addColumn<int>("settle");
        QTest::addColumn<QList<Comparison>>("steps");
        QTest::newRow("held back until it has lasted the settle time")
            << 250 << QList<Comparison>{{0, {5}, {}, {}}, {249, {5}, {}, {}}, {250, {5}, {}, {5}}};
        QTest::newRow("an agreement between starts it again")
            << 250 << QList<Comparison>{{0, {5}, {}, {}}, {200, {}, {}, {}}, {300, {5}, {}, {}}, {549, {5}, {}, {}},
                                        {550, {5}, {}, {5}}};
        QTest::newRow("each channel on its own time")
            << 250 << QList<Comparison>{{0, {5}, {}, {}}, {100, {5, 6}, {}, {}}, {250, {5, 6}, {}, {5}},
                                        {350, {5, 6}, {}, {5, 6}}};
        QTest::newRow("unread at once, and it breaks a disagreement")
            << 250 << QList<Comparison>{{0, {5}, {}, {}}, {100, {}, {5}, {5}}, {300, {5}, {}, {}}};
        QTest::newRow("no settle time") << 0 << QList<Comparison>{{0, {5, 9}, {}, {5, 9}}};
    }

    void settle()
    {
        QFETCH(int, settle);
        QFETCH(QList<Comparison>, steps);
        SettleFilter filter{milliseconds(settle)};
        for (const Comparison &step : steps) {
            QVector<LevelDifference> differences;
            for (int channel : step.disagree)
                differences << LevelDifference{channel, 10, 20};
            for (int channel : step.unread)
                differences << LevelDifference{channel, 10, {}};
            QList<int> differ;
            for (const LevelDifference &difference : filter.filter(differences, at(step.ms)))
                differ << difference.channel;
            QCOMPARE(differ, step.differ);
        }
    }

    void otherSource_data()
    {
        using O = SourceWatch::Other;
        const QByteArray a("\x01\x02\x03", 3);
        const QByteArray b("\x04\x05\x06", 3);
        const QByteArray c("\x07\x08\x09", 3);
        QTest::addColumn<QList<Exchange>>("steps");
        QTest::newRow("our own echoes, a frame late")
            << QList<Exchange>{{Exchange::Sent, a}, {Exchange::Sent, b}, {Exchange::Echo, a}, {Exchange::Echo, b}};
        QTest::newRow("levels we never sent, at our priority")
            << QList<Exchange>{{Exchange::Sent, a}, {Exchange::Echo, c, 100, 0, O::Merged}};
        QTest::newRow("a higher priority")
            << QList<Exchange>{{Exchange::Sent, a, 50}, {Exchange::Echo, c, 100, 0, O::Wins}};
        QTest::newRow("zeros past our frame are ours, levels are not")
            << QList<Exchange>{{Exchange::Sent, a},
                               {Exchange::Echo, a + QByteArray(509, '\0')},
                               {Exchange::Echo, a + QByteArray(1, '\x01'), 100, 0, O::Merged}};
        QTest::newRow("our echo at the priority we had")
            << QList<Exchange>{{Exchange::Sent, a, 150}, {Exchange::Sent, a, 50}, {Exchange::Echo, a, 150}};
        QTest::newRow("nothing judged before we send")
            << QList<Exchange>{{Exchange::Echo, c}, {Exchange::Sent, a}, {Exchange::Echo, a}};
        QTest::newRow("gone after three quiet seconds")
            << QList<Exchange>{{Exchange::Sent, a},
                               {Exchange::Echo, c, 100, 1000, O::Merged},
                               {Exchange::Echo, a, 100, 2000, O::Merged},
                               {Exchange::Expire, {}, 0, 3999, O::Merged},
                               {Exchange::Expire, {}, 0, 4000, O::None}};
    }

    void otherSource()
    {
        QFETCH(QList<Exchange>, steps);
        SourceWatch watch;
        for (const Exchange &step : steps) {
            switch (step.kind) {
            case Exchange::Sent:
                watch.sent(step.frame, step.priority);
                break;
            case Exchange::Echo:
                watch.echoed(step.frame, step.priority, at(step.ms));
                break;
            case Exchange::Expire:
                watch.expire(at(step.ms));
                break;
            }
            QCOMPARE(watch.other(), step.other);
        }
        QCOMPARE(watch.otherPriority(), watch.other() == SourceWatch::Other::Wins ? 100 : 0);
    }
};

QTEST_GUILESS_MAIN(TestSourceJudging)
#include "test_source_judging.moc"
