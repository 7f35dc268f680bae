#include "picture.h"

#include <algorithm>

Picture::Picture(int first, int last)
    : m_first(first)
    , m_last(last)
    , m_levels(std::max(last - first + 1, 0), short(-1))
{
}

void Picture::take(const picture_plan::Piece &piece, const LevelFetch &fetch)
{
    if (fetch.outcome != LevelFetch::Outcome::Success || fetch.levels.size() != piece.count) {
        noteFailed(piece, fetch.outcome == LevelFetch::Outcome::Success ? LevelFetch::Outcome::CutShort
                                                                         : fetch.outcome);
        return;
    }
    m_anyAnswered = true;
    for (int channel = std::max(piece.from, m_first); channel <= std::min(piece.to, m_last); ++channel)
        m_levels[channel - m_first] = quint8(fetch.levels[channel - piece.first]);
}

void Picture::noteFailed(const picture_plan::Piece &piece, LevelFetch::Outcome outcome)
{
    m_failures.append({piece, outcome});
}

std::optional<int> Picture::level(int channel) const
{
    const int index = channel - m_first;
    if (index < 0 || index >= m_levels.size() || m_levels[index] < 0)
        return std::nullopt;
    return m_levels[index];
}

bool Picture::good() const
{
    return m_anyAnswered && std::none_of(m_failures.begin(), m_failures.end(), [](const Failure &failure) {
               return !failure.piece.beyondWindow();
           });
}

QVector<ChannelLevel> Picture::channelLevels() const
{
    QVector<ChannelLevel> levels;
    levels.reserve(m_levels.size());
    for (int channel = m_first; channel <= m_last; ++channel)
        levels << ChannelLevel{channel, level(channel)};
    return levels;
}

std::optional<QByteArray> Picture::bytes(int first, int last) const
{
    QByteArray bytes;
    bytes.reserve(std::max(last - first + 1, 0));
    for (int channel = first; channel <= last; ++channel) {
        const std::optional<int> each = level(channel);
        if (!each)
            return std::nullopt;
        bytes.append(char(*each));
    }
    return bytes;
}

QByteArray Picture::answeredRun() const
{
    QByteArray bytes;
    for (int channel = m_first; channel <= m_last; ++channel) {
        const std::optional<int> each = level(channel);
        if (!each)
            break;
        bytes.append(char(*each));
    }
    return bytes;
}
