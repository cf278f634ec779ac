// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a failed cable tells the user (UTF-8): the texts of a cable that is missing, busy or
// failing, which the programming links and the control link both report.

#include "link/open_cable.h"

namespace gsmprog {

inline constexpr const char* CableNotFoundText = "Кабель FTDI не найден.";
inline constexpr const char* DriverFailureText =
    "Драйвер FTDI не отвечает.\nПроверьте наличие драйвера и перезапустите программу.";
inline constexpr const char* CableAccessFailureText = "Ошибка при обращении к устройству FTDI.";
inline constexpr const char* CableBusyText = "Кабель занят другой программой";
inline constexpr const char* AdapterWithoutPortText =
    "Кабель FTDI подключён, но его порт занят другой службой системы (например, brltty)";

// The reason for a failed Open; nullptr for CableOpened.
const char* OpenFailureText(CableResult result);
// The cable's own failure behind an open that gave `opened`. BusyCableText: another program
// holds the cable (CableBusyText), which the driver's text would hide. MissingCableNote: no
// cable was found but brltty holds an FTDI adapter (the cable check's verdict). nullptr otherwise.
const char* BusyCableText(CableResult opened, const CableFailure& failure);
const char* MissingCableNote(CableResult opened, const CableFailure& failure);

}  // namespace gsmprog
