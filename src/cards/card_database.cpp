// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/card_database.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

#include "cards/database_files.h"
#include "cards/file_writes.h"

namespace gsmprog {

namespace {

constexpr std::size_t HugePageSize = std::size_t(2) << 20;
constexpr std::size_t Gen11PrefixSize = 312;   // bytes 0..311 are the same in both generations
constexpr std::size_t Gen11DroppedSize = 128;  // record bytes 312..439 are not in generation 11
static_assert(Gen11PrefixSize + Gen11DroppedSize + (CardDatabase::OldBlockSize - Gen11PrefixSize) ==
              CardRecordSize);

CardRecord FromGen11Block(const char* block) {
    CardRecord record{};
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    std::memcpy(bytes, block, Gen11PrefixSize);
    std::memcpy(bytes + Gen11PrefixSize + Gen11DroppedSize, block + Gen11PrefixSize,
                CardDatabase::OldBlockSize - Gen11PrefixSize);
    return record;
}

// Reads up to `size` bytes at `offset`; returns how many arrived.
std::size_t ReadAt(int fd, void* buffer, std::size_t size, off_t offset) {
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, bytes + done, size - done, offset + off_t(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += std::size_t(got);
    }
    return done;
}

class FileCloser {
public:
    explicit FileCloser(int fd) : fd_(fd) {}
    ~FileCloser() { ::close(fd_); }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;

private:
    int fd_;
};

}  // namespace

CardDatabase::CardDatabase(std::filesystem::path directory) : directory_(std::move(directory)) {}

void* CardDatabase::operator new(std::size_t size) {
    const std::size_t rounded = (size + HugePageSize - 1) / HugePageSize * HugePageSize;
    void* memory = std::aligned_alloc(HugePageSize, rounded);
    if (memory == nullptr) throw std::bad_alloc();
    ::madvise(memory, rounded, MADV_HUGEPAGE);  // only a hint: without it, ordinary pages
    return memory;
}

void CardDatabase::operator delete(void* memory) { std::free(memory); }

bool CardDatabase::LoadDatabase() {
    TemplateRecord = CardRecord{};
    loadedFile_.clear();
    loadDetail_ = LoadDetail{};
    std::size_t filled = 0;  // slots holding what the file gave them; the rest are cleared
    const bool complete = ReadFile(filled);
    loadDetail_.cardsRead = filled;
    std::fill(cards.begin() + std::ptrdiff_t(filled), cards.end(), CardRecord{});
    unreadFileAtRisk_ =
        loadedFile_ == DatabasePath() && !complete && loadState_ != LoadState::BrokenLink;
    return complete;
}

bool CardDatabase::SizeFitsAFormat(std::uintmax_t size) {
    return size % OldBlockSize == 0 || (size >= CardRecordSize && size % CardRecordSize == 0);
}

bool CardDatabase::ReadFile(std::size_t& filled) {
    struct stat info {};
    if (const int error = LocateDatabase(directory_).linkError; error != 0) {
        // A link that leads nowhere or is not followed: no cards, and not the file of an
        // earlier generation.
        loadedFile_ = DatabasePath();
        loadState_ = LoadState::BrokenLink;
        loadDetail_.error = error;
        return false;
    }
    if (::stat(DatabasePath().c_str(), &info) == 0) loadedFile_ = DatabasePath();
    else if (::stat(OldDatabasePath().c_str(), &info) == 0) loadedFile_ = OldDatabasePath();
    else {
        loadState_ = LoadState::NoFile;
        return false;
    }
    // A pipe would block the open for ever, a directory would read as an empty file.
    loadState_ = LoadState::NotRegular;
    if (!S_ISREG(info.st_mode)) return false;
    const int fd = ::open(loadedFile_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        loadState_ = LoadState::CannotOpen;
        loadDetail_.error = errno;
        return false;
    }
    FileCloser closer(fd);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const std::size_t size = std::size_t(info.st_size);
    loadDetail_.size = size;
    loadDetail_.names = std::uintmax_t(info.st_nlink);
    loadDetail_.sizeFits = SizeFitsAFormat(size);
    bool complete = false;
    // Generation 11 is tested first, so a size that fits both (a multiple of 84 360,
    // including 0) is read as generation 11.
    if (size % OldBlockSize == 0) {
        loadDetail_.cardBlocks = size == 0 ? 0 : size / OldBlockSize - 1;
        complete = ReadGeneration11(fd, size, filled);
    } else if (loadDetail_.sizeFits) {
        loadDetail_.cardBlocks = size / CardRecordSize - 1;
        complete = ReadGeneration12(fd, size, filled);
    }
    loadState_ = complete ? LoadState::Complete : LoadState::Partial;
    return complete;
}

bool CardDatabase::ReadGeneration11(int fd, std::size_t size, std::size_t& filled) {
    if (size == 0) return false;  // not even the template block
    const std::size_t inFile = size / OldBlockSize - 1;
    const std::size_t wanted = std::min<std::size_t>(inFile, SlotCount);
    std::vector<char> blocks(wanted * OldBlockSize);
    filled = ReadAt(fd, blocks.data(), blocks.size(), 0) / OldBlockSize;
    for (std::size_t i = 0; i < filled; ++i) cards[i] = FromGen11Block(&blocks[i * OldBlockSize]);
    if (filled < wanted) return false;
    char block[OldBlockSize];
    if (ReadAt(fd, block, OldBlockSize, off_t(size - OldBlockSize)) < OldBlockSize) return false;
    TemplateRecord = MakeTemplate(FromGen11Block(block));
    return inFile <= std::size_t(SlotCount);
}

bool CardDatabase::ReadGeneration12(int fd, std::size_t size, std::size_t& filled) {
    const std::size_t inFile = size / CardRecordSize - 1;
    const std::size_t wanted = std::min<std::size_t>(inFile, SlotCount);
    // Straight into the slots; a block that arrives only in part is not a card.
    filled = ReadAt(fd, cards.data(), wanted * CardRecordSize, 0) / CardRecordSize;
    if (filled < wanted) return false;
    CardRecord last{};
    if (ReadAt(fd, &last, CardRecordSize, off_t(size - CardRecordSize)) < CardRecordSize)
        return false;
    TemplateRecord = last;
    return inFile <= std::size_t(SlotCount);
}

bool CardDatabase::KeepUnreadFile() {
    // Beside the file itself, where a link leads: a copy in the link's folder could be read by
    // whoever may read there, and not the file's own readers.
    const std::filesystem::path file = LocateDatabase(directory_).file;
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return !error;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    // A copy cut short by a kill leaves a hidden file where the file system has no unnamed ones.
    RemoveLeftovers(file);
    const std::string base = file.filename().string() + UnreadCopyInfix + stamp;
    // An earlier copy is never replaced: a second copy in the same second gets a suffix.
    for (int n = 1; n <= 100; ++n) {
        const std::filesystem::path copy =
            file.parent_path() / (n == 1 ? base : base + "-" + std::to_string(n));
        if (KeepUnderNewName(file, copy)) {
            unreadCopy_ = copy;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool CardDatabase::LinkLeadsToAFile() const {
    const int error = LocateDatabase(directory_).linkError;
    if (error != 0) errno = error;  // the link's target is never made nor replaced by a save
    return error == 0;
}

bool CardDatabase::SaveDatabase() {
    if (!LinkLeadsToAFile()) return false;
    struct stat info {};
    if (::stat(DatabasePath().c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        errno = EINVAL;  // nothing is written over a pipe, a device or a directory
        return false;
    }
    if (unreadFileAtRisk_) {
        if (!KeepUnreadFile()) return false;
        unreadFileAtRisk_ = false;
    }
    const ByteChunk chunks[] = {{cards.data(), sizeof cards},
                                {&TemplateRecord, sizeof TemplateRecord}};
    return ReplaceRegularFile(DatabasePath(), chunks);
}

bool CardDatabase::CanSave() const {
    return LinkLeadsToAFile() &&
           CanReplaceRegularFile(DatabasePath(), sizeof cards + sizeof TemplateRecord);
}

}  // namespace gsmprog
