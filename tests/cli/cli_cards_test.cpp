// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "cards/card_files.h"
#include "support/sample_cards.h"
#include "support/child_process.h"
#include "cards/csv_export.h"

namespace gsmprog {
namespace {

using namespace gsmprog::test;

// Row 1: FullCard() with spare words, which only the command line shows.
const char* FullCardShown =
    "NCardEdit=Карта-1234\n"
    "Edit1=Объект «Ёлка» ул. Щорса\n"
    "FIOEdit=г. Тверь, пр. Победы, 1\n"
    "RemarkEdit=Примечание: ключ у охраны\n"
    "UoCode=123456789,4000000000,0,42\n"
    "UoLineAddress=15,0,0,7\n"
    "UoType=3,1,0,2\n"
    "Pin1Edit=0123\n"
    "Pin2Edit=9876\n"
    "Ip1GsmEdit=195.19.200.231.static.x\n"
    "Ip2GsmEdit=10.0.0.2\n"
    "Port1GsmEdit=60001\n"
    "Port2GsmEdit=5000\n"
    "APN1Edit=internet.mts.ru\n"
    "APN2Edit=internet.beeline.ru\n"
    "LoginGsm1Edit=mts\n"
    "LoginGsm2Edit=beeline\n"
    "PassGsm1Edit=пароль1\n"
    "PassGsm2Edit=pass2\n"
    "UpdateFlags=48\n"
    "SmsFlags=191\n"
    "smsNumber1Edit=89001234567\n"
    "smsNumber2Edit=89007654321\n"
    "smsObjNameEdit=Дача\n"
    "ipUpdateEdit=upd.example.org\n"
    "portParamsEdit=7001\n"
    "portUpdateEdit=7002\n"
    "balCodeSim1=*100#\n"
    "balCodeSim2=*102#\n"
    "balCritical=250\n"
    "BalanceFlags=3\n"
    "PUK1_Edit=12345678\n"
    "Number1_Edit=+79001112233\n"
    "SIM_ID1_Edit=8970101234567890123\n"
    "DateChanged=2024-03-15 10:20:30\n"
    "DateProgrammed=2023-01-02 03:04:05\n"
    "ProgID1=C0DE\n"
    "ProgID2=1234\n"
    "PUK2_Edit=87654321\n"
    "Number2_Edit=+79004445566\n"
    "SIM_ID2_Edit=SIM-два\n"
    "VersionCombo=1\n"
    "UoGuardCords=21,0,0,3\n"
    "UoFireCords=42,0,0,0\n"
    "UoModes=42,0,0,32\n"
    "UoSpare=1,0,65535,0\n"
    "LastOperation=нет записей в журнале\n";

class CliCards : public ::testing::Test {
protected:
    TempDir work;  // the -C directory with the database
    std::vector<CardRecord> slots = std::vector<CardRecord>(9000);

    CliCards() {
        slots[0] = FullCard();
        slots[0].UoSpare[0] = 1;
        slots[0].UoSpare[2] = 65535;
        CardRecord& b = slots[2];
        std::strcpy(b.Edit1, "B");
        b.DateChanged = 45000.75;
        b.DateProgrammed = 45001.5;
        slots[5].DateChanged = 0.0005;  // below the in-use threshold: no card
        slots[6].DateChanged = 1e300;   // in use, with a date that has no calendar day
        CardRecord& last = slots[8999];
        std::strcpy(last.NCardEdit, "0123456789");
        last.UoType[0] = 3;
        last.UoCode[0] = 0xFFFFFFFFu;
        last.DateChanged = 0.001;
    }

    std::string Gen12() const {
        std::string file;
        for (const auto& card : slots) file += Bytes(card);
        return file + Bytes(PatternCard(900));
    }

    ProgramResult Run(std::vector<std::string> args,
                      const std::map<std::string, std::string>& env = {}) {
        args.insert(args.begin(), {"-C", work.Path().string()});
        return RunProgram(CliProgram(), args, env);
    }
};

const char* ListOfCards =
    "1\t123456789 + 4000000000 + 42\tКарта-1234\tОбъект «Ёлка» ул. Щорса\t2024-03-15 10:20:30\t"
    "2023-01-02 03:04:05\n"
    "3\t\t\tB\t2023-03-15 18:00:00\t2023-03-16 12:00:00\n"
    "7\t\t\t\t\t\n"
    "9000\t4294967295\t0123456789\t\t1899-12-30 00:01:26\t\n";

TEST_F(CliCards, ListPrintsEveryCardInUseInSlotOrder) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const ProgramResult run = Run({"list"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ListOfCards);
    EXPECT_EQ(run.err, "");
}

TEST_F(CliCards, DatesAreWallClockTimeWhateverTheTimeZone) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const ProgramResult run = Run({"list"}, {{"TZ", "XST-9"}});
    EXPECT_EQ(run.out, ListOfCards);
}

TEST_F(CliCards, ListReadsAGeneration11File) {
    std::string file;
    for (int i = 0; i < 3; ++i) file += Gen11Block(slots[std::size_t(i)]);
    WriteBytes(work.Path() / "ProgInfo_11.GAD", file + Gen11Block(PatternCard(900)));
    const ProgramResult run = Run({"list"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(
        run.out,
        "1\t123456789 + 4000000000 + 42\tКарта-1234\tОбъект «Ёлка» ул. Щорса\t2024-03-15 10:20:30\t"
        "2023-01-02 03:04:05\n"
        "3\t\t\tB\t2023-03-15 18:00:00\t2023-03-16 12:00:00\n");
    const ProgramResult shown = Run({"show", "1"});
    EXPECT_NE(shown.out.find("\nbalCodeSim1=\nbalCodeSim2=\nbalCritical=0\nBalanceFlags=0\n"),
              std::string::npos)
        << "generation 11 has no balance fields\n"
        << shown.out;
}

TEST_F(CliCards, ShowPrintsEveryStoredFieldOfTheRow) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const ProgramResult run = Run({"show", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, FullCardShown);

    const ProgramResult last = Run({"show", "9000"});
    EXPECT_NE(last.out.find("\nUoCode=4294967295,0,0,0\n"), std::string::npos) << last.out;
    EXPECT_NE(last.out.find("\nDateChanged=1899-12-30 00:01:26\nDateProgrammed=\nProgID1=0000\n"),
              std::string::npos)
        << last.out;
}

// A text can hold any byte but zero: escaped, it stays in its column and on its line.
TEST_F(CliCards, ControlCharactersInTextsAreEscaped) {
    CardRecord& card = slots[1];
    std::strcpy(card.NCardEdit, "1\t2");
    std::strcpy(card.Edit1, "a\nb\rc\\d\x01\x7F\x98\xC4");  // 0x98 is no Windows-1251 letter
    card.DateChanged = 45000.75;
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const std::string text = "a\\nb\\rc\\\\d\\x01\\x7F\\x98Д";
    EXPECT_NE(Run({"list"}).out.find("\n2\t\t1\\t2\t" + text + "\t2023-03-15 18:00:00\t\n"),
              std::string::npos);
    const std::string shown = Run({"show", "2"}).out;
    EXPECT_EQ(shown.substr(0, shown.find("FIOEdit")), "NCardEdit=1\\t2\nEdit1=" + text + "\n");
}

TEST_F(CliCards, ShowOfAnEmptySlotSaysEmpty) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    for (const char* row : {"2", "6", "8999"}) {
        const ProgramResult run = Run({"show", row});
        EXPECT_EQ(run.exitCode, 0) << row;
        EXPECT_EQ(run.out, "empty\n") << row;
    }
    TempDir empty;
    const ProgramResult noFile =
        RunProgram(CliProgram(), {"-C", empty.Path().string(), "show", "1"});
    EXPECT_EQ(noFile.exitCode, 0);
    EXPECT_EQ(noFile.out, "empty\n");
}

TEST_F(CliCards, BadRowsAndUsageAreRefusedWithStatus2) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const std::vector<std::vector<std::string>> bad = {
        {"show", "0"}, {"show", "9001"}, {"show", "-1"}, {"show", "1x"},
        {"show", ""},  {"show", " 1"},   {"show"},       {"show", "1", "2"},
        {"list", "1"}, {"export-csv"},   {"frobnicate"}, {},
    };
    for (const auto& args : bad) {
        const ProgramResult run = Run(args);
        std::string joined;
        for (const auto& arg : args) joined += "[" + arg + "]";
        EXPECT_EQ(run.exitCode, 2) << joined;
        EXPECT_EQ(run.out, "") << joined;
        EXPECT_NE(run.err, "") << joined;
    }
    // The reason and where help is, not the whole usage that would push the reason off screen.
    EXPECT_EQ(Run({"frobnicate"}).err,
              "gsmprog-cli: неизвестная команда frobnicate\nСправка: gsmprog-cli --help\n");
    EXPECT_EQ(Run({"--frobnicate"}).err,
              "gsmprog-cli: неизвестный ключ --frobnicate\nСправка: gsmprog-cli --help\n");
    EXPECT_EQ(
        Run({"show", "1x"}).err,
        "gsmprog-cli: номер строки должен быть числом от 1 до 9000: 1x\nСправка: gsmprog-cli --help\n");
    const ProgramResult noDir =
        RunProgram(CliProgram(), {"-C", (work.Path() / "missing").string(), "list"});
    EXPECT_EQ(noDir.exitCode, 2);
    EXPECT_NE(noDir.err.find("missing"), std::string::npos) << noDir.err;
}

TEST_F(CliCards, HelpGoesToStdoutWithEveryCommandAndTheExitStatuses) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}, {"show", "--help"}}) {
        const ProgramResult run = Run(args);
        EXPECT_EQ(run.exitCode, 0) << args[0];
        EXPECT_EQ(run.err, "") << args[0];
        EXPECT_EQ(run.out.rfind("Использование: gsmprog-cli", 0), 0u) << run.out;
        for (const char* part :
             {"\n  list ", "\n  show СТРОКА ", "\n  export-csv ФАЙЛ ", "\n  cables ",
              "\n  program СТРОКА [КАБЕЛЬ] ",
              "\n  read [--image ФАЙЛ] [--diff] [--new-card] [КАБЕЛЬ]\n", "\n  diff СТРОКА ",
              "\n  import-image ФАЙЛ [СТРОКА] ", "\n  write-uo СТРОКА УОО [КАБЕЛЬ]\n",
              "\n  status [КАБЕЛЬ] ", "\n  switch-sim [КАБЕЛЬ] ",
              "\n  monitor [--seconds СЕКУНДЫ] [КАБЕЛЬ]\n", "\n  --cable СЕРИЙНЫЙ_НОМЕР ",
              "\n  --port ПУТЬ ", "\n  130 "})
            EXPECT_NE(run.out.find(part), std::string::npos) << part;
    }
    const ProgramResult version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("gsmprog-cli 1.", 0), 0u) << version.out;
}

TEST_F(CliCards, ExportCsvWritesTheWindowsBytes) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const ProgramResult run = Run({"export-csv", "cards.csv"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const std::string expected =
        std::string(CsvHeader) +
        "\xCA\xE0\xF0\xF2\xE0-1234;\xCE\xE1\xFA\xE5\xEA\xF2 \xAB\xA8\xEB\xEA\xE0\xBB \xF3\xEB. \xD9\xEE\xF0\xF1\xE0;"
        "123456789,4000000000,NA,42;15,0,NA,7;0123;9876;8970101234567890123;SIM-\xE4\xE2\xE0\r\n"
        ";B;NA,NA,NA,NA;NA,NA,NA,NA;;;NA;NA\r\n"
        ";NA;NA,NA,NA,NA;NA,NA,NA,NA;;;NA;NA\r\n"
        "0123456789;NA;4294967295,NA,NA,NA;0,NA,NA,NA;;;NA;NA\r\n";
    EXPECT_EQ(ReadBytes(work.Path() / "cards.csv"), expected) << "relative to the -C directory";
    EXPECT_EQ(ReadBytes(work.Path() / "cards.csv"), CsvText(slots.data(), 9000));
}

TEST_F(CliCards, ExportCsvFailureIsReportedWithStatus4) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const ProgramResult run = Run({"export-csv", "no/such/dir/cards.csv"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.err,
              "gsmprog-cli: Ошибка записи на диск (no/such/dir/cards.csv): нет такого каталога\n");
}

// An empty output must not pass for an empty database: a folder without one is said so.
TEST_F(CliCards, AFolderWithoutADatabaseIsSaidSo) {
    const std::string said = "gsmprog-cli: в каталоге " + work.Path().string() +
                             " нет базы карточек (ProgInfo_12.GAD)\n";
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"list"}, {"show", "1"}, {"export-csv", "x.csv"}}) {
        const ProgramResult run = Run(args);
        EXPECT_EQ(run.exitCode, 0) << args[0];
        EXPECT_EQ(run.err, said) << args[0];
    }
    EXPECT_EQ(FileNames(work.Path()), std::vector<std::string>{"x.csv"});
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    EXPECT_EQ(Run({"list"}).err, "");
}

TEST_F(CliCards, ReadingCommandsNeverWriteTheDatabase) {
    const std::string odd = Gen12() + "x";  // a size that fits neither format: nothing loads
    WriteBytes(work.Path() / "ProgInfo_12.GAD", odd);
    EXPECT_EQ(Run({"list"}).out, "");
    EXPECT_EQ(Run({"show", "1"}).out, "empty\n");
    EXPECT_EQ(Run({"export-csv", "x.csv"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(work.Path() / "x.csv"), CsvHeader);
    EXPECT_TRUE(ReadBytes(work.Path() / "ProgInfo_12.GAD") == odd);
    EXPECT_EQ(FileNames(work.Path()), (std::vector<std::string>{"ProgInfo_12.GAD", "x.csv"}));
}

// A file that did not load whole is named with the reason; the command goes on as it did.
TEST_F(CliCards, FilesThatDidNotLoadWholeAreNamedWithTheReason) {
    const std::string file = (work.Path() / "ProgInfo_12.GAD").string();
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "файл " + file + " пуст"},
        {"x", "его размер 1 байт не подходит ни к одному формату"},
        {std::string(887, 'x'), "его размер 887 байт не подходит ни к одному формату"},
        {std::string(889, 'x'), "его размер 889 байт не подходит ни к одному формату"},
        {Gen12() + "x", "его размер 7992889 байт не подходит ни к одному формату"},
        {Gen12File(9002, PatternCard(900)), "карточек больше 9000 (9002): прочитаны первые 9000"},
    };
    for (const auto& [bytes, reason] : cases) {
        WriteBytes(file, bytes);
        for (const auto& args :
             {std::vector<std::string>{"list"}, std::vector<std::string>{"show", "1"}}) {
            const ProgramResult run = Run(args);
            EXPECT_EQ(run.exitCode, 0) << args[0];
            EXPECT_EQ(run.err.rfind("gsmprog-cli: внимание: ", 0), 0u) << run.err;
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        }
    }
}

TEST_F(CliCards, OnlyARegularFileIsTakenForTheDatabase) {
    const auto file = work.Path() / "ProgInfo_12.GAD";
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    ProgramResult run = Run({"list"});  // a pipe would keep it waiting for a writer
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "gsmprog-cli: " + file.string() + " — именованный канал, а не файл базы карточек\n");
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    run = Run({"export-csv", "x.csv"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("каталог, а не файл базы карточек"), std::string::npos) << run.err;
}

// Nothing waits for the other end of a named pipe: an input and an output are regular files
// (an output may be a new name), anything else is refused at once with what it is.
TEST_F(CliCards, InputsAndOutputsThatAreNoFilesAreRefusedAtOnce) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const auto pipe = work.Path() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string pipeKind = ": это именованный канал, а не обычный файл\n";
    ProgramResult run = Run({"import-image", "pipe"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "gsmprog-cli: не удалось прочитать pipe" + pipeKind);
    run = Run({"export-csv", "pipe"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.err, "gsmprog-cli: Ошибка записи на диск (pipe)" + pipeKind);
    run = Run({"support-report", "pipe"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.err, "gsmprog-cli: отчёт не записан в pipe" + pipeKind);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    run = Run({"import-image", "."});
    EXPECT_EQ(run.err, "gsmprog-cli: не удалось прочитать .: это каталог, а не обычный файл\n");
    // A system folder that makes no files is no missing one.
    run = Run({"export-csv", "/proc/version"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.err, std::string("gsmprog-cli: Ошибка записи на диск (/proc/version): ") +
                           (::geteuid() == 0 ? "в этом каталоге файлы создавать нельзя\n"
                                             : "нет прав на запись\n"));
}

// A journal that cannot be read is said to be, and why: never taken for one without entries.
TEST_F(CliCards, AJournalThatCannotBeReadIsSaidSo) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const auto journal = work.Path() / "ProgInfo_12.journal";
    std::filesystem::create_directory(journal);
    const std::string unread = "gsmprog-cli: не удалось прочитать журнал операций " +
                               journal.string() + ": это каталог, а не обычный файл";
    ProgramResult run = Run({"show", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.out.ends_with(
        "\nLastOperation=журнал операций не прочитан: это каталог, а не обычный файл\n"))
        << run.out;
    EXPECT_EQ(run.err, unread + "\n");
    run = Run({"diff", "1"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, unread + ": сравнивать не с чем\n");
    run = Run({"journal"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, unread + "\n");
    const auto report = work.Path() / "report.txt";
    ASSERT_EQ(Run({"support-report", report.string()}).exitCode, 0);
    EXPECT_NE(ReadBytes(report).find("Журнал прочитан не весь: это каталог, а не обычный файл\n"),
              std::string::npos);
}

// The journal's texts never reach the terminal raw, in any format; a time is a calendar's.
TEST_F(CliCards, JournalTextsAreEscapedAndItsTimesChecked) {
    WriteBytes(work.Path() / "ProgInfo_12.journal",
               R"({"v":1,"time":"2026-12-08T05:00:00+03:00","op":"read","result":"failed",)"
               R"("message":"a\u001b\u0007\u0000\\\nb","user":"u","host":"h"})"
               "\n"
               R"({"v":1,"time":"2026-12-08T05:00:00+99:00","op":"read","result":"failed",)"
               R"("message":"offset","user":"u","host":"h"})"
               "\n");
    const std::string escaped = "a\\x1B\\x07\\x00\\\\";
    const std::string tsv = Run({"journal"}).out;
    EXPECT_NE(tsv.find("\tu\t\t" + escaped + "\\nb\n"), std::string::npos) << tsv;
    const std::string csv = Run({"journal", "--format", "csv"}).out;
    EXPECT_NE(csv.find(";u;;\"" + escaped + "\nb\"\r\n"), std::string::npos) << csv;
    // An offset of 99 hours is no time: such an entry is after no date.
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 2);
    EXPECT_EQ(Run({"journal", "--since", "2000-01-01"}).out, tsv.substr(0, tsv.find('\n') + 1));
    for (const char* since : {"2026-02-31", "2026-02-29", "2026-04-31", "2026-12-08T00:00+99:00",
                              "2026-12-08T00:00+03:60", "2026-13-01"})
        EXPECT_EQ(Run({"journal", "--since", since}).exitCode, 2) << since;
    EXPECT_EQ(Run({"journal", "--since", "2028-02-29"}).exitCode, 0);
}

// An output that is a file of the database, by any name or link, not yet there or there:
// refused with status 2 before anything is written (read --image before the modem is asked).
// In any other folder, a database, its lock, its journal or a kept copy there is refused too.
TEST_F(CliCards, OutputsOntoTheDatabaseItsLockCopiesOrJournalAreRefused) {
    const std::string cards = Gen12();
    WriteBytes(work.Path() / "ProgInfo_12.GAD", cards);
    WriteBytes(work.Path() / "ProgInfo_12.GAD.lock", "");
    TempDir other;
    std::filesystem::create_hard_link(work.Path() / "ProgInfo_12.GAD", other.Path() / "copy.gad");
    std::filesystem::create_symlink(work.Path() / "ProgInfo_12.GAD.lock",
                                    other.Path() / "lock-link");
    const auto there = [&](const char* name) { return (other.Path() / name).string(); };
    for (const char* name : {"ProgInfo_11.GAD", "clientB.GAD"}) WriteBytes(there(name), cards);
    WriteBytes(there("clientB.GAD.lock"), "");
    WriteBytes(there("clientB.journal"), "{\"v\":1}\n");
    WriteBytes(there("clientB.GAD.unread-20260101-000000-2"), "x");
    const std::vector<std::pair<std::string, std::string>> outputs{
        {"ProgInfo_12.GAD", "это файл базы карточек"},
        {(other.Path() / "copy.gad").string(), "это файл базы карточек"},
        {"./ProgInfo_12.GAD.lock", "это файл блокировки базы карточек"},
        {"ProgInfo_12.journal", "это журнал операций базы карточек"},
        {(other.Path() / "lock-link").string(), "это файл блокировки базы карточек"},
        {"ProgInfo_12.GAD.unread-20260101-000000", "это сохранённая копия базы карточек"},
        {there("ProgInfo_11.GAD"), "это файл базы карточек"},
        {there("clientB.GAD"), "это файл базы карточек"},
        {there("clientB.GAD.lock"), "это файл блокировки базы карточек"},
        {there("clientB.journal"), "это журнал операций базы карточек"},
        {there("clientB.GAD.unread-20260101-000000-2"), "это сохранённая копия базы карточек"},
    };
    for (const auto& [output, reason] : outputs) {
        for (const auto& args :
             {std::vector<std::string>{"export-csv", output},
              std::vector<std::string>{"read", "--image", output, "--cable", "NONE"}}) {
            const ProgramResult run = Run(args);
            EXPECT_EQ(run.exitCode, 2) << args[0] << " " << output;
            EXPECT_EQ(run.err, "gsmprog-cli: Нельзя записать в " + output + ": " + reason + "\n");
        }
    }
    EXPECT_TRUE(ReadBytes(work.Path() / "ProgInfo_12.GAD") == cards);
    EXPECT_EQ(ReadBytes(work.Path() / "ProgInfo_12.GAD.lock"), "");
    EXPECT_EQ(FileNames(work.Path()),
              (std::vector<std::string>{"ProgInfo_12.GAD", "ProgInfo_12.GAD.lock"}));
    EXPECT_TRUE(ReadBytes(there("clientB.GAD")) == cards);
    EXPECT_EQ(Run({"export-csv", there("clientB.csv")}).exitCode, 0) << "any other file";
    EXPECT_EQ(Run({"export-csv", there("clientB.csv")}).exitCode, 0) << "a CSV is no database";
}

// A link that leads nowhere is no database: said, and nothing is made at its end.
TEST_F(CliCards, ADatabaseLinkThatLeadsNowhereIsSaid) {
    const auto file = work.Path() / "ProgInfo_12.GAD";
    std::filesystem::create_symlink("gone.gad", file);
    ProgramResult run = Run({"list"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err,
              "gsmprog-cli: внимание: " + file.string() +
                  " — символическая ссылка на несуществующий файл gone.gad: карточек нет, и "
                  "записать базу через эту ссылку нельзя\n");
    std::filesystem::remove(file);
    std::filesystem::create_symlink("ProgInfo_12.GAD", file);
    run = Run({"program", "1", "--cable", "NONE"});
    EXPECT_NE(run.err.find(file.string() + " — символическая ссылка, замкнутая в кольцо"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(FileNames(work.Path()), std::vector<std::string>{"ProgInfo_12.GAD"});
}

// What keeps a folder or a database from being read is told with the system's reason.
TEST_F(CliCards, UnreadableFolderOrDatabaseGivesTheReason) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs to run the command as another user";
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    ::chmod((work.Path() / "ProgInfo_12.GAD").c_str(), 0);
    const std::vector<std::string> nobody{
        "--reuid=65534",      "--regid=65534", "--clear-groups", CliProgram().string(), "-C",
        work.Path().string(), "list"};
    ::chmod(work.Path().c_str(), 0755);
    ProgramResult run = RunProgram("/usr/bin/setpriv", nobody);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "gsmprog-cli: не удалось открыть файл ProgInfo_12.GAD: нет прав доступа\n");
    ::chmod(work.Path().c_str(), 0700);
    run = RunProgram("/usr/bin/setpriv", nobody);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.rfind("gsmprog-cli: не удалось перейти в каталог " + work.Path().string() +
                                ": нет прав доступа\n",
                            0),
              0u)
        << run.err;
}

TEST_F(CliCards, OutputThatCannotBeWrittenIsAFailure) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const std::string cli = CliProgram().string() + " -C '" + work.Path().string() + "' ";
    for (const char* command : {"list", "show 1"}) {
        const ProgramResult run = RunProgram("/bin/sh", {"-c", cli + command + " > /dev/full"});
        EXPECT_EQ(run.exitCode, 4) << command;
        EXPECT_NE(run.err.find("Ошибка записи на диск"), std::string::npos) << command << run.err;
    }
}

TEST_F(CliCards, WorkingDirectoryThatNoLongerExistsIsNoCrash) {
    const auto gone = work.Path() / "gone";
    std::filesystem::create_directory(gone);
    const auto back = std::filesystem::current_path();
    ASSERT_EQ(::chdir(gone.c_str()), 0);
    std::filesystem::remove(gone);
    const ProgramResult list = RunProgram(CliProgram(), {"list"});
    const ProgramResult show = RunProgram(CliProgram(), {"show", "1"});
    std::filesystem::current_path(back);
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "");
    EXPECT_EQ(show.exitCode, 0) << show.err;
    EXPECT_EQ(show.out, "empty\n");
}

}  // namespace
}  // namespace gsmprog
