#include "picture_outcome.h"

#include <algorithm>

QString failureWord(LevelFetch::Outcome outcome)
{
    switch (outcome) {
    case LevelFetch::Outcome::NoAnswer: return QStringLiteral("no answer");
    case LevelFetch::Outcome::HeaderError: return QStringLiteral("header");
    case LevelFetch::Outcome::ChecksumError: return QStringLiteral("checksum");
    case LevelFetch::Outcome::EndByteError: return QStringLiteral("end byte");
    case LevelFetch::Outcome::CutShort: return QStringLiteral("cut short");
    case LevelFetch::Outcome::Success: break;
    }
    return {};
}

QString failureText(LevelFetch::Outcome outcome)
{
    switch (outcome) {
    case LevelFetch::Outcome::NoAnswer: return QStringLiteral("no answer");
    case LevelFetch::Outcome::HeaderError: return QStringLiteral("header error");
    case LevelFetch::Outcome::ChecksumError: return QStringLiteral("checksum error");
    case LevelFetch::Outcome::EndByteError: return QStringLiteral("wrong end byte");
    case LevelFetch::Outcome::CutShort: return QStringLiteral("reply cut short");
    case LevelFetch::Outcome::Success: break;
    }
    return {};
}

LevelFetch::Outcome PictureOutcome::failure() const
{
    const QVector<Picture::Failure> failures = picture.failures();
    if (failures.isEmpty())
        return good ? LevelFetch::Outcome::Success : LevelFetch::Outcome::NoAnswer;
    const auto within = std::find_if(failures.begin(), failures.end(), [](const Picture::Failure &failure) {
        return !failure.piece.beyondWindow();
    });
    return within != failures.end() ? within->outcome : failures.front().outcome;
}
