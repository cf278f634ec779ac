// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Several programs on one card database: gsmprog-cli commands programming virtual modems at
// once, and commands whose result could not be stored because another program writes the
// database or the disk cannot take it.

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "cards/card_database.h"
#include "cards/card_files.h"
#include "cards/database_lock.h"
#include "support/vmodem_process.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;

std::string IdLine(std::uint16_t id) {
    char text[32];
    std::snprintf(text, sizeof text, "ProgID1=%04X\n", unsigned(id));
    return text;
}

class SharedDatabase : public ::testing::Test {
protected:
    SharedDatabase() {
        auto database = std::make_unique<CardDatabase>(work_.Path());
        for (int slot = 0; slot < 2; ++slot) {
            CardRecord& card = database->cards[std::size_t(slot)];
            std::snprintf(card.NCardEdit, sizeof card.NCardEdit, "%d", 100 + slot);
            card.DateChanged = 45000.25;
            card.VersionCombo = 1;
        }
        if (!database->SaveDatabase()) ADD_FAILURE() << "cannot write the database";
    }
    VmodemProcess& AddModem(const std::string& serial) {
        VmodemSetup setup;
        setup.serial = serial;
        setup.args = {"--image", Image(serial).string()};
        setup.runtimeDir = runtime_.Path();
        modems_.push_back(std::make_unique<VmodemProcess>(setup));
        EXPECT_TRUE(modems_.back()->Started()) << modems_.back()->Log();
        return *modems_.back();
    }
    fs::path Image(const std::string& serial) const { return work_.Path() / (serial + ".img"); }
    // The ID the modem holds: the CRC at the end of the image written into it.
    std::uint16_t ModemId(const std::string& serial) const {
        const std::string image = ReadBytes(Image(serial));
        return image.size() < 2 ? 0
                                : std::uint16_t(std::uint8_t(image[image.size() - 2]) |
                                                std::uint8_t(image[image.size() - 1]) << 8);
    }
    std::vector<std::string> Args(std::vector<std::string> args) const {
        args.insert(args.begin(), {"-C", work_.Path().string()});
        return args;
    }
    std::map<std::string, std::string> Env() const {
        return {{"XDG_RUNTIME_DIR", runtime_.Path().string()}, {"LC_ALL", "C.UTF-8"}};
    }
    std::uint16_t StoredId(int slot) const {
        auto database = std::make_unique<CardDatabase>(work_.Path());
        database->LoadDatabase();
        return database->cards[std::size_t(slot)].ProgID1;
    }
    std::string Database() const {
        return ReadBytes(work_.Path() / CardDatabase::DatabaseFileName);
    }

    TempDir work_;
    TempDir runtime_;
    std::vector<std::unique_ptr<VmodemProcess>> modems_;
};

TEST_F(SharedDatabase, CommandsProgrammingTwoModemsAtOnceLoseNoIdentifier) {
    AddModem("FLEET1");
    AddModem("FLEET2");
    for (int round = 0; round < 10; ++round) {
        ChildProcess first(CliProgram(), Args({"program", "1", "--cable", "FLEET1"}), Env());
        ChildProcess second(CliProgram(), Args({"program", "2", "--cable", "FLEET2"}), Env());
        const ProgramResult one = first.Wait(), two = second.Wait();
        ASSERT_EQ(one.exitCode, 0) << one.err;
        ASSERT_EQ(two.exitCode, 0) << two.err;
        EXPECT_EQ(one.out, IdLine(ModemId("FLEET1")));
        EXPECT_EQ(two.out, IdLine(ModemId("FLEET2")));
        ASSERT_EQ(IdLine(StoredId(0)), one.out) << "round " << round;
        ASSERT_EQ(IdLine(StoredId(1)), two.out) << "round " << round;
    }
}

TEST_F(SharedDatabase, AModemIsNotTouchedWhenTheDiskCouldNotTakeItsResult) {
    AddModem("VMODEM1");
    const std::string database = Database();
    // A disk without room for a new database (a file size limit stands in for a full disk).
    const ProgramResult full =
        RunProgram("/bin/sh",
                   {"-c", "trap '' XFSZ; ulimit -f 2000; exec \"$0\" \"$@\"", CliProgram().string(),
                    "-C", work_.Path().string(), "program", "1"},
                   Env());
    EXPECT_EQ(full.exitCode, 4);
    EXPECT_NE(full.err.find("Ошибка записи на диск (" +
                            (work_.Path() / CardDatabase::DatabaseFileName).string() +
                            "): файл больше допустимого размера. Модем не программировался"),
              std::string::npos)
        << full.err;
    EXPECT_FALSE(fs::exists(Image("VMODEM1"))) << "nothing was written into the modem";
    EXPECT_EQ(Database(), database);
}

TEST_F(SharedDatabase, AnIdThatCouldNotBeStoredAfterTheExchangeIsPrinted) {
    VmodemProcess& modem = AddModem("VMODEM1");
    const std::string database = Database();
    ::kill(modem.Pid(), SIGSTOP);  // the command waits in its handshake
    ChildProcess program(CliProgram(), Args({"program", "1"}), Env());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    DatabaseLock window(work_.Path());  // a window opens the database meanwhile
    ASSERT_EQ(window.Take("gsmprog"), DatabaseLock::Outcome::Taken);
    ::kill(modem.Pid(), SIGCONT);
    const ProgramResult run = program.Wait();
    EXPECT_EQ(run.exitCode, 4);
    const std::string id = IdLine(ModemId("VMODEM1"));
    EXPECT_EQ(run.out, id);
    EXPECT_NE(run.err.find("gsmprog-cli: Модем запрограммирован, но его новый ID (" +
                           id.substr(0, id.size() - 1) +
                           ") не записан в базу карточек: База карточек уже открыта: gsmprog на "),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Database(), database);
}

// A database cut by another program while a command programs a modem: told as changed
// meanwhile, not as a card someone removed, and nothing is saved over it.
TEST_F(SharedDatabase, ADatabaseCutDuringTheExchangeIsToldAndNotSavedOver) {
    VmodemProcess& modem = AddModem("VMODEM1");
    const fs::path database = fs::canonical(work_.Path()) / CardDatabase::DatabaseFileName;
    ::kill(modem.Pid(), SIGSTOP);  // the command waits in its handshake
    ChildProcess program(CliProgram(), Args({"program", "1"}), Env());
    // Its lock file appears once the command has read the database and checked it may store.
    for (ProgramResult early; !fs::exists(fs::path(database) += ".lock");)
        ASSERT_FALSE(program.Wait(std::chrono::milliseconds(1), early)) << early.err;
    fs::resize_file(database, 100000);
    ::kill(modem.Pid(), SIGCONT);
    const ProgramResult run = program.Wait();
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("не записан в базу карточек: файл базы карточек изменился во время "
                           "работы программы: файл " +
                           database.string() +
                           " не прочитан: его размер 100000 байт не подходит ни к одному "
                           "формату базы карточек\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(fs::file_size(database), 100000u);
}

// A second name of the database in another folder keeps the old file from the first save on:
// the save says so, and what to do instead.
TEST_F(SharedDatabase, ASaveThatSplitsHardLinkedDatabasesSaysSo) {
    AddModem("VMODEM1");
    TempDir other;
    const fs::path database = fs::canonical(work_.Path()) / CardDatabase::DatabaseFileName;
    fs::create_hard_link(database, other.Path() / CardDatabase::DatabaseFileName);
    const std::string before = Database();
    const ProgramResult run = RunProgram(CliProgram(), Args({"program", "1"}), Env());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "gsmprog-cli: внимание: " + database.string() + ": " +
                           CardDatabase::HardLinksText + "\n");
    EXPECT_TRUE(ReadBytes(other.Path() / CardDatabase::DatabaseFileName) == before);
    EXPECT_FALSE(Database() == before);
}

}  // namespace
}  // namespace gsmprog::test
