#pragma once

#include <QByteArray>
#include <QPair>
#include <QVector>
#include <QtGlobal>
#include <optional>
#include <vector>

class Picture;

// Which way a channel went since its first picture: the flicker finder's
// four answers.
enum class Motion { Still, UpOnly, DownOnly, UpAndDown };

// What a channel did over a run of pictures. Times are milliseconds from
// the start the caller counts from.
struct ChannelFigures {
    int channel = 0;
    int lowest = 0;
    int highest = 0;
    int changes = 0;
    // The largest difference between two pictures in a row that both
    // carried the channel.
    int largestStep = 0;
    // Levels that left and came back within one picture, by at least the
    // spike threshold: on the wire for one picture only.
    int spikes = 0;
    std::optional<qint64> firstChangeMs;
    std::optional<qint64> lastChangeMs;
    Motion motion = Motion::Still;
};

// Tallies every channel of first..last over pictures given one after
// another. A picture that lacks a channel breaks that channel's row: no
// step or spike is counted across it, since what the line carried
// meanwhile is unknown; a level that differs after it is still a change.
// Every level it is given came in a checksummed answer, so a spike it
// counts was really on the line.
class LineTally {
public:
    static constexpr int kDefaultSpikeThreshold = 8;

    explicit LineTally(int first = 1, int last = 512, int spikeThreshold = kDefaultSpikeThreshold);

    // A live picture, good or not: the channels it carries.
    void add(qint64 ms, const Picture &picture);
    // Levels of channels first.. on, every one of them carried.
    void add(qint64 ms, int first, const QByteArray &levels);
    void add(qint64 ms, int first, const quint8 *levels, int count);
    // Pictures went missing (a pause, a failed link): every row is broken.
    void interrupt();
    // Forgets everything; the next picture starts afresh.
    void clear();

    int pictures() const { return m_pictures; }
    bool answered(int channel) const;
    // Nothing for a channel outside first..last or never answered.
    std::optional<ChannelFigures> figures(int channel) const;
    // Every channel answered at least once, in channel order.
    QVector<ChannelFigures> rows() const;
    // The channels never answered, as runs first..last.
    QVector<QPair<int, int>> unanswered() const;

private:
    struct Track {
        short before = -1; // the level two pictures back, in an unbroken row
        short latest = -1; // the level one picture back; -1 when the row broke
        short last = -1;   // the last level carried, however long ago
        quint8 lowest = 255;
        quint8 highest = 0;
        bool ups = false;
        bool downs = false;
        int changes = 0;
        int largestStep = 0;
        int spikes = 0;
        qint64 firstChangeMs = -1;
        qint64 lastChangeMs = -1;
    };

    // levelOf(i): channel first+i's level, -1 where the picture lacks it.
    template <typename LevelOf>
    void take(qint64 ms, int first, int count, LevelOf levelOf);
    void takeLevel(Track &track, int level, qint64 ms) const;

    int m_first;
    int m_last;
    int m_spikeThreshold;
    int m_pictures = 0;
    std::vector<Track> m_tracks;
};
