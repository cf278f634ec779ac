// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the programming operations tell the user (UTF-8): the reasons they give when they
// fail, which a window or the command line puts under its own header, and their messages of
// success and of a stop. The cable's own failures are told by link/cable_texts.h.

#include <string>

#include "link/cable_texts.h"
#include "link/link_result.h"

namespace gsmprog {

enum class LinkOperation { ProgramModem, ReadModem, WriteUo };

inline constexpr const char* BadReadDataText = "Получены неверные данные от УОО.";
// A card whose modem version names no image layout would send an empty image.
inline constexpr const char* NoImageVariantText =
    "В карточке не указана версия модема (\"до 81.31\" или \"81.32 и выше\").";

// What the operations tell the user: the header of a failure (the reason follows it), the
// message after a stop by the user, and the message of success.
inline constexpr const char* ProgramFailedHeader = "Программирование НЕ проведено!\n\nПричина:\n";
inline constexpr const char* ReadFailedHeader = "СЧИТЫВАНИЕ НЕ ПРОИЗВЕДЕНО\n\nПричина:\n";
inline constexpr const char* ProgramStoppedText =
    "Программирование ОСТАНОВЛЕНО! GSM Адаптер остался не запрограммированным.\n\n"
    "Проверьте, что перемычка программирования установлена,а 1-й вывод кабеля FTDI "
    "соответствует 1-му контакту на плате GSM Адаптера. Передерните питание устройства и "
    "повторите попытку программирования.";
inline constexpr const char* ReadStoppedText = "Считывание ОСТАНОВЛЕНО!";
inline constexpr const char* UoStoppedText =
    "Программирование ОСТАНОВЛЕНО! УОО остался не запрограммированным.\n\n"
    "Проверьте, что на адаптере установлена перемычка CONFIG2, на УОО установлена перемычка "
    "программирования, а кабель FTDI подключен к разъему DEBUG GSM модема. Передерните "
    "питание устройств и повторите попытку программирования.";
inline constexpr const char* ProgramDoneText =
    "Программирование произведено успешно!\n\nВыключите УОО и снимите перемычку "
    "программирования.\nНа ПЦН удалите и снова поставьте УОО на обслуживание!";
inline constexpr const char* UoDoneText = "Программирование УО произведено успешно!";
// Under the stop message in the journal of an exchange the window left running when it closed:
// nobody saw how it ended.
inline constexpr const char* LeftAtCloseText =
    "Программа закрыта, а обмен с модемом не закончился за 2 с после остановки: чем он "
    "кончился, неизвестно.";

// The reason for a failed exchange; nullptr for LinkDone and LinkStopped, which are no failures.
const char* ExchangeFailureText(LinkOperation operation, LinkResult result);
// The line told under the reason when the modem fell silent in the middle of a write: that it
// stopped answering, and after which block. Empty when it did not.
std::string SilenceText(const WriteSilence& silence);

}  // namespace gsmprog
