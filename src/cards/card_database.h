#pragma once
// The one store of cards: 9000 fixed slots, the defaults record for new cards and the slot
// shown in the main window, mirrored in ProgInfo_12.GAD (9001 blocks of 888 bytes).
// Too large for the stack: create it on the heap.

#include <array>
#include <cstdint>
#include <filesystem>

#include "card_record.h"

namespace gsmprog {

class CardDatabase {
public:
    static constexpr int SlotCount = 9000;
    static constexpr const char* DatabaseFileName = "ProgInfo_12.GAD";
    static constexpr const char* OldDatabaseFileName = "ProgInfo_11.GAD";

    // Where the files live; empty means the current working directory.
    explicit CardDatabase(std::filesystem::path directory = {});

    std::array<CardRecord, SlotCount> slots{};
    CardRecord TemplateRecord{};
    std::int32_t SelectedIndex = -1;

    // True when every card block and the template block were read.
    bool LoadDatabase();
    // True when the whole file was written; false leaves the old file intact.
    bool SaveDatabase();

    const std::filesystem::path& Directory() const { return directory_; }

private:
    std::filesystem::path directory_;
};

}  // namespace gsmprog
