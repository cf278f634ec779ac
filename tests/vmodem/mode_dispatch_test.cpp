// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The dispatcher: entry words switch modes, split words are awaited, noise before any entry
// word is dropped.

#include <gtest/gtest.h>

#include "vmodem/mode_dispatch.h"
#include "vmodem/recording_line.h"

namespace gsmprog::vmodem {
namespace {

// A second mode, as another protocol would bring: answers each byte with its count so far.
class CountingMode final : public DeviceMode {
public:
    void Enter(std::uint64_t, ModemLine& line) override { line.Send(std::string("COUNTING")); }
    std::size_t Consume(std::span<const std::uint8_t>, std::uint64_t, ModemLine& line) override {
        line.Send(Bytes{static_cast<std::uint8_t>(++count_)});
        return 1;
    }

private:
    int count_ = 0;
};

const ModeRegistrar countingRegistrar{
    {"counting",
     "COUNT_ME",
     {},
     nullptr,
     [](const VmodemOptions&, ModemMemory&) -> std::unique_ptr<DeviceMode> {
         return std::make_unique<CountingMode>();
     }}};

struct Dispatch : ::testing::Test {
    VmodemOptions options;
    ModemMemory memory;
    RecordingLine line;
    ModeDispatcher dispatcher{RegisteredModes(), options, memory, line};
    void Feed(const std::string& text) {
        dispatcher.Feed({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, 0);
    }
};

TEST_F(Dispatch, BytesBeforeAnyEntryWordAreIgnored) {
    Feed("WRITE");
    Feed("READ\r\nxyz");
    EXPECT_TRUE(line.replies.empty());
    EXPECT_EQ(dispatcher.ActiveMode(), "");
    Feed("PROG_GSMA");
    EXPECT_EQ(line.Take(), std::vector<Bytes>{Word("READY")});
    EXPECT_EQ(dispatcher.ActiveMode(), "programming");
}

TEST_F(Dispatch, EntryWordSplitAcrossReadsIsAwaited) {
    Feed("xxPROG_");
    EXPECT_TRUE(line.replies.empty());
    Feed("GSMA");
    EXPECT_EQ(line.Take(), std::vector<Bytes>{Word("READY")});
}

TEST_F(Dispatch, AnotherEntryWordSwitchesModeAndBack) {
    Feed("PROG_GSMA");
    Feed("COUNT_ME");
    EXPECT_EQ(dispatcher.ActiveMode(), "counting");
    Feed("ab");
    Feed("PROG_GSMA");
    EXPECT_EQ(dispatcher.ActiveMode(), "programming");
    EXPECT_EQ(line.Take(), (std::vector<Bytes>{Word("READY"), Word("COUNTING"), Bytes{1}, Bytes{2},
                                               Word("READY")}));
}

TEST_F(Dispatch, RepeatedEntryWordReentersTheSameMode) {
    Feed("PROG_GSMAPROG_GSMA");
    EXPECT_EQ(line.Take(), (std::vector<Bytes>{Word("READY"), Word("READY")}));
}

TEST(VmodemOptionsParsing, RefusesUnknownSwitchesAndBadNumbers) {
    const std::vector<OptionDefinition> definitions{
        {"serial", OptionKind::Text, "N", ""},
        {"silent-after-block", OptionKind::Number, "K", ""},
        {"ready-next", OptionKind::Flag, "", ""}};
    std::string error;
    EXPECT_FALSE(ParseOptions({"--bogus"}, definitions, error));
    EXPECT_NE(error.find("--bogus"), std::string::npos);
    EXPECT_FALSE(ParseOptions({"--silent-after-block", "x"}, definitions, error));
    EXPECT_FALSE(ParseOptions({"--serial"}, definitions, error));
    EXPECT_FALSE(ParseOptions({"--ready-next=1"}, definitions, error));
    EXPECT_FALSE(ParseOptions({"plain"}, definitions, error));
    const auto options = ParseOptions({"--serial=AB", "--silent-after-block", "3", "--ready-next"},
                                      definitions, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->Text("serial"), "AB");
    EXPECT_EQ(options->Number("silent-after-block", 0), 3);
    EXPECT_TRUE(options->Has("ready-next"));
}

}  // namespace
}  // namespace gsmprog::vmodem
