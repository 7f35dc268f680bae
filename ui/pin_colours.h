#pragma once

#include <QColor>

// One colour for each pinned channel, in the order pinned, the same in the
// grid and in the history plot. Chosen to stay apart for colour-blind eyes
// and to stand out against the grid's amber.
inline QColor pinColour(int index)
{
    static constexpr QRgb colours[] = {0x56B4E9, 0xD55E00, 0x009E73, 0xCC79A7, 0xF0F0F0};
    return QColor(colours[index % 5]);
}
