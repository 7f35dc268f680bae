#pragma once

#include <QVector>

// How a range of the universe's channels is asked of the box. A block
// request starts at a channel of 1-256 and carries up to 256 levels, so it
// reaches channel 511 at most; channel 512 only the read command names.
// Channels past 256 go in pieces of their own: a box may not serve them,
// and the channels up to 256 must not fail with them.
namespace picture_plan {

constexpr int kUniverse = 512;   // channels of a DMX512 universe
constexpr int kWindow = 256;     // channels every box serves
constexpr int kLastBlockStart = 256;
constexpr int kMaxBlock = 256;

struct Piece {
    enum class Kind { Block, Read };

    Kind kind = Kind::Block;
    int first = 1; // on the wire: the block's first channel, or the channel read
    int count = 1; // on the wire: 1 for a read
    int from = 1;  // the channels it brings to the picture, from..to
    int to = 1;

    // Reaches past channel 256.
    bool beyondWindow() const { return to > kWindow; }
    // Bytes on the wire, both ways.
    int wireBytes() const;

    bool operator==(const Piece &other) const
    {
        return kind == other.kind && first == other.first && count == other.count && from == other.from
            && to == other.to;
    }
    bool operator!=(const Piece &other) const { return !(*this == other); }
};

Piece block(int first, int count, int from, int to);
Piece read(int channel);

// The pieces for channels first..last (1 <= first <= last <= 512), in the
// order they go to the wire: channels up to 256 as one block (a read for a
// single one), those above by one block from channel 256 or by reads,
// whichever is fewer bytes, and 512 by a read. 1-512 gives block(1, 256),
// block(256, 256) for 257-511, and read(512). Empty for a range outside.
QVector<Piece> plan(int first, int last);

} // namespace picture_plan
