// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Control frames byte for byte: requests built, replies delimited, validated and turned into text.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "prog/ctrl_frame.h"
#include "prog/ctrl_status.h"
#include "prog/ctrl_texts.h"

namespace gsmprog {
namespace {

using Bytes = std::vector<std::uint8_t>;

CtrlPacket Request(std::uint8_t code) {
    CtrlPacket packet;
    packet.code = code;
    packet.attempts = 3;
    packet.timeout = 200;
    return packet;
}

// The length at which FrameComplete first says yes, feeding `frame` byte by byte.
std::size_t CompletesAt(const Bytes& frame, bool inCtrlMode) {
    for (std::size_t n = 1; n <= frame.size(); ++n)
        if (FrameComplete(frame.data(), n, inCtrlMode)) return n;
    return 0;
}

bool Parse(const Bytes& frame, CtrlPacket& out) {
    return ParseFrame(frame.data(), frame.size(), out);
}

TEST(CtrlFrame, RequestsAreHeaderCodeAndNegatedSum) {
    EXPECT_EQ(BuildFrame(Request(CtrlStatus)), (Bytes{0x51, 0x0C, 0xA3}));
    EXPECT_EQ(BuildFrame(Request(CtrlSimSwitch)), (Bytes{0x51, 0x05, 0xAA}));
    CtrlPacket withPayload = Request(0x20);
    withPayload.data[0] = 0x01;
    withPayload.data[1] = 0x02;
    withPayload.length = 2;
    EXPECT_EQ(BuildFrame(withPayload), (Bytes{0x51, 0x20, 0x01, 0x02, 0x8C}));
}

TEST(CtrlFrame, EachCodeCompletesAtItsLength) {
    EXPECT_EQ(CompletesAt({0xAE, 0x0C, 0x80, 0x10, 0x0E, 0x74, 0x0E, 0x2C, 0x2E, 0xCC}, true), 10u);
    EXPECT_EQ(CompletesAt({0xAE, 0x05, 0x4D}, true), 3u);
    EXPECT_EQ(CompletesAt({0xAE, 0xFF, 0x01, 0x52}, true), 4u);
    EXPECT_EQ(CompletesAt({0xAE, 0xD2, 0x01, 0x02, 0x41, 0x54, 0x00, 0xE8}, true), 8u);
    EXPECT_EQ(CompletesAt({0xAE, 0xD3, 0x00, 0x03, 0x10, 0x20, 0x30, 0x1C}, true), 8u);
    Bytes key(11, 0);
    key[0] = 0xAE;
    key[1] = 0x03;
    EXPECT_EQ(CompletesAt(key, true), 11u);
    // Traces with nothing to carry.
    EXPECT_EQ(CompletesAt({0xAE, 0xD2, 0x01, 0x00, 0x00, 0x7F}, true), 6u);
    EXPECT_EQ(CompletesAt({0xAE, 0xD3, 0x01, 0x00, 0x7E}, true), 5u);
    // The empty reply, the outputs notice and any code outside the table end at 3 bytes in
    // control mode ...
    EXPECT_EQ(CompletesAt({0xAE, 0x0D, 0x45}, true), 3u);
    EXPECT_EQ(CompletesAt({0xAE, 0x00, 0x52}, true), 3u);
    EXPECT_EQ(CompletesAt({0xAE, 0x07, 0x4B, 0x00}, true), 3u);
    // ... and never during the handshake, where the text replies run until silence.
    const Bytes ready{'R', 'E', 'A', 'D', 'Y', '\r', '\n'};
    EXPECT_EQ(CompletesAt(ready, false), 0u);
    EXPECT_EQ(CompletesAt({'E', 'R', 'R', 'O', 'R'}, false), 0u);
}

TEST(CtrlFrame, StatusReplyCarriesSimAndVoltages) {
    CtrlPacket reply;
    ASSERT_TRUE(Parse({0xAE, 0x0C, 0x80, 0x10, 0x0E, 0x74, 0x0E, 0x2C, 0x2E, 0xCC}, reply));
    EXPECT_EQ(reply.code, CtrlStatus);
    ASSERT_EQ(reply.length, 7);
    const CtrlStatusFields fields = StatusFields(reply);
    EXPECT_EQ(fields.simNumber, 2);
    EXPECT_EQ(fields.batVolt1, 3600);
    EXPECT_EQ(fields.batVolt2, 3700);
    EXPECT_EQ(fields.pwrVolt, 11820);
    EXPECT_EQ(EventText(reply, 0x80), "");

    // Only bit 7 chooses the SIM; voltages are unsigned.
    ASSERT_TRUE(Parse({0xAE, 0x0C, 0x7F, 0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00, 0xC8}, reply));
    EXPECT_EQ(StatusFields(reply).simNumber, 1);
    EXPECT_EQ(StatusFields(reply).batVolt1, 65535);
    EXPECT_EQ(StatusFields(reply).batVolt2, 0);
    EXPECT_EQ(StatusFields(reply).pwrVolt, 1);
    reply.data[0] = 0x00;
    EXPECT_EQ(StatusFields(reply).simNumber, 1);
}

TEST(CtrlFrame, ShortRepliesAndErrorTexts) {
    CtrlPacket reply;
    ASSERT_TRUE(Parse({0xAE, 0x05, 0x4D}, reply));
    EXPECT_EQ(reply.code, CtrlSimSwitch);
    EXPECT_EQ(reply.length, 0);

    ASSERT_TRUE(Parse({0xAE, 0xFF, 0x01, 0x52}, reply));
    EXPECT_EQ(reply.code, CtrlErrorReply);
    ASSERT_EQ(reply.length, 1);
    EXPECT_EQ(EventText(reply, 0), "Ошибка: Нет такого кода команды");

    EXPECT_EQ(ErrorReplyText(0), ErrorReplyText(3));
    EXPECT_EQ(
        ErrorReplyText(3),
        "Ошибка: Неверный заголовок, ошибка контрольной суммы, неверная длина командного пакета");
    EXPECT_EQ(ErrorReplyText(4), "Ошибка: Нет такого кода команды");
    EXPECT_EQ(ErrorReplyText(2), "Ошибка: Не допустимый параметр команды");
    EXPECT_EQ(ErrorReplyText(255), ErrorReplyText(0));
}

// The link's own text stays as it is; the key's code is told beside it, as installers need it.
TEST(CtrlFrame, AKeyEventNamesTheKeysCode) {
    CtrlPacket key;
    ASSERT_TRUE(Parse({0xAE, 0x03, 0x01, 0xA2, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x7B}, key));
    EXPECT_EQ(key.code, CtrlIButtonKey);
    EXPECT_EQ(EventText(key, 0), "Получен код ключа IButton");
    EXPECT_EQ(KeyCodeText(key), "Получен код ключа IButton: 01 A2 33 44 55 66 77 88");
}

TEST(CtrlFrame, TracesBecomeDirectionAndText) {
    CtrlPacket gsm;
    ASSERT_TRUE(Parse({0xAE, 0xD2, 0x01, 0x02, 0x41, 0x54, 0x00, 0xE8}, gsm));
    EXPECT_EQ(gsm.code, CtrlGsmTrace);
    EXPECT_EQ(gsm.length, 5);
    EXPECT_EQ(EventText(gsm, 0), "TX: AT");

    CtrlPacket device;
    ASSERT_TRUE(Parse({0xAE, 0xD3, 0x00, 0x03, 0x10, 0x20, 0x30, 0x1C}, device));
    EXPECT_EQ(device.length, 5);
    EXPECT_EQ(EventText(device, 0), "RX: 10 20 30 ");

    // The text runs to its first zero byte, so a non-zero closing byte is shown with it.
    CtrlPacket unterminated;
    ASSERT_TRUE(Parse({0xAE, 0xD2, 0x01, 0x02, 0x41, 0x54, 0x58, 0x90}, unterminated));
    EXPECT_EQ(EventText(unterminated, 0), "TX: ATX");

    CtrlPacket empty;
    ASSERT_TRUE(Parse({0xAE, 0xD2, 0x00, 0x00, 0x00, 0x80}, empty));
    EXPECT_EQ(EventText(empty, 0), "RX: ");
    ASSERT_TRUE(Parse({0xAE, 0xD3, 0x01, 0x00, 0x7E}, empty));
    EXPECT_EQ(EventText(empty, 0), "TX: ");
}

TEST(CtrlFrame, GsmTextIsTrimmedAndDecodedFromWindows1251) {
    CtrlPacket trace;
    trace.code = CtrlGsmTrace;
    const Bytes payload{0x00, 0x0B, '\r', '\n', ' ',  'O',  'K',
                        ' ',  0xCF, 0xF0, 0xE8, 0xA8, '\r', 0x00};
    std::copy(payload.begin(), payload.end(), trace.data);
    trace.length = static_cast<std::int32_t>(payload.size());
    EXPECT_EQ(EventText(trace, 0), "RX: OK ПриЁ");
    // The text ends at its first zero byte.
    trace.data[6] = 0x00;
    EXPECT_EQ(EventText(trace, 0), "RX: O");
}

TEST(CtrlFrame, RejectsWrongHeaderChecksumCodeAndLength) {
    CtrlPacket untouched;
    untouched.code = 0x77;
    EXPECT_FALSE(Parse({0xAF, 0x05, 0x4C}, untouched));
    EXPECT_FALSE(Parse({0xAE, 0x05, 0x4E}, untouched));
    EXPECT_FALSE(Parse({0xAE, 0x07, 0x4B}, untouched));  // no such reply
    EXPECT_FALSE(Parse({'R', 'E', 'A', 'D', 'Y', '\r', '\n'}, untouched));
    EXPECT_FALSE(Parse({0xAE, 0x0C, 0x46}, untouched));              // status cut short
    EXPECT_FALSE(Parse({0xAE, 0xD2, 0x01, 0x05, 0x7A}, untouched));  // trace shorter than L
    EXPECT_FALSE(Parse({0xAE, 0x05}, untouched));
    EXPECT_EQ(untouched.code, 0x77);
    EXPECT_EQ(untouched.length, 0);

    CtrlPacket reply;
    EXPECT_TRUE(Parse({0xAE, 0x00, 0x52}, reply));
    EXPECT_EQ(reply.code, CtrlEmptyReply);
    EXPECT_TRUE(Parse({0xAE, 0x0D, 0x45}, reply));
    EXPECT_EQ(EventText(reply, 0x81), "Установлено значение выходов: 81 ");
}

TEST(CtrlFrame, TrafficTextsShowCountAndHexBytes) {
    EXPECT_EQ(HexBytes(nullptr, 0), "");
    const Bytes request{0x51, 0x0C, 0xA3};
    EXPECT_EQ(HexBytes(request.data(), request.size()), "51 0C A3 ");

    CtrlPacket sent;
    sent.code = CtrlBytesSent;
    std::copy(request.begin(), request.end(), sent.data);
    sent.length = 3;
    EXPECT_EQ(EventText(sent, 0), "TX(3): 51 0C A3 ");

    CtrlPacket received;
    received.code = CtrlBytesReceived;
    const Bytes reply{0xAE, 0x05, 0x4D};
    std::copy(reply.begin(), reply.end(), received.data);
    received.length = 3;
    EXPECT_EQ(EventText(received, 0), "RX(3): AE 05 4D ");
    // The raw bytes of traces are not shown; their parsed event is.
    received.data[1] = CtrlGsmTrace;
    EXPECT_EQ(EventText(received, 0), "");
    received.data[1] = CtrlDeviceTrace;
    EXPECT_EQ(EventText(received, 0), "");

    CtrlPacket key;
    key.code = CtrlIButtonKey;
    key.length = 8;
    EXPECT_EQ(EventText(key, 0), "Получен код ключа IButton");
}

TEST(CtrlFrame, ErrorStateTexts) {
    EXPECT_EQ(ErrorStateText(2, true, 12), "Кабель FTDI не найден.");
    EXPECT_EQ(ErrorStateText(2, false, 12), "");
    EXPECT_EQ(ErrorStateText(1, false, 0),
              "Драйвер FTDI не отвечает. Проверьте наличие драйвера и перезапустите программу.");
    EXPECT_EQ(ErrorStateText(3, false, 0),
              "Подключено более одного кабеля FTDI. Программирование возможно только через один "
              "подключенный кабель");
    EXPECT_EQ(ErrorStateText(54, true, 12), "Таймаут ожидания ответа, cmd = 12");
    EXPECT_EQ(ErrorStateText(54, false, 5), "Таймаут ожидания ответа, cmd = 5");
    EXPECT_EQ(ErrorStateText(4, true, 12), "");
    EXPECT_EQ(ErrorStateText(18, true, 12), "");
}

}  // namespace
}  // namespace gsmprog
