// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/default_image.h"

#include <cstring>

#include "link/modem_image.h"

namespace gsmprog::vmodem {

std::vector<std::uint8_t> DefaultImage(int variant) {
    CardRecord card{};
    std::strcpy(card.NCardEdit, "1000");
    card.UoCode[0] = 1234;
    card.UoLineAddress[0] = 3;
    card.UoType[0] = 1;
    std::strcpy(card.Pin1Edit, "1111");
    std::strcpy(card.Ip1GsmEdit, "192.0.2.10");
    std::strcpy(card.Port1GsmEdit, "5000");
    std::strcpy(card.APN1Edit, "internet");
    card.SmsFlags = SmsSendTo1 | SmsAlarm;
    std::strcpy(card.smsNumber1Edit, "80000000000");
    std::strcpy(card.balCodeSim1, "*100#");
    std::tm stamp{};
    stamp.tm_year = 124;
    stamp.tm_mon = 0;
    stamp.tm_mday = 1;
    const ModemImage image = BuildModemImage(card, variant, stamp, {1, 2});
    return {image.bytes.begin(), image.bytes.begin() + static_cast<std::ptrdiff_t>(image.length)};
}

}  // namespace gsmprog::vmodem
