#include "mode_dispatch.h"

#include <algorithm>
#include <cstring>

#include "vmodem_log.h"

namespace gsmprog::vmodem {

ModeDispatcher::ModeDispatcher(const std::vector<ModeSpec>& modes, const VmodemOptions& options,
                               ModemMemory& memory, ModemLine& line)
    : modes_(modes), options_(options), memory_(memory), line_(line) {}

const std::string& ModeDispatcher::ActiveMode() const {
    static const std::string none;
    return activeSpec_ ? activeSpec_->name : none;
}

void ModeDispatcher::Feed(std::span<const std::uint8_t> bytes, std::uint64_t nowMs) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    Process(nowMs);
}

void ModeDispatcher::Tick(std::uint64_t nowMs) {
    if (active_) active_->Tick(nowMs, line_);
}

const ModeSpec* ModeDispatcher::EntryWordAtFront() const {
    for (const auto& spec : modes_) {
        const auto& word = spec.entryWord;
        if (pending_.size() >= word.size() &&
            std::memcmp(pending_.data(), word.data(), word.size()) == 0)
            return &spec;
    }
    return nullptr;
}

bool ModeDispatcher::FrontIsPartOfEntryWord() const {
    return std::any_of(modes_.begin(), modes_.end(), [&](const ModeSpec& spec) {
        return pending_.size() < spec.entryWord.size() &&
               std::memcmp(pending_.data(), spec.entryWord.data(), pending_.size()) == 0;
    });
}

void ModeDispatcher::Process(std::uint64_t nowMs) {
    while (!pending_.empty()) {
        if (const ModeSpec* spec = EntryWordAtFront()) {
            pending_.erase(pending_.begin(), pending_.begin() + spec->entryWord.size());
            if (spec != activeSpec_) {
                Log("режим: " + spec->name);
                active_ = spec->create(options_, memory_);
                activeSpec_ = spec;
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
