// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status line of the control window: "Нет связи" until the modem is in control mode,
// "Связь установлена" while it is, and the latest failure with its time from the failure
// until the next good reply; each after the name of the cable when it is known
// ("VMODEM2: Связь установлена"). A modem that answered and then stopped is one steady line,
// "Модем не отвечает — повтор каждую секунду", whatever each retry runs into: the retries'
// own failures would change the line every second. The last iButton key read follows the
// state.

#include <QString>
#include <cstdint>
#include <string>

#include "link/cable.h"

namespace gsmprog {

class LinkStateLine {
public:
    static constexpr const char* NoLinkText = "Нет связи";
    static constexpr const char* LinkUpText = "Связь установлена";
    static constexpr const char* LostText = "Модем не отвечает — повтор каждую секунду";

    // At each opening of the window, on the cable `cable` (empty: the first one, unnamed).
    void Opened(const std::string& cable);
    // An error condition or error reply of the link: `message` is its text (may be empty),
    // `errorState` the link's error state (0 for an error reply), `cause` what the cable
    // last told of its failure.
    void Failed(const QString& time, const std::string& message, std::uint32_t errorState,
                const CableFailure& cause);
    // A frame the modem sent that the link accepted.
    void Replied();
    // An iButton key was read: `text` names it with its code.
    void KeyRead(const QString& time, const std::string& text);
    // The text to show; `inControlMode` is the link's state now, `nowMs` a steady clock.
    QString Text(bool inControlMode, std::int64_t nowMs);
    // The latest failure with its time, for the line's tooltip; empty without one.
    const QString& Failure() const { return failure_; }
    // A failure is shown.
    bool Failing() const { return !failure_.isEmpty(); }
    // The modem answers: the line says "Связь установлена" (as of the last Text).
    bool LinkUp() const { return up_ && failure_.isEmpty(); }

private:
    QString cable_;
    QString failure_;
    QString lostSince_;  // the time the modem stopped answering; empty while it answers
    QString key_;
    bool up_ = false;
    bool answered_ = false;  // the modem answered since the window was opened
    std::int64_t lastUpMs_ = 0;
};

}  // namespace gsmprog
