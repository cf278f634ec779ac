// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli status | switch-sim | monitor run as programs against gsmprog-vmodem: output,
// exit codes and the Russian texts of every failure.

#include <signal.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <sstream>
#include <thread>

#include "support/vmodem_process.h"

namespace gsmprog::test {
namespace {

class ControlCli : public ::testing::Test {
protected:
    void StartModem(std::vector<std::string> args = {}) {
        VmodemSetup setup;
        setup.args = std::move(args);
        setup.runtimeDir = runtime.Path();
        modem = std::make_unique<VmodemProcess>(setup);
        ASSERT_TRUE(modem->Started()) << modem->Log();
    }
    std::map<std::string, std::string> Env() const {
        return {{"XDG_RUNTIME_DIR", runtime.Path().string()}, {"LC_ALL", "C.UTF-8"}};
    }
    ProgramResult Run(std::vector<std::string> args) {
        return RunProgram(CliProgram(), args, Env());
    }

    TempDir runtime;
    std::unique_ptr<VmodemProcess> modem;
};

TEST_F(ControlCli, StatusPrintsTheFieldsAndSwitchSimChangesThem) {
    StartModem({"--traces", "2", "--bat-off", "3600", "--bat-on", "3700", "--supply", "11820"});
    auto result = Run({"status"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "simNumEdit=1\nbatVolt1=3600\nbatVolt2=3700\npwrVolt=11820\n");
    EXPECT_EQ(result.err, "");

    result = Run({"switch-sim", "--cable", "VMODEM1"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Модем перешёл на другую SIM карту.\n");

    result = Run({"status", "--port", modem->PtyPath()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "simNumEdit=2\nbatVolt1=3600\nbatVolt2=3700\npwrVolt=11820\n");
}

TEST_F(ControlCli, EachFailureHasItsTextAndExitCode) {
    auto result = Run({"status"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Кабель FTDI не найден.\n");

    result = Run({"switch-sim", "--port", "/nonexistent/tty"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Кабель FTDI не найден.\n");

    result = Run({"monitor", "--seconds", "1"});  // never reached a modem: a failed run
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Кабель FTDI не найден.\n");

    StartModem({"--ctrl-silent"});
    result = Run({"status"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "Таймаут ожидания ответа, cmd = 12\n");
    result = Run({"switch-sim"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "Таймаут ожидания ответа, cmd = 5\n");
    modem.reset();

    StartModem({"--ctrl-error-reply", "2"});
    result = Run({"switch-sim"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err, "Ошибка: Не допустимый параметр команды\n");
    modem.reset();

    StartModem({"--ctrl-refuse", "100000"});
    result = Run({"status"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err,
              "Модем не перешёл в режим контроля: нет ответа READY на CTRL_SETUP_GSMA.\n");
    modem.reset();

    // "READY" with a line end is no answer; the handshake is repeated until a plain one.
    StartModem({"--ctrl-ready-crlf", "2"});
    result = Run({"status"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = modem->Log();
    const std::string lineEnd = "управление: READY\\r\\n";
    const auto first = log.find(lineEnd);
    ASSERT_NE(first, std::string::npos) << log;
    const auto second = log.find(lineEnd, first + 1);
    ASSERT_NE(second, std::string::npos) << log;
    EXPECT_EQ(log.find(lineEnd, second + 1), std::string::npos) << log;

    result = Run({"status", "extra"});
    EXPECT_EQ(result.exitCode, 2);
    result = Run({"monitor", "--seconds", "0"});
    EXPECT_EQ(result.exitCode, 2);
}

// The link says nothing of a cable that fails during the handshake; the command still tells a
// modem that went away from one that does not answer.
TEST_F(ControlCli, AModemThatVanishesDuringTheHandshakeIsACableFailure) {
    StartModem({"--ctrl-refuse", "100000"});
    ChildProcess status(CliProgram(), {"status"}, Env());
    const std::string refused = "управление: отказ";
    for (int wait = 0; wait < 500 && modem->Log().find(refused) == std::string::npos; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(modem->Log().find(refused), std::string::npos) << modem->Log();
    modem->Stop(SIGKILL);
    const auto result = status.Wait();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Ошибка при обращении к устройству FTDI.\n");
}

TEST_F(ControlCli, MonitorPrintsTimedEventsUntilItsTimeIsUp) {
    StartModem({"--traces", "4", "--ibutton-every", "1"});
    const auto result = Run({"monitor", "--seconds", "3"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    // "HH:MM:SS > " and a text.
    const auto timed = [](const std::string& text) {
        const std::string shape = "00:00:00 > ";
        if (text.size() <= shape.size()) return false;
        for (std::size_t i = 0; i < shape.size(); ++i)
            if (shape[i] == '0' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                                : text[i] != shape[i])
                return false;
        return true;
    };
    std::istringstream lines(result.out);
    int count = 0;
    for (std::string text; std::getline(lines, text); ++count) EXPECT_TRUE(timed(text)) << text;
    EXPECT_GE(count, 6);
    for (const char* text : {" > TX(3): 51 0C A3 \n", " > RX(10): AE 0C 00 04 10 68 10 E0 2E AC \n",
                             " > simNumEdit=1 batVolt1=4100 batVolt2=4200 pwrVolt=12000\n",
                             " > TX: AT+CSQ\n", " > TX: 01 10 00 \n",
                             " > Получен код ключа IButton: 01 23 45 67 89 AB CD EF\n"})
        EXPECT_NE(result.out.find(text), std::string::npos) << text << "\n" << result.out;
}

TEST_F(ControlCli, MonitorEndsOnSigintAndOutlivesTheModem) {
    StartModem({"--traces", "2"});
    ChildProcess monitor(CliProgram(), {"monitor"}, Env());
    std::string first;
    ASSERT_TRUE(monitor.ReadLine(first, std::chrono::seconds(5)));
    // The monitor holds the cable: nobody else can open it meanwhile.
    const auto busy = Run({"status"});
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_EQ(busy.err, "Кабель занят другой программой\n");
    modem->Stop(SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    monitor.Signal(SIGINT);
    const auto result = monitor.Wait();
    EXPECT_EQ(result.exitCode, 130);
    // The failure is told once, not once per poll of the dead cable.
    const std::string failure = " > Ошибка при обращении к устройству FTDI.\n";
    const auto at = result.out.find(failure);
    ASSERT_NE(at, std::string::npos) << result.out;
    EXPECT_EQ(result.out.find(failure, at + 1), std::string::npos) << result.out;
}

}  // namespace
}  // namespace gsmprog::test
