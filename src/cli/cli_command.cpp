// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_command.h"

#include <algorithm>
#include <iostream>
#include <tuple>
#include <utility>

namespace gsmprog::cli {

namespace {
std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

// Columns are counted in characters: the texts are UTF-8.
std::size_t Width(const std::string& text) {
    return std::size_t(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// A row of the usage: `left` at the margin and `right` from `column` on, on a line of its
// own when `left` reaches that far.
void PrintRow(std::ostream& out, const std::string& left, const std::string& right,
              std::size_t column = 30) {
    out << "  " << left;
    const std::size_t width = Width(left) + 2;
    if (width + 2 > column) out << "\n" << std::string(column, ' ');
    else out << std::string(column - width, ' ');
    out << right << "\n";
}

using Row = std::pair<const char*, const char*>;

constexpr Row Options[] = {
    {"-C КАТАЛОГ", "работать в КАТАЛОГЕ с базой карточек"},
    {"--verbose", "журнал кабеля и обмена с модемом на stderr (как GSMPROG_DEBUG=1)"},
    {"--cable СЕРИЙНЫЙ_НОМЕР", "КАБЕЛЬ: кабель с этим номером (см. cables)"},
    {"--port ПУТЬ", "КАБЕЛЬ: этот порт, например /dev/ttyUSB0"},
    {"", "без КАБЕЛЯ — первый кабель списка, как в окне"},
    {"--image ФАЙЛ", "read: сохранить считанный образ в ФАЙЛ"},
    {"--diff", "read: чем найденная карточка отличается от модема"},
    {"--new-card", "read: занести настройки модема в первую свободную строку"},
    {"--seconds СЕКУНДЫ", "monitor: закончить через СЕКУНДЫ, а не по Ctrl-C"},
    {"-h, --help, help", "эта справка"},
    {"--version", "версия программы"},
};

// As ExitCode numbers them.
constexpr Row ExitStatuses[] = {
    {"0", "успешно"},
    {"1", "сбой кабеля или драйвера"},
    {"2", "неверная команда, ключ или аргумент"},
    {"3", "сбой устройства: модем или УОО не ответили как надо"},
    {"4", "не записаны база карточек, экспорт или вывод"},
    {"130", "остановлено: Ctrl-C, SIGINT или SIGTERM"},
};

const char* GroupHeading(CliGroup group) {
    switch (group) {
    case CliGroup::Cards: return "Карточки (база ProgInfo_12.GAD рабочего каталога):";
    case CliGroup::Modem: return "Модем (через кабель FTDI):";
    case CliGroup::Control: return "Контроль модема (как окно «Контроль»):";
    }
    return "";
}
}  // namespace

CliCommandRegistrar::CliCommandRegistrar(CliGroup group, const char* name, const char* synopsis,
                                         const char* description, CliHandler handler) {
    auto& commands = Registry();
    commands.push_back({group, name, synopsis, description, handler});
    std::sort(commands.begin(), commands.end(), [](const CliCommand& a, const CliCommand& b) {
        return std::tie(a.group, a.name) < std::tie(b.group, b.name);
    });
}

const std::vector<CliCommand>& CliCommands() { return Registry(); }

void PrintUsage(std::ostream& out) {
    out << "Использование: gsmprog-cli [-C КАТАЛОГ] [--verbose] КОМАНДА [АРГУМЕНТЫ]\n"
           "               gsmprog-cli --help | --version\n";
    const CliCommand* previous = nullptr;
    for (const auto& command : CliCommands()) {
        if (previous == nullptr || previous->group != command.group)
            out << "\n" << GroupHeading(command.group) << "\n";
        PrintRow(out, command.synopsis, command.description);
        previous = &command;
    }
    out << "\nКлючи:\n";
    for (const auto& [option, meaning] : Options) PrintRow(out, option, meaning);
    out << "\nКоды завершения:\n";
    for (const auto& [code, meaning] : ExitStatuses) PrintRow(out, code, meaning, 8);
}

int UsageError(const std::string& message) {
    std::cerr << "gsmprog-cli: " << message << "\nСправка: gsmprog-cli --help\n";
    return ExitUsage;
}

}  // namespace gsmprog::cli
