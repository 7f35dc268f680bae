// lumivane-cli-bench: what a script waits for when it runs lumivane once,
// from the start of the process to its exit, against lumivane-sim on a
// pseudo-terminal. Prints a markdown table; scripts/run-bench runs it.

#include "bench_stats.h"
#include "own_settings.h"
#include "sim_process.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Case {
    const char *what;
    QStringList arguments; // after --port LINK
    bench::Duration target;
};

// One run of the program, its output thrown away; nothing when it did not
// start or did not end with status 0.
std::optional<bench::Duration> timeOneRun(const QByteArray &program, const QList<QByteArray> &arguments)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.constData()));
    for (const QByteArray &argument : arguments)
        argv.push_back(const_cast<char *>(argument.constData()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto started = Clock::now();
    pid_t child = 0;
    const int failed = posix_spawn(&child, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return std::nullopt;
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return std::nullopt;
    const auto took = Clock::now() - started;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return std::chrono::duration_cast<bench::Duration>(took);
}

} // namespace

int main(int argc, char *argv[])
{
    const bench::OwnSettings settings;
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Wall time of lumivane runs against lumivane-sim."));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Runs of each command (default 200)."),
                                        QStringLiteral("n"), QStringLiteral("200"));
    parser.addOption(runsOption);
    parser.process(app);
    const int runs = parser.value(runsOption).toInt();
    if (runs < 1) {
        std::fprintf(stderr, "lumivane-cli-bench: --runs takes a whole number above 0\n");
        return 2;
    }

    const QString folder = QCoreApplication::applicationDirPath();
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("box"));
    SimProcess sim(folder + QStringLiteral("/lumivane-sim"));
    QString error;
    if (!settings.isValid() || !dir.isValid() || !sim.start(link, {QStringLiteral("--static")}, error)) {
        std::fprintf(stderr, "lumivane-cli-bench: %s\n", qPrintable(error));
        return 1;
    }

    const QByteArray program = QFile::encodeName(folder + QStringLiteral("/lumivane"));
    const std::vector<Case> cases{
        {"`lumivane read 1`", {QStringLiteral("read"), QStringLiteral("1")}, 50ms},
        {"`lumivane list 1-256`", {QStringLiteral("list"), QStringLiteral("1-256")}, 80ms},
        {"`lumivane probe`", {QStringLiteral("probe")}, 0ms},
        // The share of the above that is only loading the program and Qt.
        {"`lumivane --version`", {QStringLiteral("--version")}, 0ms},
    };

    std::printf("| Command, start to exit | n | Median | p95 | Worst | Failed runs | Target | |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---|---|\n");
    int failures = 0;
    for (const Case &each : cases) {
        QList<QByteArray> arguments{"--port", QFile::encodeName(link)};
        for (const QString &argument : each.arguments)
            arguments << argument.toUtf8();
        // The first runs bring the program and its libraries into the page cache.
        for (int i = 0; i < 5; ++i)
            timeOneRun(program, arguments);
        std::vector<bench::Duration> samples;
        int failed = 0;
        for (int i = 0; i < runs; ++i) {
            if (const std::optional<bench::Duration> took = timeOneRun(program, arguments))
                samples.push_back(*took);
            else
                ++failed;
        }
        failures += failed;
        const bench::Summary summary = bench::summarise(samples);
        const bool hasTarget = each.target > 0ms;
        const bool met = summary.count > 0 && summary.median < each.target && summary.p95 < each.target;
        std::printf("| %s | %d | %s | %s | %s | %d | %s | %s |\n", each.what, summary.count,
                    qPrintable(bench::millis(summary.median, 1)), qPrintable(bench::millis(summary.p95, 1)),
                    qPrintable(bench::millis(summary.worst, 1)), failed,
                    hasTarget ? qPrintable(QStringLiteral("< ") + bench::millis(each.target, 0)) : "",
                    hasTarget ? (met ? "met" : "missed") : "");
        std::fflush(stdout);
    }
    sim.stop();

    // A watch of the universe against the box paced like the line: the
    // whole run, start to exit, over its passes.
    constexpr int kPasses = 100;
    constexpr double kWatchTarget = 19.0;
    constexpr int kUniverseBytes = 545; // a picture of 1-512: two blocks and a read
    const bench::Duration universeWire = bench::wireTime(kUniverseBytes);
    const double lineAllows = 1.0 / std::chrono::duration<double>(universeWire).count();
    SimProcess paced(folder + QStringLiteral("/lumivane-sim"));
    const QString pacedLink = dir.filePath(QStringLiteral("paced"));
    if (!paced.start(pacedLink, {QStringLiteral("--static"), QStringLiteral("--baud"), QStringLiteral("115200")}, error)) {
        std::fprintf(stderr, "lumivane-cli-bench: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("\n| `lumivane watch 1-512 --interval 0 --count %d`, --baud 115200 | Run | Passes/s | Line allows | Target | |\n",
                kPasses);
    std::printf("|---|---:|---:|---:|---|---|\n");
    const QList<QByteArray> watchArguments{"--port", QFile::encodeName(pacedLink), "watch", "1-512", "--interval", "0",
                                           "--count", QByteArray::number(kPasses)};
    for (int run = 1; run <= 3; ++run) {
        const std::optional<bench::Duration> took = timeOneRun(program, watchArguments);
        if (!took) {
            ++failures;
            std::printf("| | %d | failed | | | |\n", run);
            continue;
        }
        const double perSecond = kPasses / std::chrono::duration<double>(*took).count();
        const bool fault = bench::beyondTheLine(kPasses, *took, universeWire);
        failures += fault ? 1 : 0;
        std::printf("| | %d | %.1f | %.1f | >= %.0f | %s |\n", run, perSecond, lineAllows, kWatchTarget,
                    fault ? qPrintable(bench::beyondTheLineVerdict()) : perSecond >= kWatchTarget ? "met" : "missed");
        std::fflush(stdout);
    }
    paced.stop();
    return failures == 0 ? 0 : 1;
}
