// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Opening the cable for a link: the one procedure both the programming link and the
// control link use, differing only in the tuning applied after the line settings.

#include <string>

#include "link/cable.h"

namespace gsmprog {

// Outcome of OpenCable.
enum CableResult : int {
    CableOpened = 0,
    CableDriverFailure = 1,  // device list not readable, open failed, a setting refused
    CableNotFound = 2,       // no cable, or the count cannot be obtained
};

enum class CableTuning {
    Programming,  // latency timer 100 ms
    Control,      // read time-out 50 ms, write time-out 4 ms
};

// Opens the cable named by `serialNumber` (empty: the first of the list), 115200 8N1 without
// flow control, then applies the tuning. Fills `devList` (DevListCapacity entries) and
// `handle`; after a failed set-up the cable is closed again and `handle` is 0.
CableResult OpenCable(Cable& cable, CableInfo* devList, const std::string& serialNumber,
                      CableTuning tuning, CableHandle& handle);

}  // namespace gsmprog
