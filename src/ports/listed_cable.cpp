// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/listed_cable.h"

namespace gsmprog {

std::string CanonicalDevice(const std::filesystem::path& device) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(device, error);
    return (error ? device : resolved).string();
}

}  // namespace gsmprog
