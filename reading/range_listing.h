#pragma once

#include "status.h"

#include <QStringList>

class TransceiverLink;

// What one listing leaves for the window: the status, and what becomes of
// the list — kept as it was, emptied, or replaced by new lines.
struct Listing {
    enum class List { Keep, Empty, Replace };

    Status status = Status::MiscError;
    List list = List::Keep;
    QStringList lines; // "Ch#<channel> <level>", when replaced
};

// Fetches channels low..high in one block over the link. The caller has
// already refused a range whose high end is not above its low end.
Listing listRange(TransceiverLink &link, int low, int high);
