#include "range_listing.h"

#include "block_frame.h"
#include "transceiver_link.h"

namespace {

Status statusOf(block_frame::Outcome outcome)
{
    switch (outcome) {
    case block_frame::Outcome::Success: return Status::BlockOk;
    case block_frame::Outcome::HeaderError: return Status::HeaderError;
    case block_frame::Outcome::ChecksumError: return Status::ChecksumError;
    case block_frame::Outcome::NotAsExpected: return Status::BlockNotAsExpected;
    case block_frame::Outcome::Truncated: break;
    }
    return Status::MiscError;
}

} // namespace

Listing listRange(TransceiverLink &link, int low, int high)
{
    const int count = high - low + 1;
    const std::optional<QByteArray> request = block_frame::buildRequest(low, count);
    if (!request)
        return {};

    Exchange block;
    block.command = *request;
    block.discardFirst = true;
    block.threshold = block_frame::replyLength(count) - 1;
    block.readLength = block_frame::replyLength(count);
    block.stopOnPortFailure = true;
    const Answer answer = link.exchange(block);
    if (answer.portFailed)
        return {};

    const block_frame::Check check = block_frame::checkReply(answer.text, count);
    if (check.outcome == block_frame::Outcome::Truncated)
        return {};

    Listing listing;
    listing.status = statusOf(check.outcome);
    if (check.outcome != block_frame::Outcome::Success) {
        listing.list = Listing::List::Empty;
        return listing;
    }
    listing.list = Listing::List::Replace;
    listing.lines.reserve(count);
    for (int i = 0; i < count; ++i)
        listing.lines << QStringLiteral("Ch#%1 %2").arg(low + i).arg(quint8(check.levels[i]));
    return listing;
}
