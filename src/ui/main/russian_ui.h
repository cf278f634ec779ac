// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The interface is Russian whatever the system's locale: Qt's own texts (standard buttons,
// the file dialog) come from its Russian translation.

class QCoreApplication;

namespace gsmprog {

// Loads and installs qtbase_ru; false when the translation is not installed on the system.
bool InstallRussianTranslation(QCoreApplication& app);

}  // namespace gsmprog
