#pragma once

#include <deque>
#include <functional>
#include <utility>

// Keeps the link to one exchange at a time: a request that comes while
// another runs (from inside its wait) is held back and run after it, in the
// order given; a request identical to one already waiting is dropped.
class ExchangeQueue {
public:
    using Job = std::function<void()>;

    // `key` names the request: two requests with the same key are the same.
    void run(int key, Job job);
    bool busy() const { return m_busy; }

private:
    bool m_busy = false;
    std::deque<std::pair<int, Job>> m_waiting;
};
