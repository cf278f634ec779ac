// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command table of gsmprog-cli. Each command lives in its own file and registers
// itself with a static CliCommandRegistrar.

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace gsmprog::cli {

// Exit statuses of gsmprog-cli.
enum ExitCode : int {
    ExitSuccess = 0,
    ExitCableFailure = 1,
    ExitUsage = 2,
    ExitDeviceFailure = 3,
    ExitWriteFailure = 4,
    ExitStopped = 130,
};

struct CliContext {
    std::filesystem::path
        workDir;  // -C DIR (empty without -C); the process has already changed into it
    std::vector<std::string> args;  // the command's own arguments
};

using CliHandler = int (*)(CliContext& context);

// The usage lists the commands by what they work on, in this order.
enum class CliGroup { Cards, Modem, Control };

struct CliCommand {
    CliGroup group;
    std::string name;
    std::string synopsis;     // e.g. "show СТРОКА"
    std::string description;  // one line of the usage text
    CliHandler handler;
};

struct CliCommandRegistrar {
    CliCommandRegistrar(CliGroup group, const char* name, const char* synopsis,
                        const char* description, CliHandler handler);
};

// By group, then by name.
const std::vector<CliCommand>& CliCommands();

// The whole usage text: commands, options, exit statuses.
void PrintUsage(std::ostream& out);

// Prints the reason of a usage error and where the usage is to be found on stderr, so that the
// reason stays on screen; returns ExitUsage.
int UsageError(const std::string& message);

}  // namespace gsmprog::cli
