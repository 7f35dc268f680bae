#pragma once

#include <QByteArray>
#include <QSet>
#include <chrono>

// The ways a misbehaving box can fail the monitor, switched on by tests and
// by the simulator's command line.
struct SimFaults {
    bool silent = false;                     // answers nothing at all
    QSet<int> silentChannels;                // channel numbers 1..512 that never answer
    std::chrono::milliseconds answerDelay{0};
    bool lowerCase = false;                  // 'g' and 'l' instead of 'G' and 'L'
    bool wrongChecksum = false;              // block replies carry a checksum one too high
    QSet<int> wrongChecksumAt;               // so do those of the blocks that start at these channels
    bool wrongEndByte = false;               // block replies end in something other than C1
    int truncateBlockTo = -1;                // keep only this many bytes of a block reply; -1 keeps all
    QByteArray extraAfterAnswer;             // appended after every answer
    int servedChannels = 512;                // a request for any channel above goes unanswered
};
