#include "line_check.h"

LineCheck::LineCheck(LiveFetch &fetch, Expectation expectation, int tolerance, std::chrono::milliseconds settle,
                     QObject *parent)
    : QObject(parent)
    , m_fetch(fetch)
    , m_expectation(std::move(expectation))
    , m_tolerance(tolerance)
    , m_filter(settle)
{
    connect(&m_fetch, &LiveFetch::pictureEnded, this, &LineCheck::onPictureEnded);
}

void LineCheck::judgeUnread()
{
    judge(1, QByteArray(), {});
}

void LineCheck::onPictureEnded(const PictureOutcome &outcome)
{
    if (outcome.good) {
        m_attempts.clear();
        judge(outcome.picture.first(), outcome.picture.answeredRun(), {});
        return;
    }
    m_attempts << outcome.failure();
    if (m_attempts.size() < kAttempts)
        return;
    const QVector<LevelFetch::Outcome> failures = m_attempts;
    m_attempts.clear();
    judge(1, QByteArray(), failures);
}

void LineCheck::judge(int pictureFirst, const QByteArray &pictureLevels, const QVector<LevelFetch::Outcome> &failures)
{
    const std::optional<ExpectedLevels> expected = m_expectation();
    const LiveFetch::Clock::time_point now = m_fetch.now();
    if (!expected) {
        m_expectedSince.reset();
        m_filter.reset();
        return;
    }
    if (!m_expectedSince)
        m_expectedSince = now;
    const QVector<LevelDifference> differences =
        m_filter.filter(compareLevels(*expected, pictureFirst, pictureLevels, m_tolerance), now);
    if (now - *m_expectedSince < m_filter.settle())
        return;
    ++m_judgements;
    emit judged(Judgement{differences, pictureFirst, pictureLevels, failures});
}
