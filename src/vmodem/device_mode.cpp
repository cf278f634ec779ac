// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/device_mode.h"

namespace gsmprog::vmodem {

namespace {
std::vector<ModeEntry>& Registry() {
    static std::vector<ModeEntry> modes;
    return modes;
}
}  // namespace

ModeRegistrar::ModeRegistrar(ModeEntry entry) { Registry().push_back(std::move(entry)); }

const std::vector<ModeEntry>& RegisteredModes() { return Registry(); }

}  // namespace gsmprog::vmodem
