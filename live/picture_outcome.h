#pragma once

#include "level_fetch.h"
#include "picture.h"

#include <QString>
#include <array>

// The ways a piece of a picture fails, in the order the window counts them.
constexpr std::array<LevelFetch::Outcome, 5> kFailureKinds{
    LevelFetch::Outcome::NoAnswer, LevelFetch::Outcome::HeaderError, LevelFetch::Outcome::ChecksumError,
    LevelFetch::Outcome::EndByteError, LevelFetch::Outcome::CutShort};

// A failure kind as the line under the live grid counts it: "header".
QString failureWord(LevelFetch::Outcome outcome);
// A failure kind in a sentence, as the command line says it: "header error".
QString failureText(LevelFetch::Outcome outcome);

// What became of one live picture: good, with its levels, or failed, with
// how. Either way `picture` says which channels the box left unread and
// how each piece failed; a good picture may still lack channels past 256
// that the box did not answer.
struct PictureOutcome {
    bool good = false;
    Picture picture;

    // How a failed picture failed: its first failing piece within 1-256,
    // else its first failing piece.
    LevelFetch::Outcome failure() const;
    QVector<Picture::Failure> unread() const { return picture.failures(); }
};
