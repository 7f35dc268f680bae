#include "bridge_command.h"

#include "box_session.h"
#include "cli_errors.h"

#include <algorithm>
#include <cstdio>

namespace {

// "257-511": the channels a good picture lacked.
QString unreadChannels(const PictureOutcome &outcome)
{
    int from = outcome.picture.last();
    int to = outcome.picture.first();
    for (const Picture::Failure &failure : outcome.unread()) {
        from = std::min(from, std::max(failure.piece.from, outcome.picture.first()));
        to = std::max(to, std::min(failure.piece.to, outcome.picture.last()));
    }
    return from == to ? QString::number(from) : QStringLiteral("%1-%2").arg(from).arg(to);
}

} // namespace

BridgeCommand::BridgeCommand(const CliOptions &options, BoxSession &session, const QString &device,
                             QObject *parent)
    : CommandRun(options, session, parent)
    , m_options(options)
    , m_device(device)
    , m_olad(QStringLiteral("olad on 127.0.0.1:%1").arg(options.olaPort))
    , m_fetch(session)
    , m_relay(m_fetch, m_feed)
{
    m_fetch.setRange(options.first, options.last);
    m_feed.setUniverse(options.universe);
    m_feed.setServerPort(options.olaPort);
    m_feed.setPriority(options.olaPriority);
    connect(&m_feed, &OlaFeed::stateChanged, this, &BridgeCommand::onFeedState);
    connect(&m_feed, &OlaFeed::universeChanged, this, [this] {
        say(QStringLiteral("OLA universe %1 is now %2").arg(m_options.universe).arg(universeSummary(m_feed.universeInfo())));
    });
    connect(&m_feed, &OlaFeed::otherSourceChanged, this, &BridgeCommand::onOtherSource);
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
    if (ended())
        return;
    stopAsking();
    end(kAllWell);
}

void BridgeCommand::stopAsking()
{
    m_fetch.pause();
    m_feed.stop();
    CommandRun::stopAsking();
}

// Feeding is said only once olad has answered that the universe is there
// with an output port: anything else may take a connection on its port.
void BridgeCommand::onFeedState(OlaFeed::State state)
{
    const unsigned int universe = m_options.universe;
    switch (state) {
    case OlaFeed::State::Waiting:
        complain(QStringLiteral("waiting for %1 (is it running? the bridge does not start it)").arg(m_olad));
        break;
    case OlaFeed::State::Silent:
        complain(QStringLiteral("127.0.0.1:%1 takes the connection but does not answer as olad does (is it olad's "
                                "RPC port?); nothing is said to be fed until it does")
                     .arg(m_options.olaPort));
        break;
    case OlaFeed::State::Lost:
        m_lostSince = m_fedBefore;
        complain(QStringLiteral("%1 went away; waiting for it to come back").arg(m_olad));
        break;
    case OlaFeed::State::Unpatched:
        complain(patchAdvice(m_feed.universeInfo()) + QStringLiteral("; the bridge looks again every few seconds"));
        break;
    case OlaFeed::State::Feeding: {
        const QString summary = universeSummary(m_feed.universeInfo());
        if (!m_fedBefore) {
            say(QStringLiteral("Feeding OLA universe %1 with channels %2-%3 from %4 (%5): %6")
                            .arg(universe)
                            .arg(m_options.first)
                            .arg(m_options.last)
                            .arg(m_device, m_olad, summary));
        } else if (m_lostSince) {
            say(QStringLiteral("%1 is back: feeding OLA universe %2 again").arg(m_olad).arg(universe));
        } else {
            say(QStringLiteral("OLA universe %1 is patched: feeding it again: %2").arg(universe).arg(summary));
        }
        m_fedBefore = true;
        m_lostSince = false;
        break;
    }
    default:
        break;
    }
}

void BridgeCommand::onOtherSource()
{
    const unsigned int universe = m_options.universe;
    switch (m_feed.otherSource()) {
    case SourceWatch::Other::Wins:
        complain(QStringLiteral("another source feeds OLA universe %1 at priority %2, above the bridge's %3: olad "
                                "passes on its levels, not the line's")
                     .arg(universe)
                     .arg(m_feed.otherPriority())
                     .arg(m_feed.priority()));
        break;
    case SourceWatch::Other::Merged:
        complain(QStringLiteral("another source feeds OLA universe %1 at the bridge's priority %2: olad merges it "
                                "with the line's levels (%3)")
                     .arg(universe)
                     .arg(m_feed.priority())
                     .arg(m_feed.universeInfo().htp ? QStringLiteral("the highest level wins")
                                                    : QStringLiteral("the latest change wins")));
        break;
    case SourceWatch::Other::None:
        say(QStringLiteral("OLA universe %1 is fed by the bridge alone again").arg(universe));
        break;
    }
}

void BridgeCommand::onLineWentBad(const PictureOutcome &outcome)
{
    if (outcome.good) {
        complain(QStringLiteral("channels %1 did not come back (%2); OLA universe %3 keeps the last whole picture")
                     .arg(unreadChannels(outcome), failureText(outcome.failure()))
                     .arg(m_options.universe));
        return;
    }
    complain(QStringLiteral("no good picture from the box (%1); OLA universe %2 keeps the last good levels")
                 .arg(failureText(outcome.failure()))
                 .arg(m_options.universe));
}
