#include "protocol.h"

namespace protocol {

QByteArray probeCommand()
{
    return QByteArrayLiteral("C?");
}

bool probeAnswered(const QByteArray &text, int finalCount)
{
    const QByteArray answer = finalCount > 1 ? text.right(1) : text;
    return answer == "G";
}

QByteArray readCommand(int channel)
{
    return "C" + QByteArray::number(channel - 1).rightJustified(3, '0') + "?";
}

std::optional<int> judgeReadAnswer(const QByteArray &text)
{
    // The box always sends all four; fewer means the rest was still on its
    // way when the wait ended, and a level cut short is a wrong level.
    if (text.size() < kReadAnswerLength)
        return std::nullopt;
    const QByteArray answer = text.left(kReadAnswerLength);
    if (answer[0] != 'L')
        return std::nullopt;
    int level = 0;
    for (int i = 1; i < kReadAnswerLength; ++i) {
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

QByteArray readAnswer(int level, bool lowerCase)
{
    return (lowerCase ? "l" : "L") + QByteArray::number(level).rightJustified(3, '0');
}

} // namespace protocol
