#pragma once

#include "live_fetch.h"

#include <QString>

// The line under the live grid: pictures a second (or "paused", or that the
// port is lost), failed pieces by kind, the age of the last good picture and
// the channels the box did not answer.
QString liveStatusText(const LiveFetch &fetch);
