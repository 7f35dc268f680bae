#include "level_fetch.h"

#include "protocol.h"

LevelFetch LevelFetch::from(const BlockReply &reply)
{
    LevelFetch fetch{reply.first, reply.count, Outcome::NoAnswer, {}};
    if (reply.portFailed || reply.bytes.isEmpty())
        return fetch;
    const protocol::block::Check check = protocol::block::checkReply(reply.bytes, reply.count);
    switch (check.outcome) {
    case protocol::block::Outcome::Success: fetch.outcome = Outcome::Success; break;
    case protocol::block::Outcome::HeaderError: fetch.outcome = Outcome::HeaderError; break;
    case protocol::block::Outcome::ChecksumError: fetch.outcome = Outcome::ChecksumError; break;
    case protocol::block::Outcome::NotAsExpected: fetch.outcome = Outcome::EndByteError; break;
    case protocol::block::Outcome::Truncated: fetch.outcome = Outcome::CutShort; break;
    }
    fetch.levels = check.levels;
    return fetch;
}

LevelFetch LevelFetch::fromRead(int channel, bool portFailed, const QByteArray &answer)
{
    LevelFetch fetch{channel, 1, Outcome::NoAnswer, {}};
    if (portFailed || answer.isEmpty())
        return fetch;
    const std::optional<int> level = protocol::judgeReadAnswer(answer);
    if (!level) {
        fetch.outcome = Outcome::HeaderError;
        return fetch;
    }
    fetch.outcome = Outcome::Success;
    fetch.levels = QByteArray(1, char(*level));
    return fetch;
}
