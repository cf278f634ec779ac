// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <functional>
#include <memory>
#include <vector>

#include "cards/card_database.h"
#include "cards/card_files.h"
#include "cards/file_writes.h"
#include "support/sample_cards.h"
#include "support/child_process.h"

namespace gsmprog {
namespace {

using namespace gsmprog::test;

constexpr std::size_t FullSize = 9001 * CardRecordSize;

// Runs `body` in a child process once `prepare` has set that process up; returns the child's
// exit status.
int InChild(const std::function<void()>& prepare, const std::function<int()>& body) {
    return InForkedChild([&] {
        prepare();
        return body();
    });
}

// ... whose files may not grow beyond `limit` bytes.
int WithFileSizeLimit(rlim_t limit, const std::function<int()>& body) {
    return InChild(
        [limit] {
            ::signal(SIGXFSZ, SIG_IGN);  // an oversized write then fails with EFBIG
            const rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
        },
        body);
}

// ... that obeys file permissions: run by root, it becomes the unprivileged user, who then
// owns `dir`.
int WithoutPrivileges(const std::filesystem::path& dir, const std::function<int()>& body) {
    return InChild(
        [&dir] {
            constexpr uid_t Nobody = 65534;
            if (::geteuid() == 0 && (::chown(dir.c_str(), Nobody, Nobody) != 0 ||
                                     ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
                ::_exit(3);
        },
        body);
}

class DatabaseSave : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<CardDatabase> db = std::make_unique<CardDatabase>(dir.Path());
    std::filesystem::path file = dir.Path() / "ProgInfo_12.GAD";
};

TEST_F(DatabaseSave, LoadThenSaveReproducesTheFileByteForByte) {
    const std::string original = Gen12File(9000, PatternCard(900));
    WriteBytes(file, original);
    ASSERT_TRUE(db->LoadDatabase());
    ASSERT_TRUE(db->SaveDatabase());
    EXPECT_TRUE(ReadBytes(file) == original);
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"ProgInfo_12.GAD"}) << "no leftovers";
}

TEST_F(DatabaseSave, ShortFileIsWrittenBackWithAll9001Blocks) {
    WriteBytes(file, Gen12File(100, PatternCard(900)));
    ASSERT_TRUE(db->LoadDatabase());
    ASSERT_TRUE(db->SaveDatabase());
    const std::string saved = ReadBytes(file);
    ASSERT_EQ(saved.size(), FullSize);
    EXPECT_TRUE(saved.substr(0, 100 * CardRecordSize) == Gen12File(99, PatternCard(100)));
    EXPECT_TRUE(saved.substr(100 * CardRecordSize, 8900 * CardRecordSize) ==
                std::string(8900 * CardRecordSize, '\0'));
    EXPECT_EQ(saved.substr(9000 * CardRecordSize), Bytes(PatternCard(900)));
}

TEST_F(DatabaseSave, Generation11IsConvertedIntoANewFileAndLeftUntouched) {
    const std::string old = Gen11File(10, PatternCard(900));
    WriteBytes(dir.Path() / "ProgInfo_11.GAD", old);
    ASSERT_TRUE(db->LoadDatabase());
    ASSERT_TRUE(db->SaveDatabase());
    EXPECT_EQ(ReadBytes(file).size(), FullSize);
    EXPECT_TRUE(ReadBytes(dir.Path() / "ProgInfo_11.GAD") == old);
    EXPECT_EQ(FileNames(dir.Path()),
              (std::vector<std::string>{"ProgInfo_11.GAD", "ProgInfo_12.GAD"}));
}

TEST_F(DatabaseSave, FailedWriteLeavesTheOldFileIntactAndIsReported) {
    const std::string original = Gen12File(9000, PatternCard(900));
    WriteBytes(file, original);
    const int status = WithFileSizeLimit(1 << 20, [&] {
        if (!db->LoadDatabase()) return 2;
        db->cards[5] = CardRecord{};
        return db->SaveDatabase() ? 0 : 1;
    });
    EXPECT_EQ(status, 1) << "SaveDatabase must report the failed write";
    EXPECT_TRUE(ReadBytes(file) == original);
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"ProgInfo_12.GAD"})
        << "temporary removed";
}

TEST_F(DatabaseSave, ReadOnlyFileIsNeitherReplacedNorWritten) {
    const std::string original = Gen12File(3, PatternCard(900));
    WriteBytes(file, original);
    ::chmod(file.c_str(), 0444);
    const int status = WithoutPrivileges(dir.Path(), [&] {
        if (!db->LoadDatabase()) return 2;
        return db->SaveDatabase() ? 0 : 1;
    });
    EXPECT_EQ(status, 1) << "SaveDatabase must report the refused write";
    EXPECT_TRUE(ReadBytes(file) == original);
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"ProgInfo_12.GAD"});
}

TEST_F(DatabaseSave, KeepsTheFilesAccessRightsAndFollowsALink) {
    TempDir elsewhere;
    const auto real = elsewhere.Path() / "cards.gad";
    WriteBytes(real, Gen12File(3, PatternCard(900)));
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, file);
    ASSERT_TRUE(db->LoadDatabase());
    db->cards[1] = CardRecord{};
    ASSERT_TRUE(db->SaveDatabase());
    EXPECT_TRUE(std::filesystem::is_symlink(file));
    EXPECT_EQ(ReadBytes(real).size(), FullSize);
    struct stat info {};
    ::stat(real.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// ProgInfo_12.GAD.unread-YYYYMMDD-HHMMSS
bool IsUnreadCopyName(const std::string& name) {
    const std::string prefix = "ProgInfo_12.GAD.unread-";
    if (!name.starts_with(prefix) || name.size() != prefix.size() + 15) return false;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const bool dash = i == prefix.size() + 8;
        if (dash ? name[i] != '-' : !std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

class UnreadFile : public DatabaseSave {
protected:
    std::vector<std::string> Copies() {
        std::vector<std::string> copies;
        for (const auto& name : FileNames(dir.Path()))
            if (name.starts_with("ProgInfo_12.GAD.unread-")) copies.push_back(name);
        return copies;
    }
};

TEST_F(UnreadFile, IsKeptOnceUnderATimeStampedNameBeforeTheFirstSave) {
    const std::string odd = Gen12File(100, PatternCard(900)) + "tail";  // fits neither format
    WriteBytes(file, odd);
    EXPECT_FALSE(db->LoadDatabase());
    EXPECT_TRUE(db->UnreadCopy().empty()) << "the load itself stays silent";
    EXPECT_EQ(Copies().size(), 0u);

    ASSERT_TRUE(db->SaveDatabase());
    const auto copies = Copies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_TRUE(IsUnreadCopyName(copies[0])) << copies[0];
    EXPECT_EQ(db->UnreadCopy(), dir.Path() / copies[0]);
    EXPECT_TRUE(ReadBytes(dir.Path() / copies[0]) == odd);
    EXPECT_EQ(ReadBytes(file).size(), FullSize);

    ASSERT_TRUE(db->SaveDatabase());
    EXPECT_EQ(Copies().size(), 1u) << "only before the first save";
}

TEST_F(UnreadFile, AnEarlierCopyIsNeverOverwritten) {
    WriteBytes(file, "first");
    db->LoadDatabase();
    ASSERT_TRUE(db->SaveDatabase());
    WriteBytes(file, "second");
    db->LoadDatabase();
    ASSERT_TRUE(db->SaveDatabase());
    const auto copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    std::vector<std::string> contents{ReadBytes(dir.Path() / copies[0]),
                                      ReadBytes(dir.Path() / copies[1])};
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"first", "second"}));
}

TEST_F(UnreadFile, MoreThan9000CardsAreKeptBeforeTheyAreCutTo9000) {
    const std::string big = Gen12File(9002, PatternCard(900));
    WriteBytes(file, big);
    EXPECT_FALSE(db->LoadDatabase());
    ASSERT_TRUE(db->SaveDatabase());
    ASSERT_EQ(Copies().size(), 1u);
    EXPECT_TRUE(ReadBytes(dir.Path() / Copies()[0]) == big);
}

TEST_F(UnreadFile, NoCopyAfterACompleteLoadOrOfAGeneration11File) {
    WriteBytes(file, Gen12File(5, PatternCard(900)));
    ASSERT_TRUE(db->LoadDatabase());
    ASSERT_TRUE(db->SaveDatabase());
    EXPECT_EQ(Copies().size(), 0u);

    TempDir other;
    const std::string old = Gen11File(5, PatternCard(900)) + "x";  // unreadable, but never written
    WriteBytes(other.Path() / "ProgInfo_11.GAD", old);
    auto fromOld = std::make_unique<CardDatabase>(other.Path());
    EXPECT_FALSE(fromOld->LoadDatabase());
    ASSERT_TRUE(fromOld->SaveDatabase());
    EXPECT_EQ(FileNames(other.Path()),
              (std::vector<std::string>{"ProgInfo_11.GAD", "ProgInfo_12.GAD"}));
    EXPECT_TRUE(ReadBytes(other.Path() / "ProgInfo_11.GAD") == old);
}

// Kept beside the file a link leads to and named after it, with its rights: a copy in the
// link's folder would be read by whoever may read there.
TEST_F(UnreadFile, IsKeptBesideTheFileALinkLeadsTo) {
    TempDir elsewhere;
    const auto real = elsewhere.Path() / "clientA.GAD";
    const std::string many = Gen12File(9001, PatternCard(900));
    WriteBytes(real, many);
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, file);
    EXPECT_FALSE(db->LoadDatabase());
    ASSERT_TRUE(db->SaveDatabase());
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"ProgInfo_12.GAD"});
    const auto names = FileNames(elsewhere.Path());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(db->UnreadCopy(), elsewhere.Path() / names[1]);
    EXPECT_TRUE(names[1].starts_with("clientA.GAD.unread-")) << names[1];
    EXPECT_TRUE(ReadBytes(db->UnreadCopy()) == many);
    struct stat info {};
    ::stat(db->UnreadCopy().c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// Where the file cannot get a second name (here the copy is on another file system), it is
// copied aside: whole or not at all, and readable by no one the original is not.
TEST_F(UnreadFile, IsCopiedWholeOrNotAtAllWhereItCannotBeLinked) {
    char shm[] = "/dev/shm/gsmprog-unread-XXXXXX";
    if (!::mkdtemp(shm)) GTEST_SKIP() << "no /dev/shm";
    const std::filesystem::path elsewhere = shm;
    struct stat here {
    }, there{};
    ::stat(dir.Path().c_str(), &here);
    ::stat(elsewhere.c_str(), &there);
    if (here.st_dev == there.st_dev) {
        std::filesystem::remove_all(elsewhere);
        GTEST_SKIP() << "/dev/shm is on the same file system";
    }
    const std::string odd = Gen12File(2000, PatternCard(900)) + "tail";
    const auto original = elsewhere / "cards.gad", copy = dir.Path() / "cards.gad.unread-1";
    WriteBytes(original, odd);
    ::chmod(original.c_str(), 0640);
    constexpr uid_t Nobody = 65534;
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(original.c_str(), Nobody, Nobody), 0);
    }
    const int status =
        WithFileSizeLimit(1 << 20, [&] { return KeepUnderNewName(original, copy) ? 0 : 1; });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{}) << "a partial copy is removed";
    ASSERT_TRUE(KeepUnderNewName(original, copy));
    EXPECT_TRUE(ReadBytes(copy) == odd);
    struct stat info {};
    ::stat(copy.c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    if (root) {
        EXPECT_EQ(info.st_uid, Nobody);
    }
    std::filesystem::remove_all(elsewhere);
}

TEST_F(DatabaseSave, KilledSavesLeaveNothingALaterSaveKeeps) {
    WriteBytes(file, Gen12File(9000, PatternCard(900)));
    ASSERT_TRUE(db->LoadDatabase());
    for (int kill = 0; kill < 20; ++kill) {
        const pid_t saver = ::fork();
        if (saver == 0) {
            for (;;) db->SaveDatabase();
        }
        ::usleep(useconds_t(5000 + kill * 1500));
        ::kill(saver, SIGKILL);
        ::waitpid(saver, nullptr, 0);
    }
    // The named files of writers that died before their rename (a save, a copy of an unread
    // file on a file system without unnamed files), and of one still writing.
    WriteBytes(dir.Path() / ".ProgInfo_12.GAD.tmp-1-1", "leftover");
    WriteBytes(dir.Path() / ".ProgInfo_12.GAD.unread-20260101-000000.tmp-1-1", "leftover copy");
    const auto living = dir.Path() / ".ProgInfo_12.GAD.tmp-2-2";
    WriteBytes(living, "being written");
    const int writer = ::open(living.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(writer, LOCK_EX), 0);
    ASSERT_TRUE(db->SaveDatabase());
    EXPECT_EQ(FileNames(dir.Path()),
              (std::vector<std::string>{".ProgInfo_12.GAD.tmp-2-2", "ProgInfo_12.GAD"}));
    EXPECT_TRUE(ReadBytes(file) == Gen12File(9000, PatternCard(900)));
    ::close(writer);
}

TEST_F(DatabaseSave, SomethingElseUnderItsNameIsNeitherReadNorReplaced) {
    ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    EXPECT_FALSE(db->LoadDatabase()) << "returns at once: a pipe is never opened";
    EXPECT_EQ(db->LastLoadState(), CardDatabase::LoadState::NotRegular);
    EXPECT_FALSE(db->SaveDatabase());
    struct stat info {};
    ::stat(file.c_str(), &info);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"ProgInfo_12.GAD"});
    // Nor is a file a link leads to whose size fits no database.
    std::filesystem::remove(file);
    TempDir elsewhere;
    WriteBytes(elsewhere.Path() / "notes.txt", "my notes\n");
    std::filesystem::create_symlink(elsewhere.Path() / "notes.txt", file);
    EXPECT_FALSE(db->LoadDatabase());
    EXPECT_EQ(db->LastLoadState(), CardDatabase::LoadState::BrokenLink);
    EXPECT_FALSE(db->CanSave());
    EXPECT_FALSE(db->SaveDatabase());
    EXPECT_EQ(errno, EMEDIUMTYPE);
    EXPECT_EQ(ReadBytes(elsewhere.Path() / "notes.txt"), "my notes\n");
    EXPECT_EQ(FileNames(elsewhere.Path()), std::vector<std::string>{"notes.txt"});
}

TEST_F(DatabaseSave, CanSaveTellsBeforehandWhatASaveWouldMeet) {
    WriteBytes(file, Gen12File(3, PatternCard(900)));
    EXPECT_TRUE(db->CanSave());
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"ProgInfo_12.GAD"})
        << "the probe goes";
    ::chmod(file.c_str(), 0444);
    EXPECT_EQ(
        WithoutPrivileges(dir.Path(), [&] { return db->CanSave()     ? 0
                                                   : errno == EACCES ? 1
                                                                     : 2; }),
        1)
        << "a read-only file";
}

}  // namespace
}  // namespace gsmprog
