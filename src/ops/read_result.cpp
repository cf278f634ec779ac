// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/read_result.h"

#include <cstdio>
#include <cstring>

#include "link/checksums.h"

namespace gsmprog {

namespace {
constexpr const char* NotConnected = "\xCD\xC4";  // "НД" in Windows-1251

// A text field, up to its first zero and never past its own end: a field without a
// terminator does not run on into the next one.
template <std::size_t N>
std::string Text(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}
}  // namespace

bool EvaluateReadImage(const std::uint8_t* bytes, std::size_t length, WideImage& image) {
    return Crc16(bytes, length) == 0 && WidenReadImage(bytes, length, image);
}

std::string ProgIdText(std::uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(id));
    return text;
}

ReadResultView DescribeReadImage(const WideImage& image) {
    CardRecord record{};
    std::memcpy(&record, image.bytes.data(), image.bytes.size());
    ReadResultView view;
    for (int i = 0; i < 4; ++i) {
        if (record.UoType[i] != 0) {
            const std::uint32_t code = record.UoCode[i];
            view.CodeUoo += std::to_string(code) + "; ";
            view.numLine += std::to_string(static_cast<int>(record.UoLineAddress[i])) + "; ";
        } else {
            view.CodeUoo += std::string(NotConnected) + "; ";
            view.numLine += std::string(NotConnected) + "; ";
        }
    }
    view.Pin1Edit = Text(record.Pin1Edit);
    view.Pin2Edit = Text(record.Pin2Edit);
    view.Ip1GsmEdit = Text(record.Ip1GsmEdit);
    view.Ip2GsmEdit = Text(record.Ip2GsmEdit);
    view.Port1GsmEdit = Text(record.Port1GsmEdit);
    view.Port2GsmEdit = Text(record.Port2GsmEdit);
    view.APN1Edit = Text(record.APN1Edit);
    view.APN2Edit = Text(record.APN2Edit);
    view.LoginGsm1Edit = Text(record.LoginGsm1Edit);
    view.LoginGsm2Edit = Text(record.LoginGsm2Edit);
    view.PassGsm1Edit = Text(record.PassGsm1Edit);
    view.PassGsm2Edit = Text(record.PassGsm2Edit);
    const std::uint8_t sms = record.SmsFlags;
    view.sendSMS1Check = sms & SmsSendTo1;
    view.sendSMS2Check = sms & SmsSendTo2;
    view.smsGuardModeCheck = sms & SmsGuardMode;
    view.smsFireCheck = sms & SmsFire;
    view.smsKtcCheck = sms & SmsKtc;
    view.smsAlarmCheck = sms & SmsAlarm;
    view.saveSMSCheck = sms & SmsSaveInPhone;
    view.smsNumber1Edit = Text(record.smsNumber1Edit);
    view.smsNumber2Edit = Text(record.smsNumber2Edit);
    view.smsObjNameEdit = Text(record.smsObjNameEdit);
    view.balCodeSim1 = Text(record.balCodeSim1);
    view.balCodeSim2 = Text(record.balCodeSim2);
    const std::uint16_t critical = record.balCritical;
    view.balCritical = std::to_string(critical == 0 ? 10 : critical);
    view.balSendPcnCheck = (record.BalanceFlags & BalanceNoCriticalNotice) == 0;
    view.ProgID1 = ProgIdText(record.ImageCrc);
    view.balanceGroupVisible = image.variant > 0;
    return view;
}

}  // namespace gsmprog
