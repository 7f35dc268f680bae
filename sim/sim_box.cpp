#include "sim_box.h"

#include "level_pattern.h"

#include <chrono>

namespace {
constexpr char kBadEndByte = char(0xC2);
} // namespace

SimBox::SimBox(bool animated)
    : m_animated(animated)
{
    m_clock.start();
    for (int channel = 1; channel <= kChannels; ++channel)
        m_levels[channel - 1] = level_pattern::levelAt(channel, std::chrono::milliseconds{0});
}

QByteArray SimBox::feed(const QByteArray &fromHost)
{
    QByteArray answers;
    for (char byte : fromHost) {
        if (const std::optional<protocol::Request> request = m_parser.take(byte))
            answers.append(answer(*request));
    }
    return answers;
}

QByteArray SimBox::answer(const protocol::Request &request)
{
    switch (request.kind) {
    case protocol::Request::Kind::Probe:
        return probeAnswer();
    case protocol::Request::Kind::Read:
        if (request.index >= kChannels)
            return {};
        return channelAnswer(request.index);
    case protocol::Request::Kind::Block:
        return blockAnswer(request.index, request.count - 1);
    }
    return {};
}

quint8 SimBox::level(int channel) const
{
    if (channel < 1 || channel > kChannels)
        return 0;
    if (m_animated)
        return level_pattern::levelAt(channel, std::chrono::milliseconds{m_clock.elapsed()});
    return m_levels[channel - 1];
}

void SimBox::setLevel(int channel, quint8 level)
{
    if (channel < 1 || channel > kChannels)
        return;
    setAnimated(false);
    m_levels[channel - 1] = level;
}

void SimBox::setAnimated(bool animated)
{
    if (m_animated && !animated) {
        for (int channel = 1; channel <= kChannels; ++channel)
            m_levels[channel - 1] = level(channel);
    }
    m_animated = animated;
}

QByteArray SimBox::probeAnswer()
{
    ++m_probes;
    return finish(m_faults.lowerCase ? "g" : "G");
}

QByteArray SimBox::channelAnswer(int index)
{
    ++m_reads;
    const int channel = index + 1;
    if (m_faults.silentChannels.contains(channel) || channel > m_faults.servedChannels)
        return {};
    return finish(protocol::readAnswer(level(channel), m_faults.lowerCase));
}

// A block that takes in a silent channel, or one the box does not serve,
// goes unanswered as a whole, the way a box that chokes on one channel never
// gets to the end of the frame.
QByteArray SimBox::blockAnswer(int firstIndex, int lastOffset)
{
    ++m_blockRequests;
    QByteArray levels;
    levels.reserve(lastOffset + 1);
    for (int channel = firstIndex + 1; channel <= firstIndex + lastOffset + 1; ++channel) {
        if (m_faults.silentChannels.contains(channel) || channel > m_faults.servedChannels)
            return {};
        levels.append(char(level(channel)));
    }
    QByteArray reply = protocol::block::buildReply(levels);
    if (m_faults.wrongChecksum || m_faults.wrongChecksumAt.contains(firstIndex + 1))
        reply[reply.size() - 2] = char(quint8(reply[reply.size() - 2]) + 1);
    if (m_faults.wrongEndByte)
        reply[reply.size() - 1] = kBadEndByte;
    if (m_faults.truncateBlockTo >= 0)
        reply.truncate(m_faults.truncateBlockTo);
    return finish(reply);
}

QByteArray SimBox::finish(QByteArray answer) const
{
    if (m_faults.silent)
        return {};
    return answer.append(m_faults.extraAfterAnswer);
}
