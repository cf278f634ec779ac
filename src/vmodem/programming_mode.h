// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modem's side of the programming protocol, entered by "PROG_GSMA": takes an image in
// block frames after "WRITE", serves it back after "READ", reports its version on "DEVICE"
// and passes an object-device command on to the device and answers for it.

#include <optional>

#include "vmodem/device_mode.h"

namespace gsmprog::vmodem {

// Switches that make the modem misbehave on purpose.
struct ProgrammingFaults {
    std::string errorIn;        // phase answered with "ERROR" (see ProgrammingPhases)
    int silentAfterBlock = 0;   // no answer at all after block k of a write or read
    int corruptReadBlock = 0;   // read block k carries a wrong check byte
    bool badImageCrc = false;   // the image read back fails its CRC
    bool shortImage = false;    // the image served before any write has 316 bytes
    bool longRead = false;      // a read sends 5000 bytes
    bool badDeviceCrc = false;  // the device answer carries a wrong CRC
    bool noVersion = false;     // "DEVICE" gets no answer
    bool readyNext = false;     // "WRITE" is answered "READYNEXT"
    std::uint8_t version[3] = {2, 5, 1};
};

// Phases that --error-in accepts.
inline constexpr const char* ProgrammingPhases[] = {"attention", "write", "block",    "image",
                                                    "device",    "read",  "readblock"};

// Reads the switches; false with a reason for a bad value.
bool ParseProgrammingFaults(const VmodemOptions& options, ProgrammingFaults& faults,
                            std::string& error);

class ProgrammingMode final : public DeviceMode {
public:
    ProgrammingMode(ProgrammingFaults faults, ModemMemory& memory);

    void Enter(std::uint64_t nowMs, ModemLine& line) override;
    std::size_t Consume(std::span<const std::uint8_t> input, std::uint64_t nowMs,
                        ModemLine& line) override;
    void Tick(std::uint64_t nowMs, ModemLine& line) override;

private:
    enum class State { Idle, Writing, Reading };

    std::size_t ConsumeFrame(std::span<const std::uint8_t> input, ModemLine& line);
    void OnWord(const std::string& word, std::uint64_t nowMs, ModemLine& line);
    void OnDeviceCommand(std::span<const std::uint8_t> command, ModemLine& line);
    void OnEndFrame(ModemLine& line);
    void SendReadBlock(ModemLine& line);
    bool ErrorIn(const char* phase) const { return faults_.errorIn == phase; }
    bool Silenced(int block) const {
        return faults_.silentAfterBlock > 0 && block > faults_.silentAfterBlock;
    }
    const std::vector<std::uint8_t>& ServedImage() const;

    ProgrammingFaults faults_;
    ModemMemory& memory_;
    std::vector<std::uint8_t> defaultImage_;
    State state_ = State::Idle;
    std::vector<std::uint8_t> received_;  // image taken so far in a write
    int blocks_ = 0;                      // blocks taken or sent in this write or read
    std::size_t readPosition_ = 0;
    std::optional<std::uint64_t> nextDueMs_;  // "NEXT" that follows "READY" after a pause
};

}  // namespace gsmprog::vmodem
