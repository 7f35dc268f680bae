#pragma once

#include <QString>
#include <chrono>
#include <variant>

// The requests a session serves, one at a time, in the order asked. A new
// kind of request is a struct here and its begin/answer in the session.
namespace job {

struct PortChoice {
    int port = 0;
    QString device;         // in place of Port n's own
    bool automatic = false; // the lost device found again
};

struct Read {
    int reader = 0;
    int channel = 0;
};

// An operator's listing of first..last.
struct Listing {
    int first = 0;
    int last = 0;
};

// A block for a live view; withdrawn by cancelFetches() while it waits.
struct Fetch {
    int first = 0;
    int last = 0;
    std::chrono::milliseconds patience{0}; // zero: the usual time-out
};

// One channel read for a live view by the read command; reported as a
// one-channel block fetch, withdrawn with the blocks.
struct FetchRead {
    int channel = 0;
    std::chrono::milliseconds patience{0};
};

// A monitoring pass: the monitored channels in slot order.
struct Pass {
    int slot = 0;    // the slot in flight
    int channel = 0; // its channel, as its command was built
};

} // namespace job

using SessionJob =
    std::variant<job::PortChoice, job::Read, job::Listing, job::Fetch, job::Pass, job::FetchRead>;
