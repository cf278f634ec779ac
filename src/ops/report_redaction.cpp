// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/report_redaction.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <optional>

#include "cards/card_record.h"
#include "link/block_frame.h"
#include "link/modem_image.h"
#include "ops/hex_text.h"
#include "text/charset.h"

namespace gsmprog {

namespace {

struct ByteRange {
    std::size_t offset;
    std::size_t size;
};

// The same offsets in the short and the long image: both start as the card does.
constexpr std::array<ByteRange, 8> SecretFields{{
    {offsetof(CardRecord, Pin1Edit), sizeof CardRecord::Pin1Edit},
    {offsetof(CardRecord, Pin2Edit), sizeof CardRecord::Pin2Edit},
    {offsetof(CardRecord, APN1Edit), sizeof CardRecord::APN1Edit},
    {offsetof(CardRecord, APN2Edit), sizeof CardRecord::APN2Edit},
    {offsetof(CardRecord, LoginGsm1Edit), sizeof CardRecord::LoginGsm1Edit},
    {offsetof(CardRecord, LoginGsm2Edit), sizeof CardRecord::LoginGsm2Edit},
    {offsetof(CardRecord, PassGsm1Edit), sizeof CardRecord::PassGsm1Edit},
    {offsetof(CardRecord, PassGsm2Edit), sizeof CardRecord::PassGsm2Edit},
}};
static_assert(offsetof(CardRecord, PassGsm2Edit) + sizeof CardRecord::PassGsm2Edit <=
              ShortImageSize);

std::optional<std::vector<std::uint8_t>> ImageBytes(std::string_view hex) {
    auto bytes = HexBytes(hex);
    if (!bytes || (bytes->size() != ShortImageSize && bytes->size() != LongImageSize))
        return std::nullopt;
    return bytes;
}

// The words the programming link and the modem exchange, and the end frame: nothing secret.
bool ProtocolWord(const std::vector<std::uint8_t>& bytes) {
    static constexpr std::string_view Words[] = {"DEVICE",    "READ", "WRITE", "READY",
                                                 "READYNEXT", "NEXT", "OK",    "ERROR"};
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    for (std::string_view word : Words)
        if (text == word) return true;
    return bytes.size() == sizeof EndFrame &&
           std::memcmp(bytes.data(), EndFrame, sizeof EndFrame) == 0;
}

// The bytes of a dump as DebugHex writes it ("3A 00 C6"); nothing when it is no such dump
// (then it is the reply's word itself, or a dump cut short).
std::optional<std::vector<std::uint8_t>> DumpBytes(std::string_view dump) {
    std::string digits;
    for (std::size_t i = 0; i < dump.size(); i += 3) {
        if (i + 2 > dump.size() || (i + 2 < dump.size() && dump[i + 2] != ' ')) return std::nullopt;
        digits.append(dump.substr(i, 2));
    }
    return HexBytes(digits);
}

bool HarmlessDump(std::string_view dump) {
    if (const auto bytes = DumpBytes(dump)) return ProtocolWord(*bytes);
    return ProtocolWord(std::vector<std::uint8_t>(dump.begin(), dump.end()));
}

// Where the log puts bytes that went over a cable: "… 38 байт: 3A 23 …" of the cable,
// "ответ: READY" and "ответ неполон: 52 45, ожидание" of the link.
struct DumpMarker {
    std::string_view start;
    std::string_view end;  // what follows the dump to the line's end
};
constexpr DumpMarker Markers[] = {
    {" байт: ", ""}, {"ответ неполон: ", ", ожидание"}, {"ответ: ", ""}};

}  // namespace

std::string MaskedImageHex(std::string_view hex) {
    if (!ImageBytes(hex)) return {};
    std::string masked(hex);
    for (const ByteRange& field : SecretFields)
        masked.replace(2 * field.offset, 2 * field.size, 2 * field.size, '*');
    return masked;
}

std::vector<std::string> ImageSecretTexts(std::string_view hex) {
    std::vector<std::string> texts;
    const auto bytes = ImageBytes(hex);
    if (!bytes) return texts;
    for (const ByteRange& field : SecretFields) {
        const char* start = reinterpret_cast<const char*>(bytes->data() + field.offset);
        const std::string_view value(start, strnlen(start, field.size));
        if (!value.empty()) texts.push_back(Win1251ToUtf8(value));
    }
    return texts;
}

std::string MaskSecretTexts(std::string text, const std::vector<std::string>& secrets) {
    for (const std::string& secret : secrets) {
        if (secret.empty()) continue;
        for (std::size_t at = text.find(secret); at != std::string::npos;
             at = text.find(secret, at + SecretMask.size()))
            text.replace(at, secret.size(), SecretMask);
    }
    return text;
}

JournalEntry RedactedJournalEntry(JournalEntry entry, const std::vector<std::string>& secrets) {
    entry.image = MaskedImageHex(entry.image);
    for (std::string* text :
         {&entry.message, &entry.object, &entry.cardNumber, &entry.deviceCodes, &entry.user,
          &entry.host, &entry.cable, &entry.port, &entry.modemVersion})
        *text = MaskSecretTexts(std::move(*text), secrets);
    return entry;
}

std::string MaskedDebugLine(std::string_view line) {
    for (const DumpMarker& marker : Markers) {
        const std::size_t at = line.find(marker.start);
        if (at == std::string_view::npos) continue;
        const std::size_t from = at + marker.start.size();
        std::size_t to = line.size();
        if (!marker.end.empty()) {
            if (!line.ends_with(marker.end) || line.size() - marker.end.size() < from) continue;
            to -= marker.end.size();
        }
        if (HarmlessDump(line.substr(from, to - from))) return std::string(line);
        std::string masked(line.substr(0, from));
        masked.append(SecretMask).append(line.substr(to));
        return masked;
    }
    return std::string(line);
}

}  // namespace gsmprog
