#pragma once

#include "status.h"

#include <QByteArray>

// What one listing leaves for the operator: the status, and what becomes of
// the list — kept as it was, emptied, or replaced by the levels of channels
// first, first+1, and so on.
struct Listing {
    enum class List { Keep, Empty, Replace };

    int first = 1;
    Status status = Status::MiscError;
    List list = List::Keep;
    QByteArray levels; // one byte a channel, when replaced
};
