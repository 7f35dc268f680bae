// The monitor on a real serial port (a pseudo-terminal) against boxes that
// misbehave the way real ones do: one that goes away and comes back, one
// that sprays line noise, one that dribbles its answer, one that says
// everything twice. Whatever the box does, the window must not crash or
// hang, must stay responsive, and must say only what it has words for.
#include "harness.h"
#include "protocol.h"
#include "qt_serial_port.h"
#include "status.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <chrono>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr auto kSimStartTimeout = 10s;
// How long a wait on the window or the box may take before it counts as a
// hang. Only a hang runs into these, so they are far beyond what the work
// takes even on a loaded machine: a pass meets at most five response
// time-outs, an exchange one, and a listing may wait behind a pass.
constexpr auto kPassBound = 30s;
constexpr auto kExchangeBound = 15s;
constexpr auto kClickBound = 30s;
constexpr int kStormListings = 5;
constexpr auto kLatencyProbeInterval = 5ms;
constexpr int kNoiseChunk = 512;
constexpr quint32 kNoiseSeed = 0x1u;

int ms(std::chrono::milliseconds duration)
{
    return int(duration.count());
}

// Every level the test boxes hold: channel 1 at 11, 2 at 22, and so on.
quint8 levelOf(int channel)
{
    return quint8((channel * 11) & 0xFF);
}

int boxLevel(int channel)
{
    return levelOf(channel);
}

QStringList levelTexts(std::initializer_list<int> channels, int (*level)(int))
{
    QStringList texts;
    for (int channel : channels)
        texts << QString::number(level(channel));
    return texts;
}

QStringList ownMessages()
{
    QStringList texts;
    for (int status = int(Status::ConnectedOk); status <= int(Status::MiscError); ++status)
        texts << statusText(Status(status));
    return texts;
}

// Posts a zero-length timer every few milliseconds and keeps the longest
// wait before one fired. The waits of the exchanges turn the event loop
// too, so this also watches the window while it waits on the box. The test's
// own blocking calls (starting and stopping the simulator) are left out.
// Its figure goes to the log for whoever tunes the window; what a loaded
// machine does to it says nothing about the window, so nothing fails on it.
class LatencyProbe : public QObject {
public:
    LatencyProbe()
    {
        m_tick.setInterval(kLatencyProbeInterval);
        m_tick.setTimerType(Qt::PreciseTimer);
        connect(&m_tick, &QTimer::timeout, this, &LatencyProbe::post);
        m_tick.start();
    }

    void suspend()
    {
        m_tick.stop();
        ++m_generation; // a sample in flight would time the test, not the window
        m_waiting = false;
    }
    void resume() { m_tick.start(); }

    std::chrono::microseconds longest() const { return m_longest; }
    QString summary() const
    {
        return QStringLiteral("longest zero-timer wait %1 ms over %2 samples")
            .arg(double(m_longest.count()) / 1000.0, 0, 'f', 2)
            .arg(m_samples);
    }

private:
    void post()
    {
        if (m_waiting)
            return;
        m_waiting = true;
        m_clock.start();
        QTimer::singleShot(0, this, [this, generation = m_generation] {
            if (generation != m_generation)
                return;
            m_longest = std::max(m_longest, std::chrono::microseconds(m_clock.nsecsElapsed() / 1000));
            ++m_samples;
            m_waiting = false;
        });
    }

    QTimer m_tick;
    QElapsedTimer m_clock;
    bool m_waiting = false;
    int m_generation = 0;
    std::chrono::microseconds m_longest{0};
    int m_samples = 0;
};

// The real port, counting the channel reads it is asked to send, whether
// they go out or not: every one must end in a report to the operator.
class TallyPort : public QtSerialPort {
public:
    int reads = 0;

    bool write(const QByteArray &bytes) override
    {
        if (bytes.size() == 5 && bytes.startsWith('C'))
            ++reads;
        return QtSerialPort::write(bytes);
    }
};

// The box a test plays itself on a PtyBox: it picks probes, channel reads
// and block requests out of whatever the monitor writes, and answers them
// whole or a byte at a time, once or twice.
class ScriptedBox : public QObject {
public:
    explicit ScriptedBox(PtyBox &pty)
        : m_pty(pty)
    {
        connect(&m_pty, &PtyBox::bytesReceived, this, &ScriptedBox::take);
        m_dribble.setTimerType(Qt::PreciseTimer);
        connect(&m_dribble, &QTimer::timeout, this, &ScriptedBox::sendOneByte);
    }

    bool muted = false;                   // hears everything, answers nothing
    std::chrono::milliseconds byteGap{0}; // 0: every answer goes out in one write
    int copies = 1;
    std::chrono::milliseconds copyGap{0}; // 0: all copies in one write
    std::function<QByteArray(int channel)> readAnswer = [](int channel) {
        return protocol::readAnswer(levelOf(channel));
    };

    qint64 sent() const { return m_sent; }
    bool idle() const { return m_outgoing.isEmpty() && m_copiesDue == 0; }

private:
    void take()
    {
        const QByteArray fresh = m_pty.received().mid(m_seen);
        m_seen = m_pty.received().size();
        for (char byte : fresh)
            parse(byte);
    }

    void parse(char byte)
    {
        const std::optional<protocol::Request> request = m_parser.take(byte);
        if (!request)
            return;
        switch (request->kind) {
        case protocol::Request::Kind::Probe:
            answer("G");
            break;
        case protocol::Request::Kind::Read:
            answer(readAnswer(request->index + 1));
            break;
        case protocol::Request::Kind::Block: {
            QByteArray levels;
            for (int channel = request->index + 1; channel <= request->index + request->count; ++channel)
                levels.append(char(levelOf(channel)));
            answer(protocol::block::buildReply(levels));
            break;
        }
        }
    }

    void answer(const QByteArray &bytes)
    {
        if (muted)
            return;
        if (copyGap == 0ms) {
            deliver(bytes.repeated(copies));
            return;
        }
        deliver(bytes);
        for (int copy = 1; copy < copies; ++copy) {
            ++m_copiesDue;
            QTimer::singleShot(copyGap * copy, this, [this, bytes] {
                --m_copiesDue;
                deliver(bytes);
            });
        }
    }

    void deliver(const QByteArray &bytes)
    {
        if (byteGap == 0ms) {
            if (m_pty.send(bytes))
                m_sent += bytes.size();
            return;
        }
        m_outgoing.append(bytes);
        if (!m_dribble.isActive()) {
            sendOneByte();
            m_dribble.start(byteGap);
        }
    }

    void sendOneByte()
    {
        if (m_outgoing.isEmpty()) {
            m_dribble.stop();
            return;
        }
        if (m_pty.send(m_outgoing.left(1)))
            ++m_sent;
        m_outgoing.remove(0, 1);
        if (m_outgoing.isEmpty())
            m_dribble.stop(); // the next answer starts at once, not on this beat
    }

    PtyBox &m_pty;
    qsizetype m_seen = 0;
    protocol::RequestParser m_parser;
    QByteArray m_outgoing;
    QTimer m_dribble;
    qint64 m_sent = 0;
    int m_copiesDue = 0;
};

// Random bytes into the line as fast as the event loop turns, for a while.
class NoiseStorm : public QObject {
    Q_OBJECT
public:
    explicit NoiseStorm(PtyBox &pty)
        : m_pty(pty)
        , m_random(kNoiseSeed)
    {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &NoiseStorm::burst);
    }

    // Without a duration, until stopped.
    void start(std::chrono::milliseconds duration = std::chrono::hours{24})
    {
        m_duration = duration;
        m_clock.start();
        m_timer.start();
    }
    bool raging() const { return m_timer.isActive(); }
    void stop() { m_timer.stop(); }
    qint64 bursts() const { return m_bursts; }

signals:
    void finished();

private:
    void burst()
    {
        if (std::chrono::nanoseconds(m_clock.nsecsElapsed()) >= m_duration) {
            m_timer.stop();
            emit finished();
            return;
        }
        QByteArray noise(kNoiseChunk, Qt::Uninitialized);
        m_random.fillRange(reinterpret_cast<quint32 *>(noise.data()), kNoiseChunk / int(sizeof(quint32)));
        m_pty.send(noise); // a full line drops the rest, as a real one would
        ++m_bursts;
    }

    PtyBox &m_pty;
    QRandomGenerator m_random;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::chrono::nanoseconds m_duration{0};
    qint64 m_bursts = 0;
};

// The main window on the real serial port, its Port1 at `device`, with a
// recording desktop, and every status text it shows collected.
struct PtyWindow {
    explicit PtyWindow(const QString &device)
    {
        qputenv("LUMIVANE_PORT1", device.toLocal8Bit());
        auto owned = std::make_unique<TallyPort>();
        port = owned.get();
        session = std::make_unique<BoxSession>(std::move(owned));
        form = std::make_unique<MainWindow>(*session, desktop.platform());
        QObject::connect(child<QLineEdit>("txtMessageBox"), &QLineEdit::textChanged, form.get(),
                         [this](const QString &text) { statuses << text; });
    }

    template <typename T>
    T *child(const char *name) const
    {
        return form->findChild<T *>(QString::fromLatin1(name));
    }
    QLineEdit *levelBox(int slot) const
    {
        return form->findChild<QLineEdit *>(QStringLiteral("txtChannel0Level_%1").arg(slot));
    }
    QPushButton *readButton(int slot) const
    {
        return form->findChild<QPushButton *>(QStringLiteral("cmdReadChannel_%1").arg(slot));
    }
    QCheckBox *monitor() const { return child<QCheckBox>("ChkContinuousMonitor"); }
    QListWidget *list() const { return child<QListWidget>("lstLevel"); }
    QString status() const { return child<QLineEdit>("txtMessageBox")->text(); }
    QStringList levels() const
    {
        QStringList texts;
        for (int slot = 0; slot < MainWindow::kReaders; ++slot)
            texts << levelBox(slot)->text();
        return texts;
    }
    QStringList listLines() const
    {
        QStringList lines;
        for (int row = 0; row < list()->count(); ++row)
            lines << list()->item(row)->text();
        return lines;
    }

    void load()
    {
        form->load();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        settle();
    }
    void settle(std::chrono::milliseconds bound = kClickBound)
    {
        QTRY_VERIFY_WITH_TIMEOUT(session->idle(), ms(bound));
    }
    void setChannels(std::initializer_list<int> channels)
    {
        int slot = 0;
        for (int channel : channels)
            form->findChild<QSlider *>(QStringLiteral("sldDMXChannel_%1").arg(slot++))->setValue(channel);
    }
    void setRange(int low, int high)
    {
        child<QSlider>("sldDMXLow")->setValue(low);
        child<QSlider>("sldDMXHigh")->setValue(high);
    }
    void listRange()
    {
        child<QPushButton>("Command1")->click();
        noteClickReturned();
        settle();
    }
    void read(int slot)
    {
        readButton(slot)->click();
        noteClickReturned();
        settle();
    }
    // The box here answers only as the event loop turns, so a click that
    // comes back with its exchange over has waited for the box inside it.
    void noteClickReturned()
    {
        if (session->idle())
            ++clicksThatWaited;
    }

    RecordingPlatform desktop;
    TallyPort *port = nullptr;
    std::unique_ptr<BoxSession> session;
    std::unique_ptr<MainWindow> form;
    QStringList statuses;
    int clicksThatWaited = 0;
};

QStringList expectedListing(int low, int high)
{
    QStringList lines;
    for (int channel = low; channel <= high; ++channel)
        lines << QStringLiteral("Ch#%1 %2").arg(channel).arg(levelOf(channel));
    return lines;
}

// The box says everything twice. Every read empties the line before it
// sends, so a surplus answer waiting from before never passes for the next
// read's own; a listing leaves the read length at its block's length.
enum class TwiceAction { Read, List, Pass };
constexpr const char *kActionNames[] = {"read", "listing", "monitoring pass"};

struct TwiceStep {
    TwiceAction action;
    int slot;          // the reader, for a read; reader n reads channel n+1
    int waitingBefore; // surplus bytes in the monitor's buffer beforehand
    const char *level; // the reader's level box afterwards
    Status status;
};

struct TwiceScenario {
    const char *name;
    std::chrono::milliseconds copyGap;
    std::vector<TwiceStep> steps;
};

const TwiceScenario kTwiceScenarios[] = {
    {"in one breath", 0ms,
     {
         {TwiceAction::Read, 0, 0, "11", Status::ReadAccepted},  // L011L011 lands and is read as one
         {TwiceAction::Read, 1, 0, "22", Status::ReadAccepted},
         {TwiceAction::List, 0, 0, "", Status::BlockOk},         // reads 261 of the 522 bytes
         {TwiceAction::Read, 2, 261, "33", Status::ReadAccepted}, // the second block is dropped first
         {TwiceAction::Read, 3, 0, "44", Status::ReadAccepted},
         {TwiceAction::Pass, 0, 0, "", Status::ReadAccepted},
     }},
    {"a beat apart", 100ms,
     {
         {TwiceAction::Read, 0, 1, "11", Status::ReadAccepted},  // the probe's second G is dropped
         {TwiceAction::Read, 1, 4, "22", Status::ReadAccepted},  // and the second L011
         {TwiceAction::List, 0, 4, "", Status::BlockOk},
         {TwiceAction::Read, 2, 261, "33", Status::ReadAccepted},
         {TwiceAction::Read, 3, 4, "44", Status::ReadAccepted},
         {TwiceAction::Pass, 0, 4, "", Status::ReadAccepted},
     }},
};

} // namespace

class TestFaultsPty : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("LUMIVANE_PORT1"); }

    // The line hangs up (the far end of the pty closes) while the window is
    // idle, while a listing waits for its block and while a monitoring pass
    // waits for a read: the port is closed at once, nothing spins, the
    // operator is told once; and when a line is back under the same name the
    // monitor reopens and probes it by itself, and monitoring reads again.
    void aLineThatHangsUpIsClosedAndFoundAgain_data()
    {
        QTest::addColumn<QString>("during");
        QTest::newRow("idle") << "idle";
        QTest::newRow("a listing") << "listing";
        QTest::newRow("a monitoring pass") << "pass";
    }

    void aLineThatHangsUpIsClosedAndFoundAgain()
    {
        QFETCH(QString, during);
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("port1"));
        auto pty = std::make_unique<PtyBox>();
        auto box = std::make_unique<ScriptedBox>(*pty);
        QVERIFY(QFile::link(pty->devicePath(), link));
        PtyWindow window(link);
        window.load();
        QCOMPARE(window.status(), statusText(Status::ConnectedOk));
        const auto channels = {1, 2, 3, 4, 5};
        window.setChannels(channels);
        QStringList statusAtBeep;
        window.desktop.onBeep = [&window, &statusAtBeep] { statusAtBeep << window.status(); };

        box->muted = true; // what the row waits on never comes
        const qsizetype heard = pty->received().size();
        if (during == "listing")
            window.listRange();
        else if (during == "pass")
            window.monitor()->click();
        if (during != "idle")
            QTRY_VERIFY(pty->received().size() > heard);

        const qsizetype statusesBefore = window.statuses.size();
        const int timeOutsBefore = window.session->timeOuts();
        const std::clock_t cpuBefore = std::clock();
        box.reset();
        pty.reset();
        QVERIFY(QFile::remove(link));
        QTRY_VERIFY_WITH_TIMEOUT(!window.port->isOpen(), 5000);
        // Closed on the hang-up itself: nothing in flight waited out its time-out.
        QCOMPARE(window.session->timeOuts(), timeOutsBefore);
        // A second of the event loop left alone, sleeping until something is due.
        QTimer oneSecond;
        oneSecond.setSingleShot(true);
        QSignalSpy passed(&oneSecond, &QTimer::timeout);
        oneSecond.start(1000);
        QVERIFY(passed.wait(5000));
        const double cpuMs = 1000.0 * double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
        qInfo("%.1f ms of CPU in the second after the hang-up", cpuMs);
        QVERIFY2(cpuMs < 20, qPrintable(QStringLiteral("%1 ms of CPU in the second after").arg(cpuMs)));
        QCOMPARE(statusAtBeep.count(statusText(Status::ErrorOpeningPort)), 1);

        pty = std::make_unique<PtyBox>();
        box = std::make_unique<ScriptedBox>(*pty);
        QVERIFY(QFile::link(pty->devicePath(), link));
        const QByteArray probe = QByteArray(protocol::kFlushNulCount, '\0') + "C?";
        QTRY_VERIFY_WITH_TIMEOUT(pty->received().startsWith(probe), ms(kPassBound));
        QTRY_VERIFY_WITH_TIMEOUT(window.statuses.mid(statusesBefore).contains(statusText(Status::ConnectedOk)),
                                 ms(kExchangeBound));
        if (during == "pass") {
            QTRY_VERIFY_WITH_TIMEOUT(window.levels() == levelTexts(channels, boxLevel), ms(kPassBound));
            window.monitor()->click();
        }
        QCOMPARE(statusAtBeep.count(statusText(Status::ErrorOpeningPort)), 1);
        QVERIFY(window.port->isOpen());
    }

    void lineNoiseBringsNoWordsButTheMonitorsOwn()
    {
        PtyBox pty;
        QVERIFY(pty.isReady());
        ScriptedBox box(pty);
        PtyWindow window(pty.devicePath());
        window.load();
        QCOMPARE(window.status(), statusText(Status::ConnectedOk));
        const auto channels = {1, 2, 3, 4, 5};
        window.setChannels(channels);
        window.setRange(1, 256);

        box.muted = true;
        NoiseStorm storm(pty);
        QSignalSpy stormOver(&storm, &NoiseStorm::finished);
        LatencyProbe latency;

        // Monitoring through the storm.
        window.monitor()->click();
        storm.start(3s);
        QVERIFY(stormOver.wait(ms(3s + kPassBound)));
        const int beepsInMonitoringStorm = window.desktop.beeps;

        // Listings through the storm, with monitoring passes waiting their
        // turn between them: each ends while the noise still pours in.
        const qint64 burstsBefore = storm.bursts();
        storm.start();
        for (int listing = 0; listing < kStormListings; ++listing)
            window.listRange();
        QVERIFY2(storm.bursts() > burstsBefore, "no noise came while the listings ran");
        storm.stop();
        qInfo("storm: %lld bursts of %d bytes, %d listings, %d beeps while monitoring, %s", storm.bursts(),
              kNoiseChunk, kStormListings, beepsInMonitoringStorm, qPrintable(latency.summary()));

        // Calm again: monitoring and the listing recover by themselves.
        box.muted = false;
        QTRY_VERIFY_WITH_TIMEOUT(window.levels() == levelTexts(channels, boxLevel),
                                 ms(kPassBound));
        window.monitor()->click();
        window.listRange();
        QCOMPARE(window.status(), statusText(Status::BlockOk));
        QCOMPARE(window.listLines(), expectedListing(1, 256));

        const QStringList own = ownMessages();
        for (const QString &text : std::as_const(window.statuses))
            QVERIFY2(own.contains(text), qPrintable(QStringLiteral("unknown status \"%1\"").arg(text)));
        QVERIFY(beepsInMonitoringStorm > 0);
        QVERIFY(window.statuses.contains(statusText(Status::NoResponse)));
        QCOMPARE(window.clicksThatWaited, 0);
    }

    // A box that puts its answer out a byte at a time: the read waits for
    // the whole answer; cut short by the time-out, it shows no level, and
    // the late rest is dropped before the next read.
    void aDribbledAnswer_data()
    {
        QTest::addColumn<int>("byteGapMs");
        QTest::addColumn<QString>("level");
        QTest::addColumn<int>("leftOver"); // bytes still to come when the read ended
        QTest::newRow("L, 1, 2, 3 within the time-out") << 100 << "123" << 0;
        QTest::newRow("the 3 after the time-out") << 200 << "" << 1;
    }

    void aDribbledAnswer()
    {
        QFETCH(int, byteGapMs);
        QFETCH(QString, level);
        QFETCH(int, leftOver);

        PtyBox pty;
        QVERIFY(pty.isReady());
        ScriptedBox box(pty);
        PtyWindow window(pty.devicePath());
        window.load();
        QCOMPARE(window.status(), statusText(Status::ConnectedOk));
        box.byteGap = std::chrono::milliseconds{byteGapMs};
        box.readAnswer = [](int) { return QByteArray("L123"); };
        LatencyProbe latency;

        for (int read = 0; read < 2; ++read) {
            QTRY_VERIFY_WITH_TIMEOUT(box.idle(), ms(kExchangeBound));
            const qint64 sentBefore = box.sent();
            window.read(0);
            QCOMPARE(4 - (box.sent() - sentBefore), leftOver);
            QCOMPARE(window.levelBox(0)->text(), level);
            QCOMPARE(window.status(), statusText(level.isEmpty() ? Status::NoResponse : Status::ReadAccepted));
        }
        QCOMPARE(window.desktop.beeps, level.isEmpty() ? 2 : 0);
        QCOMPARE(window.clicksThatWaited, 0);
        qInfo("%s", qPrintable(latency.summary()));
    }

    void aBoxThatSaysEverythingTwice_data()
    {
        QTest::addColumn<int>("scenario");
        for (int i = 0; i < int(std::size(kTwiceScenarios)); ++i)
            QTest::newRow(kTwiceScenarios[i].name) << i;
    }

    void aBoxThatSaysEverythingTwice()
    {
        QFETCH(int, scenario);
        const TwiceScenario &twice = kTwiceScenarios[scenario];
        PtyBox pty;
        QVERIFY(pty.isReady());
        ScriptedBox box(pty);
        box.copies = 2;
        box.copyGap = twice.copyGap;
        PtyWindow window(pty.devicePath());
        window.load();
        QCOMPARE(window.status(), statusText(Status::ConnectedOk));
        const auto channels = {1, 2, 3, 4, 5};
        window.setChannels(channels);
        window.setRange(1, 256);
        LatencyProbe latency;

        for (const TwiceStep &step : twice.steps) {
            const QString what = QStringLiteral("%1, slot %2").arg(QLatin1String(kActionNames[int(step.action)])).arg(step.slot);
            // Each step starts on a quiet line, with whatever the box said
            // too much so far already in the monitor's buffer.
            QTRY_VERIFY_WITH_TIMEOUT(box.idle(), ms(kExchangeBound));
            QTRY_VERIFY2_WITH_TIMEOUT(window.port->bytesWaiting() == step.waitingBefore,
                                      qPrintable(QStringLiteral("%1: %2 bytes waiting").arg(what).arg(window.port->bytesWaiting())),
                                      ms(kExchangeBound));
            switch (step.action) {
            case TwiceAction::Read:
                window.read(step.slot);
                QVERIFY2(window.levelBox(step.slot)->text() == QLatin1String(step.level),
                         qPrintable(what + ": level \"" + window.levelBox(step.slot)->text() + "\""));
                break;
            case TwiceAction::List:
                window.listRange();
                QCOMPARE(window.listLines(), expectedListing(1, 256));
                break;
            case TwiceAction::Pass: {
                const int readsBefore = window.port->reads;
                window.monitor()->click();
                QTRY_VERIFY_WITH_TIMEOUT(window.port->reads - readsBefore >= MainWindow::kReaders, ms(kPassBound));
                window.monitor()->click();
                QCOMPARE(window.levels(), levelTexts(channels, boxLevel));
                break;
            }
            }
            QVERIFY2(window.status() == statusText(step.status), qPrintable(what + ": " + window.status()));
        }
        QCOMPARE(window.clicksThatWaited, 0);
        qInfo("%s", qPrintable(latency.summary()));
    }
};

QTEST_MAIN(TestFaultsPty)
#include "test_faults_pty.moc"
