// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/reply_split.h"

#include <charconv>

namespace gsmprog::vmodem {

std::optional<ReplySplit> ReplySplit::Parse(const std::string& text, std::string& error) {
    if (text == "random") return ReplySplit(RandomGapLimitMs, true);
    int ms = -1;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, ms);
    if (text.empty() || ec != std::errc() || ptr != end || ms < 0 || ms > 255) {
        error = "--split-replies ждёт паузу 0..255 мс или random: " + text;
        return std::nullopt;
    }
    return ReplySplit(ms, false);
}

std::optional<ReplySplit::Cut> ReplySplit::Next(std::size_t size) {
    if (size < SmallestSplit) return std::nullopt;
    if (!random_) return Cut{size / 2, gapMs_};
    std::uniform_int_distribution<std::size_t> at(1, size - 1);
    std::uniform_int_distribution<int> gap(0, RandomGapLimitMs);
    return Cut{at(engine_), gap(engine_)};
}

}  // namespace gsmprog::vmodem
