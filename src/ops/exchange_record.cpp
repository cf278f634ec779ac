// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/exchange_record.h"

#include <cstring>

namespace gsmprog {

namespace {
// What a link's Version holds when the modem named none.
constexpr const char* NoVersion = "Н/Д";
}  // namespace

ExchangeRecord::ExchangeRecord(JournalOperation operation, std::string program) {
    facts_.operation = operation;
    facts_.program = std::move(program);
}

void ExchangeRecord::Begin() {
    begun_ = true;
    facts_.started = std::chrono::system_clock::now();
    start_ = std::chrono::steady_clock::now();
}

void ExchangeRecord::Exchanged(const FTDI_Controller& link) {
    facts_.duration = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    facts_.cable = link.SerialNumber;
    if (facts_.cable.empty())
        facts_.cable.assign(
            link.DevList[0].SerialNumber,
            strnlen(link.DevList[0].SerialNumber, sizeof link.DevList[0].SerialNumber));
    if (link.Version != NoVersion) facts_.modemVersion = link.Version;
    if (facts_.operation == JournalOperation::Read && link.DataLen > 0)
        facts_.image.assign(link.Data, link.Data + link.DataLen);
}

void ExchangeRecord::End(JournalResult result, std::string message) {
    facts_.result = result;
    facts_.message = std::move(message);
}

}  // namespace gsmprog
