#include "exchange_queue.h"

#include <algorithm>

void ExchangeQueue::run(int key, Job job)
{
    if (m_busy) {
        const bool alreadyWaiting = std::any_of(m_waiting.begin(), m_waiting.end(),
                                                [key](const auto &entry) { return entry.first == key; });
        if (!alreadyWaiting)
            m_waiting.emplace_back(key, std::move(job));
        return;
    }
    m_busy = true;
    job();
    while (!m_waiting.empty()) {
        Job next = std::move(m_waiting.front().second);
        m_waiting.pop_front();
        next();
    }
    m_busy = false;
}
