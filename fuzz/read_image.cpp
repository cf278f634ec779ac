// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The image a read brings back, of any length and content: it widens only from 316 or 444
// bytes, into the layout the read-result window and the card match expect, and is taken only
// with a good CRC; what the window then shows keeps within each field. The input also serves
// as a card: the image built from it must read back as a good image of that very card.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>

#include "cards/card_database.h"
#include "fuzz/check.h"
#include "ops/card_match.h"
#include "link/checksums.h"
#include "ops/read_result.h"

namespace {

using namespace gsmprog;

void CheckWidened(const std::uint8_t* bytes, std::size_t length) {
    WideImage image;
    const bool widened = WidenReadImage(bytes, length, image);
    FUZZ_CHECK(widened == (length == ShortImageSize || length == LongImageSize));
    FUZZ_CHECK(EvaluateReadImage(bytes, length, image) == (widened && Crc16(bytes, length) == 0));
    if (!widened) return;

    std::uint8_t expected[LongImageSize] = {};
    if (length == LongImageSize) {
        std::memcpy(expected, bytes, LongImageSize);
    } else {
        std::memcpy(expected, bytes, 312);  // then the random pair and the CRC at 440..443
        std::memcpy(expected + 440, bytes + 312, 4);
    }
    FUZZ_CHECK(std::memcmp(image.bytes.data(), expected, LongImageSize) == 0);
    FUZZ_CHECK(image.variant == (length == LongImageSize ? 1 : 0));

    const ReadResultView view = DescribeReadImage(image);
    FUZZ_CHECK(view.Pin1Edit.size() <= sizeof CardRecord::Pin1Edit);
    FUZZ_CHECK(view.Ip1GsmEdit.size() <= sizeof CardRecord::Ip1GsmEdit);
    FUZZ_CHECK(view.smsObjNameEdit.size() <= sizeof CardRecord::smsObjNameEdit);
    FUZZ_CHECK(view.balCodeSim2.size() <= sizeof CardRecord::balCodeSim2);
    FUZZ_CHECK(view.ProgID1.size() == 4);
    FUZZ_CHECK(view.balanceGroupVisible == (image.variant == 1));
}

// A card made of the input (zero-padded), programmed and read back, is found as itself.
void CheckRoundTrip(const std::uint8_t* bytes, std::size_t length) {
    static const auto database = std::make_unique<CardDatabase>();
    CardRecord& card = database->cards[0];
    card = CardRecord{};
    std::memcpy(&card, bytes, std::min(length, sizeof card));
    const int variant = int(length % 2);
    card.VersionCombo = std::uint8_t(variant);  // the match builds the card's image for its version
    std::tm when{};
    when.tm_year = 125;
    when.tm_mday = 1;
    const ModemImage image =
        BuildModemImage(card, variant, when, {std::uint8_t(bytes[0] % 255), 7});

    WideImage read;
    FUZZ_CHECK(EvaluateReadImage(image.bytes.data(), image.length, read));
    FUZZ_CHECK(read.variant == variant);
    FUZZ_CHECK(std::memcmp(read.bytes.data() + 18, reinterpret_cast<const char*>(&card) + 18,
                           312 - 18) == 0);

    card.DateChanged = 1.0;
    card.DateProgrammed = 2.0;
    card.ProgID1 = image.crc;
    const ModemCard found = FindModemCard(*database, read);
    const bool anyDevice =
        std::any_of(card.UoType, card.UoType + 4, [](std::uint8_t t) { return t != 0; });
    FUZZ_CHECK(found.match == (anyDevice ? CardMatch::Same : CardMatch::None));
    FUZZ_CHECK(found.slot == (anyDevice ? 0 : -1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckWidened(data, size);
    if (size > 0) CheckRoundTrip(data, size);
    return 0;
}
