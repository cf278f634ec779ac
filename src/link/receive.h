// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The polled receive of the programming link: everything queued at the moment of the poll
// is one reply, unless it is plainly only the beginning of one.

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
CableStatus Receive(Cable& cable, CableHandle handle, std::uint8_t* buffer, std::uint32_t capacity,
                    std::uint32_t& received);

// An adapter behind a busy USB hub may hand a reply over in pieces further apart than its
// latency timer. A reply that is plainly cut short is given this long to become whole before
// it is judged, polled again every CutReplyPollMs.
inline constexpr std::uint32_t CutReplyWaitMs = 50;
inline constexpr std::uint32_t CutReplyPollMs = 5;

// The reply is plainly cut short: a strict beginning of a word of the programming protocol
// ("NE" of "NEXT", "REA" of "READY"; a word that is whole, such as "READY" before "NEXT", is
// not), or a block frame with fewer bytes than its length byte announces.
bool IsReplyCutShort(const std::uint8_t* reply, std::uint32_t length);

}  // namespace gsmprog
