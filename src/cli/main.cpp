// gsmprog-cli: the cards, links and messages of gsmprog without windows.

#include <iostream>
#include <string>

#include "cli_command.h"

using namespace gsmprog::cli;

int main(int argc, char** argv) {
    CliContext context;
    context.workDir = std::filesystem::current_path();
    int i = 1;
    while (i < argc && std::string(argv[i]) == "-C") {
        if (i + 1 >= argc) return UsageError("после -C нужен каталог");
        context.workDir = argv[i + 1];
        i += 2;
    }
    if (i >= argc) return UsageError("");
    const std::string name = argv[i++];
    if (name == "-h" || name == "--help" || name == "help") {
        UsageError("");
        return ExitSuccess;
    }
    for (const auto& command : CliCommands()) {
        if (command.name != name) continue;
        // Like make -C: the database files and relative paths are taken from there.
        std::error_code error;
        std::filesystem::current_path(context.workDir, error);
        if (error) return UsageError("нет каталога " + context.workDir.string());
        context.args.assign(argv + i, argv + argc);
        return command.handler(context);
    }
    return UsageError("неизвестная команда " + name);
}
