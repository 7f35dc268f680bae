#pragma once

#include <QRect>

// The window is laid out in twips, 15 to a pixel.
constexpr int twipsToPixels(int twips)
{
    return (2 * twips + 15) / 30;
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}
