#include "protocol.h"

namespace protocol {

namespace {
constexpr char kCommand = 'C';
constexpr char kQuery = '?';
constexpr int kIndexDigits = 3;

bool isDigit(char byte) { return byte >= '0' && byte <= '9'; }
} // namespace

std::optional<Request> RequestParser::take(char byte)
{
    if (m_pending.isEmpty())
        return begin(byte);
    if (m_pending[0] == kCommand)
        return takeCommandByte(byte);
    return takeBlockByte(byte);
}

std::optional<Request> RequestParser::begin(char byte)
{
    m_pending.clear();
    if (byte == kFlushByte)
        ++m_nulsSeen;
    else if (byte == kCommand || byte == block::kHeader0)
        m_pending.append(byte);
    return std::nullopt;
}

std::optional<Request> RequestParser::takeCommandByte(char byte)
{
    const int digits = int(m_pending.size()) - 1;
    if (byte == kQuery && digits == 0) {
        m_pending.clear();
        return Request{Request::Kind::Probe, 0, 0};
    }
    if (byte == kQuery && digits == kIndexDigits) {
        const int index = m_pending.mid(1).toInt();
        m_pending.clear();
        return Request{Request::Kind::Read, index, 0};
    }
    if (isDigit(byte) && digits < kIndexDigits) {
        m_pending.append(byte);
        return std::nullopt;
    }
    return begin(byte);
}

std::optional<Request> RequestParser::takeBlockByte(char byte)
{
    const int position = int(m_pending.size());
    bool fits = true;
    switch (position) {
    case 1: fits = byte == block::kRequestMark; break;
    case 2: fits = byte == block::kHeader2; break;
    case 4: fits = byte == '\0'; break;
    case 6: fits = byte == block::kEndByte; break;
    default: break; // first index and last offset take any value
    }
    if (!fits)
        return begin(byte);
    m_pending.append(byte);
    if (m_pending.size() < block::kRequestLength)
        return std::nullopt;
    const Request request{Request::Kind::Block, quint8(m_pending[3]), quint8(m_pending[5]) + 1};
    m_pending.clear();
    return request;
}

} // namespace protocol
