// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Running a system tool and taking what it prints, for the few facts only the system's own
// tools may tell (the package manager's database is theirs to read).

#include <string>
#include <vector>

namespace gsmprog {

struct CommandOutput {
    int startError = 0;  // errno when the program could not be started (ENOENT: not there)
    int exitStatus = -1;  // its exit status; -1 when it did not exit by itself
    std::string out;      // its standard output
    std::string err;      // its standard error
};

// Runs `argv` (argv[0] looked up in PATH unless it holds a '/') with no input and waits for it.
CommandOutput RunCommand(const std::vector<std::string>& argv);

}  // namespace gsmprog
