// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one store of cards: 9000 fixed slots, the defaults record for new cards and the slot
// shown in the main window, mirrored in ProgInfo_12.GAD (9001 blocks of 888 bytes). An older
// ProgInfo_11.GAD (760-byte blocks) is read when no ProgInfo_12.GAD exists, never written.
// Too large for the stack: create it on the heap.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "cards/card_record.h"

namespace gsmprog {

class CardDatabase {
public:
    static constexpr int SlotCount = 9000;
    static constexpr const char* DatabaseFileName = "ProgInfo_12.GAD";
    static constexpr const char* OldDatabaseFileName = "ProgInfo_11.GAD";
    static constexpr std::size_t OldBlockSize = 760;
    // What the caller reports when SaveDatabase (or the CSV export) fails.
    static constexpr const char* WriteErrorText = "Ошибка записи на диск";
    static constexpr const char* WriteErrorCaption = "Ошибка";
    // What a save tells when the file it replaced had other names (LoadDetail::names).
    static constexpr const char* HardLinksText =
        "у файла базы карточек были и другие имена (жёсткие ссылки): сохранение заменило его "
        "только под этим именем, под другими осталась прежняя база. Чтобы несколько папок "
        "работали с одной базой, сделайте в них символические ссылки на неё";

    enum class LoadState {
        NotLoaded,   // LoadDatabase has not run
        NoFile,      // neither file exists: an empty database
        Complete,    // every card block and the template block were read
        Partial,     // a file was found but not (completely) read: wrong size, short read,
                     // more than 9000 card blocks
        CannotOpen,  // a file exists but cannot be opened for reading
        NotRegular,  // a directory, a pipe or a device has the file's name: never opened
        BrokenLink,  // ProgInfo_12.GAD is a symbolic link that leads to no file (dangling,
                     // looping) or is not followed (another user's in a shared folder, as
                     // is then ProgInfo_11.GAD; one to a file that is no database): no
                     // cards, and nothing is ever written through it
    };

    // What the last load found, for telling why it is not complete.
    struct LoadDetail {
        std::uintmax_t size = 0;  // bytes of the file
        std::size_t cardBlocks =
            0;  // card blocks its size announces (0 for a size of neither format)
        std::size_t cardsRead = 0;  // card blocks read into the slots
        bool sizeFits = false;      // the size is one of a format
        int error = 0;              // errno of CannotOpen and BrokenLink
        std::uintmax_t names = 0;   // names of the file: more than one are hard links
    };

    // Where the files live; empty means the current working directory.
    explicit CardDatabase(std::filesystem::path directory = {});

    // Its 8 MB come on the system's huge pages where it offers them: a few page faults
    // instead of two thousand make a load about twice as fast.
    static void* operator new(std::size_t size);
    static void operator delete(void* memory);

    std::array<CardRecord, SlotCount> cards{};  // slot i holds row i + 1
    CardRecord TemplateRecord{};
    std::int32_t SelectedIndex = -1;

    // True when every card block and the template block were read. Silent on failure; the
    // slots read so far stay filled. With more than 9000 card blocks the first 9000 cards
    // and the file's last block (the template) are read, and the load counts as partial.
    bool LoadDatabase();

    // Writes all slots and the template to ProgInfo_12.GAD atomically: false (the old file
    // intact, the memory copy unchanged, errno saying why) when it could not be written,
    // when something other than a regular file has its name, or when its name is a link
    // that leads to no file or is not followed (LocateDatabase). The first save after a partial load of ProgInfo_12.GAD first
    // keeps that file beside it (beside the file a link leads to, named after it) as
    // ProgInfo_12.GAD.unread-YYYYMMDD-HHMMSS, and fails rather than lose it.
    // Callers hold the directory's DatabaseLock.
    bool SaveDatabase();

    // Whether SaveDatabase could succeed now, as far as can be told without writing (the file
    // may be replaced, the disk has room); false with errno saying why.
    bool CanSave() const;

    // Whether a file of `size` bytes could be a database of either generation, as the load
    // decides.
    static bool SizeFitsAFormat(std::uintmax_t size);

    LoadState LastLoadState() const { return loadState_; }
    const LoadDetail& LastLoadDetail() const { return loadDetail_; }
    // The file the last load read (or tried to): empty when none existed.
    const std::filesystem::path& LoadedFile() const { return loadedFile_; }
    // The copy of the unread file made by a save; empty when none was made.
    const std::filesystem::path& UnreadCopy() const { return unreadCopy_; }

    const std::filesystem::path& Directory() const { return directory_; }
    std::filesystem::path DatabasePath() const { return directory_ / DatabaseFileName; }
    std::filesystem::path OldDatabasePath() const { return directory_ / OldDatabaseFileName; }

private:
    bool ReadFile(std::size_t& filled);
    bool ReadGeneration11(int fd, std::size_t size, std::size_t& filled);
    bool ReadGeneration12(int fd, std::size_t size, std::size_t& filled);
    bool KeepUnreadFile();
    bool LinkLeadsToAFile() const;

    std::filesystem::path directory_;
    LoadState loadState_ = LoadState::NotLoaded;
    LoadDetail loadDetail_;
    std::filesystem::path loadedFile_;
    bool unreadFileAtRisk_ = false;  // ProgInfo_12.GAD holds data the memory copy lacks
    std::filesystem::path unreadCopy_;
};

}  // namespace gsmprog
