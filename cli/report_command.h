#pragma once

#include "cli_options.h"
#include "live_fetch.h"
#include "live_report.h"

#include <QObject>
#include <QTimer>

class BoxSession;

// lumivane report on the live line: pictures fetched one after another as
// the Live Channels window fetches them, tallied until the duration is up
// or Ctrl+C, then the report written once.
class ReportCommand : public QObject {
    Q_OBJECT
public:
    ReportCommand(const CliOptions &options, BoxSession &session, QObject *parent = nullptr);

    // Call once the event loop runs.
    void start();
    // Ctrl+C or the duration: the report of what came so far.
    void interrupt();

signals:
    void finished(int exitStatus);

private:
    CliOptions m_options;
    BoxSession &m_session;
    LiveFetch m_fetch;
    LiveReport m_report;
    QTimer m_duration;
    bool m_ended = false;
};

// Runs a report on `session` until its duration, Ctrl+C or SIGTERM; the exit status.
int runReport(const CliOptions &options, BoxSession &session);

// report --recording: the take read from its file; no port is opened.
int reportOnTake(const CliOptions &options);
