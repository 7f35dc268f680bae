#pragma once

#include <QHash>
#include <optional>

// What an event log of the line lets through: each channel's first reading,
// then only readings that differ from the last one let through. A read the
// box did not answer is a reading of its own: the log says when a channel
// went unanswered and when it came back.
class ChangeFilter {
public:
    bool passes(int channel, std::optional<int> level);

private:
    QHash<int, std::optional<int>> m_last;
};
