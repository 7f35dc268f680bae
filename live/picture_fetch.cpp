#include "picture_fetch.h"

#include "box_session.h"

PictureFetch::PictureFetch(BoxSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    connect(&m_session, &BoxSession::levelsFetched, this, &PictureFetch::onFetched);
}

PictureFetch::~PictureFetch()
{
    abandon();
}

void PictureFetch::begin(int first, int last, const QVector<Ask> &asks, const QVector<Picture::Failure> &held,
                         bool stopAtWindowFailure)
{
    m_picture = Picture(first, last);
    for (const Picture::Failure &failure : held)
        m_picture.noteFailed(failure.piece, failure.outcome);
    m_asks = asks;
    m_next = 0;
    m_stopAtWindowFailure = stopAtWindowFailure;
    m_gathering = true;
    askNext();
}

// The live view is the only one to fetch; had its piece already gone to
// the wire, nothing leaves the queue and its answer is still to come.
void PictureFetch::abandon()
{
    m_gathering = false;
    if (m_asked && m_session.cancelFetches() > 0)
        m_asked = false;
}

void PictureFetch::askNext()
{
    if (m_next >= m_asks.size()) {
        finish();
        return;
    }
    const Ask &ask = m_asks[m_next];
    m_asked = true;
    m_askedAt = m_session.clock().now();
    if (ask.piece.kind == picture_plan::Piece::Kind::Read)
        m_session.fetchRead(ask.piece.first, ask.patience);
    else
        m_session.fetchLevels(ask.piece.first, ask.piece.first + ask.piece.count - 1, ask.patience);
}

void PictureFetch::onFetched(const LevelFetch &fetch)
{
    if (!m_asked)
        return;
    m_asked = false;
    if (!m_gathering) {
        emit freed();
        return;
    }
    const Ask ask = m_asks[m_next++];
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(m_session.clock().now() - m_askedAt);
    // The session answers in the order asked; a reply for another run of
    // channels would be a fault of ours, and is not drawn.
    const bool ours = fetch.first == ask.piece.first && fetch.count == ask.piece.count;
    LevelFetch taken = fetch;
    if (!ours)
        taken = LevelFetch{ask.piece.first, ask.piece.count, LevelFetch::Outcome::NoAnswer, {}};
    m_picture.take(ask.piece, taken);
    emit pieceDone(ask, taken, took);
    if (!m_gathering)
        return; // given up from the report
    if (taken.outcome != LevelFetch::Outcome::Success) {
        if (m_stopAtWindowFailure && !ask.piece.beyondWindow()) {
            finish();
            return;
        }
        // A box that again does not answer a piece asked once more is not
        // asked the others again in this picture.
        if (ask.failedBefore) {
            for (; m_next < m_asks.size(); ++m_next) {
                const Ask &later = m_asks[m_next];
                if (!later.failedBefore)
                    break;
                m_picture.noteFailed(later.piece, *later.failedBefore);
            }
        }
    }
    askNext();
}

void PictureFetch::finish()
{
    m_gathering = false;
    emit pictureDone(m_picture);
}
