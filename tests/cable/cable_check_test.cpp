// The cable check against fake systems (see fake_system.h): each fault it must tell apart, with
// the verdict it ends in, and a virtual cable on a real pseudo-terminal.

#include <grp.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cable/fake_system.h"
#include "ports/cable_check.h"
#include "ports/cable_check_text.h"
#include "ports/cable_directory.h"
#include "ports/support_report.h"

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
    fs::permissions(system.root.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                                            fs::perms::group_read | fs::perms::others_read);
    int pipe[2];
    if (::pipe(pipe) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        const std::string text = CableCheckText(Check(system));
        const bool written = ::write(pipe[1], text.data(), text.size()) == ssize_t(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) text.append(buffer, std::size_t(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return text;
}

TEST(CableCheck, AHealthyCableIsUsableWithNoVerdict) {
    FakeSystem system;
    system.Adapter({});
    system.UdevRuleRan(true);
    system.Process(812, "ModemManager", {"/dev/null"});
    const CableCheck check = Check(system);
    ASSERT_EQ(check.cables.size(), 1u);
    EXPECT_TRUE(check.cables[0].usable);
    EXPECT_TRUE(check.Usable());
    EXPECT_TRUE(Verdicts(check).empty()) << CableCheckText(check);
    const std::string text = CableCheckText(check);
    EXPECT_THAT(text, HasSubstr("ModemManager: работает: ModemManager (PID 812)\n"));
    EXPECT_THAT(text, HasSubstr("правило udev gsmprog: /usr/lib/udev/rules.d/70-gsmprog-ftdi.rules\n"));
    EXPECT_THAT(text, HasSubstr("Кабель FTDI A50285BI (USB 1-1.2): 0403:6001, «FT232R USB UART», FTDI\n"
                                "  интерфейс 1-1.2:1.0: драйвер ftdi_sio, порт ttyUSB0\n"
                                "  порт /dev/ttyUSB0: владелец "));
    EXPECT_THAT(text, HasSubstr(", права 0660, доступ этому пользователю: по правам\n  открывается: да\n"));
    EXPECT_THAT(text, HasSubstr("задержка (latency_timer): 1 мс\n  ModemManager: не трогает порт"));
    EXPECT_THAT(text, HasSubstr("Итог: есть кабель, готовый к работе.\n"));
}

TEST(CableCheck, NoPermissionOnThePortNamesThePackageAndTheGroup) {
    FakeSystem system;
    system.Adapter({}, 0000);
    system.UdevRuleRan(true);
    const std::string text = TextAsUser(system);
    EXPECT_THAT(text, HasSubstr("доступ этому пользователю: нет\n  открывается: нет (Permission denied)\n"));
    EXPECT_THAT(text, HasSubstr("\n! Нет прав на /dev/ttyUSB0: установите пакет gsmprog или вступите в группу "));
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
    EXPECT_EQ(Verdicts(check), std::vector<std::string>{"Порт занят: программа minicom (PID 1234)"});
    EXPECT_FALSE(check.Usable());
}

TEST(CableCheck, BrlttyIsNamedOnlyWhenItHoldsTheAdapter) {
    const std::string brlttyVerdict = "brltty забрал кабель: без брайлевского дисплея удалите его (sudo apt "
                                      "remove brltty), с дисплеем удалите строки 403/6001 из копии его "
                                      "правила в /etc/udev/rules.d/; затем переподключите кабель";
    {   // through usbfs, seen holding the device
        FakeSystem system;
        system.Brltty();
        system.Adapter({.driver = "usbfs", .tty = ""});
        system.Process(641, "brltty", {"/dev/bus/usb/001/005"});
        const CableCheck check = Check(system);
        EXPECT_EQ(Verdicts(check).at(0), brlttyVerdict);
        EXPECT_THAT(CableCheckText(check), HasSubstr("в обход драйвера (usbfs): brltty (PID 641)\n"));
        EXPECT_TRUE(FtdiAdapterHeldByBrltty(system.root.Path()));
    }
    {   // left without a driver by brltty, whose rule names the adapter
        FakeSystem system;
        system.Brltty();
        system.Adapter({.driver = "", .tty = ""});
        EXPECT_EQ(Verdicts(Check(system)).at(0), brlttyVerdict);
    }
    {   // no driver, brltty installed but not running: the driver is missing, not taken
        FakeSystem system;
        system.Brltty();
        fs::remove_all(system.Path("/proc/640"));
        system.Adapter({.driver = "", .tty = ""});
        EXPECT_THAT(Verdicts(Check(system)).at(0), HasSubstr("Драйвер ftdi_sio не взял кабель: загрузите его"));
        EXPECT_FALSE(FtdiAdapterHeldByBrltty(system.root.Path()));
    }
    {   // brltty's rule names only FT232R: another FTDI chip without a driver is not its doing
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
    EXPECT_THAT(Verdicts(check)[0], HasSubstr("Код изделия 0000: вероятно, поддельная микросхема, стёртая "
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
    EXPECT_EQ(Verdicts(check), (std::vector<std::string>{
                                   "Задержка кабеля 16 мс вместо 1: правило udev пакета gsmprog для него "
                                   "не сработало; переподключите кабель",
                                   "ModemManager может занять порт: установите пакет gsmprog (его правило "
                                   "велит ModemManager не трогать кабели FTDI) или остановите его (sudo "
                                   "systemctl stop ModemManager)"}));
    EXPECT_TRUE(check.Usable());   // it may take the port, but has not
    EXPECT_THAT(CableCheckText(check), HasSubstr("ModemManager: не предупреждён (нет ID_MM_DEVICE_IGNORE=1)"));
}

TEST(CableCheck, NoCableAtAllAndNoRuleAreTold) {
    FakeSystem system;
    const CableCheck check = Check(system);
    ASSERT_EQ(check.verdicts.size(), 2u);
    EXPECT_THAT(check.verdicts[0], HasSubstr("Кабель FTDI не найден: подключите кабель"));
    EXPECT_THAT(check.verdicts[1], HasSubstr("Правило udev пакета gsmprog не установлено: установите пакет gsmprog"));
    EXPECT_FALSE(check.Usable());
}

TEST(CableCheck, AVirtualCableNamesItsModemAndAnyOtherHolder) {
    FakeSystem system;
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    TempDir runtime;
    const fs::path cables = runtime.Path() / "cables";
    ASSERT_EQ(RegisterVirtualCable(cables, "VM7", name, 3), RegisterResult::Registered);
    system.Process(4242, "gsmprog-vmodem", {"/dev/ptmx", name, (cables / "VM7.lock").string()});

    CableCheck check = Check(system, cables);
    ASSERT_EQ(check.cables.size(), 1u);
    EXPECT_TRUE(check.cables[0].usable);
    EXPECT_TRUE(Verdicts(check).empty());   // gsmprog's rule matters to FTDI adapters alone
    EXPECT_THAT(CableCheckText(check), HasSubstr("Виртуальный кабель VM7: " + std::string(name) +
                                                 ", модем gsmprog-vmodem (PID 4242)\n"));
    EXPECT_THAT(CableCheckText(check), HasSubstr("задержка (latency_timer): 3 мс\n  готов к работе\n"));

    system.Process(5000, "screen", {name});
    check = Check(system, cables);
    EXPECT_EQ(Verdicts(check), std::vector<std::string>{"Порт занят: программа screen (PID 5000)"});
    UnregisterVirtualCable(cables, "VM7", name);
    ::close(slave);
    ::close(master);
}

TEST(SupportReport, HoldsTheSystemTheCheckAndThePackageFilesAndStaysUnderItsLimit) {
    FakeSystem system;
    system.Adapter({});
    system.UdevRuleRan(true);
    system.File("/etc/os-release", "NAME=\"Ubuntu\"\nPRETTY_NAME=\"Ubuntu 22.04.4 LTS\"\n");
    system.File("/proc/version", "Linux version 6.5.0-41-generic (buildd@lcy02) #41~22.04.2-Ubuntu SMP\n");
    system.File("/var/lib/dpkg/status", "Package: gsmprog-extra\nVersion: 9\n\nPackage: gsmprog\n"
                                       "Status: install ok installed\nVersion: 1.38\n\n");
    system.File("/usr/bin/gsmprog-cli", "");
    system.File("/var/lib/dpkg/info/gsmprog.list", "/.\n/usr\n/usr/bin\n/usr/bin/gsmprog-cli\n/usr/bin/gsmprog\n");
    const SupportReportInput input{"gsmprog-cli 1.38", "Обмен с модемом в отчёт не входит.", {system.root.Path(), {}}};
    const std::string report = SupportReportText(input);
    EXPECT_THAT(report, ::testing::StartsWith("Отчёт gsmprog для поддержки\nСоставлен "));
    EXPECT_THAT(report, HasSubstr(" программой gsmprog-cli 1.38.\nОбмен с модемом в отчёт не входит.\n\n"
                                  "== Программа и система ==\ngsmprog-cli 1.38\nОС: Ubuntu 22.04.4 LTS\n"
                                  "Ядро: Linux version 6.5.0-41-generic (buildd@lcy02) #41~22.04.2-Ubuntu SMP\n\n"
                                  "== Проверка кабеля ==\nСистема:\n"));
    EXPECT_THAT(report, HasSubstr("Итог: есть кабель, готовый к работе.\n\n== Файлы пакета gsmprog ==\n"
                                  "  Status: install ok installed\n  Version: 1.38\n"
                                  "  есть /usr/bin/gsmprog-cli\n  НЕТ  /usr/bin/gsmprog\n"));

    // However many files the package names, the report stays under the limit, cut at a line.
    std::string many;
    for (int i = 0; i < 40000; ++i) many += "/usr/share/doc/gsmprog/file-" + std::to_string(i) + "\n";
    system.File("/var/lib/dpkg/info/gsmprog.list", many);
    const std::string cut = SupportReportText(input);
    EXPECT_LT(cut.size(), SupportReportLimit);
    const std::string note = "… отчёт обрезан: он длиннее 1 МБ\n";
    ASSERT_THAT(cut, ::testing::EndsWith("\n" + note));
    const std::string kept = cut.substr(0, cut.size() - note.size());
    EXPECT_THAT(kept.substr(kept.rfind('\n', kept.size() - 2) + 1),
                ::testing::StartsWith("  НЕТ  /usr/share/doc/gsmprog/file-"));
}

}  // namespace
}  // namespace gsmprog::test
