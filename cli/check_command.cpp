#include "check_command.h"

#include "box_session.h"
#include "check_output.h"
#include "cli_errors.h"

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
    , m_olad(QStringLiteral("olad on 127.0.0.1:%1").arg(options.olaPort))
    , m_fetch(session)
    , m_tap(options.check.olaUniverse ? std::make_unique<UniverseTap>() : nullptr)
    , m_line(
          m_fetch, [this] { return expectation(); }, options.check.tolerance,
          options.check.olaUniverse ? options.check.settle : std::chrono::milliseconds{0})
{
    if (m_tap) {
        m_tap->setServerPort(options.olaPort);
        m_tap->setUniverse(*m_check.olaUniverse);
        m_fetchable = true;
        m_fetch.setRange(m_check.first, m_check.last);
        connect(m_tap.get(), &UniverseTap::stateChanged, this, &CheckCommand::onTapState);
        m_levelsLate.setSingleShot(true);
        m_levelsLate.setInterval(kLevelsPatience);
        connect(&m_levelsLate, &QTimer::timeout, this, &CheckCommand::onLevelsLate);
    } else {
        // One block from the lowest to the highest channel that has a level
        // to compare; what lies beyond the pictures counts as unread.
        const auto span = m_check.expected.span();
        m_fetchable = span && span->first <= LiveFetch::kChannels;
        if (m_fetchable)
            m_fetch.setRange(span->first, std::min(span->second, LiveFetch::kChannels));
    }
    connect(&m_line, &LineCheck::judged, this, &CheckCommand::onJudged);
}

CheckCommand::~CheckCommand() = default;

std::optional<ExpectedLevels> CheckCommand::expectation() const
{
    if (!m_tap)
        return m_check.expected;
    const std::optional<QByteArray> levels = m_tap->levels();
    if (!levels || m_tap->state() != UniverseTap::State::Listening)
        return std::nullopt;
    return expectedFromFrame(*levels, m_check.first, m_check.last);
}

void CheckCommand::start()
{
    const auto span = m_check.expected.span();
    if (span && span->second > LiveFetch::kChannels)
        complain(QStringLiteral("channels above %1 lie beyond what one picture holds; they count as unread")
                     .arg(LiveFetch::kChannels));
    if (m_check.watch && !m_noHeader && !write(verdictChangeHeader(m_format)))
        return;
    if (m_tap) {
        m_tap->start();
        if (m_tap->state() == UniverseTap::State::Waiting) {
            complain(QStringLiteral("%1 is out of reach (is it running? check does not start it)").arg(m_olad));
            stopAsking();
            end(kOladAway);
            return;
        }
        m_levelsLate.start();
        m_fetch.start();
        return;
    }
    if (!m_fetchable) {
        m_line.judgeUnread();
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

// Without --watch, olad has to be there from the first answer to the
// verdict; a watch waits for it through an outage, judging nothing.
void CheckCommand::onTapState(UniverseTap::State state)
{
    if (ended())
        return;
    switch (state) {
    case UniverseTap::State::Silent:
        complain(QStringLiteral("127.0.0.1:%1 takes the connection but does not answer as olad does (is it olad's "
                                "RPC port?)")
                     .arg(m_tap->serverPort()));
        stopAsking();
        end(kOladAway);
        return;
    case UniverseTap::State::Lost:
        if (!m_check.watch) {
            complain(QStringLiteral("%1 went away before the check was done").arg(m_olad));
            stopAsking();
            end(kOladAway);
            return;
        }
        complain(QStringLiteral("%1 went away; the check waits for it to come back").arg(m_olad));
        m_oladLost = true;
        return;
    case UniverseTap::State::Listening:
        if (m_oladLost)
            complain(QStringLiteral("%1 is back; checking again").arg(m_olad));
        m_oladLost = false;
        return;
    default:
        return;
    }
}

void CheckCommand::onLevelsLate()
{
    if (ended() || m_tap->levels())
        return;
    if (m_tap->state() != UniverseTap::State::Listening)
        return; // said by onTapState
    const QString none = QStringLiteral("OLA universe %1 holds no levels").arg(*m_check.olaUniverse);
    if (m_check.watch) {
        complain(none + QStringLiteral(" yet (nothing sends to it); checking once it does"));
        return;
    }
    complain(none + QStringLiteral(": nothing sends to it"));
    stopAsking();
    end(kOladAway);
}

void CheckCommand::onJudged(const LineCheck::Judgement &judgement)
{
    if (ended())
        return;
    if (!m_check.watch)
        m_fetch.pause(); // before the next fetch leaves the queue
    if (!judgement.failures.isEmpty()) {
        if (!m_lastFailed)
            sayFailures(judgement.failures);
        m_lastFailed = true;
    } else if (!judgement.pictureLevels.isEmpty()) {
        if (m_lastFailed)
            complain(QStringLiteral("good pictures from the box again"));
        m_lastFailed = false;
    }
    const QVector<LevelDifference> &differences = judgement.differences;
    m_anyDiffered = m_anyDiffered || !differences.isEmpty();
    m_checked = true;
    if (!m_check.watch) {
        m_levelsLate.stop();
        if (m_tap)
            m_tap->stop();
        if (write(table(formatDifferences(m_format, differences))))
            end(differences.isEmpty() ? kAllAgree : kSomeDiffer);
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const std::optional<ExpectedLevels> expected = expectation();
    for (const VerdictChange &change : verdictChanges(m_last, differences, judgement.pictureFirst,
                                                      judgement.pictureLevels, expected ? &*expected : nullptr)) {
        if (!write(formatVerdictChange(m_format, now, change)))
            return;
    }
    m_last = differences;
}

void CheckCommand::sayFailures(const QVector<LevelFetch::Outcome> &failures)
{
    QStringList kinds;
    for (const LevelFetch::Outcome outcome : failures)
        kinds << failureText(outcome);
    complain(QStringLiteral("no good picture of channels %1-%2 in %3 attempts (%4)")
                 .arg(m_fetch.first())
                 .arg(m_fetch.last())
                 .arg(failures.size())
                 .arg(kinds.join(QStringLiteral(", "))));
}

void CheckCommand::stopAsking()
{
    m_fetch.pause();
    m_levelsLate.stop();
    if (m_tap)
        m_tap->stop();
    CommandRun::stopAsking();
}
