#include "listing_lines.h"

QStringList listingLines(const Listing &listing)
{
    QStringList lines;
    lines.reserve(listing.levels.size());
    for (int i = 0; i < listing.levels.size(); ++i)
        lines << QStringLiteral("Ch#%1 %2").arg(listing.first + i).arg(quint8(listing.levels[i]));
    return lines;
}
