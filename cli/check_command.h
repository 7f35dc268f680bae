#pragma once

#include "cli_options.h"
#include "command_run.h"
#include "level_comparison.h"
#include "live_fetch.h"

#include <QObject>
#include <QVector>

class BoxSession;

// lumivane check: fetches the channels of the expected levels as pictures,
// as the Live Channels window does, and judges each good picture against
// them. One check is one good picture, or kAttempts failed fetches in a
// row, which leave every channel unread. Without --watch it prints the
// channels outside the tolerance once; with it, every change of a
// channel's verdict, until Ctrl+C.
class CheckCommand : public CommandRun {
    Q_OBJECT
public:
    static constexpr int kAllAgree = kAllWell;
    static constexpr int kSomeDiffer = kFaultFound;
    static constexpr int kAttempts = 3;

    CheckCommand(const CliOptions &options, BoxSession &session, QObject *parent = nullptr);

    // Call once the event loop runs: finished() may come from inside.
    void start();
    // Ctrl+C, SIGTERM, SIGHUP: nothing more goes to the box; finished() at
    // once, with kStopped unless a watch has made a check: then 1 when any
    // check found a channel outside the tolerance or unread.
    void interrupt();

private:
    void onPictureEnded(const PictureOutcome &outcome);
    void judge(int pictureFirst, const QByteArray &pictureLevels);
    void sayFailures();

    bool faultFound() const override { return m_anyDiffered; }
    void stopAsking() override;

    CheckOptions m_check;
    OutputFormat m_format;
    bool m_noHeader = false;
    LiveFetch m_fetch;
    bool m_fetchable = false;
    QVector<LevelFetch::Outcome> m_attempts; // failed since the last check
    QVector<LevelDifference> m_last;         // the last check's
    bool m_lastFailed = false;               // the last check had no picture
    bool m_anyDiffered = false;
    bool m_checked = false; // a check has been judged
};

// Runs a check on `session`; the exit status.
int runCheck(const CliOptions &options, BoxSession &session);
