// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/charset.h"

#include <iconv.h>

#include <cerrno>

namespace gsmprog {

namespace {

constexpr const char* Win1251 = "CP1251";
constexpr const char* Utf8 = "UTF-8";
// The one byte the C library's table leaves out stands for the control character of the
// same number, as in Windows' own table, so every byte has a character and comes back.
constexpr char Unassigned = '\x98';
constexpr std::string_view UnassignedUtf8 = "\xC2\x98";  // U+0098

// One iconv conversion, opened once per thread: a descriptor must not be shared between
// threads, and opening one for every field would cost more than the conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {}
    ~Converter() {
        if (Usable()) iconv_close(descriptor_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Usable() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `in` into `out`, which has room for all of it. On input it cannot convert,
    // `onInvalid(out, rest)` is asked: it appends what stands for the start of `rest` and
    // returns how many bytes that took, or 0 to give up.
    template <typename OnInvalid>
    bool Convert(std::string_view in, std::string& out, std::size_t room, OnInvalid onInvalid) {
        if (!Usable()) return false;
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
        out.assign(room, '\0');
        char* input = const_cast<char*>(in.data());
        std::size_t inputLeft = in.size();
        char* output = out.data();
        std::size_t outputLeft = room;
        while (inputLeft > 0) {
            if (iconv(descriptor_, &input, &inputLeft, &output, &outputLeft) != std::size_t(-1))
                break;
            if (errno == E2BIG) return false;  // the room given is always enough
            out.resize(std::size_t(output - out.data()));
            const std::size_t taken = onInvalid(out, std::string_view(input, inputLeft));
            if (taken == 0) return false;
            input += taken;
            inputLeft -= taken;
            const std::size_t used = out.size();
            out.resize(room);
            output = out.data() + used;
            outputLeft = room - used;
        }
        out.resize(std::size_t(output - out.data()));
        return true;
    }

private:
    iconv_t descriptor_;
};

}  // namespace

std::string Win1251ToUtf8(std::string_view bytes) {
    thread_local Converter decoder(Utf8, Win1251);
    std::string text;
    // At most three UTF-8 bytes for each character.
    decoder.Convert(bytes, text, 3 * bytes.size(), [](std::string& out, std::string_view rest) {
        out += rest.front() == Unassigned ? UnassignedUtf8 : std::string_view("\xEF\xBF\xBD");
        return std::size_t(1);
    });
    return text;
}

bool Utf8ToWin1251(std::string_view utf8, std::string& bytes) {
    thread_local Converter encoder(Win1251, Utf8);
    std::string encoded;
    const auto unassigned = [](std::string& out, std::string_view rest) {
        if (!rest.starts_with(UnassignedUtf8)) return std::size_t(0);
        out += Unassigned;
        return UnassignedUtf8.size();
    };
    if (!encoder.Convert(utf8, encoded, utf8.size(), unassigned)) return false;
    bytes = std::move(encoded);
    return true;
}

}  // namespace gsmprog
