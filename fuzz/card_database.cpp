// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The card database loader on files of any size and content, of either generation. What it
// fills must be exactly the file's card blocks (widened for generation 11) with the rest
// cleared, its report must match the file, and every text and date of the cards it loaded
// must show and export without a fault.
//
// Input: a byte of flags, then the file. Flag 1 names the file ProgInfo_11.GAD instead of
// ProgInfo_12.GAD. Flag 2 stretches the file, so that full and oversized databases are
// reached too: the next two bytes (little-endian) give a count of blocks (taken modulo 9004),
// 760 bytes each with flag 4, else 888; the byte after them adds a signed offset; the rest
// of the input is repeated to fill that size.

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "cards/card_database.h"
#include "cards/card_dates.h"
#include "cards/card_fields.h"
#include "cards/csv_export.h"
#include "fuzz/check.h"
#include "text/charset.h"

namespace {

using gsmprog::CardDatabase;
using gsmprog::CardRecord;
using gsmprog::CardRecordSize;

constexpr std::size_t OldBlock = CardDatabase::OldBlockSize;
constexpr std::size_t Slots = CardDatabase::SlotCount;

// A folder of its own for the database files, removed again when the run ends normally.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string name =
            (std::filesystem::temp_directory_path() / "gsmprog-fuzz-XXXXXX").string();
        FUZZ_CHECK(::mkdtemp(name.data()) != nullptr);
        path_ = name;
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The file an input stands for, into `bytes` (kept between runs: a full file is megabytes).
void FileBytes(const std::uint8_t* data, std::size_t size, std::string& bytes) {
    bytes.clear();
    if (size == 0) return;
    const std::uint8_t flags = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if ((flags & 2) == 0) {
        bytes.assign(rest);
        return;
    }
    if (rest.size() < 3) return;
    const std::size_t count = std::uint8_t(rest[0]) | std::size_t(std::uint8_t(rest[1])) << 8;
    const std::size_t blocks = count % (Slots + 4);  // up to two card blocks too many
    const long offset = static_cast<std::int8_t>(rest[2]);
    const long length = long(blocks * ((flags & 4) ? OldBlock : CardRecordSize)) + offset;
    rest.remove_prefix(3);
    bytes.assign(std::size_t(std::max(length, 0L)), '\0');
    for (std::size_t at = 0; !rest.empty() && at < bytes.size(); at += rest.size())
        std::memcpy(bytes.data() + at, rest.data(), std::min(rest.size(), bytes.size() - at));
}

// The record a block of the file stands for: generation 11 never stored record bytes 312..439.
CardRecord Expected(const std::string& file, std::size_t block, bool oldGeneration) {
    CardRecord record{};
    auto* bytes = reinterpret_cast<char*>(&record);
    if (!oldGeneration) {
        std::memcpy(bytes, file.data() + block * CardRecordSize, CardRecordSize);
    } else {
        std::memcpy(bytes, file.data() + block * OldBlock, 312);
        std::memcpy(bytes + 440, file.data() + block * OldBlock + 312, OldBlock - 312);
    }
    return record;
}

bool Same(const CardRecord& a, const CardRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckLoaded(const CardDatabase& db, bool complete, const std::string& file) {
    const std::size_t size = file.size();
    const bool oldGeneration = size % OldBlock == 0;  // 0 bytes included
    const bool fits = oldGeneration || size % CardRecordSize == 0;
    const std::size_t blocks = fits ? size / (oldGeneration ? OldBlock : CardRecordSize) : 0;
    const std::size_t cards = blocks > 0 ? blocks - 1 : 0;
    const std::size_t read = std::min(cards, Slots);

    FUZZ_CHECK(complete == (blocks > 0 && cards <= Slots));
    FUZZ_CHECK(db.LastLoadState() ==
               (complete ? CardDatabase::LoadState::Complete : CardDatabase::LoadState::Partial));
    const CardDatabase::LoadDetail& detail = db.LastLoadDetail();
    FUZZ_CHECK(detail.size == size);
    FUZZ_CHECK(detail.sizeFits == fits);
    FUZZ_CHECK(detail.cardBlocks == cards);
    FUZZ_CHECK(detail.cardsRead == read);
    for (std::size_t i = 0; i < Slots; ++i)
        FUZZ_CHECK(Same(db.cards[i], i < read ? Expected(file, i, oldGeneration) : CardRecord{}));
    CardRecord last{};
    if (blocks > 0) {
        last = Expected(file, blocks - 1, oldGeneration);
        if (oldGeneration) last = gsmprog::MakeTemplate(last);
    }
    FUZZ_CHECK(Same(db.TemplateRecord, last));
}

// Shows the loaded cards as the list, the card view and the export do: the first ones and the
// last one, as a stretched file repeats the same bytes in between.
void ShowCards(const CardDatabase& db) {
    constexpr std::size_t Shown = 64;
    for (std::size_t slot = 0; slot < Slots; slot = slot + 1 == Shown ? Slots - 1 : slot + 1) {
        const CardRecord& card = db.cards[slot];
        if (!card.InUse()) continue;
        gsmprog::UoCodesText(card);
        for (const double date : {card.DateChanged, card.DateProgrammed}) {
            const std::size_t shown = gsmprog::FormatDays(date).size();
            FUZZ_CHECK(shown == 0 || shown == 19);
        }
        for (const std::string_view text :
             {gsmprog::FieldText(card.NCardEdit), gsmprog::FieldText(card.Edit1),
              gsmprog::FieldText(card.FIOEdit), gsmprog::FieldText(card.SIM_ID2_Edit)})
            FUZZ_CHECK(gsmprog::Win1251ToUtf8(text).size() >= text.size());
    }
    gsmprog::CsvText(db.cards.data(), int(Shown));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ScratchFolder folder;
    static const auto db = std::make_unique<CardDatabase>(folder.Path());
    const bool oldName = size > 0 && (data[0] & 1) != 0;
    static std::string file;
    FileBytes(data, size, file);
    std::filesystem::remove(db->DatabasePath());
    std::filesystem::remove(db->OldDatabasePath());
    std::ofstream(oldName ? db->OldDatabasePath() : db->DatabasePath(), std::ios::binary)
        .write(file.data(), std::streamsize(file.size()));

    const bool complete = db->LoadDatabase();
    FUZZ_CHECK(db->LoadedFile() == (oldName ? db->OldDatabasePath() : db->DatabasePath()));
    CheckLoaded(*db, complete, file);
    ShowCards(*db);
    return 0;
}
