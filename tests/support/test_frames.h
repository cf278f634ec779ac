// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Block frames as the tests expect them on the wire, written out independently of the code
// under test: 0x3A, n, data, and the byte that makes the frame sum to 0.

#include <cstdint>
#include <vector>

namespace gsmprog::test {

inline std::vector<std::uint8_t> Frame(const std::uint8_t* data, std::size_t n) {
    // Byte by byte: GCC's bounds warnings misjudge a bulk copy into a vector here.
    std::vector<std::uint8_t> frame{0x3A, static_cast<std::uint8_t>(n)};
    for (std::size_t i = 0; i < n; ++i) frame.push_back(data[i]);
    std::uint8_t sum = 0;
    for (const std::uint8_t byte : frame) sum = static_cast<std::uint8_t>(sum + byte);
    frame.push_back(static_cast<std::uint8_t>(0x100 - sum));
    return frame;
}

inline std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& data) {
    return Frame(data.data(), data.size());
}

inline const std::vector<std::uint8_t> EndFrameBytes{0x3A, 0x00, 0xC6};

}  // namespace gsmprog::test
