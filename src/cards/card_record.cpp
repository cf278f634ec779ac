// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/card_record.h"

#include <cstring>

namespace gsmprog {

CardRecord MakeTemplate(const CardRecord& card) {
    CardRecord result{};
    // Station addresses, access points, logins, update settings: bytes 0..311. Everything
    // that belongs to a device, a SIM card or an object is cleared or never copied.
    std::memcpy(&result, &card, offsetof(CardRecord, balCodeSim1));
    std::memset(result.UoCode, 0, offsetof(CardRecord, Ip1GsmEdit) - offsetof(CardRecord, UoCode));
    result.SmsFlags = 0;
    std::memset(result.smsNumber1Edit, 0,
                offsetof(CardRecord, ipUpdateEdit) - offsetof(CardRecord, smsNumber1Edit));
    return result;
}

}  // namespace gsmprog
