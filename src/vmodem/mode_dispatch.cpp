// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/mode_dispatch.h"

#include <algorithm>
#include <cstring>

#include "vmodem/vmodem_log.h"

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

const ModeEntry* ModeDispatcher::EntryWordAtFront(Input input) const {
    for (const auto& entry : modes_) {
        const auto& word = entry.entryWord;
        if (input.size() >= word.size() && std::memcmp(input.data(), word.data(), word.size()) == 0)
            return &entry;
    }
    return nullptr;
}

bool ModeDispatcher::FrontIsPartOfEntryWord(Input input) const {
    return std::any_of(modes_.begin(), modes_.end(), [&](const ModeEntry& entry) {
        return input.size() < entry.entryWord.size() &&
               std::memcmp(input.data(), entry.entryWord.data(), input.size()) == 0;
    });
}

void ModeDispatcher::Process(std::uint64_t nowMs) {
    // Bytes are used from the front; what was used goes in one erase at the end.
    std::size_t start = 0;
    while (start < pending_.size()) {
        const Input input = Input(pending_).subspan(start);
        if (const ModeEntry* entry = EntryWordAtFront(input)) {
            start += entry->entryWord.size();
            if (entry != activeEntry_) {
                Log("режим: " + entry->name);
                active_ = entry->create(options_, memory_);
                activeEntry_ = entry;
            }
            active_->Enter(nowMs, line_);
            continue;
        }
        if (FrontIsPartOfEntryWord(input)) break;
        const std::size_t used = active_ ? active_->Consume(input, nowMs, line_) : 1;
        if (used == 0) break;
        start += std::min(used, input.size());
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start));
}

}  // namespace gsmprog::vmodem
