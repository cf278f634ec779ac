// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control link on a scripted cable in virtual time: handshake, request timing and
// attempts, the order of events, error conditions and their texts, Stop, and the bounds.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "prog/ctrl_frame.h"
#include "prog/ftdi_korvel_ctrl.h"
#include "support/scripted_cable.h"

namespace gsmprog {
namespace {

using test::Bytes;
using test::CableCall;
using test::CableEvent;
using test::Fault;
using test::ScriptedCable;
using test::VirtualClock;

// Waits (in real time, with a generous limit that only guards against a hang) until `done`.
template <class Predicate>
bool Eventually(Predicate done, std::chrono::seconds limit = std::chrono::seconds(30)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

const Bytes Handshake = Text("CTRL_SETUP_GSMA");
const Bytes StatusRequest{0x51, 0x0C, 0xA3};
const Bytes SimRequest{0x51, 0x05, 0xAA};
const Bytes StatusReply{0xAE, 0x0C, 0x80, 0x10, 0x0E, 0x74, 0x0E, 0x2C, 0x2E, 0xCC};
const Bytes SimReply{0xAE, 0x05, 0x4D};
const Bytes UnknownCodeReply{0xAE, 0xFF, 0x01, 0x52};
const Bytes GsmTrace{0xAE, 0xD2, 0x01, 0x02, 0x41, 0x54, 0x00, 0xE8};

struct Event {
    int code;
    std::string text;
    CtrlPacket packet;
    std::uint32_t state;  // of an error condition
};

// The modem: called in the link's thread with each block the link writes.
using Modem = std::function<void(const Bytes& written, ScriptedCable& line)>;

// A modem that answers the handshake with `handshakeReplies` in turn (the last one from
// then on) and each request with its entry of `answers`, if any.
Modem Answering(std::map<Bytes, Bytes> answers,
                std::vector<std::string> handshakeReplies = {"READY"}) {
    auto handshakes = std::make_shared<std::size_t>(0);
    return [=](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake) {
            const std::size_t turn = std::min((*handshakes)++, handshakeReplies.size() - 1);
            line.Deliver(Text(handshakeReplies[turn]), 1);
        } else if (auto answer = answers.find(written); answer != answers.end()) {
            line.Deliver(answer->second, 20);
        }
    };
}

class ControlLink : public ::testing::Test {
protected:
    // `cableWaits`: the cable waits for arriving bytes, as the serial cable does.
    void Run(Modem modem, std::size_t capacity = ResultQueueCapacity, bool cableWaits = false) {
        line = std::make_unique<ScriptedCable>(&time);
        if (cableWaits) line->WaitForBytes();
        line->OnWrite([modem = std::move(modem), cable = line.get()](const Bytes& written) {
            modem(written, *cable);
        });
        link = std::make_unique<FTDI_KorvelCtrl>(*line, time, "", capacity);
        // A token real pause per sleep, so that the reader keeps pace with the link's time.
        time.OnSleep(
            [](std::uint64_t) { std::this_thread::sleep_for(std::chrono::microseconds(20)); });
        link->Start();
    }

    // Everything fetched up to and including the first event with `code`.
    std::vector<Event> FetchUntil(int code) {
        std::vector<Event> events;
        const bool found = Eventually([&] {
            Event event{};
            event.code = link->FetchResult(&event.packet, &event.text, &event.state);
            if (event.code == CtrlNothing) return false;
            events.push_back(event);
            return event.code == code;
        });
        EXPECT_TRUE(found) << "no event " << code << " after " << events.size() << " events";
        return events;
    }

    // Waits until the link has written `writes` blocks and read all the modem's answers, and
    // has moved on from them.
    void WaitUntilAllRead(std::size_t writes) {
        ASSERT_TRUE(Eventually([&] {
            return Writes().size() >= writes && line->Unread() == 0 &&
                   time.NowMs() > line->LastReadAt() + 100;
        }));
    }

    // The blocks written, with their moments.
    std::vector<CableEvent> Writes() const { return line->EventsOf(CableCall::Write); }

    std::vector<std::vector<std::uint32_t>> ArgsOf(CableCall call) const {
        std::vector<std::vector<std::uint32_t>> args;
        for (const auto& event : line->EventsOf(call)) args.push_back(event.args);
        return args;
    }

    static std::vector<int> Codes(const std::vector<Event>& events) {
        std::vector<int> codes;
        for (const auto& event : events) codes.push_back(event.code);
        return codes;
    }

    VirtualClock time{1000};
    std::unique_ptr<ScriptedCable> line;
    std::unique_ptr<FTDI_KorvelCtrl> link;
};

TEST_F(ControlLink, StatusExchangeLogsRequestThenReplyThenStatus) {
    Run(Answering({{StatusRequest, StatusReply}}));
    EXPECT_EQ(link->FetchResult(nullptr, nullptr), CtrlNothing);
    link->RequestStatus();
    const auto events = FetchUntil(CtrlStatus);
    ASSERT_EQ(Codes(events), (std::vector<int>{250, 251, 12}));
    EXPECT_EQ(events[0].text, "TX(3): 51 0C A3 ");
    EXPECT_EQ(events[1].text, "RX(10): AE 0C 80 10 0E 74 0E 2C 2E CC ");
    EXPECT_EQ(events[2].text, "");
    EXPECT_EQ(events[2].packet.length, 7);
    EXPECT_EQ(events[2].packet.data[0], 0x80);
    EXPECT_EQ(events[2].packet.data[5] | events[2].packet.data[6] << 8, 11820);

    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].bytes, Handshake);
    EXPECT_EQ(writes[1].bytes, StatusRequest);
    EXPECT_GE(writes[1].atMs - writes[0].atMs, 200u);  // the handshake reply is awaited first
    EXPECT_TRUE(Eventually([&] { return link->PendingCount() == 0; }));

    // The cable is closed after Stop, also when Start follows at once, and opened anew
    // with a new handshake.
    link->Stop();
    EXPECT_FALSE(link->IsRunning());
    link->Start();
    ASSERT_TRUE(Eventually([&] { return Writes().size() == 3; }));
    EXPECT_EQ(line->CountOf(CableCall::Close), 1);
    EXPECT_EQ(line->CountOf(CableCall::OpenEx), 2);
    EXPECT_EQ(Writes()[2].bytes, Handshake);
    link->Stop();
    ASSERT_TRUE(Eventually([&] { return line->CountOf(CableCall::Close) == 2; }));

    // Each open sets the line for control and leaves the latency timer alone.
    using Args = std::vector<std::vector<std::uint32_t>>;
    EXPECT_EQ(ArgsOf(CableCall::SetBaudRate), (Args{{115200}, {115200}}));
    EXPECT_EQ(ArgsOf(CableCall::SetDataCharacteristics), (Args{{8, 0, 0}, {8, 0, 0}}));
    EXPECT_EQ(ArgsOf(CableCall::SetFlowControl), (Args{{0, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(line->CountOf(CableCall::SetLatencyTimer), 0);
}

TEST_F(ControlLink, UnansweredRequestIsSentThreeTimesThenTimesOut) {
    // The time limit holds alike while the link sleeps and while it waits on the line.
    for (const auto& [request, code, cableWaits] :
         {std::tuple{StatusRequest, 12, false}, std::tuple{SimRequest, 5, false},
          std::tuple{StatusRequest, 12, true}}) {
        SCOPED_TRACE(code);
        SCOPED_TRACE(cableWaits);
        Run(Answering({}), ResultQueueCapacity, cableWaits);
        if (code == 12) link->RequestStatus();
        else link->RequestSimSwitch();
        auto events = FetchUntil(CtrlError);
        EXPECT_EQ(events.back().text, "Таймаут ожидания ответа, cmd = " + std::to_string(code));
        EXPECT_EQ(events.back().state, 54u);
        // The error is fetched ahead of the events still waiting, however fast the reader is.
        for (Event event{}; (event.code = link->FetchResult(&event.packet, &event.text)) == 250;)
            events.push_back(event);
        const auto codes = Codes(events);
        EXPECT_EQ(std::count(codes.begin(), codes.end(), 250), 3);
        EXPECT_EQ(std::count(codes.begin(), codes.end(), 255), 1);
        for (const auto& event : events) {
            if (event.code == 250) {
                EXPECT_EQ(event.text, "TX(3): " + HexBytes(request.data(), 3));
            }
        }

        // Exactly three sends, each after more than 200 ms; the link holds until the error is
        // fetched, then enters control mode again before anything else.
        EXPECT_EQ(link->PendingCount(), 0u);
        ASSERT_TRUE(Eventually([&] { return Writes().size() >= 5; }));
        const auto writes = Writes();
        for (std::size_t i = 1; i < 4; ++i) EXPECT_EQ(writes[i].bytes, request);
        for (std::size_t i = 2; i < 4; ++i) {
            EXPECT_GT(writes[i].atMs - writes[i - 1].atMs, 200u);
            EXPECT_LE(writes[i].atMs - writes[i - 1].atMs, 220u);
        }
        EXPECT_EQ(writes[4].bytes, Handshake);
        link.reset();
    }
}

TEST_F(ControlLink, OnACableThatWaitsForBytesTheLinkAsksItOnlyWhenBytesCame) {
    // The handshakes are answered by READY, and a trace follows after a while.
    Run(
        [](const Bytes& written, ScriptedCable& line) {
            if (written == Handshake) {
                line.Deliver(Text("READY"), 1);
                line.Deliver(GsmTrace, 400);
            }
            if (written == StatusRequest) line.Deliver(StatusReply, 37);
        },
        ResultQueueCapacity, true);
    FetchUntil(CtrlGsmTrace);

    // Idle for two seconds, then a status exchange: waits of at most the link's 10 ms pause, so
    // that requests, time limits and Stop are seen as soon as before, and no queue query: the
    // wait tells what is there.
    const int queries = line->CountOf(CableCall::GetStatus);
    const std::uint64_t idleFrom = time.NowMs();
    ASSERT_TRUE(Eventually([&] { return time.NowMs() > idleFrom + 2000; }));
    EXPECT_GE(line->CountOf(CableCall::AwaitBytes), 150);
    link->RequestStatus();
    const auto events = FetchUntil(CtrlStatus);
    EXPECT_EQ(line->CountOf(CableCall::GetStatus), queries);
    EXPECT_EQ(line->LongestByteWait(), 10u);

    // The reply is read the moment it arrives, and the exchange is the same as ever.
    ASSERT_EQ(Codes(events), (std::vector<int>{250, 251, 12}));
    EXPECT_EQ(events[1].text, "RX(10): AE 0C 80 10 0E 74 0E 2C 2E CC ");
    const auto reads = line->EventsOf(CableCall::Read);
    EXPECT_EQ(reads.back().atMs, Writes().back().atMs + 37);

    // A handshake in the middle of idle waits, and a trace read the moment it arrives.
    link->ResetCtrlMode();
    FetchUntil(CtrlGsmTrace);
    ASSERT_EQ(Writes().size(), 3u);
    EXPECT_EQ(Writes().back().bytes, Handshake);
    EXPECT_EQ(line->EventsOf(CableCall::Read).back().atMs, Writes().back().atMs + 400);
    link->Stop();
    ASSERT_TRUE(Eventually([&] { return line->CountOf(CableCall::Close) == 1; }));
}

TEST_F(ControlLink, ErrorReplyFinishesTheRequestAndDropsWhatIsUndelivered) {
    Run([](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake) line.Deliver(Text("READY"), 1);
        if (written == StatusRequest) {
            line.Deliver(UnknownCodeReply, 20);
            line.Deliver(GsmTrace, 5);
            line.Deliver(StatusReply, 5);
        }
    });
    link->RequestStatus();
    WaitUntilAllRead(2);

    const auto events = FetchUntil(CtrlError);
    ASSERT_EQ(Codes(events), (std::vector<int>{250, 251, 255}));
    EXPECT_EQ(events[1].text, "RX(4): AE FF 01 52 ");
    EXPECT_EQ(events[2].text, "Ошибка: Нет такого кода команды");
    EXPECT_EQ(events[2].state, 0u);  // an error reply, not an error condition
    EXPECT_EQ(events[2].packet.data[0], 1);
    CtrlPacket packet;
    std::string text;
    EXPECT_EQ(link->FetchResult(&packet, &text), CtrlNothing);  // the trace and status: dropped
    EXPECT_EQ(link->PendingCount(), 0u);
    EXPECT_EQ(line->Writes(), (std::vector<Bytes>{Handshake, StatusRequest}));  // not sent again
}

TEST_F(ControlLink, GsmTraceIsLoggedWithoutTextAndShownAsText) {
    Run([](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake) {
            line.Deliver(Text("READY"), 1);
            line.Deliver(GsmTrace, 400);
        }
    });
    const auto events = FetchUntil(CtrlGsmTrace);
    ASSERT_EQ(Codes(events), (std::vector<int>{251, 210}));
    EXPECT_EQ(events[0].text, "");
    EXPECT_EQ(events[0].packet.length, 8);
    EXPECT_EQ(events[1].text, "TX: AT");
}

TEST_F(ControlLink, MissingCableIsReportedOnlyWhileSomethingIsPending) {
    line = std::make_unique<ScriptedCable>(&time);
    line->Inject(Fault::Detached());
    link = std::make_unique<FTDI_KorvelCtrl>(*line, time);
    link->Start();

    auto events = FetchUntil(CtrlError);
    EXPECT_EQ(Codes(events), (std::vector<int>{255}));
    EXPECT_EQ(events[0].text, "");
    EXPECT_EQ(events[0].state, 2u);
    link->RequestStatus();
    events = FetchUntil(CtrlError);
    EXPECT_EQ(events.back().text, "Кабель FTDI не найден.");
    EXPECT_EQ(line->CountOf(CableCall::OpenEx), 0);
    EXPECT_EQ(link->PendingCount(), 1u);

    // An error condition leaves the caller's packet as it was.
    CtrlPacket marked;
    marked.code = 0x77;
    marked.length = 5;
    std::string text;
    ASSERT_TRUE(Eventually([&] { return link->FetchResult(&marked, &text) == CtrlError; }));
    EXPECT_EQ(text, "Кабель FTDI не найден.");
    EXPECT_EQ(marked.code, 0x77);
    EXPECT_EQ(marked.length, 5);
}

TEST_F(ControlLink, StopDuringTheOpenRetryEndsItWithin100ms) {
    line = std::make_unique<ScriptedCable>(&time);
    line->Inject(Fault::Detached());
    link = std::make_unique<FTDI_KorvelCtrl>(*line, time);
    const std::size_t idleBefore = time.Sleeps().size();
    std::atomic<std::uint64_t> stoppedAt{0};
    int retrySleeps = 0;  // only touched by the link's thread
    time.OnSleep([&, stopper = link.get()](std::uint64_t now) {
        if (stoppedAt != 0 || time.Sleeps().back() != 100 || ++retrySleeps < 7) return;
        stopper->Stop();
        stoppedAt = now;
    });
    link->Start();
    ASSERT_TRUE(Eventually([&] { return stoppedAt != 0; }));
    link.reset();  // the hook above lives in this scope

    // Without a cable the clock moves by sleeps alone: an idle link never sleeps on it (it
    // waits to be started), and after Stop it leaves the 3-second wait at once.
    const auto sleeps = time.Sleeps();
    EXPECT_EQ(idleBefore, 0u);
    std::uint64_t at = 1000;
    std::size_t i = 0;
    std::uint32_t retries = 0;
    for (; at < stoppedAt; ++i) {
        at += sleeps[i];
        retries += sleeps[i] == 100;
    }
    EXPECT_EQ(retries, 7u);
    for (; i < sleeps.size(); ++i) at += sleeps[i];
    EXPECT_LE(at - stoppedAt, 100u);
    EXPECT_EQ(line->CountOf(CableCall::CreateDeviceInfoList), 1);
}

TEST_F(ControlLink, HandshakeCountsOnlyAWholeReady) {
    Run(Answering({{StatusRequest, StatusReply}},
                  {"", "READY\r\n", "ERROR", std::string("READY\0", 6), "READY"}));
    link->RequestStatus();
    FetchUntil(CtrlStatus);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(writes[i].bytes, Handshake);
    EXPECT_EQ(writes[5].bytes, StatusRequest);
    // Silence is retried at once after the 200 ms wait; a reply is read after 200 ms until
    // 50 ms of silence; "READY\r\n" is retried at once, "ERROR" in the next cycle.
    EXPECT_EQ(writes[1].atMs - writes[0].atMs, 200u);
    EXPECT_EQ(writes[2].atMs - writes[1].atMs, 250u);
    EXPECT_GE(writes[3].atMs - writes[2].atMs, 250u);
    EXPECT_LE(writes[3].atMs - writes[2].atMs, 260u);
}

TEST_F(ControlLink, AResetDuringTheHandshakeIsFollowedByAHandshakeOfItsOwn) {
    // As the SIM button does while the link waits for the modem's "READY".
    auto answer = Answering({{StatusRequest, StatusReply}});
    bool resetDone = false;
    Run([&](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake && !resetDone) {
            resetDone = true;
            link->ResetCtrlMode();
        }
        answer(written, line);
    });
    link->RequestStatus();
    FetchUntil(CtrlStatus);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].bytes, Handshake);
    EXPECT_EQ(writes[1].bytes, Handshake);
    EXPECT_EQ(writes[2].bytes, StatusRequest);
}

TEST_F(ControlLink, UnaskedReplyIsDeliveredAndDoesNotEndTheWait) {
    Run([this](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake) line.Deliver(Text("READY"), 1);
        if (written == SimRequest) {
            link->RequestStatus();  // waits behind the outstanding SIM switch
            line.Deliver(StatusReply, 5);
            line.Deliver(SimReply, 150);
        }
        if (written == StatusRequest) line.Deliver(StatusReply, 20);
    });
    link->RequestSimSwitch();
    const auto events = FetchUntil(CtrlSimSwitch);
    EXPECT_EQ(Codes(events), (std::vector<int>{250, 251, 12, 251, 5}));
    EXPECT_EQ(events[0].text, "TX(3): 51 05 AA ");
    ASSERT_TRUE(Eventually([&] { return Writes().size() >= 3; }));
    const auto writes = Writes();
    EXPECT_EQ(writes[1].bytes, SimRequest);
    EXPECT_EQ(writes[2].bytes, StatusRequest);
    EXPECT_GE(writes[2].atMs - writes[1].atMs, 150u);  // only after the SIM switch reply
}

TEST_F(ControlLink, CableFailureWhileWorkingIsReportedAndWorkGoesOn) {
    auto failed = std::make_shared<bool>(false);
    Run([failed](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake) line.Deliver(Text("READY"), 1);
        if (written == StatusRequest && !std::exchange(*failed, true)) {
            line.Inject(Fault::CallFails(CableCall::GetStatus, CableDeviceNotOpened, 1));
            line.Deliver(StatusReply, 30);
        }
    });
    // A reader that keeps pace with the link, fetching at every pause of the link's thread.
    std::mutex fetchedGuard;
    std::vector<Event> fetched;
    time.OnSleep([&, reader = link.get()](std::uint64_t) {
        Event event{};
        event.code = reader->FetchResult(&event.packet, &event.text);
        std::lock_guard guard(fetchedGuard);
        if (event.code != CtrlNothing) fetched.push_back(event);
    });
    link->RequestStatus();
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard guard(fetchedGuard);
        return !fetched.empty() && fetched.back().code == CtrlStatus;
    }));
    link.reset();  // the reader above lives in this scope
    // The failed query follows the send in the same cycle, and an error is fetched ahead of
    // the events that wait. The link holds until then, and reads the reply on the same handle
    // without asking again.
    ASSERT_EQ(Codes(fetched), (std::vector<int>{255, 250, 251, 12}));
    EXPECT_EQ(fetched[0].text,
              "Подключено более одного кабеля FTDI. Программирование возможно только через один "
              "подключенный кабель");
    EXPECT_EQ(line->CountOf(CableCall::OpenEx), 1);
    EXPECT_EQ(line->Writes(), (std::vector<Bytes>{Handshake, StatusRequest}));
}

TEST_F(ControlLink, ChattyModemLosesOnlyTrafficEvents) {
    constexpr std::size_t Capacity = 16;
    Run(
        [](const Bytes& written, ScriptedCable& line) {
            if (written == Handshake) line.Deliver(Text("READY"), 1);
            if (written == StatusRequest) {
                for (int i = 0; i < 100; ++i) line.Deliver(GsmTrace);
                line.Deliver(StatusReply);
                for (int i = 0; i < 100; ++i) line.Deliver(GsmTrace);
            }
        },
        Capacity);
    link->RequestStatus();
    WaitUntilAllRead(2);
    std::vector<int> codes;
    CtrlPacket packet;
    std::string text;
    for (int code; (code = link->FetchResult(&packet, &text)) != CtrlNothing;)
        codes.push_back(code);
    EXPECT_EQ(codes.size(), Capacity);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 12), 1);
    // 1 request, 201 frames received, 200 traces and 1 status reply; 16 kept.
    EXPECT_EQ(link->DroppedEvents(), 1u + 201u + 200u + 1u - Capacity);
}

TEST_F(ControlLink, FramesThatCameTogetherAreReadAtOnceAndFetchedInOneBatch) {
    const Bytes deviceTrace{0xAE, 0xD3, 0x00, 0x03, 0x10, 0x20, 0x30, 0x1C};
    Run([&](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake) line.Deliver(Text("READY"), 1);
        if (written == StatusRequest) {
            Bytes together = GsmTrace;
            together.insert(together.end(), StatusReply.begin(), StatusReply.end());
            together.insert(together.end(), deviceTrace.begin(), deviceTrace.end());
            together.insert(together.end(), GsmTrace.begin(), GsmTrace.begin() + 3);
            line.Deliver(together, 20);
            line.Deliver(Bytes(GsmTrace.begin() + 3, GsmTrace.end()), 40);  // the rest, later
        }
    });
    WaitUntilAllRead(1);
    const int readsBefore = line->CountOf(CableCall::Read);
    link->RequestStatus();
    WaitUntilAllRead(2);
    // One read takes the three whole frames and the start of the fourth, one waits for its
    // next byte, one takes the rest; the reader does not poll the cable.
    const auto reads = line->EventsOf(CableCall::Read);
    ASSERT_EQ(reads.size(), std::size_t(readsBefore) + 3);
    EXPECT_EQ(reads[readsBefore].bytes.size(), 29u);
    EXPECT_EQ(reads[readsBefore].args.at(0), 29u);

    std::vector<std::pair<int, std::string>> events;
    const auto take = [&](const CtrlResult& result) {
        events.emplace_back(result.code, result.text);
        if (result.code == CtrlStatus) {
            EXPECT_EQ(result.packet->data[0], 0x80);
        }
    };
    EXPECT_EQ(link->FetchResults(5, take), 5u);
    EXPECT_EQ(link->FetchResults(100, take), 4u);
    EXPECT_EQ(link->FetchResults(100, take), 0u);
    EXPECT_EQ(events, (std::vector<std::pair<int, std::string>>{
                          {250, "TX(3): 51 0C A3 "},
                          {251, ""},
                          {210, "TX: AT"},
                          {251, "RX(10): AE 0C 80 10 0E 74 0E 2C 2E CC "},
                          {12, ""},
                          {251, ""},
                          {211, "RX: 10 20 30 "},
                          {251, ""},
                          {210, "TX: AT"}}));
    EXPECT_EQ(link->PendingCount(), 0u);
}

TEST_F(ControlLink, EndlessCollectionIsLoggedByWhatTheBufferHolds) {
    auto armed = std::make_shared<std::atomic<bool>>(false);
    Run([armed](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake) line.Deliver(Text("READY"), 1);
        if (written == StatusRequest) *armed = true;
    });
    line->OnStatusQuery([&, armed] {
        if (!armed->exchange(false)) return;
        // The window's five-second rule strikes just as a modem starts sending without pause.
        link->ResetCtrlMode();
        line->Deliver(Bytes(5000, 0x41));
    });
    link->RequestStatus();
    auto events = FetchUntil(CtrlBytesReceived);
    // The request may time out meanwhile; its error comes first, however fast the reader is.
    std::erase_if(events, [](const Event& event) { return event.code == CtrlError; });
    ASSERT_EQ(Codes(events), (std::vector<int>{250, 251}));
    EXPECT_EQ(events[1].packet.length, 4095);
    EXPECT_EQ(events[1].text.size(), std::string("RX(4095): ").size() + 3 * 4095);
}

TEST_F(ControlLink, UnaskedFramesReachTheReaderWithTheirTexts) {
    const Bytes outputs{0xAE, 0x0D, 0x45};
    const Bytes key{0xAE, 0x03, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x2B};
    const Bytes deviceTrace{0xAE, 0xD3, 0x00, 0x03, 0x10, 0x20, 0x30, 0x1C};
    const Bytes paddedText{0xAE, 0xD2, 0x00, 0x05, ' ', 'O', 'K', '\r', '\n', 0x00, 0xAA};
    const Bytes noText{0xAE, 0xD2, 0x00, 0x00, 0x00, 0x80};
    const Bytes noData{0xAE, 0xD3, 0x01, 0x00, 0x7E};
    Bytes shifted{0x00};  // one stray byte ahead of a status reply, without a pause
    shifted.insert(shifted.end(), StatusReply.begin(), StatusReply.end());
    const std::string wrongHeader =
        "Ошибка: Неверный заголовок, ошибка контрольной суммы, неверная длина командного пакета";
    struct Case {
        const char* name;
        std::vector<Bytes> frames;  // each after a pause longer than the read time-out
        std::vector<std::pair<int, std::string>> events;
    };
    const std::vector<Case> cases = {
        {"outputs before any status",
         {outputs},
         {{251, "RX(3): AE 0D 45 "}, {13, "Установлено значение выходов: 00 "}}},
        {"outputs after a status",
         {StatusReply, outputs},
         {{251, "RX(10): AE 0C 80 10 0E 74 0E 2C 2E CC "},
          {12, ""},
          {251, "RX(3): AE 0D 45 "},
          {13, "Установлено значение выходов: 80 "}}},
        {"iButton key",
         {key},
         {{251, "RX(11): AE 03 01 02 03 04 05 06 07 08 2B "}, {3, "Получен код ключа IButton"}}},
        {"device trace", {deviceTrace}, {{251, ""}, {211, "RX: 10 20 30 "}}},
        {"GSM text with blanks and line end", {paddedText}, {{251, ""}, {210, "RX: OK"}}},
        {"empty traces", {noText, noData}, {{251, ""}, {210, "RX: "}, {251, ""}, {211, "TX: "}}},
        {"empty reply", {{0xAE, 0x00, 0x52}}, {{251, "RX(3): AE 00 52 "}, {0, ""}}},
        {"wrong checksum, code outside the table, wrong header",
         {{0xAE, 0x05, 0x4E}, {0xAE, 0x07, 0x4B}, {0xAF, 0x05, 0x4C}},
         {{251, "RX(3): AE 05 4E "}, {251, "RX(3): AE 07 4B "}, {251, "RX(3): AF 05 4C "}}},
        {"error reply 2 with nothing asked",
         {{0xAE, 0xFF, 0x02, 0x51}},
         {{251, "RX(4): AE FF 02 51 "}, {255, "Ошибка: Не допустимый параметр команды"}}},
        {"error reply 3",
         {{0xAE, 0xFF, 0x03, 0x50}},
         {{251, "RX(4): AE FF 03 50 "}, {255, wrongHeader}}},
        // No search for the header: the stray byte shifts every collection until silence.
        {"stray byte",
         {shifted},
         {{251, "RX(3): 00 AE 0C "},
          {251, "RX(3): 80 10 0E "},
          {251, "RX(3): 74 0E 2C "},
          {251, "RX(2): 2E CC "}}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        Run([frames = test.frames](const Bytes& written, ScriptedCable& line) {
            if (written != Handshake) return;
            line.Deliver(Text("READY"), 1);
            std::uint32_t after = 300;  // once the handshake reply has been read
            for (const auto& frame : frames) line.Deliver(frame, after += 100);
        });
        WaitUntilAllRead(1);
        // Read off the line is not yet handed over: the link may still be judging the last bytes.
        std::vector<std::pair<int, std::string>> events;
        Eventually(
            [&] {
                Event event{};
                while ((event.code = link->FetchResult(&event.packet, &event.text)) != CtrlNothing)
                    events.emplace_back(event.code, event.text);
                return events.size() >= test.events.size();
            },
            std::chrono::seconds(5));
        EXPECT_EQ(events, test.events);
        EXPECT_EQ(line->Writes(), (std::vector<Bytes>{Handshake}));  // nothing is answered
        link.reset();
    }
}

TEST_F(ControlLink, SpoiltExpectedReplyRunsIntoTheTimeLimitAndTheRequestIsSentAgain) {
    auto sends = std::make_shared<int>(0);
    Run([sends](const Bytes& written, ScriptedCable& line) {
        if (written == Handshake) line.Deliver(Text("READY"), 1);
        if (written != StatusRequest) return;
        Bytes reply = StatusReply;
        if ((*sends)++ == 0) reply.back() ^= 0x01;
        line.Deliver(reply, 20);
    });
    link->RequestStatus();
    EXPECT_EQ(link->PendingCount(), 1u);
    const auto events = FetchUntil(CtrlStatus);
    EXPECT_EQ(Codes(events), (std::vector<int>{250, 251, 250, 251, 12}));
    EXPECT_EQ(events[1].text, "RX(10): AE 0C 80 10 0E 74 0E 2C 2E CD ");
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[2].bytes, StatusRequest);
    EXPECT_GT(writes[2].atMs - writes[1].atMs, 200u);
    EXPECT_TRUE(Eventually([&] { return link->PendingCount() == 0; }));
}

TEST_F(ControlLink, PendingCountAndResetBeforeControlMode) {
    Run(Answering({}, {"ERROR"}));  // never in control mode: nothing is sent
    link->RequestStatus();
    link->RequestSimSwitch();
    link->RequestStatus();
    EXPECT_EQ(link->PendingCount(), 3u);
    ASSERT_TRUE(Eventually([&] { return Writes().size() >= 3; }));
    for (const auto& written : line->Writes()) EXPECT_EQ(written, Handshake);
    link->Reset();
    EXPECT_EQ(link->PendingCount(), 0u);
    CtrlPacket packet;
    std::string text;
    EXPECT_EQ(link->FetchResult(&packet, nullptr), CtrlNothing);
    EXPECT_EQ(link->FetchResult(nullptr, &text), CtrlNothing);
    EXPECT_EQ(link->FetchResult(&packet, &text), CtrlNothing);
    EXPECT_EQ(text, "");
}

TEST_F(ControlLink, CableFailureDuringTheHandshakeIsNotReportedAndTheHandshakeIsRepeated) {
    auto handshakes = std::make_shared<int>(0);
    Run([handshakes](const Bytes& written, ScriptedCable& line) {
        if (written == StatusRequest) line.Deliver(StatusReply, 20);
        if (written != Handshake) return;
        if ((*handshakes)++ == 0)
            line.Inject(Fault::CallFails(CableCall::GetStatus, CableDeviceNotOpened, 1));
        line.Deliver(Text("READY"), 1);
    });
    link->RequestStatus();
    const auto events = FetchUntil(CtrlStatus);
    EXPECT_EQ(Codes(events), (std::vector<int>{250, 251, 12}));
    const auto written = line->Writes();
    ASSERT_GE(written.size(), 3u);
    EXPECT_EQ(written[0], Handshake);
    EXPECT_EQ(written[1], Handshake);
    EXPECT_EQ(written.back(), StatusRequest);
    // Unreported, yet known to a reader that would reopen the cable; the reply cleared it.
    EXPECT_FALSE(link->CableFailing());
}

TEST_F(ControlLink, RequestsQueuedBehindATimedOutOneAreSentAfterTheNewHandshake) {
    Run(Answering({{SimRequest, SimReply}}));
    link->RequestStatus();
    link->RequestSimSwitch();
    EXPECT_EQ(link->PendingCount(), 2u);
    const auto beforeError = FetchUntil(CtrlError);
    EXPECT_EQ(beforeError.back().text, "Таймаут ожидания ответа, cmd = 12");
    // The error is fetched ahead of the last send's trace when the reader is slower than the
    // time limit, so that trace comes either side of it.
    auto events = FetchUntil(CtrlSimSwitch);
    EXPECT_EQ(Codes(beforeError).size() - 1 + Codes(events).size(), 6u);
    events.erase(events.begin(), events.end() - 3);
    EXPECT_EQ(Codes(events), (std::vector<int>{250, 251, 5}));
    EXPECT_EQ(line->Writes(), (std::vector<Bytes>{Handshake, StatusRequest, StatusRequest,
                                                  StatusRequest, Handshake, SimRequest}));
}

TEST_F(ControlLink, StartDropsWhatWasAskedBefore) {
    Run(Answering({{StatusRequest, StatusReply}}, {"ERROR"}));
    link->RequestStatus();
    link->Stop();
    link->Start();
    EXPECT_EQ(link->PendingCount(), 0u);
}

TEST_F(ControlLink, TimeLimitHoldsAcrossTheWrapOfTheTickCount) {
    constexpr std::uint64_t Wrap = std::uint64_t{1} << 32;
    // The handshake 250 ms before the wrap puts the first send at tick 0 exactly; 260 ms
    // before it, the wrap falls between the first send and its time limit.
    for (std::uint64_t before : {260u, 250u}) {
        SCOPED_TRACE(before);
        // Asked for as the first handshake goes out, so that the send follows its reply at once.
        auto asked = std::make_shared<bool>(false);
        Run([this, asked, before](const Bytes& written, ScriptedCable& line) {
            if (written != Handshake) return;
            if (!std::exchange(*asked, true)) {
                time.Advance(Wrap - time.NowMs() % Wrap - before);
                link->RequestStatus();
            }
            line.Deliver(Text("READY"), 1);
        });
        const auto events = FetchUntil(CtrlError);
        EXPECT_EQ(events.back().text, "Таймаут ожидания ответа, cmd = 12");
        const auto writes = Writes();
        ASSERT_GE(writes.size(), 4u);
        if (before == 250u) {
            EXPECT_EQ(writes[1].atMs % Wrap, 0u);
        } else {
            EXPECT_GT(writes[1].atMs % Wrap, Wrap - 100);
            EXPECT_LT(writes[2].atMs % Wrap, 1000u);
        }
        EXPECT_EQ(writes[1].bytes, StatusRequest);
        for (std::size_t i = 2; i < 4; ++i) {
            EXPECT_EQ(writes[i].bytes, StatusRequest);
            EXPECT_GT(writes[i].atMs - writes[i - 1].atMs, 200u);
            EXPECT_LE(writes[i].atMs - writes[i - 1].atMs, 220u);
        }
        link.reset();
    }
}

TEST_F(ControlLink, MissingCableIsLookedForEveryThreeSecondsWhetherOrNotTheErrorIsFetched) {
    line = std::make_unique<ScriptedCable>(&time);
    line->Inject(Fault::Detached());
    link = std::make_unique<FTDI_KorvelCtrl>(*line, time);
    std::mutex guard;
    std::vector<int> lookupsAtSleep;  // lookups made before each 100 ms sleep
    time.OnSleep([&](std::uint64_t) {
        if (time.Sleeps().back() != 100) return;
        std::lock_guard lock(guard);
        lookupsAtSleep.push_back(line->CountOf(CableCall::CreateDeviceInfoList));
    });
    link->Start();
    ASSERT_TRUE(Eventually([&] { return line->CountOf(CableCall::CreateDeviceInfoList) >= 4; }));
    EXPECT_TRUE(link->CableFailing());
    link.reset();  // the hook above lives in this scope
    for (int lookups : {1, 2, 3})
        EXPECT_EQ(std::count(lookupsAtSleep.begin(), lookupsAtSleep.end(), lookups), 30) << lookups;
}

}  // namespace
}  // namespace gsmprog
