// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-vmodem: a modem on a pseudo-terminal that answers like the real device, registered
// as a virtual cable so that gsmprog and gsmprog-cli find it like an FTDI cable.

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "ports/cable_directory.h"
#include "program_version.h"
#include "vmodem/mode_dispatch.h"
#include "vmodem/pty_line.h"
#include "vmodem/vmodem_log.h"

using namespace gsmprog;
using namespace gsmprog::vmodem;

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void OnSignal(int signal) { stopSignal = signal; }

std::vector<OptionDefinition> CommonOptions() {
    return {
        {"serial", OptionKind::Text, "ИМЯ", "серийный номер кабеля (по умолчанию VMODEM1)"},
        {"cable-dir", OptionKind::Text, "КАТАЛОГ",
         "каталог виртуальных кабелей (по умолчанию " + DefaultCableDirectory().string() + ")"},
        {"image", OptionKind::Text, "ФАЙЛ", "хранить записанный образ в файле"},
        {"split-replies", OptionKind::Text, "МС|random",
         "отдавать ответы от 4 байт двумя частями через МС мс, как адаптер FTDI "
         "(random: 0..16 мс, разрез где угодно)"},
        {"help", OptionKind::Flag, "", "эта справка"},
        {"version", OptionKind::Flag, "", "версия программы"},
    };
}

std::uint64_t NowMs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

int Usage(const std::vector<OptionDefinition>& definitions, const std::string& error) {
    if (!error.empty()) {
        std::cerr << "gsmprog-vmodem: " << error << "\nСправка: gsmprog-vmodem --help\n";
        return 2;
    }
    std::cout << "Использование: gsmprog-vmodem [КЛЮЧИ]\n"
                 "Виртуальный GSM модем на псевдотерминале; виден программам как кабель FTDI.\n"
              << OptionHelp(definitions);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<OptionDefinition> definitions = CommonOptions();
    for (const auto& mode : RegisteredModes())
        definitions.insert(definitions.end(), mode.options.begin(), mode.options.end());

    std::string error;
    const auto options = ParseOptions({argv + 1, argv + argc}, definitions, error);
    if (!options) return Usage(definitions, error);
    if (options->Has("help")) return Usage(definitions, "");
    if (options->Has("version")) {
        std::cout << "gsmprog-vmodem " << ProgramVersion << "\n";
        return 0;
    }
    // Each mode checks its switches now, so that a typo is reported before anything starts.
    for (const auto& mode : RegisteredModes()) {
        if (mode.validate && !mode.validate(*options, error)) return Usage(definitions, error);
    }

    const std::string serial = options->Text("serial", "VMODEM1");
    if (!IsValidCableSerial(serial))
        return Usage(definitions,
                     "серийный номер — от 1 до 15 печатных символов ASCII без '/', не . и не ..: " + serial);
    const std::filesystem::path cableDir =
        options->Text("cable-dir", DefaultCableDirectory().string());
    std::optional<ReplySplit> split;
    if (options->Has("split-replies")) {
        split = ReplySplit::Parse(options->Text("split-replies"), error);
        if (!split) return Usage(definitions, error);
    }
    const std::optional<int> latencyTimerMs =
        split ? std::optional<int>(split->LatencyTimerMs()) : std::nullopt;

    ModemMemory memory(options->Text("image"));
    if (!memory.Load(error)) {
        std::cerr << "gsmprog-vmodem: " << error << "\n";
        return 1;
    }

    PtyLine line(stopSignal, std::move(split));
    if (!line.Open(error)) {
        std::cerr << "gsmprog-vmodem: " << error << "\n";
        return 1;
    }
    switch (RegisterVirtualCable(cableDir, serial, line.SlavePath(), latencyTimerMs)) {
    case RegisterResult::Registered: break;
    case RegisterResult::Untrusted:
        std::cerr
            << "gsmprog-vmodem: кабель не зарегистрирован: " << CableDirectoryDistrust(cableDir)
            << "; программы не берут кабели из такого каталога (укажите свой ключом --cable-dir)\n";
        return 1;
    case RegisterResult::AlreadyPresent:
        std::cerr << "gsmprog-vmodem: кабель " << serial << " уже есть в " << cableDir.string()
                  << " (запущен другой виртуальный модем?)\n";
        return 1;
    default:
        std::cerr << "gsmprog-vmodem: не удалось зарегистрировать кабель в " << cableDir.string()
                  << "\n";
        return 1;
    }

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    // A parent that had them blocked (a shell's job, a sanitizer's fork) passes its mask on:
    // the modem must still hear its stop.
    sigset_t stops;
    sigemptyset(&stops);
    for (const int stop : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, stop);
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);

    std::cout << serial << " " << line.SlavePath() << std::endl;
    Log("виртуальный модем: кабель " + serial + " (" + line.SlavePath() + ") в " +
        cableDir.string() + "; остановка — Ctrl-C");

    ModeDispatcher dispatcher(RegisteredModes(), *options, memory, line);
    std::uint8_t buffer[4096];
    while (stopSignal == 0) {
        pollfd in{line.MasterFd(), POLLIN, 0};
        const int ready = ::poll(&in, 1, 5);
        if (ready > 0 && (in.revents & POLLIN)) {
            const ssize_t n = ::read(line.MasterFd(), buffer, sizeof buffer);
            if (n > 0) dispatcher.Feed({buffer, static_cast<std::size_t>(n)}, NowMs());
        }
        dispatcher.Tick(NowMs());
    }
    UnregisterVirtualCable(cableDir, serial, line.SlavePath());
    Log("остановлен сигналом " + std::to_string(stopSignal));
    return 0;
}
