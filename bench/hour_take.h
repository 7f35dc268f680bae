#pragma once

#include <QString>

// An hour of channels 1-`width` moving on every picture, a picture every
// block's wire time at 115200 baud, written to `path` as lumivane record
// writes a take: the benchmarks' worst case of a take to open and go
// through. Says what it wrote on standard output; false when it could not.
bool writeMovingHour(const QString &path, int width);
