// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli: the cards, links and messages of gsmprog without windows.

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <string>
#include <vector>

#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "cards/error_text.h"
#include "diag/debug_log.h"
#include "program_version.h"

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

// A failure no command foresaw still ends it with its reason, never with an abort.
int RunCommand(const CliCommand& command, CliContext& context) {
    try {
        return command.handler(context);
    } catch (const std::filesystem::filesystem_error& failure) {
        PrintFailure(failure.path1().string() + ": " + ReadErrorText(failure.code().value()));
    } catch (const std::system_error& failure) {
        PrintFailure(ReadErrorText(failure.code().value()));
    } catch (const std::exception& failure) {
        PrintFailure(std::string("внутренняя ошибка: ") + failure.what());
    }
    return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Help wherever it is asked for, so that "gsmprog-cli program --help" helps too.
    if (std::find_if(args.begin(), args.end(), [](const std::string& arg) {
            return arg == "-h" || arg == "--help";
        }) != args.end()) {
        PrintUsage(std::cout);
        return CheckOutput(ExitSuccess);
    }
    CliContext context;
    bool changeDir = false;
    std::size_t i = 0;
    while (i < args.size() && (args[i] == "-C" || args[i] == "--verbose")) {
        if (args[i] == "--verbose") {
            EnableDebugLog();
            ++i;
            continue;
        }
        if (i + 1 >= args.size()) return UsageError("после -C нужен каталог");
        context.workDir = args[i + 1];
        changeDir = true;
        i += 2;
    }
    if (i >= args.size()) return UsageError("не указана команда");
    const std::string& name = args[i++];
    if (name == "help") {
        PrintUsage(std::cout);
        return CheckOutput(ExitSuccess);
    }
    if (name == "--version") {
        std::cout << "gsmprog-cli " << gsmprog::ProgramVersion << "\n";
        return CheckOutput(ExitSuccess);
    }
    for (const auto& command : CliCommands()) {
        if (command.name != name) continue;
        // Like make -C: the database files and relative paths are taken from there. Without
        // -C the process stays where it is, even in a directory that no longer exists.
        if (changeDir) {
            std::error_code error;
            std::filesystem::current_path(context.workDir, error);
            if (error)
                return UsageError("не удалось перейти в каталог " + context.workDir.string() +
                                  ": " + ReadErrorText(error.value()));
        }
        context.args.assign(args.begin() + std::ptrdiff_t(i), args.end());
        return CheckOutput(RunCommand(command, context));
    }
    return UsageError((name.starts_with("-") ? "неизвестный ключ " : "неизвестная команда ") +
                      name);
}
