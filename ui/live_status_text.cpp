#include "live_status_text.h"

#include <QStringList>

namespace {

// The channels of the picture the box did not answer, and how they failed.
QString notAnsweredText(const QVector<Picture::Failure> &failures)
{
    QStringList parts;
    for (const Picture::Failure &failure : failures) {
        const picture_plan::Piece &piece = failure.piece;
        const QString channels = piece.from == piece.to ? QString::number(piece.from)
                                                        : QStringLiteral("%1-%2").arg(piece.from).arg(piece.to);
        parts << QStringLiteral("%1 %2").arg(channels, failureWord(failure.outcome));
    }
    if (parts.isEmpty())
        return {};
    return QStringLiteral("   not answered: ") + parts.join(QStringLiteral(", "));
}

} // namespace

QString liveStatusText(const LiveFetch &fetch)
{
    QString age = QStringLiteral("no good picture yet");
    if (const auto since = fetch.sinceLastGood()) {
        const double seconds = std::chrono::duration<double>(*since).count();
        age = QStringLiteral("last good picture %1 s ago").arg(seconds, 0, 'f', 1);
    }
    QString rate = QStringLiteral("paused");
    if (fetch.waitingForPort())
        rate = QStringLiteral("port lost, waiting for it to come back");
    else if (fetch.running())
        rate = QStringLiteral("%1 pictures/s from the box (not the DMX frame rate)").arg(fetch.picturesInLastSecond());
    QStringList failed;
    for (const LevelFetch::Outcome kind : kFailureKinds)
        failed << QStringLiteral("%1 %2").arg(failureWord(kind)).arg(fetch.failures(kind));
    return QStringLiteral("%1   failed: %2   %3").arg(rate, failed.join(QStringLiteral(", ")), age)
        + notAnsweredText(fetch.notAnswered());
}
