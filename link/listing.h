#pragma once

#include "block_reply.h"
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

    // A listing that could not be sent or read, or whose reply was cut
    // short, keeps the list as it was; every frame fault empties it.
    static Listing from(const BlockReply &reply);
};
