#include "check_command.h"

#include "box_session.h"
#include "check_output.h"
#include "cli_errors.h"
#include "stop_signals.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <memory>
#include <cerrno>
#include <cstdio>
#include <cstring>

CheckCommand::CheckCommand(const CliOptions &options, BoxSession &session, QObject *parent)
    : CommandRun(options, session, parent)
    , m_check(options.check)
    , m_format(options.format)
    , m_noHeader(options.noHeader)
    , m_fetch(session)
{
    // One block from the lowest to the highest channel that has a level to
    // compare; what lies beyond the pictures counts as unread.
    const auto span = m_check.expected.span();
    m_fetchable = span && span->first <= LiveFetch::kChannels;
    if (m_fetchable)
        m_fetch.setRange(span->first, std::min(span->second, LiveFetch::kChannels));
    connect(&m_fetch, &LiveFetch::pictureEnded, this, &CheckCommand::onPictureEnded);
}

void CheckCommand::start()
{
    const auto span = m_check.expected.span();
    if (span && span->second > LiveFetch::kChannels)
        complain(QStringLiteral("channels above %1 lie beyond what one picture holds; they count as unread")
                     .arg(LiveFetch::kChannels));
    if (m_check.watch && !m_noHeader && !write(verdictChangeHeader(m_format)))
        return;
    if (!m_fetchable) {
        judge(1, QByteArray());
        if (m_check.watch) // nothing will ever change
            end(kSomeDiffer);
        return;
    }
    m_fetch.start();
}

void CheckCommand::interrupt()
{
    if (ended())
        return;
    stopAsking();
    if (!m_check.watch || !m_checked)
        end(kStopped);
    else
        end(m_anyDiffered ? kSomeDiffer : kAllAgree);
}

void CheckCommand::onPictureEnded(const PictureOutcome &outcome)
{
    if (ended())
        return;
    if (outcome.good) {
        m_attempts.clear();
        if (!m_check.watch)
            m_fetch.pause(); // before the next fetch leaves the queue
        if (m_lastFailed)
            complain(QStringLiteral("good pictures from the box again"));
        m_lastFailed = false;
        judge(outcome.picture.first(), outcome.picture.answeredRun());
        return;
    }
    m_attempts << outcome.failure();
    if (m_attempts.size() < kAttempts)
        return;
    if (!m_check.watch)
        m_fetch.pause();
    if (!m_lastFailed)
        sayFailures();
    m_lastFailed = true;
    m_attempts.clear();
    judge(1, QByteArray());
}

void CheckCommand::sayFailures()
{
    QStringList kinds;
    for (const LevelFetch::Outcome outcome : std::as_const(m_attempts))
        kinds << failureText(outcome);
    complain(QStringLiteral("no good picture of channels %1-%2 in %3 attempts (%4)")
                 .arg(m_fetch.first())
                 .arg(m_fetch.last())
                 .arg(m_attempts.size())
                 .arg(kinds.join(QStringLiteral(", "))));
}

void CheckCommand::judge(int pictureFirst, const QByteArray &pictureLevels)
{
    const QVector<LevelDifference> differences =
        compareLevels(m_check.expected, pictureFirst, pictureLevels, m_check.tolerance);
    m_anyDiffered = m_anyDiffered || !differences.isEmpty();
    m_checked = true;
    if (!m_check.watch) {
        if (write(table(formatDifferences(m_format, differences))))
            end(differences.isEmpty() ? kAllAgree : kSomeDiffer);
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    for (const VerdictChange &change : verdictChanges(m_last, differences, pictureFirst, pictureLevels)) {
        if (!write(formatVerdictChange(m_format, now, change)))
            return;
    }
    m_last = differences;
}

void CheckCommand::stopAsking()
{
    m_fetch.pause();
    CommandRun::stopAsking();
}


int runCheck(const CliOptions &options, BoxSession &session)
{
    CheckCommand check(options, session);
    QObject::connect(&check, &CheckCommand::finished, QCoreApplication::instance(), &QCoreApplication::exit);
    // Stopped, a check closes the port as at a normal end, its lock included.
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &check, &CheckCommand::interrupt);
    QMetaObject::invokeMethod(&check, &CheckCommand::start, Qt::QueuedConnection);
    return QCoreApplication::exec();
}
