#include "level_format.h"

int levelPercent(int level)
{
    if (level <= 0)
        return 0;
    if (level >= 255)
        return 100;
    // Nearest would show level 1 as 0 % and 254 as 100 %: an operator
    // hunting a channel that leaks a little, or one that never quite
    // reaches full, must not be told it is off or full.
    const int nearest = (level * 100 + 127) / 255;
    return qBound(1, nearest, 99);
}

QString formatLevel(int level, LevelFormat format)
{
    switch (format) {
    case LevelFormat::Percent:
        return QString::number(levelPercent(level));
    case LevelFormat::Hex:
        return QStringLiteral("%1").arg(level, 2, 16, QLatin1Char('0')).toUpper();
    case LevelFormat::Decimal:
        break;
    }
    return QString::number(level);
}
