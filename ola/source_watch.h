#pragma once

#include <QByteArray>
#include <chrono>
#include <deque>

// Tells from the levels olad passes back of a universe whether a source
// other than ours feeds it: olad merges every source of the highest
// priority it hears (HTP or LTP) and passes the result, with that priority,
// to the clients that listen. An echo that is none of the frames we sent
// lately, or comes with a priority above ours, is another source's doing.
// Another source that never changes what olad passes on cannot be told.
class SourceWatch {
public:
    using Clock = std::chrono::steady_clock;

    enum class Other {
        None,   // every echo lately was one of ours
        Merged, // another source at our priority: olad merges it with ours
        Wins,   // another source at a higher priority: ours is not passed on
    };

    // Echoes lag the sends by a few frames at most.
    static constexpr int kRemembered = 16;
    // Without a sign of it for this long, the other source is taken to have
    // gone: olad forgets a client source that stopped sending sooner.
    static constexpr std::chrono::seconds kGoneAfter{3};

    void sent(const QByteArray &frame, int priority);
    // True when other() changed.
    bool echoed(const QByteArray &frame, int priority, Clock::time_point now);
    // Forgets another source that has shown nothing for kGoneAfter; true
    // when other() changed.
    bool expire(Clock::time_point now);
    void reset();

    Other other() const { return m_other; }
    // The priority of what olad passed on, when another source wins.
    int otherPriority() const { return m_otherPriority; }

private:
    bool ours(const QByteArray &frame, int priority) const;

    struct Sent {
        QByteArray frame;
        int priority = 0;
    };
    std::deque<Sent> m_sent;
    int m_priority = -1; // of the latest send
    Other m_other = Other::None;
    int m_otherPriority = 0;
    Clock::time_point m_lastSign;
};
