// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ctrlForm/link_state_line.h"

#include "link/cable_texts.h"
#include "link/open_cable.h"

namespace gsmprog {

namespace {
// A new handshake after a quiet spell takes a few hundred milliseconds; only a link out of
// control mode for longer is reported as down.
constexpr std::int64_t DownAfterMs = 1000;
}  // namespace

void LinkStateLine::Opened(const std::string& cable) {
    cable_ = cable.empty() ? QString() : QString::fromStdString(cable) + QStringLiteral(": ");
    failure_.clear();
    lostSince_.clear();
    key_.clear();
    up_ = answered_ = false;
}

void LinkStateLine::Replied() {
    failure_.clear();
    lostSince_.clear();
    answered_ = true;
}

void LinkStateLine::KeyRead(const QString& time, const std::string& text) {
    key_ = time + QLatin1Char(' ') + QString::fromStdString(text);
}

void LinkStateLine::Failed(const QString& time, const std::string& message,
                           std::uint32_t errorState, const CableFailure& cause) {
    QString text = QString::fromStdString(message);
    const auto opened = static_cast<CableResult>(errorState);
    if (const char* busy = BusyCableText(opened, cause)) {
        text = QString::fromUtf8(busy);  // the driver is not to blame
    } else if (opened == CableDriverFailure && cause.kind == CableFailureKind::NotFound) {
        // The chosen cable is not attached (others may be): not a driver failure either.
        text = QString::fromUtf8(CableNotFoundText);
    } else if (text.isEmpty()) {
        // The link gives no text for a missing cable while nothing is asked, nor for the
        // statuses of cable calls that failed while working; the line names them all the same.
        text = QString::fromUtf8(errorState == CableNotFound ? CableNotFoundText
                                                             : CableAccessFailureText);
    }
    failure_ = time + QLatin1Char(' ') + text;
    // An error reply is an answer: only a silent modem or a failing cable is lost.
    if (answered_ && errorState != 0 && lostSince_.isEmpty()) lostSince_ = time;
}

QString LinkStateLine::Text(bool inControlMode, std::int64_t nowMs) {
    if (inControlMode) {
        up_ = true;
        lastUpMs_ = nowMs;
    } else if (nowMs - lastUpMs_ > DownAfterMs) {
        up_ = false;
    }
    if (!lostSince_.isEmpty())
        return cable_ + QString::fromUtf8(LostText) + QStringLiteral(" (с ") + lostSince_ +
               QLatin1Char(')');
    if (!failure_.isEmpty()) return cable_ + failure_;
    const QString state = cable_ + QString::fromUtf8(up_ ? LinkUpText : NoLinkText);
    return key_.isEmpty() ? state : state + QStringLiteral(". ") + key_;
}

}  // namespace gsmprog
