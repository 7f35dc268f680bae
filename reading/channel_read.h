#pragma once

#include <QByteArray>
#include <optional>

class TransceiverLink;

// The read command for an operator channel (1-256): "C", the channel minus
// one as three digits, "?". Channel 12 gives C011?.
QByteArray readCommand(int channel);

// The level an answer carries, judged on its first four characters (blank
// filled): an "L" and a level field of digits 0-255 with blanks, tabs and
// line feeds skipped. Anything else in the field (a sign, a point, a carriage
// return, a letter, a number above 255) is not an answer the operator may see.
std::optional<int> judgeReadAnswer(const QByteArray &text);

// Reads one channel over the link; empty when the box gave no acceptable
// answer. Monitoring empties the receive buffer before each command, the
// operator's read does not.
std::optional<int> readChannel(TransceiverLink &link, int channel, bool discardFirst);
