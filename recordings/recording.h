#pragma once

#include <QByteArray>
#include <QList>
#include <QVector>
#include <QtGlobal>
#include <vector>

// A take of the line as loaded from a show file: every picture of channels
// first..last with the moment it came, counted in milliseconds from the
// first. Held as one block of levels, a picture after another, so that an
// hour of a whole universe stays a few tens of megabytes and the picture at
// any moment is a binary search away.
class Recording {
public:
    struct Sample {
        qint64 ms = 0;
        quint8 level = 0;
    };

    unsigned int universe() const { return m_universe; }
    // Every universe the file holds pictures of, this one among them, in
    // rising order: OLA's recorder writes all the universes it was told
    // to record into one file.
    const QList<unsigned int> &universesInFile() const { return m_universesInFile; }
    int first() const { return m_first; }
    int last() const { return m_last; }
    int width() const { return m_last - m_first + 1; }

    int pictures() const { return int(m_times.size()); }
    bool isEmpty() const { return m_times.empty(); }
    // The last picture's moment plus how long it was held, when the file says.
    qint64 durationMs() const { return m_times.empty() ? 0 : m_times.back() + m_heldAfterLast; }
    qint64 timeOf(int picture) const { return m_times[size_t(picture)]; }
    // The levels of one picture, first..last; shares nothing with the recording.
    QByteArray levelsOf(int picture) const;

    // The picture in force at `ms` (the first before it starts, the last
    // after it ends).
    int pictureAt(qint64 ms) const;
    QByteArray levelsAt(qint64 ms) const { return isEmpty() ? QByteArray() : levelsOf(pictureAt(ms)); }
    // A channel over the whole take as steps: its first level and then each
    // change, oldest first. Empty for a channel outside first..last.
    QVector<Sample> series(int channel) const;

    // Building, for the reader: the shape first, then the pictures in order.
    void setShape(unsigned int universe, int first, int last);
    void append(qint64 ms, const char *levels);
    void setHeldAfterLast(qint64 ms) { m_heldAfterLast = ms; }
    void setUniversesInFile(const QList<unsigned int> &universes) { m_universesInFile = universes; }
    void reserve(size_t pictures);

private:
    unsigned int m_universe = 0;
    QList<unsigned int> m_universesInFile;
    int m_first = 1;
    int m_last = 0;
    qint64 m_heldAfterLast = 0;
    std::vector<qint64> m_times;
    std::vector<quint8> m_levels; // pictures() x width()
};
