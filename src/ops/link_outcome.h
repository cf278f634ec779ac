// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One programming operation as the window and the command line both run it: open the cable
// for the link, run the exchange, tell the reason of a failure, and what a confirmed write
// changes in the card it came from.

#include <cstdint>
#include <string>

#include "cards/card_record.h"
#include "link/ftdi_controller.h"
#include "ops/operation_texts.h"

namespace gsmprog {

struct LinkOutcome {
    CableResult opened = CableOpened;
    LinkResult result = LinkStopped;  // only meaningful when the cable opened
    WriteSilence silence;             // of a settings-image write that failed

    bool Done() const { return opened == CableOpened && result == LinkDone; }
};

// SetSerial, Open with the payload and, when the cable opened, Start. Runs in the caller's
// thread until the exchange ends; Stop on the link from another thread ends it early.
LinkOutcome RunExchange(FTDI_Controller& link, const std::string& serialNumber,
                        const std::uint8_t* payload = nullptr, std::int32_t length = 0);
// As RunExchange, for a link whose Open (without a payload) has given `opened` already.
LinkOutcome RunOpenedExchange(FTDI_Controller& link, CableResult opened,
                              const std::uint8_t* payload = nullptr, std::int32_t length = 0);

// The reason the user is given for `outcome`; nullptr when it is no failure (done, stopped).
const char* FailureReason(LinkOperation operation, const LinkOutcome& outcome);

// A confirmed modem programming: the previous identifier is kept as ProgID2, the image CRC
// becomes ProgID1, and the card is dated as programmed at `now`.
void RecordModemProgrammed(CardRecord& card, std::uint16_t imageCrc, double now);
// A confirmed object-device write dates the card as programmed at `now`.
void RecordUoProgrammed(CardRecord& card, double now);

}  // namespace gsmprog
