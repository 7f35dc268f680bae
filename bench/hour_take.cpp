#include "hour_take.h"

#include "bench_stats.h"
#include "protocol.h"
#include "show_writer.h"

#include <QFile>
#include <cstdio>

bool writeMovingHour(const QString &path, int width)
{
    const auto step = bench::wireTime(protocol::block::kRequestLength + protocol::block::replyLength(width));
    const qint64 stepUs = std::chrono::duration_cast<std::chrono::microseconds>(step).count();
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    ShowWriter writer(file, 1);
    QString error;
    if (!writer.begin(error))
        return false;
    QByteArray levels(width, '\0');
    qint64 flushedMs = 0;
    for (qint64 us = 0; us < 3600LL * 1000 * 1000; us += stepUs) {
        const qint64 ms = us / 1000;
        for (int channel = 0; channel < width; ++channel)
            levels[channel] = char((channel * 7 + ms / 40) & 0xff);
        writer.add(ms, 1, levels);
        if (ms - flushedMs >= 1000) {
            if (!writer.flush(ms, error))
                return false;
            flushedMs = ms;
        }
    }
    if (!writer.flush(3600 * 1000, error))
        return false;
    std::printf("one hour of channels 1-%d moving, a picture every %.1f ms: %d pictures, %.1f MB\n", width,
                stepUs / 1000.0, writer.picturesAdded(), double(file.size()) / 1e6);
    return true;
}
