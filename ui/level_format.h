#pragma once

#include <QString>

// How the operator wants a level (0-255) written: as the box sends it, as a
// lighting desk shows it, or as a byte.
enum class LevelFormat { Decimal, Percent, Hex };

// A desk's percent: nearest whole percent, except that 0 % and 100 % are
// kept for a channel that is really off or really full.
int levelPercent(int level);

// "128", "50", "80": the bare figure, as a cell or an axis shows it.
QString formatLevel(int level, LevelFormat format);
