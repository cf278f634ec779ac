// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/cable_texts.h"

namespace gsmprog {

const char* OpenFailureText(CableResult result) {
    switch (result) {
    case CableOpened: return nullptr;
    case CableNotFound: return CableNotFoundText;
    case CableDriverFailure: break;
    }
    return DriverFailureText;
}

const char* BusyCableText(CableResult opened, const CableFailure& failure) {
    if (opened == CableDriverFailure && failure.kind == CableFailureKind::Busy)
        return CableBusyText;
    return nullptr;
}

const char* MissingCableNote(CableResult opened, const CableFailure& failure) {
    if (opened == CableNotFound && failure.kind == CableFailureKind::PortClaimed)
        return AdapterWithoutPortText;
    return nullptr;
}

}  // namespace gsmprog
