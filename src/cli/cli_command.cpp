#include "cli_command.h"

#include <algorithm>
#include <iostream>

namespace gsmprog::cli {

namespace {
std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}
}  // namespace

CliCommandRegistrar::CliCommandRegistrar(const char* name, const char* synopsis,
                                         CliHandler handler) {
    auto& commands = Registry();
    commands.push_back({name, synopsis, handler});
    std::sort(commands.begin(), commands.end(),
              [](const CliCommand& a, const CliCommand& b) { return a.name < b.name; });
}

const std::vector<CliCommand>& CliCommands() { return Registry(); }

int UsageError(const std::string& message) {
    if (!message.empty()) std::cerr << "gsmprog-cli: " << message << "\n";
    std::cerr << "Использование: gsmprog-cli [-C КАТАЛОГ] КОМАНДА [АРГУМЕНТЫ]\nКоманды:\n";
    for (const auto& command : CliCommands()) std::cerr << "  " << command.synopsis << "\n";
    return ExitUsage;
}

}  // namespace gsmprog::cli
