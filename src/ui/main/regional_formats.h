// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The regional formats the windows write times and dates in.

#include <QLocale>
#include <QString>

namespace gsmprog {

// The user's regional formats; a system without regional settings (the C locale) gets the
// Russian ones, so a Russian window does not show English month names.
QLocale RegionalLocale();

// The long time format of `locale` without a time zone, as the windows have always shown it.
QString LongTimeFormat(const QLocale& locale);

}  // namespace gsmprog
