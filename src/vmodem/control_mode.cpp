// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/control_mode.h"

#include <algorithm>

#include "link/checksums.h"
#include "vmodem/vmodem_log.h"

namespace gsmprog::vmodem {

namespace {
constexpr std::uint8_t RequestHeader = 0x51;
constexpr std::uint8_t ReplyHeader = 0xAE;
constexpr std::uint8_t SimSwitch = 0x05;
constexpr std::uint8_t Status = 0x0C;
constexpr std::uint8_t ErrorReply = 0xFF;
constexpr std::uint8_t BadFrame = 0;  // header, checksum or length
constexpr std::uint8_t UnknownCode = 1;
// Bytes of a bad packet come without a pause longer than the host's read time-out.
constexpr std::uint64_t BadPacketPauseMs = 50;
// Unasked traffic waits this long after "READY", so the host reads the word alone.
constexpr std::uint64_t QuietAfterReadyMs = 400;
// A host that stalls the modem does not get a flood of catch-up traffic.
constexpr std::uint64_t MostPerTick = 1000;

struct GsmLine {
    bool transmitted;
    const char* text;
};
constexpr GsmLine GsmTraffic[] = {
    {true, "AT+CSQ"},   {false, "+CSQ: 21,0"}, {false, "OK"},
    {true, "AT+CREG?"}, {false, "+CREG: 0,1"}, {false, "OK"},
};
struct DeviceLine {
    bool transmitted;
    Bytes data;
};
const DeviceLine DeviceTraffic[] = {
    {true, {0x01, 0x10, 0x00}},
    {false, {0x01, 0x90, 0x00, 0x5A}},
};

const ModeRegistrar registrar{{
    "control",
    "CTRL_SETUP_GSMA",
    {
        {"status-byte", OptionKind::Number, "B", "байт состояния, бит 7 — SIM 2 (по умолчанию 0)"},
        {"bat-off", OptionKind::Number, "МВ", "батарея при выкл. токе заряда (4100)"},
        {"bat-on", OptionKind::Number, "МВ", "батарея при вкл. токе заряда (4200)"},
        {"supply", OptionKind::Number, "МВ", "внешнее питание (12000)"},
        {"traces", OptionKind::Number, "N", "трасс обмена GSM и УОО в секунду (0)"},
        {"ibutton-every", OptionKind::Number, "С", "код ключа iButton каждые С секунд"},
        {"outputs-every", OptionKind::Number, "С", "установка выходов каждые С секунд"},
        {"ctrl-refuse", OptionKind::Number, "K", "ответить ERROR на первые K входов в режим"},
        {"ctrl-ready-crlf", OptionKind::Number, "K", "ответить READY\\r\\n на первые K входов"},
        {"ctrl-silent", OptionKind::Flag, "", "не отвечать на запросы"},
        {"ctrl-bad-checksum", OptionKind::Flag, "", "отвечать с неверной контрольной суммой"},
        {"ctrl-error-reply", OptionKind::Number, "E", "на каждый запрос ответ-ошибка с байтом E"},
    },
    [](const VmodemOptions& options, std::string& error) {
        ControlSettings settings;
        return ParseControlSettings(options, settings, error);
    },
    [](const VmodemOptions& options, ModemMemory&) -> std::unique_ptr<DeviceMode> {
        ControlSettings settings;
        std::string error;
        ParseControlSettings(options, settings, error);  // validated at start
        return std::make_unique<ControlMode>(settings);
    },
}};

std::string Hex(const Bytes& bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += Digits[byte >> 4];
        text += Digits[byte & 0x0F];
        text += ' ';
    }
    return text;
}
}  // namespace

bool ParseControlSettings(const VmodemOptions& options, ControlSettings& settings,
                          std::string& error) {
    bool ok = true;
    const auto number = [&](const char* name, std::int64_t fallback, std::int64_t low,
                            std::int64_t high) {
        if (!options.Has(name)) return fallback;
        const std::int64_t value = options.Number(name, fallback);
        if (value < low || value > high) {
            error = std::string("--") + name + " должно быть от " + std::to_string(low) + " до " +
                    std::to_string(high);
            ok = false;
            return fallback;
        }
        return value;
    };
    settings.statusByte = static_cast<std::uint8_t>(number("status-byte", 0, 0, 255));
    settings.batteryOffMv = static_cast<std::uint16_t>(number("bat-off", 4100, 0, 65535));
    settings.batteryOnMv = static_cast<std::uint16_t>(number("bat-on", 4200, 0, 65535));
    settings.supplyMv = static_cast<std::uint16_t>(number("supply", 12000, 0, 65535));
    settings.tracesPerSecond = static_cast<int>(number("traces", 0, 0, 10000));
    settings.ibuttonEverySeconds = static_cast<int>(number("ibutton-every", 0, 0, 3600));
    settings.outputsEverySeconds = static_cast<int>(number("outputs-every", 0, 0, 3600));
    settings.refuseHandshakes = static_cast<int>(number("ctrl-refuse", 0, 0, 1000000));
    settings.crlfHandshakes = static_cast<int>(number("ctrl-ready-crlf", 0, 0, 1000000));
    settings.errorReply = static_cast<int>(number("ctrl-error-reply", -1, 0, 255));
    settings.silent = options.Has("ctrl-silent");
    settings.badChecksum = options.Has("ctrl-bad-checksum");
    return ok;
}

ControlMode::ControlMode(const ControlSettings& settings) : settings_(settings) {}

void ControlMode::Enter(std::uint64_t nowMs, ModemLine& line) {
    ++handshakes_;
    if (handshakes_ <= settings_.refuseHandshakes) {
        ready_ = false;
        Log("управление: отказ, ERROR");
        line.Send(std::string("ERROR"));
        return;
    }
    const bool crlf = handshakes_ <= settings_.refuseHandshakes + settings_.crlfHandshakes;
    ready_ = true;
    readySinceMs_ = nowMs + QuietAfterReadyMs;
    tracesSent_ = ibuttonsSent_ = outputsSent_ = 0;
    Log(crlf ? "управление: READY\\r\\n" : "управление: READY");
    line.Send(std::string(crlf ? "READY\r\n" : "READY"));
}

std::size_t ControlMode::Consume(std::span<const std::uint8_t> input, std::uint64_t nowMs,
                                 ModemLine& line) {
    if (!ready_) return input.size();  // outside control mode requests mean nothing
    if (input[0] != RequestHeader) {
        // A packet with a wrong header is answered once; the rest of it, arriving without a
        // pause, goes unanswered. Dropped byte by byte, so an entry word behind it is found.
        if (badPacketAtMs_ && nowMs - *badPacketAtMs_ <= BadPacketPauseMs) badPacketAtMs_ = nowMs;
        else RejectPacket(nowMs, line);
        return 1;
    }
    if (partial_ && nowMs - partial_->atMs > BadPacketPauseMs) {
        // The rest of a request comes without a pause; after one, the packet was too short.
        const Partial tooShort = *partial_;
        partial_.reset();
        RejectPacket(tooShort.atMs, line);
        return tooShort.bytes;
    }
    if (input.size() < 3) {
        partial_ = Partial{nowMs, input.size()};
        return 0;
    }
    partial_.reset();
    const Bytes frame(input.begin(), input.begin() + 3);
    Log("управление: запрос " + Hex(frame));
    if (NegatedSum8(frame.data(), 2) != frame[2]) {
        RejectPacket(nowMs, line);
        return 3;
    }
    badPacketAtMs_.reset();
    Answer(frame[1], line);
    return 3;
}

void ControlMode::RejectPacket(std::uint64_t lastByteAtMs, ModemLine& line) {
    badPacketAtMs_ = lastByteAtMs;
    Reply(ErrorReply, {BadFrame}, line);
}

void ControlMode::Answer(std::uint8_t request, ModemLine& line) {
    if (settings_.silent) return;
    if (settings_.errorReply >= 0) {
        Reply(ErrorReply, {static_cast<std::uint8_t>(settings_.errorReply)}, line);
        return;
    }
    switch (request) {
    case Status: {
        const auto le = [](std::uint16_t v) {
            return Bytes{static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)};
        };
        Bytes payload{settings_.statusByte};
        for (std::uint16_t mv :
             {settings_.batteryOffMv, settings_.batteryOnMv, settings_.supplyMv}) {
            const Bytes two = le(mv);
            payload.insert(payload.end(), two.begin(), two.end());
        }
        Reply(Status, payload, line);
        break;
    }
    case SimSwitch:
        Reply(SimSwitch, {}, line);
        settings_.statusByte ^= 0x80;
        Log(std::string("управление: теперь SIM ") + ((settings_.statusByte & 0x80) ? "2" : "1"));
        break;
    default: Reply(ErrorReply, {UnknownCode}, line); break;
    }
}

void ControlMode::Reply(std::uint8_t code, const Bytes& payload, ModemLine& line) {
    Bytes frame{ReplyHeader, code};
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::uint8_t checksum = NegatedSum8(frame.data(), frame.size());
    if (settings_.badChecksum) ++checksum;
    frame.push_back(checksum);
    Log("управление: ответ " + Hex(frame));
    line.Send(frame);
}

void ControlMode::SendTrace(ModemLine& line) {
    const std::uint64_t n = tracesSent_++;
    Bytes frame;
    if (n % 2 == 0) {
        const GsmLine& gsm = GsmTraffic[(n / 2) % std::size(GsmTraffic)];
        const std::string text = gsm.text;
        frame = {ReplyHeader, 0xD2, static_cast<std::uint8_t>(gsm.transmitted),
                 static_cast<std::uint8_t>(text.size())};
        frame.insert(frame.end(), text.begin(), text.end());
        frame.push_back(0x00);
    } else {
        const DeviceLine& device = DeviceTraffic[(n / 2) % std::size(DeviceTraffic)];
        frame = {ReplyHeader, 0xD3, static_cast<std::uint8_t>(device.transmitted),
                 static_cast<std::uint8_t>(device.data.size())};
        frame.insert(frame.end(), device.data.begin(), device.data.end());
    }
    frame.push_back(NegatedSum8(frame.data(), frame.size()));
    line.Send(frame);
}

void ControlMode::Tick(std::uint64_t nowMs, ModemLine& line) {
    if (!ready_ || nowMs < readySinceMs_) return;
    const std::uint64_t elapsed = nowMs - readySinceMs_;
    const auto due = [](std::uint64_t count, std::uint64_t sent) {
        return count > sent ? count - sent : 0;
    };
    if (settings_.tracesPerSecond > 0) {
        const std::uint64_t count = elapsed * settings_.tracesPerSecond / 1000;
        // After a stall the modem does not flood the host with everything it missed.
        if (due(count, tracesSent_) > MostPerTick) tracesSent_ = count - MostPerTick;
        while (tracesSent_ < count) SendTrace(line);
    }
    if (settings_.ibuttonEverySeconds > 0 &&
        due(elapsed / (1000u * settings_.ibuttonEverySeconds), ibuttonsSent_) > 0) {
        ++ibuttonsSent_;
        Reply(0x03, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, line);
    }
    if (settings_.outputsEverySeconds > 0 &&
        due(elapsed / (1000u * settings_.outputsEverySeconds), outputsSent_) > 0) {
        ++outputsSent_;
        Reply(0x0D, {}, line);
    }
}

}  // namespace gsmprog::vmodem
