#pragma once
// The command table of gsmprog-cli. Each command lives in its own file and registers
// itself with a static CliCommandRegistrar.

#include <filesystem>
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
    std::filesystem::path workDir;   // -C DIR (empty without -C); the process has already changed into it
    std::vector<std::string> args;   // the command's own arguments
};

using CliHandler = int (*)(CliContext& context);

struct CliCommand {
    std::string name;
    std::string synopsis;   // one line of the usage text, e.g. "show ROW"
    CliHandler handler;
};

struct CliCommandRegistrar {
    CliCommandRegistrar(const char* name, const char* synopsis, CliHandler handler);
};

const std::vector<CliCommand>& CliCommands();

// Prints the usage text to stderr and returns ExitUsage.
int UsageError(const std::string& message);

}  // namespace gsmprog::cli
