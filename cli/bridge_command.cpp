#include "bridge_command.h"

#include "box_session.h"
#include "cli_errors.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void say(std::FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", qPrintable(line));
    std::fflush(stream);
}

} // namespace

BridgeCommand::BridgeCommand(const CliOptions &options, BoxSession &session, const QString &device,
                             QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_session(session)
    , m_device(device)
    , m_fetch(session)
    , m_relay(m_fetch, m_feed)
{
    m_fetch.setRange(options.first, options.last);
    m_feed.setUniverse(options.universe);
    m_feed.setServerPort(options.olaPort);
    connect(&m_feed, &OlaFeed::stateChanged, this, &BridgeCommand::onFeedState);
    connect(&m_relay, &PictureRelay::lineWentBad, this, &BridgeCommand::onLineWentBad);
    connect(&m_relay, &PictureRelay::lineCameBack, this,
            [] { complain(QStringLiteral("good pictures from the box again")); });
}

void BridgeCommand::start()
{
    m_feed.start();
    m_fetch.start();
}

void BridgeCommand::interrupt()
{
    if (m_ended)
        return;
    m_ended = true;
    m_fetch.pause();
    m_session.shutDown();
    m_feed.stop();
    emit finished(0);
}

void BridgeCommand::onFeedState(OlaFeed::State state)
{
    const QString olad = QStringLiteral("olad on 127.0.0.1:%1").arg(m_options.olaPort);
    switch (state) {
    case OlaFeed::State::Waiting:
        complain(QStringLiteral("waiting for %1 (is it running? the bridge does not start it)").arg(olad));
        break;
    case OlaFeed::State::Lost:
        m_lostSince = m_fedBefore;
        complain(QStringLiteral("%1 went away; waiting for it to come back").arg(olad));
        break;
    case OlaFeed::State::Feeding:
        if (!m_fedBefore) {
            say(stdout, QStringLiteral("Feeding OLA universe %1 with channels %2-%3 from %4 (%5)")
                            .arg(m_options.universe)
                            .arg(m_options.first)
                            .arg(m_options.last)
                            .arg(m_device, olad));
        } else if (m_lostSince) {
            say(stdout, QStringLiteral("%1 is back: feeding OLA universe %2 again").arg(olad).arg(m_options.universe));
        }
        m_fedBefore = true;
        m_lostSince = false;
        break;
    default:
        break;
    }
}

void BridgeCommand::onLineWentBad(LevelFetch::Outcome outcome)
{
    complain(QStringLiteral("no good picture from the box (%1); OLA universe %2 keeps the last good levels")
                    .arg(failureText(outcome))
                    .arg(m_options.universe));
}

int runBridge(const CliOptions &options, BoxSession &session, const QString &device)
{
    BridgeCommand bridge(options, session, device);
    QObject::connect(&bridge, &BridgeCommand::finished, QCoreApplication::instance(), &QCoreApplication::exit);
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &bridge, &BridgeCommand::interrupt);
    QMetaObject::invokeMethod(&bridge, &BridgeCommand::start, Qt::QueuedConnection);
    return QCoreApplication::exec();
}
