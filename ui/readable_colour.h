#pragma once

#include <QColor>

// Text must stand out from what it is drawn on, on a light desktop and on a
// dark one alike: 4.5 to 1 for text, 3 to 1 for marks such as ticks, the
// ratios of relative luminance that screen-reading guidelines ask for.
inline constexpr double kTextContrast = 4.5;
inline constexpr double kMarkContrast = 3.0;

// From 1 (the same luminance) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// `wanted` when it stands out `ratio` to 1 against `background`; otherwise
// `wanted` taken towards black on a light background, towards white on a
// dark one, just far enough. A red stays a red.
QColor readableOn(const QColor &wanted, const QColor &background, double ratio = kTextContrast);
