// lumivane-record-bench: what recording costs and what a take weighs.
//  - CPU the recorder adds at the live rate: a live fetch of the in-process
//    box run for the same number of pictures with and without a recorder on
//    it, the clock moved by one block's wire time a picture;
//  - how fast a take of a line standing still grows;
//  - a generated hour of a moving 1-512 line: the time to open it, the
//    picture at random moments, one channel's series, and the peak memory.
#include "bench_stats.h"
#include "box_session.h"
#include "live_fetch.h"
#include "protocol.h"
#include "recorder.h"
#include "show_format.h"
#include "show_writer.h"
#include "sim_port.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <random>
#include <sys/resource.h>

using namespace std::chrono_literals;

namespace {

std::chrono::nanoseconds cpuTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::chrono::seconds{usage.ru_utime.tv_sec + usage.ru_stime.tv_sec}
           + std::chrono::microseconds{usage.ru_utime.tv_usec + usage.ru_stime.tv_usec};
}

long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

struct LiveRun {
    std::chrono::nanoseconds cpu{0};
    qint64 fileBytes = 0;
};

// `pictures` good pictures of channels 1-width, the clock moved by the
// block's wire time each, recorded into `path` when it is not empty.
LiveRun runLive(int pictures, int width, bool moving, const QString &path)
{
    auto owned = std::make_unique<SimPort>();
    SimPort *port = owned.get();
    port->box().setAnimated(false);
    BoxSession session(std::move(owned));
    session.setPortResolver(SimPort::portName);
    session.choosePort(1);
    LiveFetch live(session);
    LiveFetch::Clock::time_point now = LiveFetch::Clock::time_point{} + 1h;
    live.setClock([&now] { return now; });
    live.setRange(1, width);
    const auto step = bench::wireTime(protocol::block::kRequestLength + protocol::block::replyLength(width));
    Recorder recorder(live);
    QString error;
    if (!path.isEmpty() && !recorder.start(path, 1, width, error))
        std::fprintf(stderr, "record-bench: %s\n", qPrintable(error));
    int seen = 0;
    QEventLoop loop;
    QObject::connect(&live, &LiveFetch::updated, &loop, [&] {
        now += std::chrono::duration_cast<LiveFetch::Clock::duration>(step);
        if (moving) {
            for (int channel = 1; channel <= width; ++channel)
                port->box().setLevel(channel, quint8(channel * 3 + seen));
        }
        if (++seen >= pictures) {
            live.pause();
            loop.quit();
        }
    });
    const auto before = cpuTime();
    live.start();
    loop.exec();
    LiveRun result;
    result.cpu = cpuTime() - before;
    recorder.stop();
    result.fileBytes = QFile(path).size();
    return result;
}

void liveFigures(const QString &folder)
{
    const int width = LiveFetch::kChannels;
    const auto step = bench::wireTime(protocol::block::kRequestLength + protocol::block::replyLength(width));
    const double rate = 1e9 / double(step.count());
    const int pictures = 6000;
    runLive(500, width, true, {}); // warm up
    const LiveRun without = runLive(pictures, width, true, {});
    const LiveRun with = runLive(pictures, width, true, folder + QStringLiteral("/moving.show"));
    const double addedPerPicture = double((with.cpu - without.cpu).count()) / pictures;
    std::printf("live rate, channels 1-%d at 115200 baud: %.1f pictures/s\n", width, rate);
    std::printf("CPU a picture: %.1f us without recording, %.1f us with; recording adds %.1f us\n",
                double(without.cpu.count()) / pictures / 1000, double(with.cpu.count()) / pictures / 1000,
                addedPerPicture / 1000);
    std::printf("recording every picture changed, at the live rate: %.3f %% of one core (target < 2 %%)\n",
                addedPerPicture * rate / 1e9 * 100);
    // A minute of pictures of a line standing still.
    const int minute = int(rate * 60);
    const LiveRun still = runLive(minute, width, false, folder + QStringLiteral("/still.show"));
    const LiveRun stillTwo = runLive(2 * minute, width, false, folder + QStringLiteral("/still2.show"));
    std::printf("a line standing still: %lld bytes after 1 min, %lld after 2 min: %lld bytes a minute "
                "(target < 10 KB)\n",
                still.fileBytes, stillTwo.fileBytes, stillTwo.fileBytes - still.fileBytes);
}

void hourFigures(const QString &folder)
{
    const int width = show_format::kMaxChannels;
    const auto step = bench::wireTime(protocol::block::kRequestLength + protocol::block::replyLength(width));
    const qint64 stepUs = std::chrono::duration_cast<std::chrono::microseconds>(step).count();
    const QString path = folder + QStringLiteral("/hour.show");
    {
        QFile file(path);
        file.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
        ShowWriter writer(file, 1);
        QString error;
        writer.begin(error);
        QByteArray levels(width, '\0');
        qint64 flushedMs = 0;
        for (qint64 us = 0; us < 3600LL * 1000 * 1000; us += stepUs) {
            const qint64 ms = us / 1000;
            for (int channel = 0; channel < width; ++channel)
                levels[channel] = char((channel * 7 + ms / 40) & 0xff);
            writer.add(ms, 1, levels);
            if (ms - flushedMs >= 1000) {
                writer.flush(ms, error);
                flushedMs = ms;
            }
        }
        writer.flush(3600 * 1000, error);
        std::printf("one hour of channels 1-%d moving, a picture every %.1f ms: %d pictures, %.1f MB\n", width,
                    stepUs / 1000.0, writer.picturesAdded(), double(file.size()) / 1e6);
    }
    const long rssBefore = statusKb("VmRSS:");
    QElapsedTimer opening;
    opening.start();
    Recording hour;
    QString error;
    if (!loadShow(path, hour, error)) {
        std::fprintf(stderr, "record-bench: %s\n", qPrintable(error));
        return;
    }
    const qint64 openMs = opening.elapsed();
    std::printf("opening it: %lld ms (target < 5000 ms)\n", openMs);

    std::mt19937 random(21);
    std::uniform_int_distribution<qint64> moment(0, hour.durationMs());
    std::vector<bench::Duration> scrubs;
    QByteArray sink;
    for (int i = 0; i < 2000; ++i) {
        QElapsedTimer one;
        one.start();
        sink = hour.levelsAt(moment(random));
        scrubs.push_back(std::chrono::nanoseconds{one.nsecsElapsed()});
    }
    const bench::Summary scrub = bench::summarise(scrubs);
    std::printf("the picture at a random moment (%d moments): median %s, p95 %s, worst %s "
                "(target < 100 ms)\n",
                scrub.count, qPrintable(bench::millis(scrub.median)), qPrintable(bench::millis(scrub.p95)),
                qPrintable(bench::millis(scrub.worst)));
    QElapsedTimer plotting;
    plotting.start();
    const int steps = hour.series(100).size();
    std::printf("channel 100's series over the hour: %d steps in %.1f ms\n", steps, plotting.nsecsElapsed() / 1e6);
    std::printf("memory: %ld MB resident before opening, %ld MB after, peak %ld MB (target < 300 MB)\n",
                rssBefore / 1024, statusKb("VmRSS:") / 1024, statusKb("VmHWM:") / 1024);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    liveFigures(folder.path());
    hourFigures(folder.path());
    return 0;
}
