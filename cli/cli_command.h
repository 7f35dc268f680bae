#pragma once

#include "box_session.h"
#include "change_filter.h"
#include "cli_options.h"
#include "command_run.h"
#include "heartbeat_watch.h"
#include "level_output.h"
#include "listing.h"
#include "picture_fetch.h"

#include <QElapsedTimer>
#include <QObject>
#include <QVector>
#include <optional>

// One run of a lumivane command on an open session, driven by the
// session's signals: it asks, prints each outcome as it comes, and reports
// the exit status once by finished().
class CliCommand : public CommandRun {
    Q_OBJECT
public:
    static constexpr int kAllRead = kAllWell;
    static constexpr int kBoxFault = kFaultFound;
    static constexpr int kUsageError = 2;
    static constexpr int kPortFault = 3;

    CliCommand(const CliOptions &options, BoxSession &session, QObject *parent = nullptr);

    void start() override;

    // Ctrl+C: a watch ends after the pass in flight; a second one ends at once.
    void interrupt() override;

private:
    void onProbed(int port, Status status);
    void noteReading(int channel, const std::optional<int> &level);
    void onLevelRead(int reader, int channel, std::optional<int> level);
    void startPictures();
    void onPicture(const Picture &picture);
    void askNextPicture();
    // False when the output is gone; the run has then ended.
    bool writePicture(const Picture &picture);
    void complainOf(const QVector<Picture::Failure> &failures);
    void onMonitoredLevelRead(int slot, int channel, std::optional<int> level);
    void onPassEnded();
    void onPortLost();
    // The status a watch stopped by the operator ends with.
    int stoppedStatus() const;
    // A watch's reading, unless --changes leaves it out; false when the
    // output is gone.
    bool writeWatched(const QDateTime &at, int channel, const std::optional<int> &level);
    void noteHeartbeat(const std::optional<int> &level);

    bool faultFound() const override { return m_anyFault; }

    CliOptions m_options;
    QVector<ChannelLevel> m_levels; // read: those answered so far
    // list, and a watch of ranges: the pieces of one picture or pass
    PictureFetch m_pictures;
    QVector<PictureFetch::Ask> m_asks;
    int m_lowest = 0;
    int m_highest = 0;
    int m_passes = 0;
    int m_interrupts = 0;
    bool m_waitingForPort = false; // a watch of ranges, over a lost port
    bool m_printing = false;       // a picture's rows are still to be written
    bool m_anyFault = false;
    ChangeFilter m_changes;
    HeartbeatWatch m_heartbeat;
    QElapsedTimer m_heartbeatClock;
};

// "Error Opening COM Port" and what could not be opened, and why.
QString portFaultText(const QString &device, int portNumber, const QString &cause);

