// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/programming_mode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/block_frame.h"
#include "link/checksums.h"
#include "vmodem/default_image.h"
#include "vmodem/vmodem_log.h"

namespace gsmprog::vmodem {

namespace {
constexpr std::size_t BlockSize = 32;
constexpr std::size_t LongReadSize = 5000;
constexpr std::size_t MaxImage = 4096;
// "READY" and the "NEXT" asking for the first block must reach the host as two replies.
constexpr std::uint64_t NextAfterReadyMs = 15;
constexpr std::uint8_t DeviceCommandCode = 0x92;
constexpr std::size_t DeviceCommandSize = 10;

const char* const Words[] = {"WRITE", "READ", "NEXT", "OK", "ERROR", "DEVICE"};

Bytes Frame(const std::uint8_t* data, std::size_t n) {
    Bytes frame(n + 3);
    MakeBlockFrame(data, static_cast<std::uint32_t>(n), frame.data());
    return frame;
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

const ModeRegistrar registrar{{
    "programming",
    "PROG_GSMA",
    {
        {"error-in", OptionKind::Text, "ФАЗА",
         "ответить ERROR в фазе attention|write|block|image|device|read|readblock"},
        {"silent-after-block", OptionKind::Number, "K",
         "замолчать после блока K записи или чтения"},
        {"corrupt-read-block", OptionKind::Number, "K",
         "испортить контрольный байт блока K чтения"},
        {"short-image", OptionKind::Flag, "", "до первой записи отдавать образ 316 байт"},
        {"long-read", OptionKind::Flag, "", "при чтении отдать 5000 байт"},
        {"bad-image-crc", OptionKind::Flag, "", "при чтении отдать образ с неверной CRC"},
        {"bad-device-crc", OptionKind::Flag, "", "ответ УОО с неверной CRC"},
        {"no-version", OptionKind::Flag, "", "не отвечать на DEVICE"},
        {"ready-next", OptionKind::Flag, "", "отвечать на WRITE словом READYNEXT"},
        {"device-version", OptionKind::Text, "X.Y.Z", "версия устройства (по умолчанию 2.5.1)"},
    },
    [](const VmodemOptions& options, std::string& error) {
        ProgrammingFaults faults;
        return ParseProgrammingFaults(options, faults, error);
    },
    [](const VmodemOptions& options, ModemMemory& memory) -> std::unique_ptr<DeviceMode> {
        ProgrammingFaults faults;
        std::string error;
        ParseProgrammingFaults(options, faults, error);  // validated at start
        return std::make_unique<ProgrammingMode>(faults, memory);
    },
}};
}  // namespace

bool ParseProgrammingFaults(const VmodemOptions& options, ProgrammingFaults& faults,
                            std::string& error) {
    faults.errorIn = options.Text("error-in");
    if (!faults.errorIn.empty() &&
        std::none_of(std::begin(ProgrammingPhases), std::end(ProgrammingPhases),
                     [&](const char* phase) { return faults.errorIn == phase; })) {
        error = "неизвестная фаза --error-in " + faults.errorIn;
        return false;
    }
    const auto block = [&](const char* name, int& value) {
        const std::int64_t k = options.Number(name, 0);
        if (k < 0 || k > 1000) {
            error = std::string("--") + name + " должно быть от 0 до 1000";
            return false;
        }
        value = static_cast<int>(k);
        return true;
    };
    if (!block("silent-after-block", faults.silentAfterBlock) ||
        !block("corrupt-read-block", faults.corruptReadBlock))
        return false;
    faults.shortImage = options.Has("short-image");
    faults.longRead = options.Has("long-read");
    faults.badImageCrc = options.Has("bad-image-crc");
    faults.badDeviceCrc = options.Has("bad-device-crc");
    faults.noVersion = options.Has("no-version");
    faults.readyNext = options.Has("ready-next");
    if (options.Has("device-version")) {
        unsigned major = 0, minor = 0, build = 0;
        char rest = 0;
        const std::string text = options.Text("device-version");
        if (std::sscanf(text.c_str(), "%u.%u.%u%c", &major, &minor, &build, &rest) != 3 ||
            major > 255 || minor > 255 || build > 255) {
            error = "--device-version ждёт три числа 0..255 через точку: " + text;
            return false;
        }
        faults.version[0] = static_cast<std::uint8_t>(major);
        faults.version[1] = static_cast<std::uint8_t>(minor);
        faults.version[2] = static_cast<std::uint8_t>(build);
    }
    return true;
}

ProgrammingMode::ProgrammingMode(ProgrammingFaults faults, ModemMemory& memory)
    : faults_(std::move(faults)),
      memory_(memory),
      defaultImage_(DefaultImage(faults_.shortImage ? 0 : 1)) {}

const std::vector<std::uint8_t>& ProgrammingMode::ServedImage() const {
    return memory_.HasImage() ? memory_.Image() : defaultImage_;
}

void ProgrammingMode::Enter(std::uint64_t, ModemLine& line) {
    state_ = State::Idle;
    nextDueMs_.reset();
    line.Send(std::string(ErrorIn("attention") ? "ERROR" : "READY"));
}

void ProgrammingMode::Tick(std::uint64_t nowMs, ModemLine& line) {
    if (nextDueMs_ && nowMs >= *nextDueMs_) {
        nextDueMs_.reset();
        line.Send(std::string("NEXT"));
    }
}

std::size_t ProgrammingMode::Consume(std::span<const std::uint8_t> input, std::uint64_t nowMs,
                                     ModemLine& line) {
    if (input[0] == FrameStart) return ConsumeFrame(input, line);
    if (input[0] == DeviceCommandCode) {
        if (input.size() < DeviceCommandSize) return 0;
        OnDeviceCommand(input.first(DeviceCommandSize), line);
        return DeviceCommandSize;
    }
    bool partial = false;
    for (const char* word : Words) {
        const std::size_t length = std::strlen(word);
        const std::size_t compared = std::min(length, input.size());
        if (std::memcmp(input.data(), word, compared) != 0) continue;
        if (compared == length) {
            OnWord(word, nowMs, line);
            return length;
        }
        partial = true;
    }
    return partial ? 0 : 1;
}

std::size_t ProgrammingMode::ConsumeFrame(std::span<const std::uint8_t> input, ModemLine& line) {
    if (input.size() < 2) return 0;
    const std::size_t n = input[1];
    if (input.size() < n + 3) return 0;
    const std::size_t frameSize = n + 3;
    if (state_ != State::Writing) return frameSize;

    if (n == 0) {
        OnEndFrame(line);
        return frameSize;
    }
    ++blocks_;
    if (Silenced(blocks_)) return frameSize;
    if (input[n + 2] != NegatedSum8(input.data(), n + 2) || ErrorIn("block")) {
        Log("блок " + std::to_string(blocks_) + ": ERROR");
        line.Send(std::string("ERROR"));
        state_ = State::Idle;
        return frameSize;
    }
    if (received_.size() + n > MaxImage) {
        Log("образ длиннее 4096 байт: ERROR");
        line.Send(std::string("ERROR"));
        state_ = State::Idle;
        return frameSize;
    }
    received_.insert(received_.end(), input.begin() + 2, input.begin() + 2 + n);
    line.Send(std::string("NEXT"));
    return frameSize;
}

void ProgrammingMode::OnEndFrame(ModemLine& line) {
    state_ = State::Idle;
    if (Silenced(blocks_ + 1)) return;
    if (!IsValidImage(received_) || ErrorIn("image")) {
        Log("принято " + std::to_string(received_.size()) + " байт, образ неверен: ERROR");
        line.Send(std::string("ERROR"));
        return;
    }
    std::string error;
    if (!memory_.Keep(received_, error)) Log(error);
    const std::uint16_t crc =
        static_cast<std::uint16_t>(received_[received_.size() - 2] | received_.back() << 8);
    Log("записан образ " + std::to_string(received_.size()) + " байт, CRC " + Hex4(crc));
    line.Send(std::string("OK"));
}

void ProgrammingMode::OnWord(const std::string& word, std::uint64_t nowMs, ModemLine& line) {
    if (word == "WRITE") {
        Log("WRITE");
        received_.clear();
        blocks_ = 0;
        if (ErrorIn("write")) {
            line.Send(std::string("ERROR"));
            state_ = State::Idle;
            return;
        }
        state_ = State::Writing;
        if (faults_.readyNext) {
            line.Send(std::string("READYNEXT"));
        } else {
            line.Send(std::string("READY"));
            nextDueMs_ = nowMs + NextAfterReadyMs;
        }
    } else if (word == "DEVICE") {
        if (faults_.noVersion) return;
        if (ErrorIn("device")) {
            line.Send(std::string("ERROR"));
            return;
        }
        line.Send(Frame(faults_.version, 3));
    } else if (word == "READ") {
        Log("READ");
        if (ErrorIn("read")) {
            line.Send(std::string("ERROR"));
            return;
        }
        state_ = State::Reading;
        readPosition_ = 0;
        blocks_ = 0;
        line.Send(std::string("READY"));
    } else if (word == "NEXT") {
        if (state_ == State::Reading) SendReadBlock(line);
    } else {  // "OK" or "ERROR": the host ends the read
        if (state_ == State::Reading)
            Log("чтение завершено хостом: " + word + ", отдано " + std::to_string(readPosition_) +
                " байт");
        state_ = State::Idle;
    }
}

void ProgrammingMode::SendReadBlock(ModemLine& line) {
    const auto& image = ServedImage();
    const std::size_t total = faults_.longRead ? LongReadSize : image.size();
    if (readPosition_ >= total) {
        if (!Silenced(blocks_ + 1)) line.Send(Bytes(std::begin(EndFrame), std::end(EndFrame)));
        return;
    }
    ++blocks_;
    if (Silenced(blocks_)) return;
    if (ErrorIn("readblock")) {
        line.Send(std::string("ERROR"));
        return;
    }
    const std::size_t n = std::min(BlockSize, total - readPosition_);
    std::uint8_t data[BlockSize] = {};
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t at = readPosition_ + k;
        data[k] = at < image.size() ? image[at] : static_cast<std::uint8_t>(at);
    }
    // Block checks stay right: only the CRC over the whole image shows the damage.
    if (faults_.badImageCrc && readPosition_ == 0) data[0] ^= 0x01;
    Bytes frame = Frame(data, n);
    if (blocks_ == faults_.corruptReadBlock) frame.back() ^= 0x5A;
    readPosition_ += n;
    line.Send(frame);
}

void ProgrammingMode::OnDeviceCommand(std::span<const std::uint8_t> command, ModemLine& line) {
    if (Crc16(command.data() + 2, 8) != 0) {
        Log("команда УОО с неверной CRC: без ответа");
        return;
    }
    Log("команда УОО: адрес " + std::to_string(command[4]) + ", шлейфы охраны " +
        std::to_string(command[5]) + ", пожарные " + std::to_string(command[6]) + ", режимы " +
        std::to_string(command[7]));
    Bytes answer{command[8], command[9], 0, 0};
    const std::uint16_t crc = Crc16(answer.data(), 2) ^ (faults_.badDeviceCrc ? 0x0101 : 0);
    answer[2] = static_cast<std::uint8_t>(crc & 0xFF);
    answer[3] = static_cast<std::uint8_t>(crc >> 8);
    line.Send(answer);
}

}  // namespace gsmprog::vmodem
