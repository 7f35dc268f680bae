#pragma once

#include "status.h"

#include <QByteArray>
#include <functional>

class TransceiverLink;

// The line is flushed with this many single NUL writes before the probe.
constexpr int kFlushNulCount = 265;

// Whether the probe's answer is the box's "G": with more than one byte
// counted, only the last character read is judged.
bool probeAnswered(const QByteArray &text, int finalCount);

// Closes the port, configures it for the box, opens port `port` and probes
// the box. Each outcome is reported as it happens (a failed close before the
// probe's own outcome).
void setUpPortAndProbe(TransceiverLink &link, int port, const std::function<void(Status)> &report);
