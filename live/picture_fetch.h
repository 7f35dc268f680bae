#pragma once

#include "level_fetch.h"
#include "picture.h"
#include "picture_plan.h"
#include "session_clock.h"

#include <QObject>
#include <QVector>
#include <chrono>
#include <optional>

class BoxSession;

// Gathers one picture from its pieces, asking the session for each only
// when the one before has come back: at most one piece of ours waits or
// runs, and whatever else is asked of the session goes to the wire between
// two pieces, never behind a whole picture.
class PictureFetch : public QObject {
    Q_OBJECT
public:
    struct Ask {
        picture_plan::Piece piece;
        std::chrono::milliseconds patience{0}; // zero: the usual time-out
        // Asked again after failing so: should it fail again, the other
        // pieces asked again in the same picture are put off with it.
        std::optional<LevelFetch::Outcome> failedBefore;
    };

    explicit PictureFetch(BoxSession &session, QObject *parent = nullptr);
    ~PictureFetch() override;

    // Starts a picture of first..last (none may be under way) from `asks`,
    // in that order; `held` are pieces not asked this time, still failing.
    // With `stopAtWindowFailure`, a failing piece within 1-256 ends it.
    void begin(int first, int last, const QVector<Ask> &asks, const QVector<Picture::Failure> &held = {},
               bool stopAtWindowFailure = true);

    // The picture under way is given up: a piece still queued is
    // withdrawn, the answer to one on the wire is not taken, and freed()
    // says when it has come.
    void abandon();
    // A piece of ours is queued or on the wire.
    bool asked() const { return m_asked; }
    bool gathering() const { return m_gathering; }

signals:
    // One piece came back, good or not, `took` after it was asked.
    void pieceDone(const PictureFetch::Ask &ask, const LevelFetch &fetch, std::chrono::milliseconds took);
    void pictureDone(const Picture &picture);
    // The answer to a piece of a picture given up has come.
    void freed();

private:
    void askNext();
    void onFetched(const LevelFetch &fetch);
    void finish();

    BoxSession &m_session;
    QVector<Ask> m_asks;
    int m_next = 0;
    Picture m_picture;
    bool m_stopAtWindowFailure = true;
    bool m_gathering = false;
    bool m_asked = false;
    SessionClock::Clock::time_point m_askedAt;
};
