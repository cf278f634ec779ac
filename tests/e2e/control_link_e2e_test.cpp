// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The control link over the real cable and a real pseudo-terminal, against gsmprog-vmodem:
// status, SIM switch, traces, and a modem that goes away in the middle of a session.

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "prog/ctrl_status.h"
#include "prog/ftdi_korvel_ctrl.h"
#include "cable/serial_cable.h"
#include "support/vmodem_process.h"

namespace gsmprog::test {
namespace {

struct Event {
    int code = CtrlNothing;
    std::string text;
    CtrlPacket packet;
    std::uint32_t state = 0;
};

class ControlOverPty : public ::testing::Test {
protected:
    void Start(std::vector<std::string> args = {}) {
        VmodemSetup setup;
        setup.args = std::move(args);
        modem = std::make_unique<VmodemProcess>(setup);
        ASSERT_TRUE(modem->Started()) << modem->Log();
        cable = std::make_unique<SerialCable>(modem->CableDir());
        link = std::make_unique<FTDI_KorvelCtrl>(*cable);
        link->Start();
    }

    // Takes events as the control window does, every 10 ms, until one with `code` (or
    // `limit` passes); returns all taken.
    std::vector<Event> FetchUntil(int code, std::chrono::seconds limit = std::chrono::seconds(10)) {
        std::vector<Event> events;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            Event event;
            event.code = link->FetchResult(&event.packet, &event.text, &event.state);
            if (event.code == CtrlNothing) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            events.push_back(event);
            if (event.code == code) return events;
        }
        ADD_FAILURE() << "no event " << code << " after " << events.size() << " events";
        return events;
    }

    static bool Has(const std::vector<Event>& events, int code, const std::string& text) {
        for (const auto& event : events)
            if (event.code == code && event.text == text) return true;
        return false;
    }

    std::unique_ptr<VmodemProcess> modem;
    std::unique_ptr<SerialCable> cable;
    std::unique_ptr<FTDI_KorvelCtrl> link;  // last: goes first
};

TEST_F(ControlOverPty, StatusThenSimSwitchThenStatus) {
    Start({"--bat-off", "3600", "--bat-on", "3700", "--supply", "11820"});
    link->RequestStatus();
    auto events = FetchUntil(CtrlStatus);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[events.size() - 3].text, "TX(3): 51 0C A3 ");
    EXPECT_EQ(events[events.size() - 2].text, "RX(10): AE 0C 00 10 0E 74 0E 2C 2E 4C ");
    CtrlStatusFields fields = StatusFields(events.back().packet);
    EXPECT_EQ(fields.simNumber, 1);
    EXPECT_EQ(fields.batVolt1, 3600);
    EXPECT_EQ(fields.batVolt2, 3700);
    EXPECT_EQ(fields.pwrVolt, 11820);

    // As the window's SIM button: drop what is pending, queue the switch, handshake first.
    link->Reset();
    link->RequestSimSwitch();
    link->ResetCtrlMode();
    events = FetchUntil(CtrlSimSwitch);
    EXPECT_TRUE(Has(events, CtrlBytesSent, "TX(3): 51 05 AA "));
    EXPECT_TRUE(Has(events, CtrlBytesReceived, "RX(3): AE 05 4D "));
    EXPECT_EQ(link->PendingCount(), 0u);

    link->RequestStatus();
    events = FetchUntil(CtrlStatus);
    EXPECT_EQ(StatusFields(events.back().packet).simNumber, 2);
    EXPECT_NE(modem->Log().find("управление: запрос 51 05 AA"), std::string::npos) << modem->Log();
}

TEST_F(ControlOverPty, TracesArriveAsTexts) {
    Start({"--traces", "20"});
    auto events = FetchUntil(CtrlDeviceTrace);
    const auto more = FetchUntil(CtrlGsmTrace);
    events.insert(events.end(), more.begin(), more.end());
    EXPECT_TRUE(Has(events, CtrlGsmTrace, "TX: AT+CSQ"));
    EXPECT_TRUE(Has(events, CtrlDeviceTrace, "TX: 01 10 00 "));
    // The raw bytes of traces come without a text, ahead of their trace.
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].code != CtrlGsmTrace && events[i].code != CtrlDeviceTrace) continue;
        ASSERT_GT(i, 0u);
        EXPECT_EQ(events[i - 1].code, CtrlBytesReceived);
        EXPECT_EQ(events[i - 1].text, "");
    }
}

TEST_F(ControlOverPty, ErrorReplyAndTimeoutOfTheRealModem) {
    Start({"--ctrl-error-reply", "3"});
    link->RequestStatus();
    auto events = FetchUntil(CtrlError);
    EXPECT_EQ(
        events.back().text,
        "Ошибка: Неверный заголовок, ошибка контрольной суммы, неверная длина командного пакета");
    link.reset();
    modem.reset();

    Start({"--ctrl-silent"});
    link->RequestSimSwitch();
    events = FetchUntil(CtrlError);
    EXPECT_EQ(events.back().text, "Таймаут ожидания ответа, cmd = 5");
    EXPECT_EQ(events.back().state, 54u);
    int sends = 0;
    for (const auto& event : events) sends += event.text == "TX(3): 51 05 AA ";
    EXPECT_EQ(sends, 3);
}

TEST_F(ControlOverPty, ModemGoneMidSessionIsReportedAndTheLinkRunsOn) {
    Start({"--traces", "50"});
    link->RequestStatus();
    FetchUntil(CtrlStatus);
    modem->Stop(SIGKILL);
    const auto events = FetchUntil(CtrlError);
    EXPECT_NE(events.back().state, 0u);
    EXPECT_TRUE(link->IsRunning());
    // Further polling neither blocks nor crashes; the errors keep coming while the cable
    // is unusable.
    link->RequestStatus();
    FetchUntil(CtrlError);
    link->Stop();
}

}  // namespace
}  // namespace gsmprog::test
