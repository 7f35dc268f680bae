#pragma once

#include <QString>
#include <QtGlobal>
#include <limits>
#include <optional>

// What the operator types for a channel, a count, a time or a port: ASCII
// digits only, no sign and no blanks, at most `highest`. Anything else is
// nothing, so that "-1", " 5" or "1e3" are refused rather than read as
// another number.
std::optional<int> wholeNumber(const QString &text, int highest = std::numeric_limits<int>::max());

// The same for an OLA universe, which runs to 4294967295.
std::optional<quint64> bigWholeNumber(const QString &text, quint64 highest);
