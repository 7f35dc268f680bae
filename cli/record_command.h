#pragma once

#include "cli_options.h"
#include "command_run.h"
#include "live_fetch.h"
#include "recorder.h"

#include <QObject>
#include <QTimer>

class BoxSession;

// lumivane record: pictures of the line, fetched one after another as the
// Live Channels window fetches them, written to a show file until the
// duration is up or Ctrl+C. Channels that go unread are said once on
// standard error, and once when they are read again. A write that fails
// ends the take at once, saying why; so does a take that holds no picture
// when it ends.
class RecordCommand : public CommandRun {
    Q_OBJECT
public:
    static constexpr int kNotRecorded = 1;

    RecordCommand(const CliOptions &options, BoxSession &session, QObject *parent = nullptr);

    void start() override;
    // Ctrl+C or the duration: the take is closed and finished(0), or
    // finished(1) when it holds no picture.
    void interrupt() override;

private:
    void stopAsking() override;

    CliOptions m_options;
    LiveFetch m_fetch;
    Recorder m_recorder;
    QTimer m_duration;
};

