// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Routes the bytes that arrive from the host: an entry word switches to (or re-enters) its
// mode; everything else goes to the active mode. Before any entry word the modem ignores
// what it gets, as a modem in normal operation ignores the programming connector.

#include <memory>
#include <vector>

#include "vmodem/device_mode.h"

namespace gsmprog::vmodem {

class ModeDispatcher {
public:
    ModeDispatcher(const std::vector<ModeEntry>& modes, const VmodemOptions& options,
                   ModemMemory& memory, ModemLine& line);

    void Feed(std::span<const std::uint8_t> bytes, std::uint64_t nowMs);
    void Tick(std::uint64_t nowMs);

    // Name of the active mode, empty before the first entry word.
    const std::string& ActiveMode() const;

private:
    using Input = std::span<const std::uint8_t>;

    void Process(std::uint64_t nowMs);
    const ModeEntry* EntryWordAtFront(Input input) const;
    bool FrontIsPartOfEntryWord(Input input) const;

    const std::vector<ModeEntry>& modes_;
    const VmodemOptions& options_;
    ModemMemory& memory_;
    ModemLine& line_;
    std::vector<std::uint8_t> pending_;
    const ModeEntry* activeEntry_ = nullptr;
    std::unique_ptr<DeviceMode> active_;
};

}  // namespace gsmprog::vmodem
