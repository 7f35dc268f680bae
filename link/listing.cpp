#include "listing.h"

#include "protocol.h"

namespace {

Status statusOf(protocol::block::Outcome outcome)
{
    switch (outcome) {
    case protocol::block::Outcome::Success: return Status::BlockOk;
    case protocol::block::Outcome::HeaderError: return Status::HeaderError;
    case protocol::block::Outcome::ChecksumError: return Status::ChecksumError;
    case protocol::block::Outcome::NotAsExpected: return Status::BlockNotAsExpected;
    case protocol::block::Outcome::Truncated: break;
    }
    return Status::MiscError;
}

} // namespace

Listing Listing::from(const BlockReply &reply)
{
    Listing listing;
    listing.first = reply.first;
    if (reply.portFailed)
        return listing;
    const protocol::block::Check check = protocol::block::checkReply(reply.bytes, reply.count);
    listing.status = statusOf(check.outcome);
    if (check.outcome == protocol::block::Outcome::Truncated)
        return listing;
    listing.list = check.outcome == protocol::block::Outcome::Success ? List::Replace : List::Empty;
    listing.levels = check.levels;
    return listing;
}
