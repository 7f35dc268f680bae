#include "whole_number.h"

#include <algorithm>

std::optional<quint64> bigWholeNumber(const QString &text, quint64 highest)
{
    // 19 digits always fit 64 bits.
    if (text.isEmpty() || text.size() > 19
        || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; }))
        return std::nullopt;
    const quint64 value = text.toULongLong();
    return value <= highest ? std::optional<quint64>(value) : std::nullopt;
}

std::optional<int> wholeNumber(const QString &text, int highest)
{
    const std::optional<quint64> value = bigWholeNumber(text, quint64(std::max(highest, 0)));
    return value ? std::optional<int>(int(*value)) : std::nullopt;
}
