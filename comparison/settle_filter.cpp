#include "settle_filter.h"

SettleFilter::SettleFilter(std::chrono::milliseconds settle)
    : m_settle(settle)
{
}

QVector<LevelDifference> SettleFilter::filter(const QVector<LevelDifference> &differences, Clock::time_point now)
{
    std::array<std::optional<Clock::time_point>, kChannels> since{};
    QVector<LevelDifference> settled;
    for (const LevelDifference &difference : differences) {
        if (difference.channel < 1 || difference.channel > kChannels)
            continue;
        if (!difference.actual) {
            settled << difference;
            continue;
        }
        std::optional<Clock::time_point> &start = since[size_t(difference.channel - 1)];
        start = m_since[size_t(difference.channel - 1)].value_or(now);
        if (now - *start >= m_settle)
            settled << difference;
    }
    m_since = since;
    return settled;
}

void SettleFilter::reset()
{
    m_since = {};
}
