#pragma once

#include "cli_options.h"
#include "command_run.h"
#include "live_fetch.h"
#include "live_report.h"

#include <QObject>
#include <QTimer>

class BoxSession;

// lumivane report on the live line: pictures fetched one after another as
// the Live Channels window fetches them, tallied until the duration is up
// or Ctrl+C, then the report written once.
class ReportCommand : public CommandRun {
    Q_OBJECT
public:
    ReportCommand(const CliOptions &options, BoxSession &session, QObject *parent = nullptr);

    void start() override;
    // Ctrl+C or the duration: the report of what came so far.
    void interrupt() override;

private:
    void stopAsking() override;
    CliOptions m_options;
    LiveFetch m_fetch;
    LiveReport m_report;
    QTimer m_duration;
};


// report --recording: the take read from its file; no port is opened.
int reportOnTake(const CliOptions &options);
