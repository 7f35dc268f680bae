#pragma once

#include "cli_options.h"
#include "command_run.h"
#include "line_check.h"
#include "live_fetch.h"
#include "universe_tap.h"

#include <QObject>
#include <QTimer>
#include <QVector>
#include <memory>

class BoxSession;

// lumivane check: fetches the channels of the expected levels as pictures,
// as the Live Channels window does, and judges each good picture against
// them: a file's levels, or those olad holds for an OLA universe (the
// network side of the cable). Without --watch it prints the channels
// outside the tolerance once; with it, every change of a channel's
// verdict, until Ctrl+C.
class CheckCommand : public CommandRun {
    Q_OBJECT
public:
    static constexpr int kAllAgree = kAllWell;
    static constexpr int kSomeDiffer = kFaultFound;
    static constexpr int kOladAway = 4;
    // How long a check without --watch waits for olad to hold levels for
    // its universe.
    static constexpr std::chrono::milliseconds kLevelsPatience{3000};

    CheckCommand(const CliOptions &options, BoxSession &session, QObject *parent = nullptr);
    ~CheckCommand() override;

    void start() override;
    // Ctrl+C, SIGTERM, SIGHUP: nothing more goes to the box; finished() at
    // once, with kStopped unless a watch has made a check: then 1 when any
    // check found a channel outside the tolerance or unread.
    void interrupt() override;

private:
    std::optional<ExpectedLevels> expectation() const;
    void onJudged(const LineCheck::Judgement &judgement);
    void onTapState(UniverseTap::State state);
    void onLevelsLate();
    void sayFailures(const QVector<LevelFetch::Outcome> &failures);

    bool faultFound() const override { return m_anyDiffered; }
    void stopAsking() override;

    CheckOptions m_check;
    OutputFormat m_format;
    bool m_noHeader = false;
    QString m_olad; // "olad on 127.0.0.1:9010"
    LiveFetch m_fetch;
    std::unique_ptr<UniverseTap> m_tap; // --ola-universe only
    LineCheck m_line;
    QTimer m_levelsLate;
    bool m_fetchable = false;
    QVector<LevelDifference> m_last; // the last check's
    bool m_lastFailed = false;       // the last check had no picture
    bool m_oladLost = false;         // olad went away after answering
    bool m_anyDiffered = false;
    bool m_checked = false; // a check has been judged
};

