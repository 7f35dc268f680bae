#pragma once

#include <QString>

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

// The status box's text for an outcome, exactly as the operator sees it.
QString statusText(Status status);

// Failed probes and failed reads sound the beep; successes and every outcome
// of the listing never do.
bool statusBeeps(Status status);
