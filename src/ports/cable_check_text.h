// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cable check as text (UTF-8): the system's services, then every cable with what was found
// of it and its verdicts, then the outcome. gsmprog-cli doctor prints it; a support report
// holds it.

#include <string>

#include "ports/cable_check.h"

namespace gsmprog {

// Lines ending in '\n'; a verdict starts with "! ".
std::string CableCheckText(const CableCheck& check);

}  // namespace gsmprog
