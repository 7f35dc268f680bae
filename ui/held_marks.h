#pragma once

#include "line_tally.h"

#include <QPixmap>
#include <QString>

// The grid's mark for how a channel moved since the hold, `side` pixels square.
QPixmap heldMark(Motion motion, int side);

// The same in words: "went up only".
QString motionText(Motion motion);
