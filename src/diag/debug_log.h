// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The diagnostic log: timestamped events of the cables and of both links, for finding out why a
// cable or a modem does not work. On stderr when GSMPROG_DEBUG=1 is in the environment or the
// program asks for it (gsmprog-cli --verbose); in memory, the last DebugRingCapacity lines, when
// the program keeps them (the window, for a support report). While neither is on, callers test
// DebugLogOn() first, so an event costs one relaxed load.

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace gsmprog {

namespace debug_log_detail {
extern std::atomic<bool> on;  // stderr or the ring
}  // namespace debug_log_detail

inline constexpr std::size_t DebugRingCapacity = 2000;
// A longer line is cut in the ring (not on stderr), so that the ring stays well under a megabyte.
inline constexpr std::size_t DebugRingLineLimit = 300;

inline bool DebugLogOn() { return debug_log_detail::on.load(std::memory_order_relaxed); }
void EnableDebugLog();
// From now on the last DebugRingCapacity lines are kept in memory, on stderr or not.
void KeepDebugRing();

// "HH:MM:SS.mmm SOURCE: TEXT" as one line, written with a single write(2), so that the lines
// of several threads never mix.
void DebugLog(std::string_view source, std::string_view text);

// The kept lines, oldest first, each as stderr shows it without its line end.
std::vector<std::string> DebugRingLines();

// Bytes as hex pairs, at most `limit` of them and then how many more there were, so that one
// event stays one readable line.
std::string DebugHex(const void* bytes, std::size_t count, std::size_t limit = 48);
// A reply as the log shows it: the word when every byte is printable ASCII, else hex.
std::string DebugReply(const void* bytes, std::size_t count);

}  // namespace gsmprog
