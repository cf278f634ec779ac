// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How gsmprog-vmodem hands a reply to the line when asked to: as an FTDI adapter hands over a
// reply that straddles its latency timer, in two pieces some milliseconds apart.

#include <cstddef>
#include <optional>
#include <random>
#include <string>

namespace gsmprog::vmodem {

class ReplySplit {
public:
    // Replies shorter than this go whole.
    static constexpr std::size_t SmallestSplit = 4;
    // A random gap stays within the Linux FTDI driver's default latency timer.
    static constexpr int RandomGapLimitMs = 16;

    // "MS" (0..255, as a latency timer) or "random"; nothing, with a reason, for anything else.
    static std::optional<ReplySplit> Parse(const std::string& text, std::string& error);

    // The most the pieces of a reply lie apart: what the cable announces as its latency timer.
    int LatencyTimerMs() const { return random_ ? RandomGapLimitMs : gapMs_; }

    struct Cut {
        std::size_t at;  // bytes in the first piece
        int gapMs;       // pause before the second
    };
    // How the next reply of `size` bytes goes out; nothing when it goes whole. A fixed gap
    // cuts in the middle; a random one anywhere, after a random pause.
    std::optional<Cut> Next(std::size_t size);

private:
    ReplySplit(int gapMs, bool random) : gapMs_(gapMs), random_(random) {}

    int gapMs_;
    bool random_;
    std::mt19937 engine_{std::random_device{}()};
};

}  // namespace gsmprog::vmodem
