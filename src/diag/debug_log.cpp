#include "diag/debug_log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace gsmprog {

namespace {
bool AskedByEnvironment() {
    const char* value = std::getenv("GSMPROG_DEBUG");
    return value != nullptr && std::strcmp(value, "1") == 0;
}
}  // namespace

std::atomic<bool> debug_log_detail::on{AskedByEnvironment()};

void EnableDebugLog() { debug_log_detail::on = true; }

void DebugLog(std::string_view source, std::string_view text) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    localtime_r(&now.tv_sec, &local);
    char stamp[24];
    const std::size_t length = std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::snprintf(stamp + length, sizeof stamp - length, ".%03ld ", now.tv_nsec / 1000000);

    std::string line = stamp;
    line.append(source).append(": ").append(text).append("\n");
    for (std::size_t done = 0; done < line.size();) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
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
