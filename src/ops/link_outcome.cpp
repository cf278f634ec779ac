// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/link_outcome.h"

namespace gsmprog {

LinkOutcome RunExchange(FTDI_Controller& link, const std::string& serialNumber,
                        const std::uint8_t* payload, std::int32_t length) {
    link.SetSerial(serialNumber);
    return RunOpenedExchange(link, link.Open(), payload, length);
}

LinkOutcome RunOpenedExchange(FTDI_Controller& link, CableResult opened,
                              const std::uint8_t* payload, std::int32_t length) {
    LinkOutcome outcome;
    outcome.opened = opened;
    if (opened != CableOpened) return outcome;
    link.SetPayload(payload, length);
    outcome.result = link.Start();
    outcome.silence = link.Silence;
    return outcome;
}

const char* FailureReason(LinkOperation operation, const LinkOutcome& outcome) {
    if (outcome.opened != CableOpened) return OpenFailureText(outcome.opened);
    return ExchangeFailureText(operation, outcome.result);
}

void RecordModemProgrammed(CardRecord& card, std::uint16_t imageCrc, double now) {
    card.ProgID2 = card.ProgID1;
    card.ProgID1 = imageCrc;
    card.DateProgrammed = now;
}

void RecordUoProgrammed(CardRecord& card, double now) { card.DateProgrammed = now; }

}  // namespace gsmprog
