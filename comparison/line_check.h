#pragma once

#include "expected_levels.h"
#include "level_comparison.h"
#include "live_fetch.h"
#include "settle_filter.h"

#include <QObject>
#include <QVector>
#include <chrono>
#include <functional>
#include <optional>

// Holds each picture of a live fetch against what the line should carry:
// a file's levels, which stand still, or another live source's (an OLA
// universe), which move. One judgement is one good picture, or kAttempts
// failed fetches in a row, which leave every channel unread. With a settle
// time, a channel differs only once it has disagreed that long, and no
// judgement is given before the expectation has been there that long.
class LineCheck : public QObject {
    Q_OBJECT
public:
    static constexpr int kAttempts = 3;

    // The expectation of the moment; nothing while there is none (the other
    // source has given no levels yet, or is away).
    using Expectation = std::function<std::optional<ExpectedLevels>()>;

    struct Judgement {
        QVector<LevelDifference> differences;
        int pictureFirst = 1;
        QByteArray pictureLevels;              // empty: no picture came
        QVector<LevelFetch::Outcome> failures; // the failed fetches of a judgement without a picture
    };

    LineCheck(LiveFetch &fetch, Expectation expectation, int tolerance,
              std::chrono::milliseconds settle = std::chrono::milliseconds{0}, QObject *parent = nullptr);

    // A judgement of no picture at all, now: every channel unread.
    void judgeUnread();
    int judgements() const { return m_judgements; }

signals:
    // Emitted from inside LiveFetch::pictureEnded: a receiver that pauses
    // the fetch stops the next one before it leaves.
    void judged(const LineCheck::Judgement &judgement);

private:
    void onPictureEnded(const PictureOutcome &outcome);
    void judge(int pictureFirst, const QByteArray &pictureLevels, const QVector<LevelFetch::Outcome> &failures);

    LiveFetch &m_fetch;
    Expectation m_expectation;
    int m_tolerance = 0;
    SettleFilter m_filter;
    std::optional<LiveFetch::Clock::time_point> m_expectedSince;
    QVector<LevelFetch::Outcome> m_attempts; // failed since the last judgement
    int m_judgements = 0;
};
