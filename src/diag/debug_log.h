#pragma once
// The diagnostic log: timestamped events of the cables and of both links on stderr, for
// finding out why a cable or a modem does not work. Off unless GSMPROG_DEBUG=1 is in the
// environment or the program turns it on (gsmprog-cli --verbose); while it is off, callers
// test DebugLogOn() first, so an event costs one relaxed load.

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace gsmprog {

namespace debug_log_detail {
extern std::atomic<bool> on;
}  // namespace debug_log_detail

inline bool DebugLogOn() { return debug_log_detail::on.load(std::memory_order_relaxed); }
void EnableDebugLog();

// "HH:MM:SS.mmm SOURCE: TEXT" as one line, written with a single write(2), so that the lines
// of several threads never mix.
void DebugLog(std::string_view source, std::string_view text);

// Bytes as hex pairs, at most `limit` of them and then how many more there were, so that one
// event stays one readable line.
std::string DebugHex(const void* bytes, std::size_t count, std::size_t limit = 48);
// A reply as the log shows it: the word when every byte is printable ASCII, else hex.
std::string DebugReply(const void* bytes, std::size_t count);

}  // namespace gsmprog
