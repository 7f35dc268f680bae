#include "show_replay.h"

#include "sim_box.h"

#include <algorithm>

ShowReplay::ShowReplay(SimBox &box, Recording recording, bool loop, QObject *parent)
    : QObject(parent)
    , m_box(box)
    , m_recording(std::move(recording))
    , m_loop(loop)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ShowReplay::showDue);
}

void ShowReplay::start()
{
    for (int channel = 1; channel <= SimBox::kChannels; ++channel)
        m_box.setLevel(channel, 0);
    if (m_recording.isEmpty())
        return;
    m_clock.start();
    m_roundStart = 0;
    m_rounds = 1;
    showDue();
}

namespace {

// A delay in a show may be longer than a timer takes; waking early is harmless.
int timerMs(qint64 ms)
{
    return int(std::clamp<qint64>(ms, 0, 60 * 60 * 1000));
}

} // namespace

// Timed from the start of the round, not from the last picture, so that
// timer latency never adds up over an hour's take.
void ShowReplay::showDue()
{
    qint64 intoRound = m_clock.elapsed() - m_roundStart;
    const qint64 length = m_recording.durationMs();
    if (m_loop && m_picture >= 0 && intoRound >= length && m_picture == m_recording.pictures() - 1) {
        // A take of a single moment would loop without end in one call.
        m_roundStart += std::max<qint64>(length, 1);
        intoRound = m_clock.elapsed() - m_roundStart;
        ++m_rounds;
        m_picture = -1;
    }
    const int due = m_recording.pictureAt(std::max<qint64>(intoRound, 0));
    if (due != m_picture)
        show(due);
    const int next = m_picture + 1;
    if (next < m_recording.pictures())
        m_timer.start(timerMs(m_recording.timeOf(next) - intoRound));
    else if (m_loop)
        m_timer.start(timerMs(length - intoRound));
}

void ShowReplay::show(int picture)
{
    const QByteArray levels = m_recording.levelsOf(picture);
    for (int i = 0; i < levels.size(); ++i)
        m_box.setLevel(m_recording.first() + i, quint8(levels[i]));
    m_picture = picture;
    emit pictureShown(picture);
}
