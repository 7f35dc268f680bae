#include "channel_read.h"

#include "transceiver_link.h"

namespace {
constexpr int kAnswerLength = 4;
constexpr int kReadThreshold = 2; // the wait ends at the third byte
} // namespace

QByteArray readCommand(int channel)
{
    return "C" + QByteArray::number(channel - 1).rightJustified(3, '0') + "?";
}

std::optional<int> judgeReadAnswer(const QByteArray &text)
{
    const QByteArray answer = text.left(kAnswerLength).leftJustified(kAnswerLength, ' ');
    if (answer[0] != 'L')
        return std::nullopt;
    int level = 0;
    for (int i = 1; i < kAnswerLength; ++i) {
        const char c = answer[i];
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        if (c < '0' || c > '9')
            return std::nullopt;
        level = level * 10 + (c - '0');
    }
    if (level > 255)
        return std::nullopt;
    return level;
}

std::optional<int> readChannel(TransceiverLink &link, int channel, bool discardFirst)
{
    Exchange read;
    read.command = readCommand(channel);
    read.discardFirst = discardFirst;
    read.threshold = kReadThreshold;
    return judgeReadAnswer(link.exchange(read).text);
}
