// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "diag/debug_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

namespace gsmprog {

namespace {
bool AskedByEnvironment() {
    const char* value = std::getenv("GSMPROG_DEBUG");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

std::atomic<bool> toStderr{AskedByEnvironment()};
std::atomic<bool> ringKept{false};

// The ring keeps the time as taken and the line without it: the clock is read for every event,
// the local time is worked out only for the lines read back.
struct RingLine {
    timespec when{};
    std::string text;
};
std::mutex ringLock;
std::vector<RingLine> ring;  // guarded by ringLock; grows to DebugRingCapacity, then wraps
std::size_t ringNext = 0;    // guarded by ringLock: the oldest line once the ring is full

std::string Stamp(const timespec& when) {
    std::tm local{};
    localtime_r(&when.tv_sec, &local);
    char stamp[24];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::snprintf(stamp + length, sizeof stamp - length, ".%03ld ", when.tv_nsec / 1000000);
    return stamp;
}

// Cut at a character boundary: the texts are UTF-8.
std::size_t CutLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
    return limit;
}

void KeepInRing(const timespec& when, std::string_view source, std::string_view text) {
    std::lock_guard guard(ringLock);
    RingLine* line;
    if (ring.size() < DebugRingCapacity) {
        line = &ring.emplace_back();
    } else {
        line = &ring[ringNext];
        ringNext = (ringNext + 1) % DebugRingCapacity;
    }
    line->when = when;
    // assign() keeps the slot's storage: once the ring is full, keeping a line allocates nothing.
    line->text.assign(source).append(": ");
    line->text.append(text.substr(0, CutLength(text, DebugRingLineLimit)));
}

void WriteToStderr(const timespec& when, std::string_view source, std::string_view text) {
    std::string line = Stamp(when);
    line.append(source).append(": ").append(text).append("\n");
    for (std::size_t done = 0; done < line.size();) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}
}  // namespace

std::atomic<bool> debug_log_detail::on{AskedByEnvironment()};

void EnableDebugLog() {
    toStderr = true;
    debug_log_detail::on = true;
}

void KeepDebugRing() {
    {
        std::lock_guard guard(ringLock);
        ring.reserve(DebugRingCapacity);
    }
    ringKept = true;
    debug_log_detail::on = true;
}

void DebugLog(std::string_view source, std::string_view text) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (ringKept.load(std::memory_order_relaxed)) KeepInRing(now, source, text);
    if (toStderr.load(std::memory_order_relaxed)) WriteToStderr(now, source, text);
}

std::vector<std::string> DebugRingLines() {
    std::lock_guard guard(ringLock);
    std::vector<std::string> lines;
    lines.reserve(ring.size());
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const RingLine& line = ring[(ringNext + i) % ring.size()];
        lines.push_back(Stamp(line.when) + line.text);
    }
    return lines;
}

std::string DebugHex(const void* bytes, std::size_t count, std::size_t limit) {
    static const char digits[] = "0123456789ABCDEF";
    const auto* data = static_cast<const unsigned char*>(bytes);
    std::string text;
    for (std::size_t i = 0; i < count && i < limit; ++i) {
        if (i > 0) text += ' ';
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    if (count > limit) text += " … ещё " + std::to_string(count - limit);
    return text;
}

std::string DebugReply(const void* bytes, std::size_t count) {
    const auto* data = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < count; ++i)
        if (data[i] < 0x20 || data[i] > 0x7E) return DebugHex(bytes, count);
    return std::string(reinterpret_cast<const char*>(data), count);
}

}  // namespace gsmprog
