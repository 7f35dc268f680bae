// lumivane-bench: the time and CPU the monitor itself spends, measured
// through the real serial port and the real (offscreen) window against
// lumivane-sim on a pseudo-terminal, and set beside the time the same bytes
// need on a real 115200,n,8,1 line.
#include "bench_driver.h"
#include "bench_stats.h"
#include "protocol.h"
#include "box_session.h"
#include "main_window.h"
#include "own_settings.h"
#include "qt_serial_port.h"
#include "sim_process.h"
#include "status_text.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <vector>

#ifndef LUMIVANE_BUILD_TYPE
#define LUMIVANE_BUILD_TYPE "unknown"
#endif

namespace {

using Clock = std::chrono::steady_clock;
using namespace bench;
using namespace std::chrono_literals;

constexpr int kReadCommandBytes = 5;
constexpr int kReadAnswerBytes = 4;
constexpr int kListingChannels = 256;
constexpr int kListingReplyBytes = protocol::block::replyLength(kListingChannels);
constexpr int kListingBytes = protocol::block::kRequestLength + kListingReplyBytes;
// The first exchanges pay for page faults and lazy set-up, not for the monitor's work.
constexpr int kWarmUp = 20;

// What the targets ask of the monitor; reported against, never enforced.
constexpr Duration kReadTarget = 500us;
constexpr Duration kListingTarget = 5ms;
constexpr double kSilentCpuTarget = 0.02;
constexpr double kAnsweringCpuTarget = 0.10;

struct Options {
    int reads = 2000;
    int listings = 200;
    std::chrono::seconds cpuWindow{10};
    QString sim;
};

std::optional<Options> parseOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Times single reads and 256-channel listings and measures the CPU share of monitoring, "
        "with the real serial port and window against lumivane-sim on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption reads(QStringLiteral("reads"), QStringLiteral("Single reads to time (default 2000)."),
                                   QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption listings(QStringLiteral("listings"),
                                      QStringLiteral("256-channel listings to time (default 200)."),
                                      QStringLiteral("n"), QStringLiteral("200"));
    const QCommandLineOption cpuSeconds(QStringLiteral("cpu-seconds"),
                                        QStringLiteral("Length of each monitoring window (default 10)."),
                                        QStringLiteral("s"), QStringLiteral("10"));
    const QCommandLineOption sim(QStringLiteral("sim"),
                                 QStringLiteral("The simulator (default: lumivane-sim beside this program)."),
                                 QStringLiteral("path"));
    parser.addOptions({reads, listings, cpuSeconds, sim});
    parser.process(arguments);

    Options options;
    bool ok = true;
    bool allOk = true;
    options.reads = parser.value(reads).toInt(&ok);
    allOk = allOk && ok && options.reads > 0;
    options.listings = parser.value(listings).toInt(&ok);
    allOk = allOk && ok && options.listings > 0;
    options.cpuWindow = std::chrono::seconds(parser.value(cpuSeconds).toInt(&ok));
    allOk = allOk && ok && options.cpuWindow.count() > 0;
    options.sim = parser.isSet(sim) ? parser.value(sim)
                                    : QCoreApplication::applicationDirPath() + QStringLiteral("/lumivane-sim");
    if (!allOk)
        return std::nullopt;
    return options;
}

QString cpuModel()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    // /proc files report no size, so read to the end rather than up to it.
    const QList<QByteArray> lines = cpuinfo.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("model name"))
            return QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
    }
    return QStringLiteral("unknown");
}

// Lets repaints and other deferred work of the last operation finish, so
// that no measurement pays for its predecessor.
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

struct ReadTimes {
    std::vector<Duration> clickToShown;
    int failures = 0;
};

// Click "Read Channel" and stop the clock when the level box is written.
ReadTimes timeReads(MainWindow &form, int count)
{
    auto *button = child<QPushButton>(form, QStringLiteral("cmdReadChannel_0"));
    auto *level = child<QLineEdit>(form, QStringLiteral("txtChannel0Level_0"));
    std::optional<Clock::time_point> shown;
    const auto watch = QObject::connect(level, &QLineEdit::textChanged, level, [&shown](const QString &text) {
        if (!text.isEmpty())
            shown = Clock::now();
    });

    ReadTimes times;
    times.clickToShown.reserve(size_t(count));
    for (int i = 0; i < kWarmUp + count; ++i) {
        level->clear();
        shown.reset();
        settle();
        const Clock::time_point clicked = Clock::now();
        button->click();
        if (!waitUntil([&shown] { return shown.has_value(); })) {
            ++times.failures;
            continue;
        }
        if (i >= kWarmUp)
            times.clickToShown.push_back(*shown - clicked);
    }
    QObject::disconnect(watch);
    return times;
}

struct ListingTimes {
    std::vector<Duration> lastByteToFilled;
    std::vector<Duration> clickToFilled;
    int failures = 0;
};

// Click "List Ch 1-256"; the reply is whole once the port holds all its
// bytes, and the list is filled once it has all 256 lines.
// Notes when the port first holds a whole listing reply. It must hear the
// port before the session does, which takes the bytes as soon as they are
// all there, so it is wired to the port before the session is made.
struct ReplyWatch {
    explicit ReplyWatch(SerialPort &port)
    {
        QObject::connect(&port, &SerialPort::bytesArrived, &port, [this, &port] {
            if (armed && !whole && port.bytesWaiting() >= kListingReplyBytes)
                whole = Clock::now();
        });
    }
    bool armed = false;
    std::optional<Clock::time_point> whole;
};

ListingTimes timeListings(MainWindow &form, ReplyWatch &reply, int count)
{
    child<QSlider>(form, QStringLiteral("sldDMXLow"))->setValue(1);
    child<QSlider>(form, QStringLiteral("sldDMXHigh"))->setValue(kListingChannels);
    auto *button = child<QPushButton>(form, QStringLiteral("Command1"));
    auto *list = child<QListWidget>(form, QStringLiteral("lstLevel"));
    auto *status = child<QLineEdit>(form, QStringLiteral("txtMessageBox"));

    std::optional<Clock::time_point> filled;
    reply.armed = true;
    const auto watchList = QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list, [&filled, list] {
        if (list->count() == kListingChannels)
            filled = Clock::now();
    });

    ListingTimes times;
    const QString success = statusText(Status::BlockOk);
    for (int i = 0; i < kWarmUp + count; ++i) {
        reply.whole.reset();
        filled.reset();
        settle();
        const Clock::time_point clicked = Clock::now();
        button->click();
        if (!waitUntil([&filled] { return filled.has_value(); }) || !reply.whole || status->text() != success) {
            ++times.failures;
            continue;
        }
        if (i >= kWarmUp) {
            times.lastByteToFilled.push_back(*filled - *reply.whole);
            times.clickToFilled.push_back(*filled - clicked);
        }
    }
    reply.armed = false;
    QObject::disconnect(watchList);
    return times;
}

struct CpuShare {
    Duration wall{0};
    Duration cpu{0};
    int passes = 0;
    double share() const { return wall.count() > 0 ? double(cpu.count()) / double(wall.count()) : 0.0; }
};

// Monitoring on, the event loop left to itself for `window`, this process's
// CPU time (all threads, user and system) over the wall time.
CpuShare measureMonitoring(MainWindow &form, BoxSession &session, std::chrono::seconds window)
{
    auto *monitor = child<QCheckBox>(form, QStringLiteral("ChkContinuousMonitor"));
    CpuShare share;
    const auto countPasses = QObject::connect(&session, &BoxSession::passEnded, &form, [&share] { ++share.passes; });

    settle();
    monitor->click();
    const Clock::time_point wallStart = Clock::now();
    const Duration cpuStart = processCpuTime();
    QEventLoop loop;
    QTimer::singleShot(window, &loop, &QEventLoop::quit);
    loop.exec();
    share.cpu = processCpuTime() - cpuStart;
    share.wall = Clock::now() - wallStart;
    monitor->click();

    QObject::disconnect(countPasses);
    return share;
}

QString percent(double share)
{
    return QString::number(share * 100.0, 'f', 2) + QStringLiteral(" %");
}

QString ratio(Duration host, Duration wire)
{
    return QString::number(double(host.count()) / double(wire.count()), 'f', 3);
}

QString verdict(bool met)
{
    return met ? QStringLiteral("met") : QStringLiteral("**missed**");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const OwnSettings settings;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumivane-bench"));
    const std::optional<Options> options = parseOptions(QApplication::arguments());
    if (!options) {
        complain(QStringLiteral("--reads, --listings and --cpu-seconds take whole numbers above 0"));
        return 2;
    }
    if (!settings.isValid()) {
        complain(QStringLiteral("no folder for settings of its own"));
        return 1;
    }

    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("port1"));
    qputenv("LUMIVANE_PORT1", link.toLocal8Bit());
    QString error;
    auto sim = std::make_unique<SimProcess>(options->sim);
    // Held levels: every answer and every listing is the same work.
    if (!sim->start(link, {QStringLiteral("--static")}, error)) {
        complain(error);
        return 1;
    }

    auto port = std::make_unique<QtSerialPort>();
    ReplyWatch reply(*port);
    BoxSession session(std::move(port));
    MainWindow form(session, quietDesktop());
    form.load();
    form.show();
    const QString connected = statusText(Status::ConnectedOk);
    if (!waitUntil([&form, &connected] {
            return child<QLineEdit>(form, QStringLiteral("txtMessageBox"))->text() == connected;
        })) {
        complain(QStringLiteral("the box did not answer the probe"));
        return 1;
    }

    say(QStringLiteral("Machine: %1 logical CPUs, %2, %3; Qt %4; build %5")
            .arg(QThread::idealThreadCount())
            .arg(cpuModel(), QSysInfo::prettyProductName(), QString::fromLatin1(qVersion()),
                 QStringLiteral(LUMIVANE_BUILD_TYPE)));
    say(QStringLiteral("Timing %1 reads, %2 listings, then 2 x %3 s of monitoring...")
            .arg(options->reads)
            .arg(options->listings)
            .arg(options->cpuWindow.count()));

    const ReadTimes reads = timeReads(form, options->reads);
    const ListingTimes listings = timeListings(form, reply, options->listings);
    const CpuShare answering = measureMonitoring(form, session, options->cpuWindow);

    // The same line, now with a box that never answers: every read waits out its time-out.
    sim->stop();
    sim = std::make_unique<SimProcess>(options->sim);
    if (!sim->start(link, {QStringLiteral("--silent")}, error)) {
        complain(error);
        return 1;
    }
    child<QRadioButton>(form, QStringLiteral("OptSerial_0"))->click();
    waitUntil([&session] { return session.idle(); });
    const CpuShare silent = measureMonitoring(form, session, options->cpuWindow);
    sim->stop();

    const bench::Summary read = bench::summarise(reads.clickToShown);
    const bench::Summary afterLastByte = bench::summarise(listings.lastByteToFilled);
    const bench::Summary listing = bench::summarise(listings.clickToFilled);
    const Duration readWire = bench::wireTime(kReadCommandBytes + kReadAnswerBytes);
    const Duration listingWire = bench::wireTime(kListingBytes);

    say(QString());
    say(QStringLiteral("| Measure | n | Median | p95 | Worst | Same bytes on the wire | Host / wire (median) | Target | |"));
    say(QStringLiteral("|---|---:|---:|---:|---:|---:|---:|---|---|"));
    say(QStringLiteral("| Single read, click to level box written | %1 | %2 | %3 | %4 | %5 (%6 bytes) | %7 | median < %8 | %9 |")
            .arg(read.count)
            .arg(bench::millis(read.median), bench::millis(read.p95), bench::millis(read.worst),
                 bench::millis(readWire), QString::number(kReadCommandBytes + kReadAnswerBytes),
                 ratio(read.median, readWire), bench::millis(kReadTarget, 1), verdict(read.median < kReadTarget)));
    say(QStringLiteral("| 256-channel listing, reply's last byte to list filled | %1 | %2 | %3 | %4 | %5 (%6 bytes) | %7 | median < %8 | %9 |")
            .arg(afterLastByte.count)
            .arg(bench::millis(afterLastByte.median), bench::millis(afterLastByte.p95),
                 bench::millis(afterLastByte.worst), bench::millis(listingWire), QString::number(kListingBytes),
                 ratio(afterLastByte.median, listingWire), bench::millis(kListingTarget, 1),
                 verdict(afterLastByte.median < kListingTarget)));
    say(QStringLiteral("| 256-channel listing, click to list filled | %1 | %2 | %3 | %4 | %5 (%6 bytes) | %7 | | |")
            .arg(listing.count)
            .arg(bench::millis(listing.median), bench::millis(listing.p95), bench::millis(listing.worst),
                 bench::millis(listingWire), QString::number(kListingBytes), ratio(listing.median, listingWire)));
    say(QStringLiteral("| CPU, monitoring a silent box (%1 passes in %2) | | %3 of one core | | | | | < %4 | %5 |")
            .arg(silent.passes)
            .arg(bench::millis(silent.wall, 0), percent(silent.share()), percent(kSilentCpuTarget),
                 verdict(silent.share() < kSilentCpuTarget)));
    say(QStringLiteral("| CPU, monitoring an answering box (%1 passes in %2) | | %3 of one core | | | | | < %4 | %5 |")
            .arg(answering.passes)
            .arg(bench::millis(answering.wall, 0), percent(answering.share()), percent(kAnsweringCpuTarget),
                 verdict(answering.share() < kAnsweringCpuTarget)));
    say(QString());
    say(QStringLiteral("Failed reads: %1; failed listings: %2 (each left out of the figures).")
            .arg(reads.failures)
            .arg(listings.failures));

    return reads.failures == 0 && listings.failures == 0 ? 0 : 1;
}
