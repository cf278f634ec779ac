// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status line of the control window: "Нет связи" until the modem is in control mode,
// "Связь установлена" while it is, and the latest failure with its time from the failure
// until the next good reply; each after the name of the cable when it is known
// ("VMODEM2: Связь установлена").

#include <QString>
#include <cstdint>
#include <string>

#include "link/cable.h"

namespace gsmprog {

class LinkStateLine {
public:
    static constexpr const char* NoLinkText = "Нет связи";
    static constexpr const char* LinkUpText = "Связь установлена";

    // At each opening of the window, on the cable `cable` (empty: the first one, unnamed).
    void Opened(const std::string& cable);
    // An error condition or error reply of the link: `message` is its text (may be empty),
    // `errorState` the link's error state (0 for an error reply), `cause` what the cable
    // last told of its failure.
    void Failed(const QString& time, const std::string& message, std::uint32_t errorState,
                const CableFailure& cause);
    // A frame the modem sent that the link accepted.
    void Replied() { failure_.clear(); }
    // The text to show; `inControlMode` is the link's state now, `nowMs` a steady clock.
    QString Text(bool inControlMode, std::int64_t nowMs);
    // The modem answers: the line says "Связь установлена" (as of the last Text).
    bool LinkUp() const { return up_ && failure_.isEmpty(); }

private:
    QString cable_;
    QString failure_;
    bool up_ = false;
    std::int64_t lastUpMs_ = 0;
};

}  // namespace gsmprog
