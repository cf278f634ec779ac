// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the virtual modem remembers across exchanges: the settings image last written into
// it, optionally kept in a file so that it survives a restart.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace gsmprog::vmodem {

class ModemMemory {
public:
    explicit ModemMemory(std::filesystem::path imageFile = {});

    // Takes the image from the file when one is given and exists. False (with a reason)
    // when the file exists but does not hold a valid 316- or 444-byte image.
    bool Load(std::string& error);

    bool HasImage() const { return !image_.empty(); }
    const std::vector<std::uint8_t>& Image() const { return image_; }

    // Keeps `image` and, with a file, replaces the file atomically. False (image kept in
    // memory all the same) when the file could not be written.
    bool Keep(const std::vector<std::uint8_t>& image, std::string& error);

private:
    std::filesystem::path imageFile_;
    std::vector<std::uint8_t> image_;
};

// A 316- or 444-byte image whose CRC-16 over all bytes is 0.
bool IsValidImage(const std::vector<std::uint8_t>& image);

}  // namespace gsmprog::vmodem
