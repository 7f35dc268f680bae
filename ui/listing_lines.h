#pragma once

#include "listing.h"

#include <QStringList>

// The list box's lines for a listing: "Ch#<channel> <level>", one a channel,
// neither number padded.
QStringList listingLines(const Listing &listing);
