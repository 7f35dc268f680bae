#include "line_tally.h"

#include "picture.h"

#include <algorithm>
#include <cstdlib>

LineTally::LineTally(int first, int last, int spikeThreshold)
    : m_first(first)
    , m_last(std::max(last, first - 1))
    , m_spikeThreshold(std::max(spikeThreshold, 1))
    , m_tracks(size_t(m_last - m_first + 1))
{
}

void LineTally::add(qint64 ms, const Picture &picture)
{
    const short *levels = picture.levels().constData();
    take(ms, picture.first(), int(picture.levels().size()), [levels](int i) { return int(levels[i]); });
}

void LineTally::add(qint64 ms, int first, const QByteArray &levels)
{
    add(ms, first, reinterpret_cast<const quint8 *>(levels.constData()), int(levels.size()));
}

void LineTally::add(qint64 ms, int first, const quint8 *levels, int count)
{
    take(ms, first, count, [levels](int i) { return int(levels[i]); });
}

template <typename LevelOf>
void LineTally::take(qint64 ms, int first, int count, LevelOf levelOf)
{
    ++m_pictures;
    for (int channel = m_first; channel <= m_last; ++channel) {
        const int i = channel - first;
        const int level = i >= 0 && i < count ? levelOf(i) : -1;
        takeLevel(m_tracks[size_t(channel - m_first)], level, ms);
    }
}

void LineTally::takeLevel(Track &track, int level, qint64 ms) const
{
    if (level < 0) {
        track.before = -1;
        track.latest = -1;
        return;
    }
    if (track.last >= 0 && level != track.last) {
        ++track.changes;
        (level > track.last ? track.ups : track.downs) = true;
        if (track.firstChangeMs < 0)
            track.firstChangeMs = ms;
        track.lastChangeMs = ms;
    }
    if (track.latest >= 0) {
        track.largestStep = std::max(track.largestStep, std::abs(level - track.latest));
        if (track.before == level && std::abs(track.latest - level) >= m_spikeThreshold)
            ++track.spikes;
    }
    track.lowest = std::min(track.lowest, quint8(level));
    track.highest = std::max(track.highest, quint8(level));
    track.before = track.latest;
    track.latest = short(level);
    track.last = short(level);
}

void LineTally::interrupt()
{
    for (Track &track : m_tracks) {
        track.before = -1;
        track.latest = -1;
    }
}

void LineTally::clear()
{
    std::fill(m_tracks.begin(), m_tracks.end(), Track{});
    m_pictures = 0;
}

bool LineTally::answered(int channel) const
{
    return channel >= m_first && channel <= m_last && m_tracks[size_t(channel - m_first)].last >= 0;
}

std::optional<ChannelFigures> LineTally::figures(int channel) const
{
    if (!answered(channel))
        return std::nullopt;
    const Track &track = m_tracks[size_t(channel - m_first)];
    ChannelFigures figures;
    figures.channel = channel;
    figures.lowest = track.lowest;
    figures.highest = track.highest;
    figures.changes = track.changes;
    figures.largestStep = track.largestStep;
    figures.spikes = track.spikes;
    if (track.firstChangeMs >= 0) {
        figures.firstChangeMs = track.firstChangeMs;
        figures.lastChangeMs = track.lastChangeMs;
    }
    figures.motion = track.ups && track.downs ? Motion::UpAndDown
        : track.ups                           ? Motion::UpOnly
        : track.downs                         ? Motion::DownOnly
                                              : Motion::Still;
    return figures;
}

QVector<ChannelFigures> LineTally::rows() const
{
    QVector<ChannelFigures> rows;
    rows.reserve(int(m_tracks.size()));
    for (int channel = m_first; channel <= m_last; ++channel) {
        if (const std::optional<ChannelFigures> each = figures(channel))
            rows << *each;
    }
    return rows;
}

QVector<QPair<int, int>> LineTally::unanswered() const
{
    QVector<QPair<int, int>> runs;
    for (int channel = m_first; channel <= m_last; ++channel) {
        if (answered(channel))
            continue;
        if (!runs.isEmpty() && runs.constLast().second == channel - 1)
            runs.last().second = channel;
        else
            runs << qMakePair(channel, channel);
    }
    return runs;
}
