// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The operations journal file: its lines written and read back, what readers skip, the
// append's refusals and its lock between processes, a card's history line, and a run's recording.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>

#include "cards/card_database.h"
#include "cards/card_files.h"
#include "ops/card_history.h"
#include "ops/card_history_index.h"
#include "ops/journal_append.h"
#include "ops/journal_backward.h"
#include "ops/journal_line_match.h"
#include "ops/journal_place.h"
#include "ops/journal_reader.h"
#include "ops/journal_since.h"
#include "ops/journal_table.h"
#include "ops/journal_time.h"
#include "ops/operation_journal.h"
#include "support/child_process.h"

namespace gsmprog::test {
namespace {

namespace fs = std::filesystem;

void AppendBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

JournalEntry FullEntry() {
    JournalEntry entry;
    entry.time = "2026-12-07T10:42:13+03:00";
    entry.operation = JournalOperation::WriteUo;
    entry.result = JournalResult::Stopped;
    entry.message = "Программирование ОСТАНОВЛЕНО!\n\n\"кавычки\"\t\\ \x01";
    entry.durationMs = 1234;
    entry.user = "ivanov";
    entry.host = "pc-1";
    entry.program = "gsmprog-cli";
    entry.programVersion = "1.38";
    entry.cable = "FT4ABC12";
    entry.port = "/dev/ttyUSB0";
    entry.latencyMs = 1;
    entry.row = 12;
    entry.cardNumber = "2024";
    entry.object = "Склад «Север»; ворота";
    entry.deviceCodes = "1234 + 4000000000";
    entry.dateChanged = "2026-12-07T10:40:00";
    entry.modemVersion = "2.5.1";
    entry.imageCrc = "1A2B";
    entry.previousId = "00FF";
    entry.image = "00FF10";
    entry.device = 2;
    entry.command = "9208";
    return entry;
}

// A successful programming of the card CardOfEntries, in row 12.
JournalEntry ProgrammedEntry() {
    JournalEntry entry = FullEntry();
    entry.operation = JournalOperation::Program;
    entry.result = JournalResult::Ok;
    return entry;
}

CardRecord CardOfEntries() {
    CardRecord card{};
    std::strcpy(card.NCardEdit, "2024");
    return card;
}

void ExpectSame(const JournalEntry& a, const JournalEntry& b) {
    EXPECT_EQ(JournalLine(a), JournalLine(b));
    EXPECT_EQ(a.message, b.message);
    EXPECT_EQ(a.row, b.row);
    EXPECT_EQ(a.device, b.device);
    EXPECT_EQ(a.latencyMs, b.latencyMs);
}

TEST(JournalLine, KeepsEveryFieldAndReadsWhatALaterProgramAddsButNotALaterVersion) {
    const JournalEntry entry = FullEntry();
    const std::string line = JournalLine(entry);
    ASSERT_TRUE(line.ends_with("}\n"));
    EXPECT_EQ(line.find('\n'), line.size() - 1);  // one line, whatever the texts hold
    const auto back = ParseJournalLine(std::string_view(line).substr(0, line.size() - 1));
    ASSERT_TRUE(back);
    ExpectSame(*back, entry);

    // Members this version does not know, of any kind, are stepped over.
    const auto extended = ParseJournalLine(
        R"({"v":1,"new":{"a":[1,{"b":null}],"c":true},"time":"2026-12-07T10:42:13+03:00",)"
        R"("op":"read","result":"ok","row":"7","card":"\u0410\ud83d\ude00","more":[-1.5e3]})");
    ASSERT_TRUE(extended);
    EXPECT_EQ(extended->operation, JournalOperation::Read);
    EXPECT_EQ(extended->cardNumber, "А\xF0\x9F\x98\x80");
    EXPECT_FALSE(extended->row);  // of the wrong kind: left out

    // A byte that is no UTF-8 cannot spoil the line.
    JournalEntry odd;
    odd.time = entry.time;
    odd.host = std::string(
        "a\xFF"
        "b\xD0",
        4);
    EXPECT_EQ(ParseJournalLine(JournalLine(odd))->host,
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");

    for (
        const char* refused :
        {R"({"v":2,"time":"2026-12-07T10:42:13+03:00","op":"read","result":"ok"})",
         R"({"time":"2026-12-07T10:42:13+03:00","op":"read","result":"ok"})",
         R"({"v":1,"time":"2026-12-07T10:42:13+03:00","op":"erase","result":"ok"})",
         R"({"v":1,"time":"2026-12-07T10:42:13+03:00","op":"read","result":"maybe"})",
         R"({"v":1,"op":"read","result":"ok"})",
         R"({"v":1,"time":"2026-12-07T10:42:13+03:00","op":"read","result":"ok"} x)",
         R"({"v":1,"time":"2026-12-07T10:42:13+03:00","op":"read","result":"ok","x":"\ud800"})",
         "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[",
         R"({"v":1,"x":[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]]})",
         ""})
        EXPECT_FALSE(ParseJournalLine(refused)) << refused;
}

class JournalFileTest : public ::testing::Test {
protected:
    fs::path Journal() const { return dir_.Path() / "ProgInfo_12.journal"; }
    TempDir dir_;
};

TEST_F(JournalFileTest, TornGarbageOverlongAndNewerLinesAreSkippedAndCounted) {
    JournalEntry first = FullEntry();
    JournalEntry second = FullEntry();
    second.cardNumber = "3003";
    ASSERT_EQ(AppendJournalLine(Journal(), JournalLine(first)), "");
    AppendBytes(Journal(),
                "garbage\n\n{\"v\":9,\"time\":\"x\",\"op\":\"read\",\"result\":\"ok\"}\n" +
                    std::string(MaxJournalLine + 10, 'x') + "\n" + std::string(3, '\0') + "\n");
    AppendBytes(Journal(), JournalLine(first).substr(0, 40));  // a crash mid-append
    // The next append starts a line of its own: the torn line alone is lost.
    ASSERT_EQ(AppendJournalLine(Journal(), JournalLine(second)), "");
    AppendBytes(Journal(), "{\"v\":1,\"ti");  // and a torn last line

    std::vector<std::string> cards;
    const JournalReadStats stats =
        ReadJournal(Journal(), [&](JournalEntry&& entry, std::string_view line) {
            cards.push_back(entry.cardNumber);
            EXPECT_EQ(std::string(line) + "\n", JournalLine(entry));
        });
    EXPECT_EQ(cards, (std::vector<std::string>{"2024", "3003"}));
    EXPECT_EQ(stats.entries, 2u);
    EXPECT_EQ(stats.skipped, 6u);  // garbage, newer, overlong, zeros, two torn
    EXPECT_EQ(stats.error, 0);
    EXPECT_EQ(SkippedEntriesText(stats.skipped), "пропущено записей: 6");

    const auto last = LastJournalEntries(Journal(), 1);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last.front().cardNumber, "3003");
    EXPECT_EQ(ReadJournal(dir_.Path() / "none", [](JournalEntry&&, std::string_view) {}).error,
              ENOENT);
}

// Lines across the reader's chunks, among skipped ones, and a last one without its line feed:
// each entry is found again at its place, and a place whose bytes changed gives nothing.
TEST_F(JournalFileTest, EntriesAreReadAgainFromTheirPlacesAndOnlyThere) {
    std::vector<std::string> lines;
    for (int i = 0; i < 4000; ++i) {
        JournalEntry entry = FullEntry();
        entry.cardNumber = std::to_string(i);
        lines.push_back(JournalLine(entry));
        AppendBytes(Journal(), lines.back() + (i % 1000 == 0 ? "garbage\n\n" : ""));
    }
    lines.back().pop_back();
    fs::resize_file(Journal(), fs::file_size(Journal()) - 1);  // the last line feed
    ASSERT_GT(fs::file_size(Journal()), 2u << 20);

    std::vector<JournalPlace> places;
    ReadPlacedJournal(Journal(), [&](JournalEntry&&, std::string_view line, std::uint64_t offset) {
        places.push_back(PlaceOfLine(offset, line));
    });
    ASSERT_EQ(places.size(), lines.size());
    // A read told to stop (its window closed) ends before it reads on.
    const std::atomic<bool> stop{true};
    EXPECT_EQ(ReadPlacedJournal(
                  Journal(), [](JournalEntry&&, std::string_view, std::uint64_t) {}, &stop)
                  .bytes,
              0u);
    for (std::size_t i = 0; i < places.size(); ++i) {
        const PlacedEntry placed = ReadEntryAt(Journal(), places[i]);
        ASSERT_TRUE(placed.entry) << i;
        EXPECT_EQ(placed.entry->cardNumber, std::to_string(i));
    }

    // One digit of the first card's number changed in place; the file cut in its last line.
    {
        std::fstream file(Journal(), std::ios::in | std::ios::out | std::ios::binary);
        const auto at = lines[0].find("\"0\"");
        ASSERT_NE(at, std::string::npos);
        file.seekp(std::streamoff(places[0].offset + at + 1));
        file.put('7');
    }
    EXPECT_FALSE(ReadEntryAt(Journal(), places[0]).entry);
    EXPECT_EQ(ReadEntryAt(Journal(), places[0]).error, 0);
    fs::resize_file(Journal(), fs::file_size(Journal()) - 1);
    EXPECT_FALSE(ReadEntryAt(Journal(), places.back()).entry);
    EXPECT_TRUE(ReadEntryAt(Journal(), places[1]).entry);
    EXPECT_EQ(ReadEntryAt(dir_.Path() / "none", places[1]).error, ENOENT);
}

TEST_F(JournalFileTest, PlantedLinksPipesAndSecondNamesAreRefusedAndNothingIsAppended) {
    const fs::path victim = dir_.Path() / "victim";
    AppendBytes(victim, "precious\n");
    const std::string line = JournalLine(FullEntry());

    fs::create_symlink(victim, Journal());
    EXPECT_EQ(AppendJournalLine(Journal(), line), "это символическая ссылка, а не файл журнала");
    fs::remove(Journal());
    fs::create_hard_link(victim, Journal());
    EXPECT_EQ(AppendJournalLine(Journal(), line),
              "у файла журнала есть другие имена (жёсткие ссылки)");
    fs::remove(Journal());
    EXPECT_EQ(ReadBytes(victim), "precious\n");

    ASSERT_EQ(::mkfifo(Journal().c_str(), 0600), 0);  // nobody reads it: an open must not wait
    EXPECT_EQ(AppendJournalLine(Journal(), line), "это именованный канал, а не файл журнала");
    fs::remove(Journal());
    fs::create_directory(Journal());
    EXPECT_EQ(AppendJournalLine(Journal(), line), "это каталог");
    EXPECT_EQ(JournalFailureText(Journal(), "это каталог"),
              "Журнал операций не записан (" + Journal().string() + "): это каталог");
}

// The database reached through a link keeps its journal beside the real file, as its lock, and
// named after it: two databases linked in turn into one folder never share one. A journal an
// earlier version kept there as ProgInfo_12.journal goes on serving until one named after the
// file exists, unless it is the journal of a ProgInfo_12.GAD beside it.
TEST_F(JournalFileTest, EachLinkedDatabaseHasItsOwnJournalBesideItsFile) {
    TempDir real;
    const fs::path folder = fs::canonical(real.Path()), link = dir_.Path() / "ProgInfo_12.GAD";
    for (const char* name : {"clientA.GAD", "clientB.GAD", "ProgInfo_12.GAD"})
        AppendBytes(folder / name, "");
    fs::create_symlink(folder / "clientA.GAD", link);
    EXPECT_EQ(JournalFile(dir_.Path()), folder / "clientA.journal");
    fs::remove(link);
    fs::create_symlink(folder / "clientB.GAD", link);
    EXPECT_EQ(JournalFile(dir_.Path()), folder / "clientB.journal");
    AppendBytes(folder / "ProgInfo_12.journal", "");
    EXPECT_EQ(JournalFile(dir_.Path()), folder / "clientB.journal") << "ProgInfo_12.GAD's";
    fs::remove(folder / "ProgInfo_12.GAD");
    EXPECT_EQ(JournalFile(dir_.Path()), folder / "ProgInfo_12.journal") << "the earlier one";
    AppendBytes(folder / "clientB.journal", "");
    EXPECT_EQ(JournalFile(dir_.Path()), folder / "clientB.journal");
    EXPECT_EQ(JournalFile(real.Path()), real.Path() / "ProgInfo_12.journal");
}

// Another user's link under the journal's name in a shared folder is not read: it could lead
// to the user's own files, which a support report would carry.
TEST_F(JournalFileTest, AnotherUsersJournalLinkInASharedFolderIsNotRead) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs a link of another user";
    TempDir home;
    AppendBytes(home.Path() / "mine", JournalLine(FullEntry()));
    ::chmod(dir_.Path().c_str(), 01777);
    fs::create_symlink(home.Path() / "mine", Journal());
    EXPECT_EQ(OpenJournal(Journal()).Error(), 0) << "the user's own link";
    ASSERT_EQ(::lchown(Journal().c_str(), 65534, 65534), 0);
    EXPECT_EQ(OpenJournal(Journal()).Error(), EACCES);
}

// Two processes append at the same moments: every line whole, none lost, each one's in order.
TEST_F(JournalFileTest, TwoProcessesAppendingAtOnceNeitherInterleaveNorLoseLines) {
    constexpr int Rounds = 300;
    const auto append = [&](const char* who) {
        JournalEntry entry = FullEntry();
        entry.user = who;
        entry.image = std::string(888, 'A');
        for (int i = 0; i < Rounds; ++i) {
            entry.durationMs = i;
            if (!AppendJournalLine(Journal(), JournalLine(entry)).empty()) return 1;
        }
        return 0;
    };
    pid_t children[2];
    const char* names[2] = {"first", "second"};
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) ::_exit(append(names[c]));
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::map<std::string, std::int64_t> next;
    const JournalReadStats stats =
        ReadJournal(Journal(), [&](JournalEntry&& entry, std::string_view) {
            EXPECT_EQ(entry.durationMs, next[entry.user]++) << entry.user;
        });
    EXPECT_EQ(stats.skipped, 0u);
    EXPECT_EQ(next["first"], Rounds);
    EXPECT_EQ(next["second"], Rounds);
}

TEST_F(JournalFileTest, ACardsHistoryIsItsLastSuccessfulProgramming) {
    CardRecord card{};
    std::strcpy(card.NCardEdit, "2024");
    EXPECT_EQ(CardHistoryText(LastProgramming(Journal(), 11, card)), "нет записей в журнале");

    JournalEntry programmed = FullEntry();
    programmed.operation = JournalOperation::Program;
    programmed.result = JournalResult::Ok;
    AppendJournalLine(Journal(), JournalLine(programmed));
    JournalEntry later = programmed;
    later.time = "2026-12-08T09:00:00+03:00";
    for (auto change : std::vector<std::function<void(JournalEntry&)>>{
             [](JournalEntry& e) { e.result = JournalResult::Failed; },
             [](JournalEntry& e) { e.result = JournalResult::Stopped; },
             [](JournalEntry& e) { e.operation = JournalOperation::Read; },
             [](JournalEntry& e) { e.row = 13; }, [](JournalEntry& e) { e.cardNumber = "2025"; }}) {
        JournalEntry other = later;
        change(other);
        AppendJournalLine(Journal(), JournalLine(other));
    }
    EXPECT_EQ(CardHistoryText(LastProgramming(Journal(), 11, card)),
              "Последнее программирование: 07.12.2026 10:42, ivanov, кабель FT4ABC12, модем 2.5.1");
    later.operation = JournalOperation::WriteUo;
    later.cable.clear();
    later.modemVersion.clear();
    AppendJournalLine(Journal(), JournalLine(later));
    EXPECT_EQ(CardHistoryText(LastProgramming(Journal(), 11, card)),
              "Последнее программирование: 08.12.2026 09:00, ivanov, кабель /dev/ttyUSB0");
}

// Read from the end in blocks of any size, the journal gives what a forward read gives, newest
// first; a row's lookup parses only lines that may name it and stops at the first answer.
TEST_F(JournalFileTest, TheBackwardReadFindsARowsLastEntryAcrossBlocksPastTornAndGarbageLines) {
    AppendJournalLine(Journal(), JournalLine(ProgrammedEntry()));
    AppendBytes(Journal(), std::string(MaxJournalLine + 10, 'x') + "\ngarbage\n");
    JournalEntry newer = ProgrammedEntry();
    newer.time = "2026-12-08T09:00:00+03:00";
    AppendBytes(Journal(), JournalLine(newer).substr(0, 300) + "\n");  // torn
    JournalEntry other = ProgrammedEntry();
    for (int row : {120, 1, 21, 112}) {  // rows whose digits hold 12 or 12 holds
        other.row = row;
        for (int i = 0; i < 20; ++i) AppendJournalLine(Journal(), JournalLine(other));
    }
    newer.result = JournalResult::Failed;  // not a programming: the lookup goes on past it
    AppendJournalLine(Journal(), JournalLine(newer));
    AppendBytes(Journal(), "{\"v\":1,\"ti");

    std::vector<std::pair<std::string, std::uint64_t>> forward;
    const JournalReadStats read =
        ReadPlacedJournal(Journal(), [&](JournalEntry&& entry, std::string_view, std::uint64_t at) {
            forward.emplace_back(entry.time, at);
        });
    const OpenJournal file(Journal());
    for (std::size_t block : {std::size_t(97), std::size_t(4096), JournalBackwardBlock}) {
        std::vector<std::pair<std::string, std::uint64_t>> backward;
        const JournalReadStats back = ReadJournalBackward(
            file,
            [&](JournalEntry&& entry, std::string_view, std::uint64_t at) {
                backward.emplace_back(entry.time, at);
                return true;
            },
            {}, block);
        EXPECT_EQ(std::vector(backward.rbegin(), backward.rend()), forward) << block;
        EXPECT_EQ(back.skipped, read.skipped) << block;  // overlong, garbage, two torn

        std::vector<std::string> rowTwelve;
        const JournalReadStats looked = ReadJournalBackward(
            file,
            [&](JournalEntry&& entry, std::string_view, std::uint64_t) {
                rowTwelve.push_back(ResultWord(entry.result));
                return false;
            },
            {[](std::string_view line) { return LineMayHaveRow(line, 12); }, JournalParts::All},
            block);
        EXPECT_EQ(rowTwelve, std::vector<std::string>{"failed"});
        EXPECT_EQ(looked.entries, 1u);  // the other rows' lines were not parsed
    }
    EXPECT_EQ(read.skipped, 4u);
    const auto last = LastProgramming(Journal(), 11, CardOfEntries());
    ASSERT_TRUE(last);
    EXPECT_EQ(last->time, ProgrammedEntry().time);
    EXPECT_EQ(last->image, ProgrammedEntry().image);
    EXPECT_TRUE(LineMayHaveRow(R"({"row" : 12 })", 12));
    EXPECT_TRUE(LineMayHaveRow(R"({"\u0072ow":12})", 12));
    EXPECT_FALSE(LineMayHaveRow(R"({"row":12.5,"x":"row"})", 12));
}

// --since starts where the times say, a margin earlier: entries written under a clock set
// back or ahead near the date are listed as a whole read would list them.
TEST_F(JournalFileTest, SinceStartsByTheTimesAndToleratesAClockSetBack) {
    constexpr int Count = 5000;  // about 6 MB, well over two margins
    constexpr std::int64_t Base = 1765000000;
    const std::int64_t since = Base + 4000 * 60;
    JournalEntry entry = ProgrammedEntry();
    entry.image = std::string(888, 'A');
    std::string bytes;
    for (int i = 0; i < Count; ++i) {
        std::int64_t at = Base + i * 60;
        if (i >= 3980 && i < 3990) at += 30 * 60;  // a clock ahead, then put right
        if (i >= 4010 && i < 4020) at -= 30 * 60;  // a clock set back
        entry.time = LocalIsoTime(std::chrono::system_clock::from_time_t(std::time_t(at)));
        bytes += JournalLine(entry);
    }
    AppendBytes(Journal(), bytes);

    const auto listed = [&](std::uint64_t from) {
        const OpenJournal file(Journal());
        std::vector<std::uint64_t> places;
        JournalTail tail;
        ReadJournalLines(
            file, from,
            [&](JournalEntry&& read, std::string_view, std::uint64_t at) {
                if (IsoTimeSeconds(read.time) >= since) places.push_back(at);
            },
            tail);
        return places;
    };
    const OpenJournal file(Journal());
    const std::uint64_t start = JournalStartSince(file, since);
    EXPECT_GT(start, bytes.size() / 3);
    EXPECT_EQ(bytes[start - 1], '\n');
    const auto all = listed(0);
    EXPECT_EQ(all.size(), 1000u);  // less the 10 set back, with the 10 ahead
    EXPECT_EQ(listed(start), all);
    EXPECT_EQ(JournalStartSince(file, Base), 0u);
    EXPECT_GT(JournalStartSince(file, Base + Count * 60), start);
}

// The window's index of card histories answers as a whole read does, reading no more than
// what was appended since it last looked.
TEST_F(JournalFileTest, ACardHistoryIndexReadsOnlyWhatWasAppendedAndAReplacedJournalWhole) {
    const CardRecord card = CardOfEntries();
    const JournalEntry programmed = ProgrammedEntry();
    const auto append = [&](const std::string& time, JournalOperation op) {
        JournalEntry entry = programmed;
        entry.time = time;
        entry.operation = op;
        const std::string line = JournalLine(entry);
        EXPECT_EQ(AppendJournalLine(Journal(), line), "");
        return line.size();
    };
    const auto newest = [&](const CardHistoryIndex& index) {
        const auto programming = index.LastProgramming(11, card);
        const auto write = index.LastModemWrite(11, card);
        // As a whole read gives them.
        EXPECT_EQ(CardHistoryText(programming), CardHistoryText(LastProgramming(Journal(), 11, card)));
        EXPECT_EQ(CardHistoryText(write), CardHistoryText(LastModemWrite(Journal(), 11, card)));
        return std::pair(programming ? programming->time : "", write ? write->time : "");
    };

    CardHistoryIndex index(Journal());
    ASSERT_TRUE(index.Update());  // no journal yet
    EXPECT_EQ(newest(index), std::pair(std::string(), std::string()));
    append("2026-12-07T10:00:00+03:00", JournalOperation::Program);
    append("2026-12-07T11:00:00+03:00", JournalOperation::Read);
    ASSERT_TRUE(index.Update());
    EXPECT_EQ(index.LastReadBytes(), fs::file_size(Journal()));
    EXPECT_EQ(newest(index), std::pair(std::string("2026-12-07T10:00:00+03:00"),
                                       std::string("2026-12-07T10:00:00+03:00")));
    ASSERT_TRUE(index.Update());
    EXPECT_EQ(index.LastReadBytes(), 0u);  // unchanged: nothing read

    const std::size_t appended = append("2026-12-07T12:00:00+03:00", JournalOperation::WriteUo);
    EXPECT_FALSE(index.Update(appended - 1));  // more than the caller would wait for
    EXPECT_EQ(index.LastProgramming(11, card)->time, "2026-12-07T10:00:00+03:00");
    ASSERT_TRUE(index.Update(appended));
    EXPECT_EQ(index.LastReadBytes(), appended);
    EXPECT_EQ(newest(index), std::pair(std::string("2026-12-07T12:00:00+03:00"),
                                       std::string("2026-12-07T10:00:00+03:00")));

    // Another journal renamed over it, longer but without this card's programming: read whole.
    const fs::path other = dir_.Path() / "other.journal";
    JournalEntry elsewhere = programmed;
    elsewhere.row = 5;
    std::string lines;
    for (int i = 0; i < 5; ++i) lines += JournalLine(elsewhere);
    AppendBytes(other, lines);
    fs::rename(other, Journal());
    ASSERT_TRUE(index.Update());
    EXPECT_EQ(index.LastReadBytes(), lines.size());
    EXPECT_EQ(newest(index), std::pair(std::string(), std::string()));

    // Rewritten in place and longer (an archive copied over it): the same file, read whole.
    append("2026-12-07T13:00:00+03:00", JournalOperation::Program);
    ASSERT_TRUE(index.Update());
    lines = JournalLine(programmed) + lines + lines;
    std::ofstream(Journal(), std::ios::binary | std::ios::trunc) << lines;
    ASSERT_TRUE(index.Update());
    EXPECT_EQ(index.LastReadBytes(), lines.size());
    EXPECT_EQ(newest(index).first, programmed.time);
}

// A last line without its line feed is taken when it parses whole, as a whole read takes it,
// and read again when an append completes it, or spoils it.
TEST_F(JournalFileTest, ACardHistoryIndexReadsATornLastLineAgainOnceItIsCompleted) {
    const CardRecord card = CardOfEntries();
    const JournalEntry programmed = ProgrammedEntry();
    ASSERT_EQ(AppendJournalLine(Journal(), JournalLine(programmed)), "");
    const std::size_t whole = fs::file_size(Journal());
    CardHistoryIndex index(Journal());
    ASSERT_TRUE(index.Update());

    JournalEntry later = programmed;
    later.time = "2026-12-08T09:00:00+03:00";
    const std::string line = JournalLine(later);
    AppendBytes(Journal(), line.substr(0, 100));  // torn mid-append
    ASSERT_TRUE(index.Update());
    EXPECT_EQ(index.LastReadBytes(), 100u);
    EXPECT_EQ(index.LastProgramming(11, card)->time, programmed.time);
    AppendBytes(Journal(), line.substr(100, line.size() - 101));  // all but the line feed
    ASSERT_TRUE(index.Update());
    EXPECT_EQ(index.LastReadBytes(), line.size() - 1);  // from the torn line's start
    EXPECT_EQ(index.LastProgramming(11, card)->time, later.time);
    AppendBytes(Journal(), "x\n");  // it was no whole entry after all
    ASSERT_TRUE(index.Update());
    EXPECT_EQ(index.LastProgramming(11, card)->time, programmed.time);
    EXPECT_EQ(index.LastProgramming(11, card)->time,
              LastProgramming(Journal(), 11, card)->time);
    ASSERT_EQ(AppendJournalLine(Journal(), line), "");
    ASSERT_TRUE(index.Update());
    EXPECT_EQ(index.LastReadBytes(), fs::file_size(Journal()) - whole - line.size() - 1);
    EXPECT_EQ(index.LastModemWrite(11, card)->time, later.time);
}

TEST_F(JournalFileTest, ARunRecordsBegunExchangesAndTellsAnUnwritableJournalOnce) {
    OperationJournal journal(dir_.Path());
    ASSERT_EQ(journal.File(), Journal());
    ExchangeRecord never(JournalOperation::Read, "gsmprog");
    EXPECT_EQ(journal.Record(never), "");
    EXPECT_FALSE(fs::exists(Journal()));

    ExchangeRecord record(JournalOperation::Program, "gsmprog");
    record.Facts().card = CardRecord{};
    std::strcpy(record.Facts().card->NCardEdit, "2024");
    record.Facts().slot = 11;
    record.Begin();
    record.End(JournalResult::Stopped, "Программирование ОСТАНОВЛЕНО!");
    EXPECT_EQ(journal.Record(record), "");
    const auto entries = LastJournalEntries(Journal(), 10);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].operation, JournalOperation::Program);
    EXPECT_EQ(entries[0].result, JournalResult::Stopped);
    EXPECT_EQ(entries[0].message, "Программирование ОСТАНОВЛЕНО!");
    EXPECT_EQ(entries[0].program, "gsmprog");
    EXPECT_EQ(entries[0].row, 12);
    EXPECT_EQ(entries[0].cardNumber, "2024");

    // A link planted under the journal's name: refused, told the first time only.
    fs::remove(Journal());
    AppendBytes(dir_.Path() / "other", "other\n");
    fs::create_symlink(dir_.Path() / "other", Journal());
    const std::string failure = journal.Record(record);
    EXPECT_EQ(failure.rfind("Журнал операций не записан (" + Journal().string() + "): ", 0), 0u)
        << failure;
    EXPECT_EQ(journal.Record(record), "");
    EXPECT_EQ(fs::file_size(dir_.Path() / "other"), 6u);
}

TEST(JournalTable, RowsNameTheOperationAndCsvQuotesAsSpreadsheetsExpect) {
    const JournalRow row = JournalRowTexts(FullEntry());
    EXPECT_EQ(row[1], "Запись УОО 2");
    EXPECT_EQ(row[2], "остановлено");
    EXPECT_EQ(row[3], "12");
    EXPECT_EQ(row[10], "FT4ABC12");
    JournalRow texts{};
    texts[0] = "a;b";
    texts[1] = "\"Ёж\"";
    texts[2] = "x\ny";
    texts[3] = "日";
    EXPECT_EQ(JournalCsvLine(texts), "\"a;b\";\"\"\"\xA8\xE6\"\"\";\"x\ny\";?;;;;;;;;\r\n");
    // Packed for a window, empty texts and all, and unpacked the same.
    EXPECT_EQ(PackedJournalRow(texts).Unpacked(), texts);
    EXPECT_EQ(PackedJournalRow(texts).Text(3), "日");
    EXPECT_EQ(PackedJournalRow(row).Unpacked(), row);
    EXPECT_EQ(JournalCsvLine(JournalColumnTitles()).substr(0, 6), "\xC2\xF0\xE5\xEC\xFF;");
}

}  // namespace
}  // namespace gsmprog::test
