// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/modem_image.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <random>

#include "link/checksums.h"

namespace gsmprog {

namespace {
// One generator for the process, seeded from the clock once; builders run on several threads.
std::uint8_t RandomBelow(unsigned bound) {
    static std::mutex lock;
    static std::minstd_rand generator(
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
    std::lock_guard guard(lock);
    return static_cast<std::uint8_t>(
        std::uniform_int_distribution<unsigned>(0, bound - 1)(generator));
}

void StoreCrc(std::uint8_t* at, std::uint16_t crc) {
    at[0] = static_cast<std::uint8_t>(crc & 0xFF);
    at[1] = static_cast<std::uint8_t>(crc >> 8);
}
}  // namespace

ModemImage BuildModemImage(const CardRecord& record, int variant, const std::tm& buildTime,
                           ImageRandomPair random) {
    ModemImage image;
    if (variant != 0 && variant != 1) return image;
    const std::size_t n = variant == 0 ? ShortImageSize : LongImageSize;
    std::memcpy(image.bytes.data(), &record, n);

    // Bounded copy of the card number: its characters, the rest of the 11 bytes zero.
    const std::size_t size = sizeof record.ImageCardNumber;
    const std::size_t length = strnlen(record.NCardEdit, size);
    std::memset(image.bytes.data(), 0, size);
    std::memcpy(image.bytes.data(), record.NCardEdit, length);

    std::uint8_t* stamp = image.bytes.data() + offsetof(CardRecord, ImageTimestamp);
    stamp[0] = static_cast<std::uint8_t>(buildTime.tm_mday);
    stamp[1] = static_cast<std::uint8_t>(buildTime.tm_mon + 1);
    stamp[2] = static_cast<std::uint8_t>((buildTime.tm_year + 1900 + 48) % 256);
    stamp[3] = static_cast<std::uint8_t>(buildTime.tm_hour);
    stamp[4] = static_cast<std::uint8_t>(buildTime.tm_min);
    stamp[5] = static_cast<std::uint8_t>(buildTime.tm_sec);

    image.bytes[n - 4] = random.first;
    image.bytes[n - 3] = random.second;
    image.crc = Crc16(image.bytes.data(), n - 2);
    StoreCrc(image.bytes.data() + n - 2, image.crc);
    image.length = n;
    return image;
}

ModemImage BuildModemImage(const CardRecord& record, int variant) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return BuildModemImage(record, variant, local, {RandomBelow(255), RandomBelow(255)});
}

bool WidenReadImage(const std::uint8_t* bytes, std::size_t length, WideImage& image) {
    image.bytes.fill(0);
    if (length == LongImageSize) {
        std::memcpy(image.bytes.data(), bytes, LongImageSize);
        image.variant = 1;
        return true;
    }
    if (length != ShortImageSize) return false;
    std::memcpy(image.bytes.data(), bytes, 312);
    std::memcpy(image.bytes.data() + 440, bytes + 312, 4);
    image.variant = 0;
    return true;
}

UoCommand BuildUoCommand(const CardRecord& record, int device, std::uint8_t random2,
                         std::uint8_t random3) {
    UoCommand command{};
    command[0] = 0x92;
    command[1] = 0x08;
    command[2] = random2;
    command[3] = random3;
    command[4] = record.UoLineAddress[device];
    command[5] = record.UoGuardCords[device];
    command[6] = record.UoFireCords[device];
    command[7] = record.UoModes[device];
    StoreCrc(command.data() + 8, Crc16(command.data() + 2, 6));
    return command;
}

UoCommand BuildUoCommand(const CardRecord& record, int device) {
    return BuildUoCommand(record, device, RandomBelow(256), RandomBelow(256));
}

}  // namespace gsmprog
