// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reason of a failed file operation, in Russian, for the messages of gsmprog.

#include <string>

namespace gsmprog {

// The text for the errno value `error`, e.g. "файловая система доступна только для чтения".
std::string ErrorText(int error);

// The same for a failed opening, reading or change of folder, e.g. "нет прав доступа".
std::string ReadErrorText(int error);

// What a file of mode `mode` is, for a refusal: "каталог", "именованный канал", "устройство",
// "символическая ссылка" or "не обычный файл".
std::string FileKindText(unsigned mode);

}  // namespace gsmprog
