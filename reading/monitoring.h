#pragma once

#include <functional>
#include <optional>

class TransceiverLink;

// One monitoring pass: the five readers' channels read in slot order, each
// after emptying the receive buffer, each slot's channel taken at the moment
// its command is built. `show` gets each slot's outcome as it comes.
void monitoringPass(TransceiverLink &link, int slotCount, const std::function<int(int slot)> &channelOf,
                    const std::function<void(int slot, std::optional<int> level)> &show);
