#pragma once

#include <QString>
#include <chrono>
#include <vector>

namespace bench {

using Duration = std::chrono::nanoseconds;

// This process's CPU time, all threads, user and system.
Duration processCpuTime();

// One line (10 bits a byte at 115200 baud) takes this long for `bytes` bytes.
Duration wireTime(int bytes);

struct Summary {
    int count = 0;
    Duration median{0};
    Duration p95{0};
    Duration worst{0};
};

// Median and 95th percentile by nearest rank; empty samples give zeros.
Summary summarise(std::vector<Duration> samples);

QString millis(Duration duration, int decimals = 3);

// More than the line can carry in `wall` at `each` apiece, one more allowed
// for where the window's edges fall: a fault in the measurement (the wrong
// range measured, a count that counts something else), never a result.
bool beyondTheLine(int count, Duration wall, Duration each);
// What the table says of such a figure.
QString beyondTheLineVerdict();

} // namespace bench
