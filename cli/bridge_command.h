#pragma once

#include "cli_options.h"
#include "command_run.h"
#include "live_fetch.h"
#include "ola_feed.h"
#include "picture_relay.h"

#include <QObject>
#include <QString>

class BoxSession;

// lumivane bridge: pictures of the line, fetched one after another as the
// Live Channels window fetches them, fed into an OLA universe until Ctrl+C.
// Says on standard output when it feeds the universe (its name, merge mode
// and outputs, as olad tells them), and on standard error once each when
// olad is not there or goes away, when the universe has no output port,
// when another source feeds it too, or when the line stays bad.
class BridgeCommand : public CommandRun {
    Q_OBJECT
public:
    BridgeCommand(const CliOptions &options, BoxSession &session, const QString &device,
                  QObject *parent = nullptr);

    void start() override;
    // Ctrl+C: nothing more goes to the box or to olad; finished(0) at once.
    void interrupt() override;

private:
    void stopAsking() override;
    void onFeedState(OlaFeed::State state);
    void onOtherSource();
    void onLineWentBad(const PictureOutcome &outcome);

    CliOptions m_options;
    QString m_device;
    QString m_olad; // "olad on 127.0.0.1:9010"
    LiveFetch m_fetch;
    OlaFeed m_feed;
    PictureRelay m_relay;
    bool m_fedBefore = false;  // a feeding line was printed
    bool m_lostSince = false;  // olad went away after that
};

