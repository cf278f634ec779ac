#pragma once
// The polled receive of the programming link: everything queued at the moment of the poll
// is one reply.

#include <cstdint>

#include "link/cable.h"

namespace gsmprog {

// The programming link polls with this capacity.
inline constexpr std::uint32_t ReceiveCapacity = 100;

// Zeroes the first `capacity` bytes of `buffer`, asks how many bytes wait and, when
// 0 < waiting < capacity, reads exactly those. `received` is the waiting count in every
// case. Returns the status of the last cable call made.
//
// A reply of `capacity` bytes or more is not taken (the buffer stays zero), but it is read
// and discarded, so that it cannot stand in the queue and hide every later reply.
CableStatus Receive(Cable& cable, CableHandle handle, std::uint8_t* buffer,
                    std::uint32_t capacity, std::uint32_t& received);

}  // namespace gsmprog
