#include "picture_plan.h"

#include "protocol.h"

#include <algorithm>

namespace picture_plan {

namespace {

constexpr int kReadBytes = 5 + protocol::kReadAnswerLength;

// Channels first..last of 257-511: one block from 256 (the channels below
// `first` come along unused), or one read each when that is fewer bytes.
void planUpper(int first, int last, QVector<Piece> &pieces)
{
    const Piece reach = block(kLastBlockStart, last - kLastBlockStart + 1, first, last);
    if (reach.wireBytes() <= (last - first + 1) * kReadBytes) {
        pieces << reach;
        return;
    }
    for (int channel = first; channel <= last; ++channel)
        pieces << read(channel);
}

} // namespace

int Piece::wireBytes() const
{
    if (kind == Kind::Read)
        return kReadBytes;
    return protocol::block::kRequestLength + protocol::block::replyLength(count);
}

Piece block(int first, int count, int from, int to)
{
    return Piece{Piece::Kind::Block, first, count, from, to};
}

Piece read(int channel)
{
    return Piece{Piece::Kind::Read, channel, 1, channel, channel};
}

QVector<Piece> plan(int first, int last)
{
    QVector<Piece> pieces;
    if (first < 1 || last > kUniverse || last < first)
        return pieces;
    if (first <= kWindow) {
        const int end = std::min(last, kWindow);
        pieces << (end == first ? read(first) : block(first, end - first + 1, first, end));
    }
    const int upperFirst = std::max(first, kWindow + 1);
    const int upperLast = std::min(last, kLastBlockStart + kMaxBlock - 1);
    if (upperFirst <= upperLast)
        planUpper(upperFirst, upperLast, pieces);
    if (last == kUniverse)
        pieces << read(kUniverse);
    return pieces;
}

} // namespace picture_plan
