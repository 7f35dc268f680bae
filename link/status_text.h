#pragma once

#include "status.h"

#include <QString>

// The status box's text for an outcome, exactly as the operator sees it;
// the command line says the same words.
QString statusText(Status status);

// Failed probes and failed reads sound the beep; successes and every outcome
// of the listing never do.
bool statusBeeps(Status status);
