// lumivane-report-bench: what the line report costs.
//  - `lumivane report --recording` over a generated hour of a moving 1-512
//    line, run as a script runs it: wall time, start to exit, and the
//    process's peak memory; and, in this process, how that splits between
//    opening the take and tallying it;
//  - the live report on a live fetch of 1-512 from the in-process box, the
//    clock moved by one picture's wire time a picture, every level moving:
//    the CPU it adds a picture, and so its share of a core at the line's rate.
#include "bench_stats.h"
#include "hour_take.h"
#include "in_process_live.h"
#include "live_fetch.h"
#include "live_report.h"
#include "protocol.h"
#include "recording.h"
#include "show_format.h"
#include "take_tally.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

using namespace std::chrono_literals;

namespace {

// 1-512: two blocks and a read, 545 bytes both ways.
constexpr int kPictureBytes =
    2 * (protocol::block::kRequestLength + protocol::block::replyLength(256)) + 5 + 4;
constexpr double kSecondsTarget = 2.0;
constexpr long kMemoryTargetMb = 300;
constexpr double kLiveShareTarget = 0.01;

struct ChildRun {
    bool ok = false;
    double seconds = 0;
    long peakKb = 0;
};

// `program` with `arguments`, its output to /dev/null: wall time and peak
// resident memory, from wait4.
ChildRun runChild(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer wall;
    wall.start();
    pid_t pid = 0;
    ChildRun run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) == pid) {
            run.seconds = wall.nsecsElapsed() / 1e9;
            run.peakKb = usage.ru_maxrss;
            run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

void takeFigures(const QString &folder)
{
    const QString path = folder + QStringLiteral("/hour.show");
    if (!writeMovingHour(path, show_format::kMaxChannels))
        return;
    const QString lumivane = QCoreApplication::applicationDirPath() + QStringLiteral("/lumivane");
    for (int i = 1; i <= 3; ++i) {
        const ChildRun run = runChild(lumivane, {"--format", "csv", "report", "--recording", path});
        std::printf("run %d: lumivane report --recording over the hour, start to exit: %.2f s (target < %.0f s: %s), "
                    "peak memory %ld MB (target < %ld MB: %s)%s\n",
                    i, run.seconds, kSecondsTarget, run.seconds < kSecondsTarget ? "met" : "MISSED",
                    run.peakKb / 1024, kMemoryTargetMb, run.peakKb / 1024 < kMemoryTargetMb ? "met" : "MISSED",
                    run.ok ? "" : " (FAILED)");
    }
    QElapsedTimer opening;
    opening.start();
    Recording hour;
    QString error;
    if (!loadShow(path, hour, error))
        return;
    const qint64 openMs = opening.elapsed();
    QElapsedTimer tallying;
    tallying.start();
    const LineTally tally = tallyTake(hour, 1, show_format::kMaxChannels);
    std::printf("of which, in this process: opening the take %lld ms, tallying its %d pictures %lld ms (%d rows)\n",
                openMs, tally.pictures(), tallying.elapsed(), int(tally.rows().size()));
}

// `pictures` good pictures of 1-512, every level moving, the live report on
// them or not: this process's CPU time.
std::chrono::nanoseconds runLive(int pictures, bool reporting)
{
    InProcessLive line(LiveFetch::kChannels, bench::wireTime(kPictureBytes));
    std::optional<LiveReport> report;
    if (reporting)
        report.emplace(line.fetch(), 1, LiveFetch::kChannels);
    return line.run(pictures, true);
}

void liveFigures()
{
    const double rate = 1e9 / double(bench::wireTime(kPictureBytes).count());
    const int pictures = 4000;
    runLive(300, true); // warm up
    // Alternated, the least of three each: the machine is shared.
    std::chrono::nanoseconds without = std::chrono::nanoseconds::max();
    std::chrono::nanoseconds with = std::chrono::nanoseconds::max();
    for (int i = 0; i < 3; ++i) {
        without = std::min(without, runLive(pictures, false));
        with = std::min(with, runLive(pictures, true));
    }
    const double added = double((with - without).count()) / pictures;
    std::printf("live rate, channels 1-512 at 115200 baud: %.1f pictures/s\n", rate);
    std::printf("CPU a picture: %.1f us without the report, %.1f us with; the report adds %.1f us\n",
                double(without.count()) / pictures / 1000, double(with.count()) / pictures / 1000, added / 1000);
    // The tally alone, timed directly: the difference above is near the
    // noise of a shared machine.
    LineTally tally(1, LiveFetch::kChannels);
    QByteArray levels(LiveFetch::kChannels, '\0');
    QElapsedTimer alone;
    alone.start();
    for (int i = 0; i < pictures; ++i) {
        for (int channel = 0; channel < levels.size(); ++channel)
            levels[channel] = char(channel * 3 + i);
        tally.add(i * 47, 1, levels);
    }
    std::printf("the tally alone, a picture of 1-512 every level moving: %.2f us\n",
                alone.nsecsElapsed() / 1000.0 / pictures);
    const double share = std::max(added, alone.nsecsElapsed() / double(pictures)) * rate / 1e9;
    std::printf("the live report at the line's rate, every level moving (the larger of the two): %.3f %% of one core "
                "(target < %.0f %%: %s)\n",
                share * 100, kLiveShareTarget * 100, share < kLiveShareTarget ? "met" : "MISSED");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    liveFigures();
    takeFigures(folder.path());
    return 0;
}
