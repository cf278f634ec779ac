// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "prog/ctrl_texts.h"

#include <algorithm>

#include "text/charset.h"
#include "prog/ctrl_frame.h"
#include "link/cable_texts.h"

namespace gsmprog {

namespace {

// The GSM module's text: up to its first zero byte, blanks and control characters trimmed.
std::string TraceText(const std::uint8_t* bytes, std::size_t count) {
    const std::uint8_t* end = std::find(bytes, bytes + count, 0);
    const std::uint8_t* begin = bytes;
    while (begin < end && *begin <= 32) ++begin;
    while (end > begin && end[-1] <= 32) --end;
    return Win1251ToUtf8(
        std::string_view(reinterpret_cast<const char*>(begin), std::size_t(end - begin)));
}

constexpr const char* KeyEventText = "Получен код ключа IButton";
constexpr std::size_t KeyCodeSize = 8;

const char* Direction(const CtrlPacket& trace) { return trace.data[0] != 0 ? "TX: " : "RX: "; }

std::size_t Meaningful(const CtrlPacket& event) {
    return static_cast<std::size_t>(std::clamp(event.length, 0, CtrlPacketDataSize));
}

std::string RawBytesText(const char* prefix, const CtrlPacket& event) {
    const std::size_t count = Meaningful(event);
    return prefix + std::to_string(count) + "): " + HexBytes(event.data, count);
}

}  // namespace

std::string ErrorReplyText(std::uint8_t errorByte) {
    static const char* const Texts[3] = {
        "Неверный заголовок, ошибка контрольной суммы, неверная длина командного пакета",
        "Нет такого кода команды",
        "Не допустимый параметр команды",
    };
    return std::string("Ошибка: ") + Texts[errorByte % 3];
}

std::string ErrorStateText(std::uint32_t errorState, bool pending, std::uint8_t requestCode) {
    switch (errorState) {
    case CableNotFound: return pending ? CableNotFoundText : "";
    case CableDeviceNotOpened:
        return "Подключено более одного кабеля FTDI. Программирование возможно только через "
               "один подключенный кабель";
    case CableDriverFailure:
        return "Драйвер FTDI не отвечает. Проверьте наличие драйвера и перезапустите программу.";
    case CtrlReplyTimeout: return "Таймаут ожидания ответа, cmd = " + std::to_string(requestCode);
    default: return "";
    }
}

std::string KeyCodeText(const CtrlPacket& key) {
    std::string code = HexBytes(key.data, std::min(Meaningful(key), KeyCodeSize));
    if (!code.empty()) code.pop_back();  // the blank after the last byte
    return std::string(KeyEventText) + ": " + code;
}

std::string EventText(const CtrlPacket& event, std::uint8_t lastStatusByte) {
    const std::size_t count = Meaningful(event);
    switch (event.code) {
    case CtrlIButtonKey: return KeyEventText;
    case CtrlOutputsSet: return "Установлено значение выходов: " + HexBytes(&lastStatusByte, 1);
    case CtrlGsmTrace:
        return Direction(event) + TraceText(event.data + 2, count > 2 ? count - 2 : 0);
    case CtrlDeviceTrace: {
        const std::size_t shown = std::min<std::size_t>(event.data[1], count > 2 ? count - 2 : 0);
        return Direction(event) + HexBytes(event.data + 2, shown);
    }
    case CtrlBytesSent: return RawBytesText("TX(", event);
    case CtrlBytesReceived:
        if (event.data[1] == CtrlGsmTrace || event.data[1] == CtrlDeviceTrace) return "";
        return RawBytesText("RX(", event);
    case CtrlErrorReply: return ErrorReplyText(event.data[0]);
    default: return "";
    }
}

}  // namespace gsmprog
