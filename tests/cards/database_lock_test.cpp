// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The right to write a database directory: one holder at a time, named to the others, free again
// the moment its holder dies.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <functional>
#include <memory>

#include "cards/card_database.h"
#include "cards/card_files.h"
#include "support/child_process.h"
#include "support/sample_cards.h"
#include "cards/database_lock.h"

namespace gsmprog {
namespace {

using namespace gsmprog::test;
using Outcome = DatabaseLock::Outcome;
namespace fs = std::filesystem;

constexpr uid_t Nobody = 65534;

// Holds the kernel lock of `file` as a holder that has not written its name yet.
class BareHolder {
public:
    explicit BareHolder(const fs::path& file) : fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {
        locked_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~BareHolder() { ::close(fd_); }
    bool Locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
};

TEST(DatabaseLock, OneHolderAtATimeNamedToTheOthers) {
    TempDir dir;
    DatabaseLock window(dir.Path()), command(dir.Path());
    ASSERT_EQ(window.Take("gsmprog"), Outcome::Taken);
    ASSERT_EQ(command.Take("gsmprog-cli"), Outcome::Held);
    EXPECT_EQ(command.Holder().pid, long(::getpid()));
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char time[8];
    std::strftime(time, sizeof time, "%H:%M", &local);
    EXPECT_EQ(command.Refusal(), std::string("База карточек уже открыта: gsmprog на ") + host +
                                     ", пользователь " + ::getpwuid(::geteuid())->pw_name + ", с " +
                                     time);

    window.Release();
    EXPECT_EQ(command.Take("gsmprog-cli"), Outcome::Taken);
    EXPECT_EQ(window.Take("gsmprog"), Outcome::Held);
    EXPECT_EQ(window.Holder().program, "gsmprog-cli");
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"ProgInfo_12.GAD.lock"});
}

TEST(DatabaseLock, IsFreeTheMomentItsHolderIsKilled) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        EndForkedChild([&] {
            DatabaseLock lock(dir.Path());
            const char taken = lock.Take("gsmprog") == Outcome::Taken ? 'y' : 'n';
            if (::write(ready[1], &taken, 1) != 1) return 1;
            ::pause();
            return 0;
        });
    }
    char taken = 0;
    ASSERT_EQ(::read(ready[0], &taken, 1), 1);
    ASSERT_EQ(taken, 'y');
    DatabaseLock lock(dir.Path());
    EXPECT_EQ(lock.Take("gsmprog-cli"), Outcome::Held);
    EXPECT_EQ(lock.Holder().pid, long(holder));
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(lock.Take("gsmprog-cli"), Outcome::Taken) << "no stale lock";
    ::close(ready[0]);
    ::close(ready[1]);
}

// Anything but a regular file of the user's, with no other name, is refused under the lock
// file's name, and nothing is written: not the file a planted link leads to, not the database.
TEST(DatabaseLock, PlantedLockFilesAreRefusedAndNothingIsWritten) {
    struct Plant {
        std::function<void(const fs::path& lock, const fs::path& database)> make;
        std::string reason;
    };
    const std::vector<Plant> plants{
        {[](auto& lock, auto& database) { fs::create_symlink(database.filename(), lock); },
         "это символическая ссылка, а не обычный файл"},
        {[](auto& lock, auto&) { fs::create_symlink("/nonexistent-target", lock); },
         "это символическая ссылка, а не обычный файл"},
        {[](auto& lock, auto& database) { fs::create_hard_link(database, lock); },
         "у файла есть другие имена (жёсткие ссылки)"},
        {[](auto& lock, auto&) { fs::create_directory(lock); }, "это каталог, а не обычный файл"},
        {[](auto& lock, auto&) { ::mkfifo(lock.c_str(), 0666); },
         "это именованный канал, а не обычный файл"},
    };
    for (const Plant& plant : plants) {
        TempDir dir;
        const fs::path database = dir.Path() / "ProgInfo_12.GAD",
                       lock = dir.Path() / "ProgInfo_12.GAD.lock";
        const std::string cards = Gen12File(9000, PatternCard(900));
        WriteBytes(database, cards);
        plant.make(lock, database);
        DatabaseLock taker(dir.Path());
        EXPECT_EQ(taker.Take("gsmprog"), Outcome::Failed) << plant.reason;
        EXPECT_EQ(taker.Refusal(), "Файл блокировки базы карточек " + lock.string() +
                                       " не подходит: " + plant.reason);
        EXPECT_TRUE(ReadBytes(database) == cards) << plant.reason;
        EXPECT_FALSE(fs::exists("/nonexistent-target"));
    }
}

// A group folder: a lock file another member left writable to the group serves everyone in
// it; one only its owner may write is refused, naming the owner.
TEST(DatabaseLock, AnotherUsersLockFileServesOnlyThroughTheirGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs to give a file to another user";
    TempDir dir;
    const fs::path lock = dir.Path() / "ProgInfo_12.GAD.lock";
    WriteBytes(lock, "");
    ASSERT_EQ(::chown(lock.c_str(), Nobody, ::getegid()), 0);
    ::chmod(lock.c_str(), 0664);
    DatabaseLock shared(dir.Path());
    EXPECT_EQ(shared.Take("gsmprog"), Outcome::Taken) << shared.Refusal();
    shared.Release();
    ::chmod(lock.c_str(), 0644);
    DatabaseLock foreign(dir.Path());
    EXPECT_EQ(foreign.Take("gsmprog"), Outcome::Failed);
    EXPECT_NE(foreign.Refusal().find("не подходит: файл принадлежит пользователю " +
                                     std::string(::getpwuid(Nobody)->pw_name)),
              std::string::npos)
        << foreign.Refusal();
}

// A lock file made while the database was read-only: the database made writable again, its
// writers take the lock; one whose lock file stays read-only takes it all the same.
TEST(DatabaseLock, ALockFileMadeBesideAReadOnlyDatabaseStillServes) {
    TempDir dir;
    const fs::path database = dir.Path() / "ProgInfo_12.GAD",
                   lock = dir.Path() / "ProgInfo_12.GAD.lock";
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.Path().c_str(), Nobody, Nobody), 0);
    }
    const int status = InForkedChild([&] {
        if (::geteuid() == 0 && (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)) return 9;
        ::umask(022);
        WriteBytes(database, "");
        ::chmod(database.c_str(), 0444);
        if (DatabaseLock(dir.Path()).Take("gsmprog") != Outcome::Taken) return 1;
        ::chmod(database.c_str(), 0664);
        DatabaseLock again(dir.Path());
        if (again.Take("gsmprog") != Outcome::Taken) return 2;
        struct stat info {};
        ::stat(lock.c_str(), &info);
        if ((info.st_mode & 0777) != 0664) return 3;  // as writable as the database now
        again.Release();
        ::chmod(lock.c_str(), 0444);
        DatabaseLock readOnly(dir.Path());
        return readOnly.Take("gsmprog") == Outcome::Taken ? 0 : 4;
    });
    EXPECT_EQ(status, 0);
}

// Whether the database is held is the kernel lock's word alone: a name left in the file by a
// holder that closed or was killed is never shown for a holder that has not named itself yet.
TEST(DatabaseLock, OnlyAHolderThatReallyHoldsItIsNamed) {
    TempDir dir;
    const fs::path lock = dir.Path() / "ProgInfo_12.GAD.lock";
    DatabaseLock window(dir.Path()), command(dir.Path());
    ASSERT_EQ(window.Take("gsmprog"), Outcome::Taken);
    window.Release();  // the window closes ...
    {
        BareHolder next(lock);  // ... and the next holder has the lock, not yet its name
        ASSERT_TRUE(next.Locked());
        EXPECT_EQ(command.Take("gsmprog-cli"), Outcome::Held);
        EXPECT_EQ(command.Holder().pid, 0);
        EXPECT_EQ(command.Refusal(), "База карточек уже открыта другой программой");
    }
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    WriteBytes(lock, "program=gsmprog\nhost=" + std::string(host) + "\nuser=u\npid=" +
                         std::to_string(gone) + "\nsince=1700000000\n");  // a window killed
    {
        BareHolder next(lock);
        EXPECT_EQ(command.Take("gsmprog-cli"), Outcome::Held);
        EXPECT_EQ(command.Holder().pid, 0) << "the killed window is not named";
    }
    EXPECT_EQ(command.Take("gsmprog-cli"), Outcome::Taken) << "a name without a lock holds nothing";
}

// In a folder others may write, another user's link under a database's name is not
// followed: the user's file it leads to is neither read nor written, nothing is made beside it
// nor in the folder, and the refusal names the link's owner. The folder owner's link is.
TEST(DatabaseLock, AnotherUsersDatabaseLinkInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs a link of another user";
    for (const auto& [shared, name] : {std::pair<mode_t, const char*>{02775, "ProgInfo_12.GAD"},
                                       std::pair<mode_t, const char*>{01777, "ProgInfo_11.GAD"}}) {
        TempDir folder, home;
        ::chmod(folder.Path().c_str(), shared);
        ::chmod(home.Path().c_str(), 0700);
        const fs::path mine = home.Path() / "clientA.GAD", link = folder.Path() / name;
        const std::string cards = Gen12File(3, PatternCard(900));
        WriteBytes(mine, cards);
        ::chmod(mine.c_str(), 0644);
        fs::create_symlink(mine, link);
        ASSERT_EQ(::lchown(link.c_str(), Nobody, Nobody), 0);
        auto database = std::make_unique<CardDatabase>(folder.Path());
        EXPECT_FALSE(database->LoadDatabase());
        EXPECT_EQ(database->LastLoadState(), CardDatabase::LoadState::BrokenLink);
        EXPECT_FALSE(database->cards[0].InUse());
        DatabaseLock lock(folder.Path());
        EXPECT_EQ(lock.Take("gsmprog"), Outcome::Failed);
        EXPECT_EQ(lock.Refusal(),
                  "Базу карточек нельзя открыть для записи: " + link.string() +
                      " — символическая ссылка пользователя " + ::getpwuid(Nobody)->pw_name +
                      " в папке, куда могут писать другие; там программа переходит только по "
                      "своим ссылкам и ссылкам владельца папки");
        EXPECT_FALSE(database->SaveDatabase());
        EXPECT_TRUE(ReadBytes(mine) == cards);
        struct stat info {};
        ::stat(mine.c_str(), &info);
        EXPECT_EQ(info.st_mode & 07777, 0644u);
        EXPECT_EQ(FileNames(home.Path()), std::vector<std::string>{"clientA.GAD"});
        EXPECT_EQ(FileNames(folder.Path()), std::vector<std::string>{name});
        ASSERT_EQ(::chown(folder.Path().c_str(), Nobody, Nobody), 0);
        EXPECT_TRUE(database->LoadDatabase()) << "the folder owner's link";
    }
}

// Two folders whose ProgInfo_12.GAD link to one file share one lock: two processes updating
// the file through them in turn lose no update.
TEST(DatabaseLock, OneFileReachedThroughLinksHasOneLock) {
    TempDir shared, first, second;
    WriteBytes(shared.Path() / "cards.gad", Gen12File(2, PatternCard(900)));
    for (const TempDir* link : {&first, &second})
        fs::create_symlink(shared.Path() / "cards.gad", link->Path() / "ProgInfo_12.GAD");
    constexpr int Rounds = 40;
    auto updater = [&](const fs::path& folder, int slot) {
        const pid_t child = ::fork();
        if (child != 0) return child;
        EndForkedChild([&] {
            auto database = std::make_unique<CardDatabase>(folder);
            for (int round = 0; round < Rounds; ++round) {
                DatabaseLock lock(folder);
                while (lock.Take("gsmprog-cli") == Outcome::Held) ::usleep(1000);
                if (!lock.Taken()) return 1;
                database->LoadDatabase();
                ++database->cards[std::size_t(slot)].ProgID1;
                if (!database->SaveDatabase()) return 2;
            }
            return 0;
        });
    };
    const pid_t one = updater(first.Path(), 0), two = updater(second.Path(), 1);
    for (const pid_t child : {one, two}) {
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ASSERT_TRUE(fs::is_symlink(first.Path() / "ProgInfo_12.GAD"));
    EXPECT_EQ(FileNames(shared.Path()), (std::vector<std::string>{"cards.gad", "cards.gad.lock"}));
    auto read = std::make_unique<CardDatabase>(first.Path());
    read->LoadDatabase();
    const std::uint16_t first1 = read->cards[0].ProgID1,
                        second1 = read->cards[1].ProgID1;  // packed
    EXPECT_EQ(first1, std::uint16_t(PatternCard(1).ProgID1 + Rounds));
    EXPECT_EQ(second1, std::uint16_t(PatternCard(2).ProgID1 + Rounds));
}

}  // namespace
}  // namespace gsmprog
