#include "recording.h"

#include <algorithm>

QByteArray Recording::levelsOf(int picture) const
{
    return QByteArray(reinterpret_cast<const char *>(m_levels.data()) + size_t(picture) * size_t(width()),
                      width());
}

int Recording::pictureAt(qint64 ms) const
{
    // The last picture that came at or before `ms`.
    const auto after = std::upper_bound(m_times.begin(), m_times.end(), ms);
    return after == m_times.begin() ? 0 : int(after - m_times.begin()) - 1;
}

QVector<Recording::Sample> Recording::series(int channel) const
{
    QVector<Sample> samples;
    if (channel < m_first || channel > m_last)
        return samples;
    const size_t step = size_t(width());
    const quint8 *level = m_levels.data() + size_t(channel - m_first);
    for (size_t i = 0; i < m_times.size(); ++i, level += step) {
        if (samples.isEmpty() || samples.constLast().level != *level)
            samples.append({m_times[i], *level});
    }
    return samples;
}

void Recording::setShape(unsigned int universe, int first, int last)
{
    m_universe = universe;
    m_first = first;
    m_last = last;
}

void Recording::append(qint64 ms, const char *levels)
{
    m_times.push_back(ms);
    const auto *bytes = reinterpret_cast<const quint8 *>(levels);
    m_levels.insert(m_levels.end(), bytes, bytes + width());
}

void Recording::reserve(size_t pictures)
{
    m_times.reserve(pictures);
    m_levels.reserve(pictures * size_t(width()));
}
