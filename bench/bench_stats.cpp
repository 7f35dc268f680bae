#include "bench_stats.h"

#include <algorithm>
#include <cmath>
#include <sys/resource.h>

namespace bench {

Duration processCpuTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto toDuration = [](const timeval &t) {
        return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec);
    };
    return toDuration(usage.ru_utime) + toDuration(usage.ru_stime);
}

namespace {
constexpr int kBaud = 115200;
constexpr int kBitsPerByte = 10; // start bit, 8 data bits, stop bit

Duration rank(const std::vector<Duration> &sorted, double fraction)
{
    const auto index = size_t(std::ceil(fraction * double(sorted.size()))) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}
} // namespace

Duration wireTime(int bytes)
{
    return Duration(std::int64_t(bytes) * kBitsPerByte * 1'000'000'000LL / kBaud);
}

Summary summarise(std::vector<Duration> samples)
{
    Summary summary;
    if (samples.empty())
        return summary;
    std::sort(samples.begin(), samples.end());
    summary.count = int(samples.size());
    summary.median = rank(samples, 0.5);
    summary.p95 = rank(samples, 0.95);
    summary.worst = samples.back();
    return summary;
}

QString millis(Duration duration, int decimals)
{
    return QString::number(double(duration.count()) / 1e6, 'f', decimals) + QStringLiteral(" ms");
}

bool beyondTheLine(int count, Duration wall, Duration each)
{
    return each.count() > 0 && std::int64_t(count - 1) * each.count() > wall.count();
}

QString beyondTheLineVerdict()
{
    return QStringLiteral("**above what the line allows: a fault in the measurement**");
}

} // namespace bench
