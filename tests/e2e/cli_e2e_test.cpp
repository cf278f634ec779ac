// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog-cli cables | program | read | write-uo run as programs against gsmprog-vmodem:
// output, exit codes, the Russian texts, the database after success, failure and stop.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "cards/card_database.h"
#include "cards/card_dates.h"
#include "link/checksums.h"
#include "link/ftdi_read_ctrl.h"
#include "cable/serial_cable.h"
#include "ports/cable_directory.h"
#include "link/cable_texts.h"
#include "ops/operation_texts.h"
#include "ops/hex_text.h"
#include "ops/journal_reader.h"
#include "ops/journal_time.h"
#include "support/test_pty.h"
#include "support/vmodem_process.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

CardRecord Card(std::uint8_t version) {
    CardRecord card{};
    std::strcpy(card.NCardEdit, "2024");
    card.UoType[0] = 1;
    card.UoCode[0] = 1234;
    card.UoLineAddress[0] = 3;
    card.UoType[1] = 3;
    card.UoCode[1] = 4000000000u;
    card.UoLineAddress[1] = 17;
    card.UoGuardCords[1] = 0x15;
    std::strcpy(card.Pin1Edit, "1111");
    std::strcpy(card.smsObjNameEdit, "\xD1\xEA\xEB\xE0\xE4");  // "Склад"
    card.SmsFlags = SmsSendTo1 | SmsFire;
    std::strcpy(card.balCodeSim1, "*100#");
    card.ProgID1 = 0x1A2B;
    card.DateChanged = 45000.25;
    card.VersionCombo = version;
    return card;
}

class Cli : public ::testing::Test {
protected:
    void StartModem(std::vector<std::string> args = {}) {
        VmodemSetup setup;
        setup.args = std::move(args);
        setup.args.push_back("--image");
        setup.args.push_back((work_.Path() / "modem.img").string());
        setup.runtimeDir = runtime_.Path();
        modem_ = std::make_unique<VmodemProcess>(setup);
        ASSERT_TRUE(modem_->Started()) << modem_->Log();
    }
    void SaveCard(const CardRecord& card, int slot = 0) {
        auto database = std::make_unique<CardDatabase>(work_.Path());
        database->LoadDatabase();
        database->cards[std::size_t(slot)] = card;
        ASSERT_TRUE(database->SaveDatabase());
    }
    CardRecord StoredCard(int slot = 0) {
        auto database = std::make_unique<CardDatabase>(work_.Path());
        database->LoadDatabase();
        return database->cards[std::size_t(slot)];
    }
    std::vector<std::string> With(std::vector<std::string> args) {
        args.insert(args.begin(), {"-C", work_.Path().string()});
        return args;
    }
    ProgramResult Run(std::vector<std::string> args) {
        return RunProgram(CliProgram(), With(std::move(args)), Env());
    }
    std::map<std::string, std::string> Env(const char* debugLog = "0") const {
        return {{"XDG_RUNTIME_DIR", runtime_.Path().string()},
                {"LC_ALL", "C.UTF-8"},
                {"GSMPROG_DEBUG", debugLog}};
    }
    std::string Database() const {
        return FileBytes(work_.Path() / CardDatabase::DatabaseFileName);
    }
    fs::path Journal() const { return work_.Path() / "ProgInfo_12.journal"; }
    std::vector<JournalEntry> Journalled() const {
        std::vector<JournalEntry> entries;
        const JournalReadStats stats = ReadJournal(
            Journal(),
            [&](JournalEntry&& entry, std::string_view) { entries.push_back(std::move(entry)); });
        EXPECT_EQ(stats.skipped, 0u);
        return entries;
    }
    // The image the modem holds.
    std::vector<std::uint8_t> ModemImage() const {
        const std::string image = FileBytes(work_.Path() / "modem.img");
        return {image.begin(), image.end()};
    }
    // Starts a command, lets it run for a while, then sends `signal` and collects it.
    ProgramResult Interrupt(std::vector<std::string> args, int signal) {
        ChildProcess child(CliProgram(), With(std::move(args)), Env());
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        child.Signal(signal);
        return child.Wait();
    }

    TempDir work_;
    TempDir runtime_;
    std::unique_ptr<VmodemProcess> modem_;
};

// The exchanges with every reply whole, and with replies that reach the host in two pieces up
// to a latency timer apart, as an FTDI adapter hands over a reply that straddles its timer.
class CliExchange : public Cli, public ::testing::WithParamInterface<const char*> {
protected:
    void StartModem(std::vector<std::string> args = {}) {
        if (*GetParam() != '\0') args.insert(args.end(), {"--split-replies", GetParam()});
        Cli::StartModem(std::move(args));
    }
};

INSTANTIATE_TEST_SUITE_P(Delivery, CliExchange, ::testing::Values("", "1", "8", "16", "random"),
                         [](const auto& info) {
                             return *info.param ? std::string("pieces_") + info.param : "whole";
                         });

TEST_F(Cli, CablesListsVirtualCablesSortedOrSaysNoneIsThere) {
    auto none = Run({"cables"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, "Кабель FTDI не найден.\n");

    StartModem();
    VmodemSetup second;
    second.serial = "AAA7";
    second.runtimeDir = runtime_.Path();
    VmodemProcess other(second);
    ASSERT_TRUE(other.Started());
    const auto listed = Run({"cables"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out, "AAA7\nVMODEM1\n");
    EXPECT_EQ(Run({"cables", "--port", modem_->PtyPath()}).exitCode, 2);  // one port is no list

    // The same links in a folder another user owns are nobody's cables, and the user is told.
    const std::filesystem::path folder = runtime_.Path() / "gsmprog";
    if (::chown(folder.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "chown not permitted here";
    const auto planted = Run({"cables"});
    ASSERT_EQ(::chown(folder.c_str(), ::geteuid(), ::getegid()), 0);
    EXPECT_EQ(planted.exitCode, 1);
    EXPECT_EQ(planted.out, "");
    EXPECT_EQ(planted.err, "Виртуальные кабели из " + (folder / "cables").string() +
                               " не используются: каталог " + folder.string() +
                               " принадлежит другому пользователю (uid 65534)\n"
                               "Кабель FTDI не найден.\n");
}

TEST_F(Cli, CablesShowTheLatencyTimerAVirtualModemAnnounces) {
    VmodemSetup setup;
    setup.args = {"--split-replies", "7"};
    setup.runtimeDir = runtime_.Path();
    VmodemProcess modem(setup);
    ASSERT_TRUE(modem.Started()) << modem.Log();
    EXPECT_EQ(Run({"cables"}).out, "VMODEM1\tlatency_timer=7\n");
    modem.Stop(SIGKILL);  // its link and announcement stay behind
    EXPECT_EQ(Run({"cables"}).exitCode, 1);
    StartModem();  // the same cable again, with whole replies
    EXPECT_EQ(Run({"cables"}).out, "VMODEM1\n");
}

// The cable check as a new user runs it: no cable, the virtual modem, then a terminal program
// on the modem's port (this test, which holds it open).
TEST_F(Cli, DoctorNamesTheCableItsModemAndWhoElseHoldsThePort) {
    const auto none = Run({"doctor"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.out.find("\n! Кабель FTDI не найден: подключите кабель к порту USB"),
              std::string::npos)
        << none.out;
    EXPECT_TRUE(none.out.ends_with("Итог: готового к работе кабеля нет.\n")) << none.out;

    StartModem();
    ASSERT_TRUE(modem_->Started()) << modem_->Log();
    const auto found = Run({"doctor"});
    EXPECT_EQ(found.exitCode, 0) << found.out;
    EXPECT_NE(
        found.out.find("Виртуальный кабель VMODEM1: " + modem_->PtyPath() +
                       ", модем gsmprog-vmodem (PID " + std::to_string(modem_->Pid()) + ")\n"),
        std::string::npos)
        << found.out;
    EXPECT_NE(found.out.find("  открывается: да\n"), std::string::npos) << found.out;
    EXPECT_TRUE(found.out.ends_with("  готов к работе\nИтог: есть кабель, готовый к работе.\n"))
        << found.out;

    const int terminal = ::open(modem_->PtyPath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    std::string self;
    std::getline(std::ifstream("/proc/self/comm"), self);
    const auto busy = Run({"doctor"});
    ::close(terminal);
    EXPECT_EQ(busy.exitCode, 1);
    EXPECT_NE(busy.out.find("\n! Порт занят: закройте программу " + self + " (PID " +
                            std::to_string(::getpid()) + ")\n"),
              std::string::npos)
        << busy.out;
    EXPECT_EQ(Run({"doctor", "extra"}).exitCode, 2);

    // Another emulator, here this test, holds both ends of its terminal: it is the cable's
    // modem, not a program in its way. A link to what is no terminal is named and never used.
    Pty emulator;
    fs::create_symlink(emulator.Path(), modem_->CableDir() / "EMU1");
    fs::create_symlink("/dev/ptmx", modem_->CableDir() / "PTMX");
    const auto both = Run({"doctor"});
    EXPECT_EQ(both.exitCode, 0) << both.out;
    const std::size_t emu = both.out.find("Виртуальный кабель EMU1: " + emulator.Path() +
                                          ", модем " + self + " (PID " +
                                          std::to_string(::getpid()) + ")\n");
    ASSERT_NE(emu, std::string::npos) << both.out;
    const std::string emuPart = both.out.substr(emu, both.out.find("VMODEM1", emu) - emu);
    EXPECT_TRUE(emuPart.ends_with("  готов к работе\nВиртуальный кабель ")) << emuPart;
    const std::string refusal = "Виртуальный кабель PTMX из " + modem_->CableDir().string() +
                                " не используется: /dev/ptmx — символьное устройство 5:2, а не "
                                "псевдотерминал /dev/pts/N\n";
    EXPECT_NE(both.out.find("\n! " + refusal), std::string::npos) << both.out;
    const auto status = Run({"status", "--cable", "PTMX"});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_TRUE(status.err.starts_with(refusal)) << status.err;
    EXPECT_EQ(Run({"cables"}).out, "EMU1\nVMODEM1\n");
    fs::remove(modem_->CableDir() / "EMU1");
    fs::remove(modem_->CableDir() / "PTMX");

    const fs::path report = work_.Path() / "report.txt";
    ASSERT_EQ(Run({"support-report", report.string()}).exitCode, 0);
    const std::string text = FileBytes(report);
    EXPECT_TRUE(text.starts_with("Отчёт gsmprog для поддержки\n")) << text;
    EXPECT_NE(text.find("\n== Проверка кабеля ==\nСистема:\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Виртуальный кабель VMODEM1: " + modem_->PtyPath()), std::string::npos)
        << text;
    EXPECT_EQ(
        Run({"support-report", (work_.Path() / CardDatabase::DatabaseFileName).string()}).exitCode,
        2);
}

// A 1 ms cable behind a busy USB hub: the pieces of every reply lie 15 ms apart, further than
// the cable's timer has the host wait for them.
TEST_F(Cli, RepliesCutFurtherApartThanTheLatencyTimerStillProgramAndRead) {
    StartModem({"--split-replies", "15"});
    std::ofstream(LatencyTimerFile(modem_->CableDir(), "VMODEM1"), std::ios::trunc) << 1;
    ASSERT_EQ(Run({"cables"}).out, "VMODEM1\tlatency_timer=1\n");
    SaveCard(Card(1));
    const auto programmed = Run({"program", "1"});
    ASSERT_EQ(programmed.exitCode, 0) << programmed.err;
    const auto read = Run({"read"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_NE(read.out.find("CardRow=1\nCardMatch=same\n"), std::string::npos) << read.out;
}

// The control link collects a reply until the line falls silent, so a long gap is no harm.
TEST_F(Cli, StatusTakesRepliesInPieces30MsApart) {
    StartModem({"--split-replies", "30", "--supply", "11820"});
    const auto result = Run({"status"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "simNumEdit=1\nbatVolt1=4100\nbatVolt2=4200\npwrVolt=11820\n");
}

TEST_P(CliExchange, ProgramWritesTheImageAndRecordsItsCrc) {
    StartModem();
    SaveCard(Card(1));
    const double before = CurrentDays();
    const auto result = Run({"program", "1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::string image = FileBytes(work_.Path() / "modem.img");
    ASSERT_EQ(image.size(), 444u);
    EXPECT_EQ(image.substr(0, 5), std::string("2024\0", 5));
    const auto crc =
        static_cast<std::uint16_t>(std::uint8_t(image[442]) | std::uint8_t(image[443]) << 8);
    char expected[32];
    std::snprintf(expected, sizeof expected, "ProgID1=%04X\n", unsigned(crc));
    EXPECT_EQ(result.out, expected);
    const CardRecord stored = StoredCard();
    const std::uint16_t id1 = stored.ProgID1, id2 = stored.ProgID2;  // packed: copy out
    const double programmed = stored.DateProgrammed;
    EXPECT_EQ(id1, crc);
    EXPECT_EQ(id2, 0x1A2B);
    EXPECT_GE(programmed, before - 1.0 / 86400);
    EXPECT_LE(programmed, CurrentDays() + 1.0 / 86400);
}

// Each exchange appends one entry: who, which cable, which card, and the bytes that went over
// the line; `journal` and `show` give them back.
TEST_F(Cli, ProgramReadAndWriteUoAreJournalledWithTheirImagesAndListed) {
    StartModem({"--device-version", "3.0.12"});
    SaveCard(Card(1));
    const auto programmed = Run({"program", "1"});
    ASSERT_EQ(programmed.exitCode, 0) << programmed.err;
    EXPECT_EQ(programmed.err, "");
    const std::vector<std::uint8_t> written = ModemImage();
    ASSERT_EQ(Run({"read"}).exitCode, 0);
    const auto uo = RunProgram(CliProgram(), With({"write-uo", "1", "2"}), Env("1"));
    ASSERT_EQ(uo.exitCode, 0) << uo.err;

    const std::vector<JournalEntry> entries = Journalled();
    ASSERT_EQ(entries.size(), 3u);
    const JournalEntry& program = entries[0];
    EXPECT_EQ(program.operation, JournalOperation::Program);
    EXPECT_EQ(program.result, JournalResult::Ok);
    EXPECT_EQ(program.message, ProgramDoneText);
    EXPECT_EQ(HexBytes(program.image), written);
    EXPECT_EQ(program.imageCrc, programmed.out.substr(8, 4));  // "ProgID1=XXXX"
    EXPECT_EQ(program.previousId, "1A2B");
    EXPECT_EQ(program.row, 1);
    EXPECT_EQ(program.cardNumber, "2024");
    EXPECT_EQ(program.deviceCodes, "1234 + 4000000000");
    EXPECT_EQ(program.dateChanged, "2023-03-15T06:00:00");
    EXPECT_EQ(program.cable, "VMODEM1");
    EXPECT_FALSE(program.port.empty());
    EXPECT_FALSE(program.user.empty());
    EXPECT_EQ(program.program, "gsmprog-cli");
    EXPECT_TRUE(IsoTimeSeconds(program.time)) << program.time;

    const JournalEntry& read = entries[1];
    EXPECT_EQ(read.operation, JournalOperation::Read);
    EXPECT_EQ(read.result, JournalResult::Ok);
    EXPECT_EQ(HexBytes(read.image), written);  // what the modem sent back is what it holds
    EXPECT_EQ(read.modemVersion, "3.0.12");
    EXPECT_EQ(read.imageCrc, program.imageCrc);
    EXPECT_EQ(read.row, 1);
    EXPECT_EQ(read.cardNumber, "2024");

    const JournalEntry& write = entries[2];
    EXPECT_EQ(write.operation, JournalOperation::WriteUo);
    EXPECT_EQ(write.device, 2);
    EXPECT_EQ(write.message, UoDoneText);
    std::string spaced;  // the command as the diagnostic log shows the bytes sent
    for (std::size_t i = 0; i < write.command.size(); i += 2)
        spaced += " " + write.command.substr(i, 2);
    ASSERT_EQ(write.command.size(), 20u);
    EXPECT_NE(uo.err.find("VMODEM1 → 10 из 10 байт:" + spaced + "\n"), std::string::npos) << uo.err;

    // The card's last programming is the object-device write: no modem version is asked there.
    const std::string shown = Run({"show", "1"}).out;
    EXPECT_NE(shown.find("\nLastOperation=Последнее программирование: " +
                         ShortTimeText(write.time) + ", " + write.user + ", кабель VMODEM1\n"),
              std::string::npos)
        << shown;

    const auto tsv = Run({"journal"});
    EXPECT_EQ(tsv.exitCode, 0) << tsv.err;
    EXPECT_EQ(tsv.err, "");
    EXPECT_TRUE(tsv.out.starts_with(
        program.time + "\tПрограммирование\tуспешно\t1\t2024\t\t1234 + 4000000000\t\t" +
        program.imageCrc + "\t" + program.user +
        "\tVMODEM1\tПрограммирование "
        "произведено успешно!\\n\\nВыключите"))
        << tsv.out;
    EXPECT_EQ(std::count(tsv.out.begin(), tsv.out.end(), '\n'), 3);
    EXPECT_EQ(Run({"journal", "--format", "json"}).out, FileBytes(Journal()));
    EXPECT_EQ(Run({"journal", "--card", "2024", "--row", "1", "--since", "2000-01-01"}).out,
              tsv.out);
    EXPECT_EQ(Run({"journal", "--row", "2"}).out, "");
    EXPECT_EQ(Run({"journal", "--since", "2999-01-01 00:00"}).out, "");
    const std::string csv = Run({"journal", "--format", "csv"}).out;
    EXPECT_TRUE(csv.starts_with("\xC2\xF0\xE5\xEC\xFF;")) << csv;  // "Время;" in Windows-1251
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'),
              4 + 3);  // the programming's message spans lines
    for (const auto& bad : std::vector<std::vector<std::string>>{{"journal", "--since", "вчера"},
                                                                 {"journal", "--format", "xml"},
                                                                 {"journal", "--row"},
                                                                 {"journal", "x"}})
        EXPECT_EQ(Run(bad).exitCode, 2) << bad[1];

    // Lines another program cannot have meant are skipped, and said to be.
    std::ofstream(Journal(), std::ios::app) << "garbage\n{\"v\":1,\"ti";
    const auto skipped = Run({"journal"});
    EXPECT_EQ(skipped.out, tsv.out);
    EXPECT_EQ(skipped.err, "gsmprog-cli: пропущено записей: 2\n");
}

// The journal never decides an operation's outcome: it is said once on stderr why it could not
// be written; a link planted under its name is refused, and the file it points at left alone.
TEST_F(Cli, AJournalThatCannotBeWrittenIsToldAndTheOperationStands) {
    StartModem();
    fs::create_directory(Journal());
    const std::string path = fs::canonical(work_.Path()).string() + "/ProgInfo_12.journal";
    auto result = Run({"read"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("CardMatch=none\n"), std::string::npos);
    EXPECT_EQ(result.err, "gsmprog-cli: Журнал операций не записан (" + path + "): это каталог\n");

    fs::remove(Journal());
    const fs::path victim = work_.Path() / "notes.txt";
    std::ofstream(victim) << "mine\n";
    fs::create_symlink(victim, Journal());
    result = Run({"read"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "gsmprog-cli: Журнал операций не записан (" + path +
                              "): это символическая ссылка, а не файл журнала\n");
    EXPECT_EQ(FileBytes(victim), "mine\n");
}

TEST_F(Cli, ACardSavedWhileTheModemWasBusyKeepsItsChange) {
    StartModem();
    SaveCard(Card(1));
    ::kill(modem_->Pid(), SIGSTOP);  // the modem hangs: the command waits in its handshake
    ChildProcess program(CliProgram(), With({"program", "1"}), Env());
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    CardRecord other = Card(1);
    std::strcpy(other.NCardEdit, "3003");
    SaveCard(other, 1);  // the window saves another card meanwhile
    ::kill(modem_->Pid(), SIGCONT);
    const auto result = program.Wait();
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_STREQ(StoredCard(1).NCardEdit, "3003");
    const std::uint16_t id1 = StoredCard(0).ProgID1;
    EXPECT_NE(id1, 0x1A2B);
}

TEST_P(CliExchange, ReadPrintsTheControlsInOrderAndWritesTheWideImage) {
    StartModem({"--device-version", "3.0.12"});
    SaveCard(Card(1));
    ASSERT_EQ(Run({"program", "1"}).exitCode, 0);
    const auto result = Run({"read", "--image", (work_.Path() / "wide.img").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    char progId[8];
    const std::uint16_t id1 = StoredCard().ProgID1;
    std::snprintf(progId, sizeof progId, "%04X", unsigned(id1));
    EXPECT_EQ(result.out,
              "versionEdit=3.0.12\n"
              "CodeUoo=1234; 4000000000; НД; НД; \n"
              "numLine=3; 17; НД; НД; \n"
              "Pin1Edit=1111\nPin2Edit=\nIp1GsmEdit=\nIp2GsmEdit=\nPort1GsmEdit=\nPort2GsmEdit=\n"
              "APN1Edit=\nAPN2Edit=\nLoginGsm1Edit=\nLoginGsm2Edit=\nPassGsm1Edit=\nPassGsm2Edit=\n"
              "sendSMS1Check=1\nsendSMS2Check=0\nsmsGuardModeCheck=0\nsmsFireCheck=1\n"
              "smsKtcCheck=0\nsmsAlarmCheck=0\nsaveSMSCheck=0\n"
              "smsNumber1Edit=\nsmsNumber2Edit=\nsmsObjNameEdit=Склад\n"
              "balCodeSim1=*100#\nbalCodeSim2=\nbalCritical=10\nbalSendPcnCheck=1\n"
              "ProgID1=" +
                  std::string(progId) +
                  "\nReadVariant=1\n"
                  "CardRow=1\nCardMatch=same\n");
    EXPECT_EQ(FileBytes(work_.Path() / "wide.img"), FileBytes(work_.Path() / "modem.img"));
}

TEST_F(Cli, ReadOfAShortImageHidesTheBalanceAndWidensTheFile) {
    StartModem();
    SaveCard(Card(0), 4);
    ASSERT_EQ(Run({"program", "5"}).exitCode, 0);
    CardRecord other = StoredCard(4);
    other.ProgID1 = static_cast<std::uint16_t>(other.ProgID1 + 1);  // the card of another write
    std::strcpy(other.Pin1Edit, "2222");
    SaveCard(other, 4);
    const std::string database = Database();
    const auto result = Run({"read", "--image", (work_.Path() / "wide.img").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.find("bal"), std::string::npos);
    EXPECT_NE(result.out.find("ReadVariant=0\nCardRow=5\nCardMatch=differs\n"), std::string::npos);
    EXPECT_EQ(Database(), database);
    const std::string narrow = FileBytes(work_.Path() / "modem.img");
    const std::string wide = FileBytes(work_.Path() / "wide.img");
    ASSERT_EQ(narrow.size(), 316u);
    ASSERT_EQ(wide.size(), 444u);
    EXPECT_EQ(wide.substr(0, 312), narrow.substr(0, 312));
    EXPECT_EQ(wide.substr(312, 128), std::string(128, '\0'));
    EXPECT_EQ(wide.substr(440), narrow.substr(312));

    // An image file that cannot be written is told with its name and the reason.
    const auto unwritten = Run({"read", "--image", "no/such/dir/wide.img"});
    EXPECT_EQ(unwritten.exitCode, 4);
    EXPECT_NE(unwritten.err.find(
                  "gsmprog-cli: Ошибка записи на диск (no/such/dir/wide.img): нет такого каталога"),
              std::string::npos)
        << unwritten.err;
}

TEST_P(CliExchange, WriteUoSendsTheDeviceSettingsAndRecordsTheDate) {
    StartModem();
    SaveCard(Card(1));
    const auto result = Run({"write-uo", "1", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "Программирование УО произведено успешно!\n");
    const CardRecord stored = StoredCard();
    const double programmed = stored.DateProgrammed;
    const std::uint16_t id1 = stored.ProgID1;
    EXPECT_GT(programmed, 45000.0);
    EXPECT_EQ(id1, 0x1A2B);
    EXPECT_NE(modem_->Log().find("адрес 17, шлейфы охраны 21"), std::string::npos) << modem_->Log();
}

// Writing one object device stamps the card as programmed; the modem still holds the PIN of
// the last modem write, and the read says the card changed since.
TEST_F(Cli, ReadAfterAnEditAndAnObjectDeviceWriteSaysTheCardChanged) {
    StartModem();
    SaveCard(Card(1));
    ASSERT_EQ(Run({"program", "1"}).exitCode, 0);
    EXPECT_NE(Run({"read"}).out.find("CardRow=1\nCardMatch=same\n"), std::string::npos);
    CardRecord edited = StoredCard();
    std::strcpy(edited.Pin1Edit, "2222");
    edited.DateChanged = CurrentDays();
    SaveCard(edited);
    ASSERT_EQ(Run({"write-uo", "1", "2"}).exitCode, 0);
    const double changed = StoredCard().DateChanged, programmed = StoredCard().DateProgrammed;
    ASSERT_GE(programmed, changed);
    const auto result = Run({"read"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Pin1Edit=1111\n"), std::string::npos);
    EXPECT_NE(result.out.find("CardRow=1\nCardMatch=changed\n"), std::string::npos) << result.out;
}

// Three fields changed after programming: read --diff and diff list those three, texts
// escaped as show escapes them; a modem of no card and a card never programmed list nothing.
TEST_F(Cli, ReadDiffAndDiffListTheFieldsChangedSinceProgramming) {
    StartModem();
    SaveCard(Card(1));
    EXPECT_EQ(Run({"diff", "1"}).out, "Нет записи о программировании этой карточки в журнале\n");
    ASSERT_EQ(Run({"program", "1"}).exitCode, 0);
    EXPECT_TRUE(Run({"read", "--diff"}).out.ends_with("CardRow=1\nCardMatch=same\nОтличий нет\n"));
    EXPECT_EQ(Run({"diff", "1"}).out, "Отличий нет\n");

    CardRecord edited = StoredCard();
    std::strcpy(edited.Pin1Edit, "2222");
    std::strcpy(edited.smsObjNameEdit, "\xD1\xEA\xEB\t\xE0\xE4");  // "Скл\tад"
    edited.SmsFlags = edited.SmsFlags | SmsAlarm;
    std::strcpy(edited.RemarkEdit, "not a setting");
    edited.DateChanged = CurrentDays();
    SaveCard(edited);
    const std::string changes =
        "PIN1: 2222 → 1111\n"
        "Название объекта (опционально): Скл\\tад → Склад\n"
        "Тип событий: Тревога: да → нет\n";
    const auto read = Run({"read", "--diff"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    EXPECT_TRUE(read.out.ends_with("CardRow=1\nCardMatch=changed\n" + changes)) << read.out;
    const auto diff = Run({"diff", "1"});
    EXPECT_EQ(diff.exitCode, 0);
    EXPECT_EQ(diff.out, changes);

    // Another card in the row: the row's history is not its own.
    std::strcpy(edited.NCardEdit, "2025");
    SaveCard(edited);
    EXPECT_EQ(Run({"diff", "1"}).out, "Нет записи о программировании этой карточки в журнале\n");
    edited.UoCode[0] = 99;
    SaveCard(edited);
    EXPECT_TRUE(Run({"read", "--diff"}).out.ends_with("CardRow=\nCardMatch=none\n"));
}

// With no card database, a modem's settings and card number become a card, the modem's own
// by the comparison; with the object filled in, it programs the modem with the image the modem
// held. A second card of the same devices is refused, and a modem image that fails its checks
// is made nothing of.
TEST_F(Cli, ReadNewCardAndImportImageMakeCardsThatGiveTheModemItsImageAgain) {
    for (const bool shortImage : {false, true}) {
        SCOPED_TRACE(shortImage);
        fs::remove(work_.Path() / CardDatabase::DatabaseFileName);
        fs::remove(work_.Path() / "modem.img");
        StartModem(shortImage ? std::vector<std::string>{"--short-image"}
                              : std::vector<std::string>{});
        const fs::path saved = work_.Path() / "wide.img";
        const auto read = Run({"read", "--new-card", "--image", saved.string()});
        ASSERT_EQ(read.exitCode, 0) << read.err;
        EXPECT_TRUE(read.out.ends_with("CardRow=\nCardMatch=none\nNewCardRow=1\n")) << read.out;
        CardRecord card = StoredCard();
        CardRecord madeByRead = card;
        EXPECT_TRUE(card.InUse());
        EXPECT_EQ(std::string(card.NCardEdit), "1000");  // the number the image starts with
        EXPECT_EQ(std::string(card.Pin1Edit), "1111");
        EXPECT_EQ(card.VersionCombo, shortImage ? 0 : 1);
        EXPECT_EQ(std::string(card.balCodeSim1), shortImage ? "" : "*100#");

        EXPECT_TRUE(Run({"read", "--diff"}).out.ends_with("CardRow=1\nCardMatch=same\nОтличий нет\n"));

        const std::string database = Database();
        const auto again = Run({"read", "--new-card"});
        EXPECT_EQ(again.exitCode, 2);
        EXPECT_EQ(
            again.err,
            "gsmprog-cli: Такой код УО уже есть в базе: код УОО 1 есть у карточки строки 1\n");
        EXPECT_EQ(Run({"import-image", saved.string()}).exitCode, 2);
        EXPECT_EQ(Database(), database);

        std::strcpy(card.Edit1, "Склад");
        SaveCard(card);
        const std::string held = FileBytes(saved);
        ASSERT_EQ(Run({"program", "1"}).exitCode, 0);
        std::string written = FileBytes(work_.Path() / "modem.img");
        if (shortImage) {
            ASSERT_EQ(written.size(), 316u);
            written.insert(312, 128, '\0');
        }
        ASSERT_EQ(written.size(), held.size());
        EXPECT_EQ(written.substr(0, 12), held.substr(0, 12));
        EXPECT_EQ(written.substr(18, 440 - 18), held.substr(18, 440 - 18));
        EXPECT_NE(written.substr(440), held.substr(440));

        // The image file makes the same card in a row of its own, once the first is gone.
        card.DateChanged = 0;
        SaveCard(card);
        const auto imported = Run({"import-image", saved.string(), "7"});
        ASSERT_EQ(imported.exitCode, 0) << imported.err;
        EXPECT_EQ(imported.out, "NewCardRow=7\n");
        CardRecord fromFile = StoredCard(6);
        fromFile.DateChanged = madeByRead.DateChanged = 0;
        EXPECT_EQ(std::memcmp(&fromFile, &madeByRead, sizeof fromFile), 0);
        EXPECT_EQ(Run({"import-image", saved.string(), "7"}).err,
                  "gsmprog-cli: строка 7 уже занята карточкой\n");
        modem_.reset();
    }
    std::string broken = FileBytes(work_.Path() / "wide.img");
    broken[60] ^= 1;
    std::ofstream(work_.Path() / "broken.img", std::ios::binary) << broken;
    const auto refused = Run({"import-image", (work_.Path() / "broken.img").string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("нет образа настроек модема"), std::string::npos) << refused.err;

    fs::remove(work_.Path() / CardDatabase::DatabaseFileName);
    StartModem({"--bad-image-crc"});
    const auto bad = Run({"read", "--new-card", "--diff"});
    EXPECT_EQ(bad.exitCode, 3);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("Получены неверные данные от УОО."), std::string::npos);
    EXPECT_FALSE(fs::exists(work_.Path() / CardDatabase::DatabaseFileName));
}

TEST_F(Cli, DeviceFailuresGiveTheirReasonAndExit3AndLeaveTheDatabase) {
    CardRecord card = Card(1);
    std::strcpy(card.APN1Edit, "internet.tajna");
    std::strcpy(card.LoginGsm1Edit, "tajnylogin");
    std::strcpy(card.PassGsm1Edit, "tajneheslo");
    SaveCard(card);
    const std::string database = Database();
    StartModem({"--error-in", "block", "--bad-device-crc", "--long-read"});
    auto result = Run({"program", "1"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.err,
              "Программирование НЕ проведено!\n\nПричина:\n"
              "УОО вернул ошибку при программировании\n");
    result = Run({"write-uo", "1", "2"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.err.find("Ошибка при программировании УО"), std::string::npos);
    result = Run({"read"});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_NE(result.err.find("УОО вернул ошибку при считывании"), std::string::npos);
    EXPECT_EQ(Database(), database);
    // Each failure is journalled with the message the user was given.
    const std::vector<JournalEntry> entries = Journalled();
    ASSERT_EQ(entries.size(), 3u);
    for (const JournalEntry& entry : entries) EXPECT_EQ(entry.result, JournalResult::Failed);
    EXPECT_EQ(entries[0].message,
              "Программирование НЕ проведено!\n\nПричина:\n"
              "УОО вернул ошибку при программировании");
    EXPECT_EQ(entries[1].operation, JournalOperation::WriteUo);
    EXPECT_NE(entries[1].message.find("Ошибка при программировании УО"), std::string::npos);
    EXPECT_EQ(entries[2].message + "\n", result.err);

    // A support report made now holds the failures and their messages, and no secret.
    const fs::path report = work_.Path() / "report.txt";
    ASSERT_EQ(Run({"support-report", report.string()}).exitCode, 0);
    const std::string text = FileBytes(report);
    EXPECT_NE(
        text.find("\"op\":\"program\",\"result\":\"failed\",\"message\":\"Программирование НЕ "
                  "проведено!\\n\\nПричина:\\nУОО вернул ошибку при программировании\""),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("--verbose"), std::string::npos);
    // The PIN's digits alone could be part of a process ID the cable check names.
    for (const char* secret : {"1111", "internet.tajna", "tajnylogin", "tajneheslo"}) {
        if (std::strlen(secret) > 4) {
            EXPECT_EQ(text.find(secret), std::string::npos) << secret;
        }
        EXPECT_EQ(
            text.find(HexText(reinterpret_cast<const std::uint8_t*>(secret), std::strlen(secret))),
            std::string::npos)
            << secret;
    }
}

TEST_F(Cli, AModemFallingSilentIsToldWithTheBlockItFollowed) {
    SaveCard(Card(1));
    StartModem({"--silent-after-block", "2"});
    const auto result = Run({"program", "1"});
    EXPECT_EQ(result.exitCode, 3);
    // After the notice that the modem is being waited for.
    EXPECT_TRUE(
        result.err.ends_with("Программирование НЕ проведено!\n\nПричина:\n"
                             "УОО вернул ошибку при программировании\n"
                             "Модем перестал отвечать после блока 3 из 14: ответа на него нет.\n"))
        << result.err;
}

TEST_F(Cli, CableFailuresExit1) {
    SaveCard(Card(1));
    auto result = Run({"program", "1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Программирование НЕ проведено!\n\nПричина:\nКабель FTDI не найден.\n");
    ASSERT_EQ(Journalled().size(), 1u);
    EXPECT_EQ(Journalled()[0].message + "\n", result.err);
    EXPECT_EQ(Journalled()[0].cable, "");

    StartModem();
    result = Run({"read", "--cable", "OTHER1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "СЧИТЫВАНИЕ НЕ ПРОИЗВЕДЕНО\n\nПричина:\n"
              "Кабеля с серийным номером OTHER1 нет. Подключены: VMODEM1.\n");
    result = Run({"status", "--cable", "OTHER1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Кабеля с серийным номером OTHER1 нет. Подключены: VMODEM1.\n");

    // The cable is held by another program: said so, rather than the driver blamed.
    SerialCable holder(modem_->CableDir());
    FTDI_ReadCtrl holding{holder};
    ASSERT_EQ(holding.Open(), CableOpened);
    result = Run({"write-uo", "1", "2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "Программирование НЕ проведено!\n\nПричина:\nКабель занят другой программой\n");
}

TEST_F(Cli, TheDiagnosticLogTellsTheListingTheOpenTheBytesAndTheReason) {
    const auto none = RunProgram(CliProgram(), With({"read"}), Env("1"));
    EXPECT_NE(none.err.find("кабель: виртуальных кабелей в " + runtime_.Path().string() +
                            "/gsmprog/cables: нет такого каталога\n"),
              std::string::npos)
        << none.err;
    EXPECT_NE(none.err.find("кабель: список: кабель не найден\n"), std::string::npos) << none.err;

    StartModem({"--error-in", "read"});
    const std::string failure =
        "СЧИТЫВАНИЕ НЕ ПРОИЗВЕДЕНО\n\nПричина:\nУОО вернул ошибку при считывании\n";
    EXPECT_EQ(Run({"read"}).err, failure);  // off: the message alone
    const ProgramResult byEnvironment = RunProgram(CliProgram(), With({"read"}), Env("1"));
    for (const ProgramResult& logged : {byEnvironment, Run({"--verbose", "read"})}) {
        for (const std::string line :
             {"кабель: открытие VMODEM1: открыт ",
              "кабель: VMODEM1 → 9 из 9 байт: 50 52 4F 47 5F 47 53 4D 41\n",
              "связь: READ, попытка 1\n", "кабель: VMODEM1 ← 5 байт: 45 52 52 4F 52\n",
              "связь: обмен: сбой устройства\n", failure.c_str()})
            EXPECT_NE(logged.err.find(line), std::string::npos) << line << "\n" << logged.err;
        EXPECT_TRUE(logged.out.empty());
    }
}

TEST_F(Cli, PortOptionOpensThatDevice) {
    StartModem({"--short-image"});
    const auto result = Run({"read", "--port", modem_->PtyPath()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("ReadVariant=0\nCardRow=\nCardMatch=none\n"), std::string::npos);
    EXPECT_FALSE(
        fs::exists(work_.Path() / CardDatabase::DatabaseFileName));  // read never creates one
}

// A path that cannot even be looked at ends no command with an abort: each refuses it with
// the system's reason.
class CliUncheckablePort : public Cli, public ::testing::WithParamInterface<const char*> {};

INSTANTIATE_TEST_SUITE_P(Paths, CliUncheckablePort,
                         ::testing::Values("long_name", "link_loop", "closed_folder"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(CliUncheckablePort, EveryCommandRefusesItWithTheReason) {
    SaveCard(Card(1));
    const std::string kind = GetParam();
    std::vector<std::string> prefix;  // as whom the command runs
    std::string port, reason;
    if (kind == "long_name") {
        port = (work_.Path() / std::string(300, 'p')).string();
        reason = "слишком длинное имя";
    } else if (kind == "link_loop") {
        fs::create_symlink("b", work_.Path() / "a");
        fs::create_symlink("a", work_.Path() / "b");
        port = (work_.Path() / "a" / "ttyUSB0").string();
        reason = "символические ссылки замкнуты в кольцо";
    } else {
        fs::create_directories(work_.Path() / "closed");
        fs::permissions(work_.Path(), fs::perms(0755));
        fs::permissions(work_.Path() / "closed", fs::perms::none);
        port = (work_.Path() / "closed" / "ttyUSB0").string();
        reason = "нет прав доступа";
        // Root enters any folder: the command runs as another user then.
        if (::geteuid() == 0)
            prefix = {"--reuid=65534", "--regid=65534", "--clear-groups", CliProgram().string()};
    }
    const auto runAs = [&](const std::vector<std::string>& command,
                           const std::vector<std::string>& path) {
        std::vector<std::string> args = With(command);
        args.insert(args.end(), path.begin(), path.end());
        args.insert(args.begin(), prefix.begin(), prefix.end());
        return RunProgram(prefix.empty() ? CliProgram() : fs::path("/usr/bin/setpriv"), args,
                          Env());
    };
    for (const std::vector<std::string>& command : {std::vector<std::string>{"program", "1"},
                                                    {"read"},
                                                    {"write-uo", "1", "2"},
                                                    {"status"},
                                                    {"switch-sim"},
                                                    {"monitor", "--seconds", "1"}}) {
        const ProgramResult run = runAs(command, {"--port", port});
        EXPECT_EQ(run.exitCode, 2) << command[0] << "\n" << run.err;
        EXPECT_EQ(run.err, "gsmprog-cli: порт " + port + " не проверить: " + reason +
                               "\nСправка: gsmprog-cli --help\n")
            << command[0];
    }
    // The same path as a file to read or write: the file and the reason, exit 2 or 4.
    for (const char* command : {"import-image", "export-csv", "support-report"}) {
        const ProgramResult run = runAs({command}, {port});
        EXPECT_TRUE(run.exitCode == 2 || run.exitCode == 4) << command << " " << run.exitCode;
        EXPECT_TRUE(run.err.starts_with("gsmprog-cli: ")) << run.err;
        EXPECT_NE(run.err.find(port), std::string::npos) << run.err;
        // Reading is refused access, writing the right to write.
        EXPECT_NE(run.err.find(kind == "closed_folder" ? "нет прав" : reason), std::string::npos)
            << run.err;
    }
    std::error_code none;  // the folder is removed with the test's own
    fs::permissions(work_.Path() / "closed", fs::perms::owner_all, fs::perm_options::add, none);
}

TEST_F(Cli, SignalsStopTheExchangeExit130AndSaveNothing) {
    SaveCard(Card(1));
    const std::string database = Database();
    StartModem({"--silent-after-block", "1", "--no-version"});
    auto result = Interrupt({"program", "1"}, SIGINT);
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_NE(result.err.find(
                  "Программирование ОСТАНОВЛЕНО! GSM Адаптер остался не запрограммированным."),
              std::string::npos)
        << result.err;
    result = Interrupt({"read"}, SIGTERM);
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_EQ(result.err, "Считывание ОСТАНОВЛЕНО!\n");
    EXPECT_EQ(Database(), database);
    const std::vector<JournalEntry> entries = Journalled();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].result, JournalResult::Stopped);
    EXPECT_EQ(entries[0].message, ProgramStoppedText);
    EXPECT_EQ(entries[0].image.size(), 2 * 444u);  // what was being written
    EXPECT_EQ(entries[1].result, JournalResult::Stopped);
    EXPECT_EQ(entries[1].message, ReadStoppedText);
}

// A modem that goes away mid-write (its power pulled, its cable torn out) leaves a failed entry.
TEST_F(Cli, AModemGoneMidExchangeIsJournalledAsFailed) {
    SaveCard(Card(1));
    StartModem({"--silent-after-block", "1"});
    ChildProcess program(CliProgram(), With({"program", "1"}), Env());
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    modem_->Stop(SIGKILL);
    const auto result = program.Wait();
    EXPECT_EQ(result.exitCode, 1) << result.err;
    const std::vector<JournalEntry> entries = Journalled();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].result, JournalResult::Failed);
    EXPECT_TRUE(result.err.ends_with(entries[0].message + "\n")) << result.err;
    EXPECT_EQ(entries[0].cable, "VMODEM1");
}

TEST_F(Cli, BadInputIsAUsageErrorWithAReason) {
    SaveCard(Card(7));
    const std::string notSerial = (work_.Path() / "plain").string();
    std::ofstream(notSerial) << "x";
    const std::vector<std::vector<std::string>> bad{
        {"write-uo", "1", "1"},
        {"write-uo", "1", "3"},
        {"read", "--port", "/dev/null"},
        {"status", "--port", notSerial},
        {"cables", "--port", "/dev/null"},
        {"program", "1", "--bogus"},
        {"program"},
        {"program", "0"},
        {"program", "9001"},
        {"program", "x"},
        {"program", "2"},
        {"program", "1"},
        {"write-uo", "1"},
        {"write-uo", "1", "0"},
        {"write-uo", "1", "5"},
        {"write-uo", "2", "1"},
        {"read", "--cable"},
        {"read", "--cable", "A", "--port", "/dev/null"},
        {"read", "extra"},
        {"cables", "x"},
        {"read", "--cable", "much/too/long/serial"},
        {"read", "--port", ""},
        {"status", "--port", ""},
        {"diff"},
        {"diff", "2"},
        {"read", "--image"},
        {"import-image"},
        {"import-image", "/nonexistent.img"},
        {"import-image", "x.img", "0"},
    };
    for (const auto& args : bad) {
        const auto result = Run(args);
        EXPECT_EQ(result.exitCode, 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(result.err.empty());
        EXPECT_EQ(result.err.find("Драйвер"), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
    // A mistyped command line is answered with its reason and where help is; a card that
    // cannot be used, with its reason alone.
    EXPECT_EQ(
        Run({"read", "--port", ""}).err,
        "gsmprog-cli: после --port нужен путь к порту, например /dev/ttyUSB0\nСправка: gsmprog-cli --help\n");
    EXPECT_EQ(Run({"write-uo", "1", "5"}).err,
              "gsmprog-cli: номер УОО должен быть от 1 до 4: 5\nСправка: gsmprog-cli --help\n");
    // The window offers no write for a device without loops: neither does the command line.
    EXPECT_EQ(
        Run({"write-uo", "1", "1"}).err,
        "gsmprog-cli: у УОО 1 карточки строки 1 нет настроек шлейфов («УОО 1Ш»): записывать нечего\n");
}

}  // namespace
}  // namespace gsmprog::test
