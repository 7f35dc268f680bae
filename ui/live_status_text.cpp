#include "live_status_text.h"

#include <QStringList>

namespace {

QString outcomeText(LevelFetch::Outcome outcome)
{
    switch (outcome) {
    case LevelFetch::Outcome::Success: break;
    case LevelFetch::Outcome::NoAnswer: return QStringLiteral("no answer");
    case LevelFetch::Outcome::HeaderError: return QStringLiteral("header");
    case LevelFetch::Outcome::ChecksumError: return QStringLiteral("checksum");
    case LevelFetch::Outcome::EndByteError: return QStringLiteral("end byte");
    case LevelFetch::Outcome::CutShort: return QStringLiteral("cut short");
    }
    return {};
}

// The channels of the picture the box did not answer, and how they failed.
QString notAnsweredText(const QVector<Picture::Failure> &failures)
{
    QStringList parts;
    for (const Picture::Failure &failure : failures) {
        const picture_plan::Piece &piece = failure.piece;
        const QString channels = piece.from == piece.to ? QString::number(piece.from)
                                                        : QStringLiteral("%1-%2").arg(piece.from).arg(piece.to);
        parts << QStringLiteral("%1 %2").arg(channels, outcomeText(failure.outcome));
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
    using Outcome = LevelFetch::Outcome;
    const QString rate = fetch.running()
        ? QStringLiteral("%1 pictures/s").arg(fetch.picturesInLastSecond())
        : QStringLiteral("paused");
    return QStringLiteral("%1   failed: no answer %2, header %3, checksum %4, end byte %5, cut short %6   %7")
               .arg(rate)
               .arg(fetch.failures(Outcome::NoAnswer))
               .arg(fetch.failures(Outcome::HeaderError))
               .arg(fetch.failures(Outcome::ChecksumError))
               .arg(fetch.failures(Outcome::EndByteError))
               .arg(fetch.failures(Outcome::CutShort))
               .arg(age)
        + notAnsweredText(fetch.notAnswered());
}
