// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/modem_memory.h"

#include <cerrno>

#include "link/checksums.h"
#include "cards/error_text.h"
#include "cards/file_reads.h"
#include "cards/file_writes.h"

namespace gsmprog::vmodem {

namespace fs = std::filesystem;

bool IsValidImage(const std::vector<std::uint8_t>& image) {
    return (image.size() == 316 || image.size() == 444) && Crc16(image.data(), image.size()) == 0;
}

ModemMemory::ModemMemory(fs::path imageFile) : imageFile_(std::move(imageFile)) {}

bool ModemMemory::Load(std::string& error) {
    std::error_code ec;
    if (imageFile_.empty()) return true;
    if (!fs::exists(imageFile_, ec)) {
        // Found now rather than when a programming's image could not be kept.
        const fs::path folder = imageFile_.parent_path().empty() ? "." : imageFile_.parent_path();
        if (fs::is_directory(folder, ec)) return true;
        error = "нет каталога " + folder.string() + " для файла образа " + imageFile_.string();
        return false;
    }
    std::vector<std::uint8_t> bytes;
    // One byte more than the longest image: a longer file is no image either.
    if (!ReadRegularFile(imageFile_, 445, bytes)) {
        error =
            "не удалось прочитать " + imageFile_.string() + ": " + ReadErrorText(imageFile_, errno);
        return false;
    }
    if (!IsValidImage(bytes)) {
        error = "в файле " + imageFile_.string() +
                " нет образа настроек (нужно 316 или 444 байта с верной CRC)";
        return false;
    }
    image_ = std::move(bytes);
    return true;
}

bool ModemMemory::Keep(const std::vector<std::uint8_t>& image, std::string& error) {
    image_ = image;
    if (imageFile_.empty()) return true;
    const ByteChunk chunk{image.data(), image.size()};
    if (ReplaceRegularFile(imageFile_, {&chunk, 1})) return true;
    error = "не удалось записать " + imageFile_.string();
    return false;
}

}  // namespace gsmprog::vmodem
