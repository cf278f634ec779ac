// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The cable check against fake systems (see fake_system.h): each fault it must tell apart, with
// the verdict it ends in, and a virtual cable on a real pseudo-terminal.

#include <grp.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cable/fake_system.h"
#include "diag/debug_log.h"
#include "link/modem_image.h"
#include "ops/hex_text.h"
#include "ops/journal_entry.h"
#include "ops/package_files.h"
#include "ops/support_report.h"
#include "ports/cable_check.h"
#include "ports/cable_check_text.h"
#include "ports/cable_directory.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

CableCheck Check(const FakeSystem& system, const fs::path& cableDirectory = {}) {
    return CheckCables({system.root.Path(), cableDirectory});
}

std::vector<std::string> Verdicts(const CableCheck& check) {
    std::vector<std::string> all;
    for (const CheckedCable& cable : check.cables)
        all.insert(all.end(), cable.verdicts.begin(), cable.verdicts.end());
    all.insert(all.end(), check.verdicts.begin(), check.verdicts.end());
    return all;
}

// The check's text as a user without root's privileges gets it: root opens every node, so as
// root it runs in a child that became nobody.
std::string TextAsUser(const FakeSystem& system) {
    if (::geteuid() != 0) return CableCheckText(Check(system));
    fs::permissions(system.root.Path(), fs::perms::owner_all | fs::perms::group_exec |
                                            fs::perms::others_exec | fs::perms::group_read |
                                            fs::perms::others_read);
    int pipe[2];
    if (::pipe(pipe) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const std::string text = CableCheckText(Check(system));
        const bool written = ::write(pipe[1], text.data(), text.size()) == ssize_t(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, std::size_t(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return text;
}

TEST(CableCheck, AHealthyCableIsUsableWithNoVerdict) {
    FakeSystem system;
    system.Adapter({});
    system.UdevRuleRan(true);
    fs::create_directory_symlink("usr/lib", system.Path("/lib"));  // a merged /usr: one rule
    system.Process(812, "ModemManager", {"/dev/null"});
    const CableCheck check = Check(system);
    ASSERT_EQ(check.cables.size(), 1u);
    EXPECT_TRUE(check.cables[0].usable);
    EXPECT_TRUE(check.Usable());
    EXPECT_TRUE(Verdicts(check).empty()) << CableCheckText(check);
    const std::string text = CableCheckText(check);
    EXPECT_THAT(text, HasSubstr("ModemManager: работает: ModemManager (PID 812)\n"));
    EXPECT_THAT(text,
                HasSubstr("правило udev gsmprog: /usr/lib/udev/rules.d/70-gsmprog-ftdi.rules\n"));
    EXPECT_THAT(text,
                HasSubstr("Кабель FTDI A50285BI (USB 1-1.2): 0403:6001, «FT232R USB UART», FTDI\n"
                          "  интерфейс 1-1.2:1.0: драйвер ftdi_sio, порт ttyUSB0\n"
                          "  порт /dev/ttyUSB0: владелец "));
    EXPECT_THAT(
        text, HasSubstr(", права 0660, доступ этому пользователю: по правам\n  открывается: да\n"));
    EXPECT_THAT(text, HasSubstr("задержка (latency_timer): 1 мс\n  ModemManager: не трогает порт"));
    EXPECT_THAT(text, HasSubstr("Итог: есть кабель, готовый к работе.\n"));
}

TEST(CableCheck, NoPermissionOnThePortNamesThePackageAndTheGroup) {
    FakeSystem system;
    system.Adapter({}, 0000);
    system.UdevRuleRan(true);
    const std::string text = TextAsUser(system);
    EXPECT_THAT(
        text,
        HasSubstr("доступ этому пользователю: нет\n  открывается: нет (Permission denied)\n"));
    EXPECT_THAT(
        text,
        HasSubstr("\n! Нет прав на /dev/ttyUSB0: установите пакет gsmprog или вступите в группу "));
    EXPECT_THAT(text, HasSubstr("  не готов к работе\n"));
    EXPECT_THAT(text, HasSubstr("Итог: готового к работе кабеля нет.\n"));
}

TEST(CableCheck, APortHeldByAnotherProgramNamesItAndItsPid) {
    FakeSystem system;
    system.Adapter({});
    system.UdevRuleRan(true);
    system.Process(1234, "minicom", {"/dev/pts/0", "/dev/ttyUSB0"});
    system.Process(1300, "bash", {"/dev/pts/0"});
    const CableCheck check = Check(system);
    EXPECT_EQ(Verdicts(check),
              std::vector<std::string>{"Порт занят: закройте программу minicom (PID 1234)"});
    EXPECT_FALSE(check.Usable());
}

TEST(CableCheck, BrlttyIsNamedOnlyWhenItHoldsTheAdapter) {
    const std::string brlttyVerdict =
        "brltty забрал кабель: без брайлевского дисплея удалите его (sudo apt "
        "remove brltty), с дисплеем удалите строки 403/6001 из копии его "
        "правила в /etc/udev/rules.d/; затем переподключите кабель";
    {  // through usbfs, seen holding the device
        FakeSystem system;
        system.Brltty();
        system.Adapter({.driver = "usbfs", .tty = ""});
        system.Process(641, "brltty", {"/dev/bus/usb/001/005"});
        const CableCheck check = Check(system);
        EXPECT_EQ(Verdicts(check).at(0), brlttyVerdict);
        EXPECT_THAT(CableCheckText(check),
                    HasSubstr("в обход драйвера (usbfs): brltty (PID 641)\n"));
        EXPECT_TRUE(FtdiAdapterHeldByBrltty(system.root.Path()));
    }
    {  // left without a driver by brltty, whose rule names the adapter
        FakeSystem system;
        system.Brltty();
        system.Adapter({.driver = "", .tty = ""});
        EXPECT_EQ(Verdicts(Check(system)).at(0), brlttyVerdict);
    }
    {  // no driver, brltty installed but not running: the driver is missing, not taken
        FakeSystem system;
        system.Brltty();
        fs::remove_all(system.Path("/proc/640"));
        system.Adapter({.driver = "", .tty = ""});
        EXPECT_THAT(Verdicts(Check(system)).at(0),
                    HasSubstr("Драйвер ftdi_sio не взял кабель: загрузите его"));
        EXPECT_FALSE(FtdiAdapterHeldByBrltty(system.root.Path()));
    }
    {  // brltty's rule names only FT232R: another FTDI chip without a driver is not its doing
        FakeSystem system;
        system.Brltty();
        system.Adapter({.product = "6010", .driver = "", .tty = ""});
        EXPECT_FALSE(FtdiAdapterHeldByBrltty(system.root.Path()));
    }
}

TEST(CableCheck, AnErasedProductIdIsACounterfeitChipNotBrltty) {
    FakeSystem system;
    system.Brltty();
    system.UdevRuleRan(true);
    system.Adapter({.product = "0000", .driver = "", .tty = ""});
    const CableCheck check = Check(system);
    ASSERT_EQ(Verdicts(check).size(), 1u);
    EXPECT_THAT(Verdicts(check)[0],
                HasSubstr("Код изделия 0000: вероятно, поддельная микросхема, стёртая "
                          "драйвером; замените кабель или "));
    EXPECT_THAT(CableCheckText(check), HasSubstr("0403:0000, «FT232R USB UART», FTDI\n"
                                                 "  интерфейс 1-1.2:1.0: драйвер не подключён\n"));
    EXPECT_FALSE(check.Usable());
}

TEST(CableCheck, ModemManagerNotToldToIgnoreTheCableIsTold) {
    FakeSystem system;
    system.Adapter({.latencyTimerMs = 16});
    system.UdevRuleRan(false);
    system.Process(812, "ModemManager", {});
    const CableCheck check = Check(system);
    EXPECT_EQ(Verdicts(check),
              (std::vector<std::string>{
                  "Задержка кабеля 16 мс вместо 1: правило udev пакета gsmprog для него "
                  "не сработало; переподключите кабель",
                  "ModemManager может занять порт: установите пакет gsmprog (его правило "
                  "велит ModemManager не трогать кабели FTDI) или остановите его (sudo "
                  "systemctl stop ModemManager)"}));
    EXPECT_TRUE(check.Usable());  // it may take the port, but has not
    EXPECT_THAT(CableCheckText(check),
                HasSubstr("ModemManager: не предупреждён (нет ID_MM_DEVICE_IGNORE=1)"));
}

TEST(CableCheck, NoCableAtAllAndNoRuleAreTold) {
    FakeSystem system;
    const CableCheck check = Check(system);
    ASSERT_EQ(check.verdicts.size(), 2u);
    EXPECT_THAT(check.verdicts[0], HasSubstr("Кабель FTDI не найден: подключите кабель"));
    EXPECT_THAT(check.verdicts[1],
                HasSubstr("Правило udev пакета gsmprog не установлено: установите пакет gsmprog"));
    EXPECT_FALSE(check.Usable());
}

// The modem of a virtual cable is whoever holds its terminal's master side, gsmprog-vmodem or
// any other emulator, which may hold the slave side too; only another program on the slave
// side is in the way. A link to what is no terminal is named and never ready.
TEST(CableCheck, AVirtualCableNamesItsModemAndAnyOtherHolder) {
    FakeSystem system;
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    const int index = std::stoi(fs::path(name).filename().string());
    TempDir runtime;
    const fs::path cables = runtime.Path() / "cables";
    ASSERT_EQ(RegisterVirtualCable(cables, "VM7", name, 3), RegisterResult::Registered);
    system.Process(4242, "gsmprog-vmodem", {name, (cables / "VM7.lock").string()}, index);

    CableCheck check = Check(system, cables);
    ASSERT_EQ(check.cables.size(), 1u);
    EXPECT_TRUE(check.cables[0].usable);
    EXPECT_TRUE(Verdicts(check).empty());  // gsmprog's rule matters to FTDI adapters alone
    EXPECT_THAT(CableCheckText(check), HasSubstr("Виртуальный кабель VM7: " + std::string(name) +
                                                 ", модем gsmprog-vmodem (PID 4242)\n"));
    EXPECT_THAT(CableCheckText(check),
                HasSubstr("задержка (latency_timer): 3 мс\n  готов к работе\n"));

    system.Process(5000, "screen", {name});
    check = Check(system, cables);
    EXPECT_EQ(Verdicts(check), std::vector<std::string>{"Порт занят: закройте программу screen (PID 5000)"});

    fs::remove_all(system.Path("/proc"));
    system.Process(4300, "socat", {name}, index);  // both ends, and no lock of gsmprog's
    fs::create_symlink("/dev/null", cables / "NULL");
    check = Check(system, cables);
    ASSERT_EQ(check.cables.size(), 1u);
    EXPECT_TRUE(check.cables[0].usable);
    EXPECT_EQ(Verdicts(check),
              std::vector<std::string>{"Виртуальный кабель NULL из " + cables.string() +
                                       " не используется: /dev/null — символьное устройство 1:3, а "
                                       "не псевдотерминал /dev/pts/N"});
    EXPECT_THAT(CableCheckText(check), HasSubstr(", модем socat (PID 4300)\n"));
    EXPECT_THAT(CableCheckText(check), HasSubstr("  готов к работе\n"));
    system.Process(4301, "socat", {name}, index + 1);  // the master of another terminal
    EXPECT_EQ(Verdicts(Check(system, cables)).at(0), "Порт занят: закройте программу socat (PID 4301)");
    UnregisterVirtualCable(cables, "VM7", name);
    ::close(slave);
    ::close(master);
}

TEST(SupportReport, HoldsTheSystemTheCheckAndThePackageFilesAndStaysUnderItsLimit) {
    FakeSystem system;
    system.Adapter({});
    system.UdevRuleRan(true);
    system.File("/etc/os-release", "NAME=\"Ubuntu\"\nPRETTY_NAME=\"Ubuntu 22.04.4 LTS\"\n");
    system.File("/proc/version",
                "Linux version 6.5.0-41-generic (buildd@lcy02) #41~22.04.2-Ubuntu SMP\n");
    system.File("/var/lib/dpkg/status",
                "Package: gsmprog-extra\nVersion: 9\n\nPackage: gsmprog\n"
                "Status: install ok installed\nVersion: 1.38\n\n");
    system.File("/usr/bin/gsmprog-cli", "");
    system.File("/var/lib/dpkg/info/gsmprog.list",
                "/.\n/usr\n/usr/bin\n/usr/bin/gsmprog-cli\n/usr/bin/gsmprog\n");
    const SupportReportInput input{"gsmprog-cli 1.38",
                                   "Обмен с модемом в отчёт не входит.",
                                   {system.root.Path(), {}},
                                   system.Path("/home/user/ProgInfo_12.journal"),
                                   {}};
    const std::string report = SupportReportText(input);
    EXPECT_THAT(report, ::testing::StartsWith("Отчёт gsmprog для поддержки\nСоставлен "));
    EXPECT_THAT(
        report,
        HasSubstr(" программой gsmprog-cli 1.38.\nОбмен с модемом в отчёт не входит.\n\n"
                  "== Программа и система ==\ngsmprog-cli 1.38\nОС: Ubuntu 22.04.4 LTS\n"
                  "Ядро: Linux version 6.5.0-41-generic (buildd@lcy02) #41~22.04.2-Ubuntu SMP\n\n"
                  "== Проверка кабеля ==\nСистема:\n"));
    EXPECT_THAT(report,
                HasSubstr("Итог: есть кабель, готовый к работе.\n\n== Файлы пакета gsmprog ==\n"
                          "  Status: install ok installed\n  Version: 1.38\n"
                          "  есть /usr/bin/gsmprog-cli\n  НЕТ  /usr/bin/gsmprog\n"));

    // However many files the package names, the report stays under the limit, cut at a line.
    std::string many;
    for (int i = 0; i < 40000; ++i)
        many += "/usr/share/doc/gsmprog/file-" + std::to_string(i) + "\n";
    system.File("/var/lib/dpkg/info/gsmprog.list", many);
    const std::string cut = SupportReportText(input);
    EXPECT_LT(cut.size(), SupportReportLimit);
    const std::string note = "… отчёт обрезан: он длиннее 1 МБ\n";
    ASSERT_THAT(cut, ::testing::EndsWith("\n" + note));
    const std::string kept = cut.substr(0, cut.size() - note.size());
    EXPECT_THAT(kept.substr(kept.rfind('\n', kept.size() - 2) + 1),
                ::testing::StartsWith("  НЕТ  /usr/share/doc/gsmprog/file-"));

    // A package not installed, and a system without dpkg: a line that says so.
    system.File("/var/lib/dpkg/status", "Package: gsmprog-extra\nVersion: 9\n\n");
    EXPECT_THAT(SupportReportText(input),
                HasSubstr("== Файлы пакета gsmprog ==\nПакет gsmprog не установлен (dpkg-query: "));
    EXPECT_EQ(PackageFilesText(system.root.Path(), system.Path("/usr/bin/dpkg-query").string()),
              "Файлы пакета не проверены: нет программы dpkg-query (система без dpkg?).\n");
}

// A card's secrets as a journal and a log would carry them: in the image of each entry, in a
// message, in the bytes that went over the cable and in a reply the link logged as text.
struct SecretCard {
    std::vector<std::string> secrets{"4821",       "9034",   "internet.tajna", "tajny.apn",
                                     "tajnylogin", "login2", "tajneheslo",     "heslo2"};
    std::vector<std::uint8_t> image;

    SecretCard() {
        CardRecord card{};
        std::strcpy(card.NCardEdit, "777");
        char* fields[] = {card.Pin1Edit,     card.Pin2Edit,      card.APN1Edit,
                          card.APN2Edit,     card.LoginGsm1Edit, card.LoginGsm2Edit,
                          card.PassGsm1Edit, card.PassGsm2Edit};
        for (std::size_t i = 0; i < secrets.size(); ++i) std::strcpy(fields[i], secrets[i].c_str());
        std::strcpy(card.Ip1GsmEdit, "10.0.0.1");
        const ModemImage built = BuildModemImage(card, 1, std::tm{}, {1, 2});
        image.assign(built.bytes.begin(), built.bytes.begin() + long(built.length));
    }

    std::string Journal(int count) const {
        std::string journal;
        for (int i = 0; i < count; ++i) {
            JournalEntry entry;
            entry.time = "2026-12-07T10:42:13+03:00";
            entry.result = JournalResult::Failed;
            entry.message = "операция " + std::to_string(i) + ": модем отверг пароль tajneheslo";
            entry.image = HexText(image.data(), image.size());
            journal += JournalLine(entry);
        }
        return journal + "{\"torn";
    }
};

TEST(SupportReport, HoldsTheLastJournalEntriesAndTheLogWithNoSecretInTextOrBytes) {
    FakeSystem system;
    const SecretCard card;
    system.File("/db/ProgInfo_12.journal", card.Journal(25));
    const std::uint8_t* apn = card.image.data() + offsetof(CardRecord, APN1Edit);
    const std::vector<std::string> log{
        "10:00:00.000 кабель: A50285BI → 6 из 6 байт: " + DebugHex("DEVICE", 6),
        "10:00:00.010 связь: ответ: READY",
        "10:00:00.020 кабель: A50285BI → 38 из 38 байт: 3A 23 " + DebugHex(apn, 35),
        "10:00:00.030 кабель: A50285BI ← 4 байт: " + DebugHex("9034", 4),
        "10:00:00.040 связь: ответ: internet.tajna",
        "10:00:00.050 связь: ответ неполон: 52 45, ожидание",
        "10:00:00.060 связь: модем не ответил на пароль tajnylogin",
    };
    const std::string report = SupportReportText({"gsmprog 1.38",
                                                  "Диагностический журнал — в конце.",
                                                  {system.root.Path(), {}},
                                                  system.Path("/db/ProgInfo_12.journal"),
                                                  log});

    for (const std::string& secret : card.secrets) {
        EXPECT_EQ(report.find(secret), std::string::npos) << secret;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(secret.data());
        EXPECT_EQ(report.find(HexText(bytes, secret.size())), std::string::npos) << secret;
        EXPECT_EQ(report.find(DebugHex(bytes, secret.size())), std::string::npos) << secret;
    }
    // The 20 newest entries, the torn line counted, each image kept but for its secret bytes.
    EXPECT_EQ(report.find("операция 4:"), std::string::npos);
    EXPECT_THAT(report, HasSubstr("пропущено записей: 1\n"));
    std::string image = HexText(card.image.data(), card.image.size());
    for (auto [offset, size] : {std::pair{42, 10}, std::pair{114, 130}})
        image.replace(std::size_t(2 * offset), std::size_t(2 * size), std::size_t(2 * size), '*');
    for (int i = 5; i < 25; ++i)
        EXPECT_THAT(report, HasSubstr("\"message\":\"операция " + std::to_string(i) +
                                      ": модем отверг пароль ***\",\"duration_ms\":0,\"image\":\"" +
                                      image + "\"}\n"));
    // The log after the journal: the protocol's words kept, every other byte dump masked.
    EXPECT_THAT(report, HasSubstr("\n== Диагностический журнал этого запуска ==\n"
                                  "10:00:00.000 кабель: A50285BI → 6 из 6 байт: 44 45 56 49 43 45\n"
                                  "10:00:00.010 связь: ответ: READY\n"
                                  "10:00:00.020 кабель: A50285BI → 38 из 38 байт: ***\n"
                                  "10:00:00.030 кабель: A50285BI ← 4 байт: ***\n"
                                  "10:00:00.040 связь: ответ: ***\n"
                                  "10:00:00.050 связь: ответ неполон: ***, ожидание\n"
                                  "10:00:00.060 связь: модем не ответил на пароль ***\n"));
}

TEST(SupportReport, AnImageOfNoKnownLengthIsLeftOutAndALongLogLosesItsOldestLines) {
    FakeSystem system;
    JournalEntry entry;
    entry.time = "2026-12-07T10:42:13+03:00";
    entry.image = std::string(2 * 300, 'A');
    system.File("/db/ProgInfo_12.journal", JournalLine(entry));
    std::vector<std::string> log;
    for (int i = 0; i < 2000; ++i)
        log.push_back("строка " + std::to_string(i) + " " + std::string(600, 'x'));
    const std::string report = SupportReportText({"gsmprog 1.38",
                                                  "",
                                                  {system.root.Path(), {}},
                                                  system.Path("/db/ProgInfo_12.journal"),
                                                  log});
    EXPECT_THAT(report, HasSubstr("\"result\":\"failed\",\"duration_ms\":0}\n"));
    EXPECT_EQ(report.find("AAAA"), std::string::npos);
    EXPECT_LT(report.size(), SupportReportLimit);
    EXPECT_THAT(
        report,
        HasSubstr("\n== Диагностический журнал этого запуска ==\n… ранние строки не вошли: "));
    EXPECT_THAT(report, ::testing::EndsWith("строка 1999 " + std::string(600, 'x') + "\n"));
}

}  // namespace
}  // namespace gsmprog::test
