#include "protocol.h"

namespace protocol::block {

std::optional<QByteArray> buildRequest(int first, int count)
{
    const int firstIndex = first - 1;
    const int lastOffset = count - 1;
    if (firstIndex < 0 || firstIndex > 255 || lastOffset < 0 || lastOffset > 255)
        return std::nullopt;
    QByteArray request(kRequestLength, '\0');
    request[0] = kHeader0;
    request[1] = kRequestMark;
    request[2] = kHeader2;
    request[3] = char(firstIndex);
    request[4] = 0;
    request[5] = char(lastOffset);
    request[6] = kEndByte;
    return request;
}

quint8 checksum(const QByteArray &levels)
{
    int sum = 0;
    for (char level : levels)
        sum += quint8(level);
    return quint8(sum & 0xFF);
}

QByteArray buildReply(const QByteArray &levels)
{
    QByteArray reply;
    reply.reserve(replyLength(int(levels.size())));
    reply.append(kHeader0).append(kReplyMark).append(kHeader2);
    reply.append(levels);
    reply.append(char(checksum(levels)));
    reply.append(kEndByte);
    return reply;
}

Check checkReply(const QByteArray &reply, int count)
{
    if (reply.size() < 3 || reply[0] != kHeader0 || reply[1] != kReplyMark || reply[2] != kHeader2)
        return {Outcome::HeaderError, {}};
    if (count < 0 || reply.size() < 3 + count)
        return {Outcome::Truncated, {}};
    const QByteArray levels = reply.mid(3, count);
    if (reply.size() < 4 + count)
        return {Outcome::Truncated, {}};
    if (quint8(reply[3 + count]) != checksum(levels))
        return {Outcome::ChecksumError, {}};
    if (reply.size() < 5 + count)
        return {Outcome::Truncated, {}};
    if (reply[4 + count] != kEndByte)
        return {Outcome::NotAsExpected, {}};
    return {Outcome::Success, levels};
}

} // namespace protocol::block
