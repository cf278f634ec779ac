// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a read brings back, as the read-result window shows it: the check of the bytes read,
// their widening to the 444-byte layout, and the text or tick of every control.
// Texts are Windows-1251 bytes, as the image carries them ("НД" included); the window and
// the command line convert them for display.

#include <cstdint>
#include <string>

#include "link/modem_image.h"

namespace gsmprog {

// True when the CRC-16 over the bytes read is 0 and they widen (316 or 444 bytes).
bool EvaluateReadImage(const std::uint8_t* bytes, std::size_t length, WideImage& image);

struct ReadResultView {
    std::string CodeUoo;  // per device "%lu; " or "НД; "
    std::string numLine;  // per device "%i; " or "НД; "
    std::string Pin1Edit, Pin2Edit;
    std::string Ip1GsmEdit, Ip2GsmEdit;
    std::string Port1GsmEdit, Port2GsmEdit;
    std::string APN1Edit, APN2Edit;
    std::string LoginGsm1Edit, LoginGsm2Edit;
    std::string PassGsm1Edit, PassGsm2Edit;
    bool sendSMS1Check = false;
    bool sendSMS2Check = false;
    bool smsGuardModeCheck = false;
    bool smsFireCheck = false;
    bool smsKtcCheck = false;
    bool smsAlarmCheck = false;
    bool saveSMSCheck = false;
    std::string smsNumber1Edit, smsNumber2Edit;
    std::string smsObjNameEdit;
    std::string balCodeSim1, balCodeSim2;
    std::string balCritical;  // "%hu", 0 shown as 10
    bool balSendPcnCheck = false;
    std::string ProgID1;               // ImageCrc as four upper-case hex digits
    bool balanceGroupVisible = false;  // GroupBox4: only for a 444-byte read
};

ReadResultView DescribeReadImage(const WideImage& image);

// A programming identifier (an image CRC) as four upper-case hex digits, e.g. "00AB".
std::string ProgIdText(std::uint16_t id);

}  // namespace gsmprog
