#pragma once
// Block frames as the tests expect them on the wire, written out independently of the code
// under test: 0x3A, n, data, and the byte that makes the frame sum to 0.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace gsmprog::test {

inline std::vector<std::uint8_t> Frame(const std::uint8_t* data, std::size_t n) {
    std::vector<std::uint8_t> frame(n + 3);
    frame[0] = 0x3A;
    frame[1] = static_cast<std::uint8_t>(n);
    std::copy_n(data, n, frame.begin() + 2);
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < n + 2; ++i) sum = static_cast<std::uint8_t>(sum + frame[i]);
    frame[n + 2] = static_cast<std::uint8_t>(0x100 - sum);
    return frame;
}

inline std::vector<std::uint8_t> Frame(const std::vector<std::uint8_t>& data) {
    return Frame(data.data(), data.size());
}

inline const std::vector<std::uint8_t> EndFrameBytes{0x3A, 0x00, 0xC6};

}  // namespace gsmprog::test
