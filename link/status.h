#pragma once

// Every outcome the monitor reports in its status box.
enum class Status {
    ConnectedOk,      // the probe was answered "G"
    NoTransceiver,    // the probe got no answer or another one
    ErrorOpeningPort, // closing the old port or opening the new one failed
    ReadAccepted,     // a channel read was answered
    NoResponse,       // a channel read got no acceptable answer
    BlockOk,          // a block arrived whole
    HeaderError,
    ChecksumError,
    BlockNotAsExpected,
    MiscError,        // the listing's catch-all
};
