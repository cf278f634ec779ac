// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How gsmprog-vmodem is put together: the modem is in one protocol mode at a time, entered
// by that mode's entry word ("PROG_GSMA", "CTRL_SETUP_GSMA", ...). Each mode lives in its own
// files and registers itself with a static ModeRegistrar; the dispatcher feeds it the bytes
// that arrive and gives it a line to answer on.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "vmodem/modem_memory.h"
#include "vmodem/vmodem_options.h"

namespace gsmprog::vmodem {

using Bytes = std::vector<std::uint8_t>;

// The modem's side of the cable. Each Send is one reply: one write, unless the line is told
// to hand replies over in pieces as an FTDI adapter may.
class ModemLine {
public:
    virtual ~ModemLine() = default;
    virtual void Send(const Bytes& reply) = 0;
    void Send(const std::string& text) { Send(Bytes(text.begin(), text.end())); }
};

class DeviceMode {
public:
    virtual ~DeviceMode() = default;
    // The entry word has just arrived (also when the mode is already active).
    virtual void Enter(std::uint64_t nowMs, ModemLine& line) = 0;
    // Handles the bytes at the front of `input` and returns how many it used; 0 means the
    // front is an incomplete message and more bytes are awaited. Bytes that mean nothing to
    // the mode are used up (dropped) by it.
    virtual std::size_t Consume(std::span<const std::uint8_t> input, std::uint64_t nowMs,
                                ModemLine& line) = 0;
    // Called every few milliseconds, for answers that are due later and for traffic the
    // modem sends unasked.
    virtual void Tick(std::uint64_t nowMs, ModemLine& line) {
        (void)nowMs;
        (void)line;
    }
};

struct ModeEntry {
    std::string name;                       // shown in the log, e.g. "programming"
    std::string entryWord;                  // e.g. "PROG_GSMA"
    std::vector<OptionDefinition> options;  // the mode's own command-line switches
    // Checks the values of those switches at start; false with a reason.
    std::function<bool(const VmodemOptions&, std::string& error)> validate;
    std::function<std::unique_ptr<DeviceMode>(const VmodemOptions&, ModemMemory&)> create;
};

struct ModeRegistrar {
    explicit ModeRegistrar(ModeEntry entry);
};

const std::vector<ModeEntry>& RegisteredModes();

}  // namespace gsmprog::vmodem
