#include "level_history.h"

LevelHistory::LevelHistory(int channels, Clock::duration span, Clock::duration bucket)
    : m_channels(channels)
    , m_span(span)
    , m_bucket(bucket)
{
}

void LevelHistory::add(Clock::time_point at, int first, const QByteArray &levels)
{
    QVector<short> all(levels.size());
    for (int i = 0; i < levels.size(); ++i)
        all[i] = short(quint8(levels[i]));
    add(at, first, all);
}

void LevelHistory::add(Clock::time_point at, int first, const QVector<short> &levels)
{
    const Clock::rep slot = at.time_since_epoch() / m_bucket;
    if (m_buckets.empty() || m_buckets.back().slot != slot) {
        Bucket bucket;
        bucket.slot = slot;
        bucket.firstAt = at;
        bucket.low = QByteArray(m_channels, '\0');
        bucket.high = QByteArray(m_channels, '\0');
        bucket.seen = QBitArray(m_channels);
        bucket.highCameLater = QBitArray(m_channels);
        m_buckets.push_back(std::move(bucket));
    }
    Bucket &bucket = m_buckets.back();
    bucket.lastAt = at;
    for (int i = 0; i < levels.size(); ++i) {
        const int index = first - 1 + i;
        if (index < 0 || index >= m_channels || levels[i] < 0)
            continue;
        const char level = char(levels[i]);
        if (!bucket.seen.testBit(index)) {
            bucket.seen.setBit(index);
            bucket.low[index] = bucket.high[index] = level;
        } else if (quint8(level) < quint8(bucket.low[index])) {
            bucket.low[index] = level;
            bucket.highCameLater.clearBit(index);
        } else if (quint8(level) > quint8(bucket.high[index])) {
            bucket.high[index] = level;
            bucket.highCameLater.setBit(index);
        }
    }
    while (at - m_buckets.front().lastAt > m_span)
        m_buckets.pop_front();
}

QVector<LevelHistory::Sample> LevelHistory::samples(int channel, Clock::time_point from) const
{
    QVector<Sample> samples;
    const int index = channel - 1;
    if (index < 0 || index >= m_channels)
        return samples;
    const auto keep = [&samples, from](Clock::time_point at, char level) {
        if (at >= from)
            samples.append({at, quint8(level)});
    };
    for (const Bucket &bucket : m_buckets) {
        if (!bucket.seen.testBit(index))
            continue;
        const char low = bucket.low[index];
        const char high = bucket.high[index];
        if (low == high) {
            keep(bucket.lastAt, low);
        } else if (bucket.highCameLater.testBit(index)) {
            keep(bucket.firstAt, low);
            keep(bucket.lastAt, high);
        } else {
            keep(bucket.firstAt, high);
            keep(bucket.lastAt, low);
        }
    }
    return samples;
}
