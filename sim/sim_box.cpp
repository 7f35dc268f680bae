#include "sim_box.h"

#include "block_frame.h"
#include "level_pattern.h"

#include <chrono>

namespace {
constexpr char kCommand = 'C';
constexpr char kQuery = '?';
constexpr int kIndexDigits = 3;
constexpr char kBadEndByte = char(0xC2);

bool isDigit(char byte) { return byte >= '0' && byte <= '9'; }
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
    for (char byte : fromHost)
        take(byte, answers);
    return answers;
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

void SimBox::take(char byte, QByteArray &answers)
{
    if (m_pending.isEmpty())
        begin(byte);
    else if (m_pending[0] == kCommand)
        takeCommandByte(byte, answers);
    else
        takeBlockByte(byte, answers);
}

// Between requests the box only wakes up for a NUL (counted, nothing more),
// a 'C' or a block header; everything else is line noise and goes.
void SimBox::begin(char byte)
{
    m_pending.clear();
    if (byte == '\0')
        ++m_nulsSeen;
    else if (byte == kCommand || byte == block_frame::kHeader0)
        m_pending.append(byte);
}

void SimBox::takeCommandByte(char byte, QByteArray &answers)
{
    const int digits = int(m_pending.size()) - 1;
    if (byte == kQuery && digits == 0) {
        m_pending.clear();
        answers.append(probeAnswer());
    } else if (byte == kQuery && digits == kIndexDigits) {
        const int index = m_pending.mid(1).toInt();
        m_pending.clear();
        if (index < kChannels)
            answers.append(channelAnswer(index));
    } else if (isDigit(byte) && digits < kIndexDigits) {
        m_pending.append(byte);
    } else {
        begin(byte); // the broken command is dropped; this byte may start the next one
    }
}

void SimBox::takeBlockByte(char byte, QByteArray &answers)
{
    const int position = int(m_pending.size());
    bool fits = true;
    switch (position) {
    case 1: fits = byte == block_frame::kRequestMark; break;
    case 2: fits = byte == block_frame::kHeader2; break;
    case 4: fits = byte == '\0'; break;
    case 6: fits = byte == block_frame::kEndByte; break;
    default: break; // first index and last offset take any value
    }
    if (!fits) {
        begin(byte);
        return;
    }
    m_pending.append(byte);
    if (m_pending.size() == block_frame::kRequestLength) {
        const int firstIndex = quint8(m_pending[3]);
        const int lastOffset = quint8(m_pending[5]);
        m_pending.clear();
        answers.append(blockAnswer(firstIndex, lastOffset));
    }
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
    if (m_faults.silentChannels.contains(channel))
        return {};
    QByteArray answer(m_faults.lowerCase ? "l" : "L");
    answer.append(QByteArray::number(level(channel)).rightJustified(kIndexDigits, '0'));
    return finish(answer);
}

// A block that takes in a silent channel goes unanswered as a whole, the way
// a box that chokes on one channel never gets to the end of the frame.
QByteArray SimBox::blockAnswer(int firstIndex, int lastOffset)
{
    ++m_blockRequests;
    QByteArray levels;
    levels.reserve(lastOffset + 1);
    for (int channel = firstIndex + 1; channel <= firstIndex + lastOffset + 1; ++channel) {
        if (m_faults.silentChannels.contains(channel))
            return {};
        levels.append(char(level(channel)));
    }
    QByteArray reply = block_frame::buildReply(levels);
    if (m_faults.wrongChecksum)
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
