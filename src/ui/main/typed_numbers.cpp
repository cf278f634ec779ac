// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/typed_numbers.h"

namespace gsmprog {

std::int32_t WholeNumberOr(const QString& text, std::int32_t fallback) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : fallback;
}

std::uint32_t HexNumberOrZero(const QString& text) {
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    return ok ? value : 0;
}

QString ProgIdText(std::uint16_t id) {
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace gsmprog
