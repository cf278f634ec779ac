// gsmprog-cli: the cards, links and messages of gsmprog without windows.

#include <iostream>
#include <string>

#include "cli_cards.h"
#include "cli_command.h"

using namespace gsmprog;
using namespace gsmprog::cli;

namespace {

// What a command printed must have arrived: a full disk or a closed output is a failure
// of the command, never a success.
int CheckOutput(int status) {
    std::cout.flush();
    if (status != ExitSuccess || std::cout) return status;
    PrintFailure(std::string("вывод не записан: ") + CardDatabase::WriteErrorText);
    return ExitWriteFailure;
}

}  // namespace

int main(int argc, char** argv) {
    CliContext context;
    bool changeDir = false;
    int i = 1;
    while (i < argc && std::string(argv[i]) == "-C") {
        if (i + 1 >= argc) return UsageError("после -C нужен каталог");
        context.workDir = argv[i + 1];
        changeDir = true;
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
        // Like make -C: the database files and relative paths are taken from there. Without
        // -C the process stays where it is, even in a directory that no longer exists.
        if (changeDir) {
            std::error_code error;
            std::filesystem::current_path(context.workDir, error);
            if (error) return UsageError("нет каталога " + context.workDir.string());
        }
        context.args.assign(argv + i, argv + argc);
        return CheckOutput(command.handler(context));
    }
    return UsageError("неизвестная команда " + name);
}
