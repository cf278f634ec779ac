#pragma once
// The reasons the programming operations give when they fail (UTF-8). A window or the
// command line puts them under its own header.

#include "link_result.h"
#include "open_cable.h"

namespace gsmprog {

enum class LinkOperation { ProgramModem, ReadModem, WriteUo };

inline constexpr const char* CableNotFoundText = "Кабель FTDI не найден.";
inline constexpr const char* DriverFailureText =
    "Драйвер FTDI не отвечает.\nПроверьте наличие драйвера и перезапустите программу.";
inline constexpr const char* CableAccessFailureText = "Ошибка при обращении к устройству FTDI.";
inline constexpr const char* BadReadDataText = "Получены неверные данные от УОО.";

// The reason for a failed Open; nullptr for CableOpened.
const char* OpenFailureText(CableResult result);
// The reason for a failed exchange; nullptr for LinkDone and LinkStopped, which are no failures.
const char* ExchangeFailureText(LinkOperation operation, LinkResult result);

}  // namespace gsmprog
