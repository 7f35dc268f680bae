#include "status_text.h"

QString statusText(Status status)
{
    switch (status) {
    case Status::ConnectedOk: return QStringLiteral("DMX Transceiver connected OK");
    case Status::NoTransceiver: return QStringLiteral(" No DMX Transceiver is connected");
    case Status::ErrorOpeningPort: return QStringLiteral("Error Opening COM Port");
    case Status::ReadAccepted: return QStringLiteral("DMX Rx command accepted");
    case Status::NoResponse: return QStringLiteral("NO RESPONSE FROM DMX Transceiver");
    case Status::BlockOk: return QStringLiteral("Checksum correct & DMX Block Rx Successful");
    case Status::HeaderError: return QStringLiteral("Header error");
    case Status::ChecksumError: return QStringLiteral("Checksum error");
    case Status::BlockNotAsExpected: return QStringLiteral("DMX Rx block not as expected");
    case Status::MiscError: return QStringLiteral("Misc Software or Hardware Error");
    }
    return {};
}

bool statusBeeps(Status status)
{
    return status == Status::NoTransceiver || status == Status::ErrorOpeningPort
        || status == Status::NoResponse;
}
