#pragma once

#include "box_session.h"
#include "live_fetch.h"

#include <chrono>

class SimPort;

// A live fetch of channels 1-width on the in-process box, on a clock of its
// own that each picture moves on by `step` (the picture's time on a real
// line): what the recording and report benchmarks put their consumer on
// (`fetch()`) before they run it.
class InProcessLive {
public:
    InProcessLive(int width, std::chrono::nanoseconds step);

    LiveFetch &fetch() { return m_live; }

    // `pictures` good pictures, every level moved at each when `moving`;
    // this process's CPU time meanwhile.
    std::chrono::nanoseconds run(int pictures, bool moving);

private:
    SimPort *m_port;
    BoxSession m_session;
    LiveFetch m_live;
    int m_width;
    LiveFetch::Clock::duration m_step;
    LiveFetch::Clock::time_point m_now;
};
