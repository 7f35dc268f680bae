#include "in_process_live.h"

#include "bench_stats.h"
#include "sim_port.h"

#include <QEventLoop>
#include <memory>

namespace {

// The port is made before the session that owns it, and kept in sight.
std::unique_ptr<SimPort> stillBox(SimPort *&port)
{
    auto owned = std::make_unique<SimPort>();
    owned->box().setAnimated(false);
    port = owned.get();
    return owned;
}

} // namespace

InProcessLive::InProcessLive(int width, std::chrono::nanoseconds step)
    : m_session(stillBox(m_port))
    , m_live(m_session)
    , m_width(width)
    , m_step(std::chrono::duration_cast<LiveFetch::Clock::duration>(step))
    , m_now(LiveFetch::Clock::time_point{} + std::chrono::hours{1})
{
    m_session.setPortResolver(SimPort::portName);
    m_session.choosePort(1);
    m_live.setClock([this] { return m_now; });
    m_live.setRange(1, width);
}

std::chrono::nanoseconds InProcessLive::run(int pictures, bool moving)
{
    int seen = 0;
    QEventLoop loop;
    QObject::connect(&m_live, &LiveFetch::updated, &loop, [&] {
        m_now += m_step;
        if (moving) {
            for (int channel = 1; channel <= m_width; ++channel)
                m_port->box().setLevel(channel, quint8(channel * 3 + seen));
        }
        if (++seen >= pictures) {
            m_live.pause();
            loop.quit();
        }
    });
    const auto before = bench::processCpuTime();
    m_live.start();
    loop.exec();
    return bench::processCpuTime() - before;
}
