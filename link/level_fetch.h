#pragma once

#include "block_reply.h"

#include <QByteArray>

// One block fetched for a live view: the levels of channels first,
// first+1, ... on success, and otherwise what went wrong, by kind.
struct LevelFetch {
    enum class Outcome { Success, NoAnswer, HeaderError, ChecksumError, EndByteError, CutShort };

    int first = 1;
    int count = 0;
    Outcome outcome = Outcome::NoAnswer;
    QByteArray levels; // `count` bytes, on success only

    // A reply judged for a live view: a port that failed and a box that
    // said nothing are both no answer.
    static LevelFetch from(const BlockReply &reply);
    // A read command's answer as a block of one: nothing is no answer, an
    // answer that is not a level a header error.
    static LevelFetch fromRead(int channel, bool portFailed, const QByteArray &answer);
};
