#include "monitoring.h"

#include "channel_read.h"

void monitoringPass(TransceiverLink &link, int slotCount, const std::function<int(int slot)> &channelOf,
                    const std::function<void(int slot, std::optional<int> level)> &show)
{
    for (int slot = 0; slot < slotCount; ++slot)
        show(slot, readChannel(link, channelOf(slot), /*discardFirst=*/true));
}
