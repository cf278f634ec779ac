// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modem's control mode: after "CTRL_SETUP_GSMA" it answers "READY", then answers the
// status and SIM switch requests and, when asked to, sends traces of its traffic with the
// GSM module and the object devices, iButton key events and output confirmations unasked.

#include <cstdint>
#include <optional>
#include <string>

#include "vmodem/device_mode.h"

namespace gsmprog::vmodem {

struct ControlSettings {
    std::uint8_t statusByte = 0x00;  // bit 7: the SIM card in use (0 = SIM 1)
    std::uint16_t batteryOffMv = 4100;
    std::uint16_t batteryOnMv = 4200;
    std::uint16_t supplyMv = 12000;
    int tracesPerSecond = 0;      // GSM and device traces in turn
    int ibuttonEverySeconds = 0;  // 0: never
    int outputsEverySeconds = 0;
    // Faults.
    int refuseHandshakes = 0;  // answer "ERROR" to this many handshakes
    int crlfHandshakes = 0;    // answer "READY\r\n" to this many handshakes
    bool silent = false;       // never answer a request
    bool badChecksum = false;  // replies carry a wrong checksum
    int errorReply = -1;       // answer every request with this error byte
};

// Reads the mode's switches; false with a reason when one is out of range.
bool ParseControlSettings(const VmodemOptions& options, ControlSettings& settings,
                          std::string& error);

class ControlMode final : public DeviceMode {
public:
    explicit ControlMode(const ControlSettings& settings);

    void Enter(std::uint64_t nowMs, ModemLine& line) override;
    std::size_t Consume(std::span<const std::uint8_t> input, std::uint64_t nowMs,
                        ModemLine& line) override;
    void Tick(std::uint64_t nowMs, ModemLine& line) override;

private:
    void Answer(std::uint8_t request, ModemLine& line);
    void Reply(std::uint8_t code, const Bytes& payload, ModemLine& line);
    // Error reply 0: wrong header, checksum or length. Bytes that follow the packet's last
    // byte without a pause belong to it and get no reply of their own.
    void RejectPacket(std::uint64_t lastByteAtMs, ModemLine& line);
    void SendTrace(ModemLine& line);

    ControlSettings settings_;
    bool ready_ = false;  // "READY" sent; requests and traffic only then
    int handshakes_ = 0;
    std::uint64_t readySinceMs_ = 0;
    std::uint64_t tracesSent_ = 0;
    std::uint64_t ibuttonsSent_ = 0;
    std::uint64_t outputsSent_ = 0;
    std::optional<std::uint64_t> badPacketAtMs_;  // last byte of a rejected packet
    struct Partial {
        std::uint64_t atMs;  // when its last byte came
        std::size_t bytes;
    };
    std::optional<Partial> partial_;  // the start of a request, waiting for the rest
};

}  // namespace gsmprog::vmodem
