#include "link/receive.h"

#include <algorithm>
#include <cstring>

namespace gsmprog {

CableStatus Receive(Cable& cable, CableHandle handle, std::uint8_t* buffer,
                    std::uint32_t capacity, std::uint32_t& received) {
    std::memset(buffer, 0, capacity);
    std::uint32_t waiting = 0, txQueue = 0, events = 0;
    CableStatus status = cable.GetStatus(handle, &waiting, &txQueue, &events);
    received = waiting;
    if (status != CableOk || waiting == 0) return status;

    std::uint32_t bytesRead = 0;
    if (waiting < capacity) return cable.Read(handle, buffer, waiting, &bytesRead);

    // Too long to be a reply: drain it through the buffer, then leave the buffer zero.
    for (std::uint32_t left = waiting; left > 0 && status == CableOk; left -= bytesRead) {
        status = cable.Read(handle, buffer, std::min(left, capacity), &bytesRead);
        if (bytesRead == 0) break;
    }
    std::memset(buffer, 0, capacity);
    return status;
}

}  // namespace gsmprog
