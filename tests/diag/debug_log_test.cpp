// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The diagnostic log's ring: the last lines kept in memory whether or not stderr gets them,
// oldest first, cut at a character, and whole lines only when several threads log at once.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "diag/debug_log.h"

namespace gsmprog::test {
namespace {

using ::testing::MatchesRegex;

TEST(DebugRing, NothingIsKeptUntilAskedThenTheLastLinesOldestFirst) {
    if (std::getenv("GSMPROG_DEBUG") == nullptr) {
        EXPECT_FALSE(DebugLogOn());
    }
    DebugLog("тест", "до");
    EXPECT_TRUE(DebugRingLines().empty());

    KeepDebugRing();
    EXPECT_TRUE(DebugLogOn());
    for (std::size_t i = 0; i < DebugRingCapacity + 5; ++i) DebugLog("тест", std::to_string(i));
    const std::vector<std::string> lines = DebugRingLines();
    ASSERT_EQ(lines.size(), DebugRingCapacity);
    EXPECT_THAT(lines.front(),
                MatchesRegex("[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9] тест: 5"));
    EXPECT_THAT(lines.back(),
                ::testing::EndsWith(" тест: " + std::to_string(DebugRingCapacity + 4)));
}

TEST(DebugRing, ALongLineIsCutAtACharacter) {
    KeepDebugRing();
    std::string text = "a";
    for (int i = 0; i < 400; ++i) text += "ж";
    DebugLog("кабель", text);
    // 300 bytes end inside a letter: the line keeps "a" and 149 letters.
    EXPECT_EQ(DebugRingLines().back().substr(13), "кабель: " + text.substr(0, 299));
}

TEST(DebugRing, LinesOfSeveralThreadsStayWholeAndInTheirOrder) {
    KeepDebugRing();
    constexpr int Threads = 4;
    constexpr int PerThread = 1000;
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < PerThread; ++i)
                DebugLog("поток" + std::to_string(t), std::to_string(i));
        });
    for (std::thread& thread : threads) thread.join();
    const std::vector<std::string> lines = DebugRingLines();
    ASSERT_EQ(lines.size(), DebugRingCapacity);
    std::vector<int> last(Threads, -1);
    for (const std::string& line : lines) {
        const std::size_t source = line.find("поток");
        ASSERT_NE(source, std::string::npos) << line;
        const std::size_t colon = line.find(": ", source);
        ASSERT_NE(colon, std::string::npos) << line;
        const int thread = std::stoi(line.substr(source + std::string("поток").size(), colon));
        const int number = std::stoi(line.substr(colon + 2));
        EXPECT_GT(number, last.at(std::size_t(thread))) << line;
        last[std::size_t(thread)] = number;
    }
    // Whichever thread ended last, its last line is the ring's newest.
    EXPECT_THAT(lines.back(), ::testing::EndsWith(": " + std::to_string(PerThread - 1)));
}

}  // namespace
}  // namespace gsmprog::test
