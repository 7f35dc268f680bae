#pragma once

#include <QBitArray>
#include <QByteArray>
#include <QVector>
#include <chrono>
#include <deque>

// The levels of the last span, kept no finer than the plot can draw them:
// time is cut into buckets, and a bucket holds for every channel only the
// lowest and the highest level of the pictures that fell in it. However
// fast the pictures come, a span takes the same memory, and a level that
// stood for one picture still shows.
class LevelHistory {
public:
    using Clock = std::chrono::steady_clock;

    struct Sample {
        Clock::time_point at;
        int level = 0;
    };

    // Channels 1..channels; a bucket is `bucket` long, the span `span`.
    LevelHistory(int channels, Clock::duration span, Clock::duration bucket);

    // A picture taken at `at`: levels of channels first, first+1, ...
    void add(Clock::time_point at, int first, const QByteArray &levels);
    // The same, where a negative level is a channel the picture lacks.
    void add(Clock::time_point at, int first, const QVector<short> &levels);

    // A channel's levels from `from` on, oldest first: one sample for a
    // bucket where it held, the lowest and the highest in the order they
    // came where it moved.
    QVector<Sample> samples(int channel, Clock::time_point from) const;

    int bucketCount() const { return int(m_buckets.size()); }
    // The most buckets a span can hold.
    int maxBuckets() const { return int(m_span / m_bucket) + 1; }

private:
    struct Bucket {
        Clock::rep slot = 0;
        Clock::time_point firstAt;
        Clock::time_point lastAt;
        QByteArray low;
        QByteArray high;
        QBitArray seen;
        QBitArray highCameLater;
    };

    int m_channels;
    Clock::duration m_span;
    Clock::duration m_bucket;
    std::deque<Bucket> m_buckets;
};
