// lumivane-record-bench: what recording costs and what a take weighs.
//  - CPU the recorder adds at the live rate: a live fetch of the in-process
//    box run for the same number of pictures with and without a recorder on
//    it, the clock moved by one block's wire time a picture;
//  - how fast a take of a line standing still grows;
//  - a generated hour of a moving 1-512 line: the time to open it, the
//    picture at random moments, one channel's series, and the peak memory;
//  - playing that hour with four channels pinned: what the plot costs a frame.
#include "bench_stats.h"
#include "history_plot.h"
#include "hour_take.h"
#include "in_process_live.h"
#include "live_fetch.h"
#include "own_settings.h"
#include "protocol.h"
#include "recorder.h"
#include "recording_player.h"
#include "show_format.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

using namespace std::chrono_literals;

namespace {

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
    InProcessLive line(width, bench::wireTime(protocol::block::kRequestLength + protocol::block::replyLength(width)));
    Recorder recorder(line.fetch());
    QString error;
    if (!path.isEmpty() && !recorder.start(path, 1, width, error))
        std::fprintf(stderr, "record-bench: %s\n", qPrintable(error));
    LiveRun result;
    result.cpu = line.run(pictures, moving);
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

// The plot as the player draws it while the hour plays: the mark moves on
// every tick, the lines stay.
void playFigures(const Recording &hour)
{
    HistoryPlot plot;
    plot.resize(plot.sizeHint());
    plot.showTake(double(hour.durationMs()) / 1000.0);
    QVector<HistoryPlot::Series> series;
    qsizetype points = 0;
    for (int channel : {1, 100, 300, 512}) {
        series << HistoryPlot::Series{channel, Qt::red, stepPoints(hour, channel)};
        points += series.constLast().points.size();
    }
    plot.setSeries(series);
    QImage frame(plot.size(), QImage::Format_RGB32);
    const int frames = 250;
    const auto before = bench::processCpuTime();
    for (int i = 0; i < frames; ++i) {
        plot.setCursor(double(i) * double(RecordingPlayer::kTick.count()) / 1000.0);
        plot.render(&frame);
    }
    const double perFrame = double((bench::processCpuTime() - before).count()) / frames;
    const double rate = 1000.0 / double(RecordingPlayer::kTick.count());
    std::printf("playing it with 4 channels pinned (%lld points): the plot takes %.2f ms a frame, "
                "%.1f %% of one core at %.0f frames/s\n",
                qint64(points), perFrame / 1e6, perFrame * rate / 1e9 * 100, rate);
}

void hourFigures(const QString &folder)
{
    const QString path = folder + QStringLiteral("/hour.show");
    if (!writeMovingHour(path, show_format::kMaxChannels))
        return;
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
    playFigures(hour);
}

} // namespace

int main(int argc, char *argv[])
{
    const bench::OwnSettings settings;
    // The plot is drawn into an image: no screen is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (!settings.isValid() || !folder.isValid()) {
        std::fprintf(stderr, "record-bench: no temporary folder\n");
        return 1;
    }
    liveFigures(folder.path());
    hourFigures(folder.path());
    return 0;
}
