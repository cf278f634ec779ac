#include "mode_dispatch.h"

#include <algorithm>
#include <cstring>

#include "vmodem_log.h"

namespace gsmprog::vmodem {

ModeDispatcher::ModeDispatcher(const std::vector<ModeEntry>& modes, const VmodemOptions& options,
                               ModemMemory& memory, ModemLine& line)
    : modes_(modes), options_(options), memory_(memory), line_(line) {}

const std::string& ModeDispatcher::ActiveMode() const {
    static const std::string none;
    return activeEntry_ ? activeEntry_->name : none;
}

void ModeDispatcher::Feed(std::span<const std::uint8_t> bytes, std::uint64_t nowMs) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    Process(nowMs);
}

void ModeDispatcher::Tick(std::uint64_t nowMs) {
    if (active_) active_->Tick(nowMs, line_);
}

const ModeEntry* ModeDispatcher::EntryWordAtFront() const {
    for (const auto& entry : modes_) {
        const auto& word = entry.entryWord;
        if (pending_.size() >= word.size() &&
            std::memcmp(pending_.data(), word.data(), word.size()) == 0)
            return &entry;
    }
    return nullptr;
}

bool ModeDispatcher::FrontIsPartOfEntryWord() const {
    return std::any_of(modes_.begin(), modes_.end(), [&](const ModeEntry& entry) {
        return pending_.size() < entry.entryWord.size() &&
               std::memcmp(pending_.data(), entry.entryWord.data(), pending_.size()) == 0;
    });
}

void ModeDispatcher::Process(std::uint64_t nowMs) {
    while (!pending_.empty()) {
        if (const ModeEntry* entry = EntryWordAtFront()) {
            pending_.erase(pending_.begin(), pending_.begin() + entry->entryWord.size());
            if (entry != activeEntry_) {
                Log("режим: " + entry->name);
                active_ = entry->create(options_, memory_);
                activeEntry_ = entry;
            }
            active_->Enter(nowMs, line_);
            continue;
        }
        if (FrontIsPartOfEntryWord()) return;
        std::size_t used = 1;
        if (active_) {
            used = active_->Consume(pending_, nowMs, line_);
            if (used == 0) return;
        }
        pending_.erase(pending_.begin(),
                       pending_.begin() + static_cast<std::ptrdiff_t>(std::min(used, pending_.size())));
    }
}

}  // namespace gsmprog::vmodem
