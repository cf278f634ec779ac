// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finding the first byte of a few kinds in a text, 16 bytes at a time where the processor
// allows: the journal's reader and listing look at every byte of a million lines.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gsmprog {

namespace byte_scan {

// The first index from `i` on where `stop` holds, or `size`.
template <typename Stop>
std::size_t Scalar(const char* text, std::size_t i, std::size_t size, Stop stop) {
    while (i < size && !stop(static_cast<unsigned char>(text[i]))) ++i;
    return i;
}

#if defined(__SSE2__)
// The first index where a 16-byte block gives a non-zero `mask`, else the scalar rest.
template <typename Mask, typename Stop>
std::size_t Wide(const char* text, std::size_t size, Mask mask, Stop stop) {
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        if (const int found = _mm_movemask_epi8(mask(block)))
            return i + std::size_t(__builtin_ctz(found));
    }
    return Scalar(text, i, size, stop);
}
#endif

}  // namespace byte_scan

// The places of '"' and '\\' in a text, found 64 bytes at a time and kept as a bit mask, so
// that a scanner going from one JSON string to the next finds each end by a bit count.
class QuoteFinder {
public:
    explicit QuoteFinder(std::string_view text) : text_(text) {}

    // The first index from `from` on that holds '"' or '\\', or the text's size.
    std::size_t Next(std::size_t from) {
        while (from < text_.size()) {
            const std::size_t window = from & ~std::size_t(63);
            if (window != window_) Load(window);
            if (const std::uint64_t bits = mask_ >> (from - window))
                return from + std::size_t(std::countr_zero(bits));
            from = window + 64;
        }
        return text_.size();
    }

private:
    void Load(std::size_t window) {
        window_ = window;
        mask_ = 0;
        const std::size_t end = std::min(window + 64, text_.size());
        std::size_t i = window;
#if defined(__SSE2__)
        for (; i + 16 <= end; i += 16) {
            const __m128i block =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(text_.data() + i));
            const __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('"')),
                                               _mm_cmpeq_epi8(block, _mm_set1_epi8('\\')));
            mask_ |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(stops))) << (i - window);
        }
#endif
        for (; i < end; ++i)
            if (text_[i] == '"' || text_[i] == '\\') mask_ |= std::uint64_t(1) << (i - window);
    }

    std::string_view text_;
    std::size_t window_ = SIZE_MAX;
    std::uint64_t mask_ = 0;
};

// The index of the first byte below 0x20, 0x7F, '\\' or 0xC2 (the lead byte of the C1
// controls, among others) in `text`, or `size`: where a text may need escaping for a terminal.
inline std::size_t FindControlOrBackslash(const char* text, std::size_t size) {
    const auto stop = [](unsigned char c) {
        return c < 0x20 || c == 0x7F || c == '\\' || c == 0xC2;
    };
#if defined(__SSE2__)
    return byte_scan::Wide(
        text, size,
        [](__m128i block) {
            // Unsigned "below 0x20" as a signed compare of the bytes with their top bit flipped.
            const __m128i flipped = _mm_xor_si128(block, _mm_set1_epi8(char(0x80)));
            const __m128i control = _mm_cmplt_epi8(flipped, _mm_set1_epi8(char(0x20 ^ 0x80)));
            return _mm_or_si128(_mm_or_si128(control, _mm_cmpeq_epi8(block, _mm_set1_epi8(0x7F))),
                                _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\\')),
                                             _mm_cmpeq_epi8(block, _mm_set1_epi8(char(0xC2)))));
        },
        stop);
#else
    return byte_scan::Scalar(text, 0, size, stop);
#endif
}

}  // namespace gsmprog
