// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The virtual modem tells on stderr what it receives and answers, one timestamped line each.

#include <string>

namespace gsmprog::vmodem {

void Log(const std::string& line);

}  // namespace gsmprog::vmodem
