#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "cards/card_dates.h"
#include "cards/card_files.h"
#include "support/child_process.h"
#include "cards/csv_export.h"

namespace gsmprog {
namespace {

using namespace gsmprog::test;

// Row 1: a card with every kind of field set.
CardRecord FullCard() {
    CardRecord c{};
    std::strcpy(c.NCardEdit, "17");
    std::strcpy(c.Edit1, "\xD1\xEA\xEB\xE0\xE4");           // Склад
    std::strcpy(c.FIOEdit, "\xF3\xEB. \xCB\xE5\xED\xE8\xED\xE0, 1");  // ул. Ленина, 1
    std::strcpy(c.RemarkEdit, "\xB9 5");                    // № 5
    const std::uint32_t codes[4] = {12, 99, 345, 0xFFFFFFFFu};
    std::memcpy(c.UoCode, codes, sizeof codes);
    const std::uint8_t addresses[4] = {2, 0, 15, 7}, types[4] = {1, 0, 2, 0};
    std::memcpy(c.UoLineAddress, addresses, 4);
    std::memcpy(c.UoType, types, 4);
    std::strcpy(c.Pin1Edit, "1234");
    std::strcpy(c.Pin2Edit, "0000");
    std::strcpy(c.Ip1GsmEdit, "10.0.0.1");
    std::strcpy(c.Ip2GsmEdit, "station.example");
    std::strcpy(c.Port1GsmEdit, "5001");
    std::strcpy(c.Port2GsmEdit, "65535");
    std::strcpy(c.APN1Edit, "internet");
    std::strcpy(c.APN2Edit, "apn2");
    std::strcpy(c.LoginGsm1Edit, "gdata");
    std::strcpy(c.LoginGsm2Edit, "l2");
    std::strcpy(c.PassGsm1Edit, "p1");
    std::strcpy(c.PassGsm2Edit, "p2");
    c.UpdateFlags = 0x30;
    c.SmsFlags = 0x85;
    std::strcpy(c.smsNumber1Edit, "79001234567");
    std::strcpy(c.smsNumber2Edit, "");
    std::strcpy(c.smsObjNameEdit, "\xC4\xEE\xEC");  // Дом
    std::strcpy(c.ipUpdateEdit, "upd.example");
    std::strcpy(c.portParamsEdit, "7000");
    std::strcpy(c.portUpdateEdit, "7001");
    std::strcpy(c.balCodeSim1, "*100#");
    std::strcpy(c.balCodeSim2, "#102#");
    c.balCritical = 0;
    c.BalanceFlags = 3;
    std::strcpy(c.PUK1_Edit, "11112222");
    std::strcpy(c.Number1_Edit, "+79000000001");
    std::strcpy(c.SIM_ID1_Edit, "8970100");
    c.DateChanged = DaysFromDate({2024, 2, 29, 13, 45, 7, 0});
    c.DateProgrammed = 0;
    c.ProgID1 = 0xBEEF;
    c.ProgID2 = 0x00A1;
    std::strcpy(c.PUK2_Edit, "33334444");
    std::strcpy(c.Number2_Edit, "+79000000002");
    std::strcpy(c.SIM_ID2_Edit, "8970200");
    c.VersionCombo = 1;
    const std::uint8_t guard[4] = {0x07, 0, 0x3F, 0}, fire[4] = {0x08, 0, 0, 0}, modes[4] = {0x2A, 0, 2, 0};
    std::memcpy(c.UoGuardCords, guard, 4);
    std::memcpy(c.UoFireCords, fire, 4);
    std::memcpy(c.UoModes, modes, 4);
    const std::uint16_t spare[4] = {1, 0, 65535, 0};
    std::memcpy(c.UoSpare, spare, sizeof spare);
    return c;
}

const char* FullCardShown =
    "NCardEdit=17\n"
    "Edit1=Склад\n"
    "FIOEdit=ул. Ленина, 1\n"
    "RemarkEdit=№ 5\n"
    "UoCode=12,99,345,4294967295\n"
    "UoLineAddress=2,0,15,7\n"
    "UoType=1,0,2,0\n"
    "Pin1Edit=1234\n"
    "Pin2Edit=0000\n"
    "Ip1GsmEdit=10.0.0.1\n"
    "Ip2GsmEdit=station.example\n"
    "Port1GsmEdit=5001\n"
    "Port2GsmEdit=65535\n"
    "APN1Edit=internet\n"
    "APN2Edit=apn2\n"
    "LoginGsm1Edit=gdata\n"
    "LoginGsm2Edit=l2\n"
    "PassGsm1Edit=p1\n"
    "PassGsm2Edit=p2\n"
    "UpdateFlags=48\n"
    "SmsFlags=133\n"
    "smsNumber1Edit=79001234567\n"
    "smsNumber2Edit=\n"
    "smsObjNameEdit=Дом\n"
    "ipUpdateEdit=upd.example\n"
    "portParamsEdit=7000\n"
    "portUpdateEdit=7001\n"
    "balCodeSim1=*100#\n"
    "balCodeSim2=#102#\n"
    "balCritical=0\n"
    "BalanceFlags=3\n"
    "PUK1_Edit=11112222\n"
    "Number1_Edit=+79000000001\n"
    "SIM_ID1_Edit=8970100\n"
    "DateChanged=2024-02-29 13:45:07\n"
    "DateProgrammed=\n"
    "ProgID1=BEEF\n"
    "ProgID2=00A1\n"
    "PUK2_Edit=33334444\n"
    "Number2_Edit=+79000000002\n"
    "SIM_ID2_Edit=8970200\n"
    "VersionCombo=1\n"
    "UoGuardCords=7,0,63,0\n"
    "UoFireCords=8,0,0,0\n"
    "UoModes=42,0,2,0\n"
    "UoSpare=1,0,65535,0\n";

class CliCards : public ::testing::Test {
protected:
    TempDir work;  // the -C directory with the database
    std::vector<CardRecord> slots = std::vector<CardRecord>(9000);

    CliCards() {
        slots[0] = FullCard();
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
        return file + Bytes(SampleCard(900));
    }

    ProgramResult Run(std::vector<std::string> args, const std::map<std::string, std::string>& env = {}) {
        args.insert(args.begin(), {"-C", work.Path().string()});
        return RunProgram(CliProgram(), args, env);
    }
};

const char* ListOfCards =
    "1\t12 + 345\t17\tСклад\t2024-02-29 13:45:07\t\n"
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
    WriteBytes(work.Path() / "ProgInfo_11.GAD", file + Gen11Block(SampleCard(900)));
    const ProgramResult run = Run({"list"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "1\t12 + 345\t17\tСклад\t2024-02-29 13:45:07\t\n"
              "3\t\t\tB\t2023-03-15 18:00:00\t2023-03-16 12:00:00\n");
    const ProgramResult shown = Run({"show", "1"});
    EXPECT_NE(shown.out.find("\nbalCodeSim1=\nbalCodeSim2=\nbalCritical=0\nBalanceFlags=0\n"),
              std::string::npos)
        << "generation 11 has no balance fields\n" << shown.out;
}

TEST_F(CliCards, ShowPrintsEveryStoredFieldOfTheRow) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const ProgramResult run = Run({"show", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, FullCardShown);

    const ProgramResult last = Run({"show", "9000"});
    EXPECT_NE(last.out.find("\nUoCode=4294967295,0,0,0\n"), std::string::npos) << last.out;
    EXPECT_NE(last.out.find("\nDateChanged=1899-12-30 00:01:26\nDateProgrammed=\nProgID1=0000\n"),
              std::string::npos) << last.out;
}

// A text can hold any byte but zero: escaped, it stays in its column and on its line.
TEST_F(CliCards, ControlCharactersInTextsAreEscaped) {
    CardRecord& card = slots[1];
    std::strcpy(card.NCardEdit, "1\t2");
    std::strcpy(card.Edit1, "a\nb\rc\\d\x01\x7F\x98\xC4");   // 0x98 is no Windows-1251 letter
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
    const ProgramResult noFile = RunProgram(CliProgram(), {"-C", empty.Path().string(), "show", "1"});
    EXPECT_EQ(noFile.exitCode, 0);
    EXPECT_EQ(noFile.out, "empty\n");
}

TEST_F(CliCards, BadRowsAndUsageAreRefusedWithStatus2) {
    WriteBytes(work.Path() / "ProgInfo_12.GAD", Gen12());
    const std::vector<std::vector<std::string>> bad = {
        {"show", "0"},  {"show", "9001"}, {"show", "-1"}, {"show", "1x"}, {"show", ""},
        {"show", " 1"}, {"show"},         {"show", "1", "2"}, {"list", "1"}, {"export-csv"},
        {"frobnicate"}, {},
    };
    for (const auto& args : bad) {
        const ProgramResult run = Run(args);
        std::string joined;
        for (const auto& arg : args) joined += "[" + arg + "]";
        EXPECT_EQ(run.exitCode, 2) << joined;
        EXPECT_EQ(run.out, "") << joined;
        EXPECT_NE(run.err, "") << joined;
    }
    for (const char* wrong : {"frobnicate", "--frobnicate"})
        EXPECT_NE(Run({wrong}).err.find("\nИспользование: gsmprog-cli"), std::string::npos) << wrong;
    const ProgramResult noDir = RunProgram(CliProgram(), {"-C", (work.Path() / "missing").string(), "list"});
    EXPECT_EQ(noDir.exitCode, 2);
    EXPECT_NE(noDir.err.find("missing"), std::string::npos) << noDir.err;
}

TEST_F(CliCards, HelpGoesToStdoutWithEveryCommandAndTheExitStatuses) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}, {"show", "--help"}}) {
        const ProgramResult run = Run(args);
        EXPECT_EQ(run.exitCode, 0) << args[0];
        EXPECT_EQ(run.err, "") << args[0];
        EXPECT_EQ(run.out.rfind("Использование: gsmprog-cli", 0), 0u) << run.out;
        for (const char* part : {"\n  list ", "\n  show СТРОКА ", "\n  export-csv ФАЙЛ ", "\n  cables ",
                                 "\n  program СТРОКА [КАБЕЛЬ] ", "\n  read [--image ФАЙЛ] [КАБЕЛЬ]\n",
                                 "\n  write-uo СТРОКА УОО [КАБЕЛЬ]\n", "\n  status [КАБЕЛЬ] ",
                                 "\n  switch-sim [КАБЕЛЬ] ", "\n  monitor [--seconds СЕКУНДЫ] [КАБЕЛЬ]\n",
                                 "\n  --cable СЕРИЙНЫЙ_НОМЕР ", "\n  --port ПУТЬ ", "\n  130 "})
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
        "17;\xD1\xEA\xEB\xE0\xE4;12,NA,345,NA;2,NA,15,NA;1234;0000;8970100;8970200\r\n"
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
    EXPECT_NE(run.err.find("Ошибка записи на диск"), std::string::npos) << run.err;
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
        {Gen12File(9002, SampleCard(900)), "карточек больше 9000 (9002): прочитаны первые 9000"},
    };
    for (const auto& [bytes, reason] : cases) {
        WriteBytes(file, bytes);
        for (const auto& args : {std::vector<std::string>{"list"}, std::vector<std::string>{"show", "1"}}) {
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
    ProgramResult run = Run({"list"});   // a pipe would keep it waiting for a writer
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "gsmprog-cli: " + file.string() + " — именованный канал, а не файл базы карточек\n");
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    run = Run({"export-csv", "x.csv"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("каталог, а не файл базы карточек"), std::string::npos) << run.err;
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
