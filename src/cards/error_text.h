// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reason of a failed file operation, in Russian, for the messages of gsmprog.

#include <filesystem>
#include <string>

namespace gsmprog {

// The text for the errno value `error`, e.g. "файловая система доступна только для чтения".
std::string ErrorText(int error);

// The same for a failed opening, reading or change of folder, e.g. "нет прав доступа".
std::string ReadErrorText(int error);

// The same for a failed write or read of `file`: a file there that is not a regular one
// (EINVAL) is named by its kind, e.g. "это именованный канал, а не обычный файл".
std::string ErrorText(const std::filesystem::path& file, int error);
std::string ReadErrorText(const std::filesystem::path& file, int error);

// What a file of mode `mode` is, for a refusal: "каталог", "именованный канал", "устройство",
// "сокет", "символическая ссылка" or "особый файл".
std::string FileKindText(unsigned mode);

}  // namespace gsmprog
