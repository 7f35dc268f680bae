#include "change_filter.h"

bool ChangeFilter::passes(int channel, std::optional<int> level)
{
    const auto last = m_last.find(channel);
    if (last != m_last.end() && *last == level)
        return false;
    m_last.insert(channel, level);
    return true;
}
