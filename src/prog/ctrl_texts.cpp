#include "ctrl_texts.h"

#include <algorithm>

#include "ctrl_frame.h"
#include "link_texts.h"

namespace gsmprog {

namespace {

// Windows-1251 bytes 0x80..0xBF as Unicode; 0x98 has no character.
constexpr char16_t UpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

void AppendUtf8(std::string& text, char16_t unit) {
    if (unit < 0x80) {
        text.push_back(static_cast<char>(unit));
    } else if (unit < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (unit >> 6)));
        text.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xE0 | (unit >> 12)));
        text.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
    }
}

// The GSM module's text: up to its first zero byte, blanks and control characters trimmed.
std::string TraceText(const std::uint8_t* bytes, std::size_t count) {
    const std::uint8_t* end = std::find(bytes, bytes + count, 0);
    const std::uint8_t* begin = bytes;
    while (begin < end && *begin <= 32) ++begin;
    while (end > begin && end[-1] <= 32) --end;
    std::string text;
    for (const std::uint8_t* byte = begin; byte < end; ++byte) {
        if (*byte < 0x80)
            AppendUtf8(text, *byte);
        else if (*byte < 0xC0)
            AppendUtf8(text, UpperHalf[*byte - 0x80]);
        else
            AppendUtf8(text, static_cast<char16_t>(0x0410 + (*byte - 0xC0)));
    }
    return text;
}

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

std::string EventText(const CtrlPacket& event, std::uint8_t lastStatusByte) {
    const std::size_t count = Meaningful(event);
    switch (event.code) {
    case CtrlIButtonKey: return "Получен код ключа IButton";
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
