// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/image_settings.h"

#include <algorithm>
#include <cstring>

#include "cards/card_dates.h"
#include "ops/read_result.h"
#include "ops/hex_text.h"

namespace gsmprog {

namespace {
constexpr std::size_t PairAndCrc = 4;
}

CardRecord HeldSettings(const WideImage& image) {
    CardRecord record{};
    std::memcpy(&record, image.bytes.data(), image.bytes.size());
    static_assert(sizeof record.NCardEdit == sizeof record.ImageCardNumber);
    std::memcpy(record.NCardEdit, record.ImageCardNumber, sizeof record.NCardEdit);
    record.VersionCombo = static_cast<std::uint8_t>(image.variant);
    return record;
}

std::vector<SettingsDifference> CompareWithImage(const CardRecord& card, const WideImage& image) {
    return CompareSettings(card, HeldSettings(image));
}

CardRecord CardFromImage(const WideImage& image) {
    // A widened short image holds zeros where it carries nothing, which are a new card's values.
    CardRecord card = HeldSettings(image);
    std::memset(card.ImageCardNumber, 0, sizeof card.ImageCardNumber);
    std::memset(card.ImageTimestamp, 0, sizeof card.ImageTimestamp);
    std::memset(card.ImageRandom, 0, sizeof card.ImageRandom);
    card.ProgID1 = card.ImageCrc;
    card.ImageCrc = 0;
    card.DateChanged = CurrentDays();
    return card;
}

bool EvaluateSavedImage(const std::vector<std::uint8_t>& bytes, WideImage& image) {
    if (EvaluateReadImage(bytes.data(), bytes.size(), image)) return true;
    if (bytes.size() != LongImageSize) return false;
    // A short image widened: its bytes up to the balance settings, zeros, its pair and CRC.
    const auto gap = bytes.begin() + ShortImageSettingsEnd;
    const auto tail = bytes.end() - PairAndCrc;
    if (!std::all_of(gap, tail, [](std::uint8_t byte) { return byte == 0; })) return false;
    std::vector<std::uint8_t> narrow(bytes.begin(), gap);
    narrow.insert(narrow.end(), tail, bytes.end());
    return EvaluateReadImage(narrow.data(), narrow.size(), image);
}

bool EvaluateJournalImage(const JournalEntry& entry, WideImage& image) {
    const std::optional<std::vector<std::uint8_t>> bytes = HexBytes(entry.image);
    return bytes && EvaluateReadImage(bytes->data(), bytes->size(), image);
}

}  // namespace gsmprog
