// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_cable.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <iostream>
#include <thread>

#include "cable/serial_cable.h"
#include "cable/system_listing.h"
#include "cards/error_text.h"
#include "cli/cli_cards.h"
#include "cli/cli_command.h"
#include "ports/cable_directory.h"
#include "ports/single_port.h"

namespace gsmprog::cli {

namespace {

constexpr auto SilenceNotice = std::chrono::seconds(3);
constexpr int WatchIntervalMs = 20;
constexpr const char* WaitingText = "Модем не отвечает, ожидание ответа. Остановить — Ctrl-C.";

// A descriptor closed at the end of its scope; -1 when it could not be had.
struct Descriptor {
    explicit Descriptor(int opened) : fd(opened) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    const int fd;
};

sigset_t StopSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

// Why `port` cannot be a cable's serial device; empty when it may be one. A path that does
// not exist, or a device that cannot be opened now, is left to the link, which says why; one
// that cannot even be looked at (a name too long, a loop of links, a folder closed to you) is
// told with the system's reason.
std::string NotSerialReason(const std::filesystem::path& port) {
    struct stat info {};
    if (::stat(port.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR
                   ? std::string()
                   : "порт " + port.string() + " не проверить: " + ReadErrorText(errno);
    if (S_ISCHR(info.st_mode)) {
        const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return {};
        const bool terminal = ::isatty(fd) != 0;
        ::close(fd);
        if (terminal) return {};
    }
    return port.string() +
           " — не последовательный порт; --port ждёт устройство кабеля, "
           "например /dev/ttyUSB0";
}

}  // namespace

int TakeCableOption(std::vector<std::string>& args, CableChoice& choice) {
    std::vector<std::string> rest;
    bool seen = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg != "--cable" && arg != "--port") {
            rest.push_back(arg);
            continue;
        }
        if (i + 1 >= args.size()) return UsageError("после " + arg + " нужно значение");
        if (seen) return UsageError("укажите только один из ключей --cable и --port");
        seen = true;
        const std::string& value = args[++i];
        if (arg == "--port") {
            // An empty path would leave the choice empty, which means the first cable.
            if (value.empty())
                return UsageError("после --port нужен путь к порту, например /dev/ttyUSB0");
            if (const std::string reason = NotSerialReason(value); !reason.empty())
                return UsageError(reason);
            choice.port = value;
        } else if (!IsValidCableSerial(value)) {
            return UsageError("серийный номер кабеля — от 1 до 15 печатных символов: " + value);
        } else {
            choice.serial = value;
        }
    }
    args = std::move(rest);
    return ExitSuccess;
}

namespace {
std::unique_ptr<CableListing> MakeListing(const CableChoice& choice) {
    if (!choice.port.empty()) return std::make_unique<SinglePortListing>(choice.port);
    return std::make_unique<SystemListing>(DefaultCableDirectory());
}
}  // namespace

std::unique_ptr<Cable> MakeCable(const CableChoice& choice) {
    return std::make_unique<SerialCable>(MakeListing(choice));
}

std::optional<ListedCable> FindListedCable(const CableChoice& choice, const std::string& serial) {
    if (serial.empty()) return std::nullopt;
    for (ListedCable& listed : MakeListing(choice)->List())
        if (listed.serialNumber == serial) return std::move(listed);
    return std::nullopt;
}

std::vector<std::string> AttachedSerials(const CableChoice& choice) {
    const auto cable = MakeCable(choice);
    CableInfo list[DevListCapacity];
    std::uint32_t count = 0;
    if (cable->CreateDeviceInfoList(&count) != CableOk || count == 0 ||
        cable->GetDeviceInfoList(list, DevListCapacity, &count) != CableOk)
        return {};
    std::vector<std::string> serials;
    for (std::uint32_t i = 0; i < count; ++i)
        serials.emplace_back(list[i].SerialNumber,
                             strnlen(list[i].SerialNumber, sizeof list[i].SerialNumber));
    return serials;
}

std::string UnknownCableText(const std::string& serial, CableResult opened,
                             const CableFailure& failure) {
    if (serial.empty() || opened != CableDriverFailure ||
        failure.kind != CableFailureKind::NotFound)
        return {};
    const std::vector<std::string> attached = AttachedSerials({});
    if (attached.empty() || std::find(attached.begin(), attached.end(), serial) != attached.end())
        return {};
    std::string names;
    for (const std::string& name : attached) names += (names.empty() ? "" : ", ") + name;
    return "Кабеля с серийным номером " + serial + " нет. Подключены: " + names + ".";
}

StopSignals::StopSignals() {
    const sigset_t set = StopSet();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

StopSignals::~StopSignals() {
    // A signal that came after the work ended is dropped, not delivered late.
    const sigset_t set = StopSet();
    const timespec none{0, 0};
    while (sigtimedwait(&set, nullptr, &none) > 0) {}
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

bool StopSignals::Run(const std::function<void()>& work, const std::function<void()>& stop,
                      const std::function<void()>& watch) {
    const sigset_t set = StopSet();
    // The wait ends at once on a stop signal and on the end of the work, so the command ends
    // as soon as its exchange does. Without either descriptor the watch interval still brings
    // the loop round.
    const Descriptor stopSignal(::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
    const Descriptor workEnded(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
        ::eventfd_write(workEnded.fd, 1);
    });
    pollfd waits[] = {{stopSignal.fd, POLLIN, 0}, {workEnded.fd, POLLIN, 0}};
    const timespec none{0, 0};
    bool stopped = false;
    while (!done) {
        ::poll(waits, 2, WatchIntervalMs);
        if (sigtimedwait(&set, nullptr, &none) > 0 && !stopped) {
            stopped = true;
            stop();
        }
        if (watch) watch();
    }
    worker.join();
    return stopped;
}

OpeningCable::OpeningCable(FTDI_Controller& link, const CableChoice& choice) {
    link.SetSerial(choice.serial);
    opened_ = std::async(std::launch::async, [&link] { return link.Open(); });
}

LinkOutcome RunLink(StopSignals& stopSignals, FTDI_Controller& link, const HeardCable& cable,
                    OpeningCable& opening, const CableChoice& choice, ExchangeJournal& journal,
                    const std::uint8_t* payload, std::int32_t length) {
    LinkOutcome outcome;
    bool told = false;
    journal.Begin();
    outcome.stopped = stopSignals.Run(
        [&] {
            static_cast<gsmprog::LinkOutcome&>(outcome) =
                RunOpenedExchange(link, opening.Opened(), payload, length);
        },
        [&] { link.Stop(); },
        [&] {
            if (told || HeardCable::Clock::now() - cable.LastHeard() < SilenceNotice) return;
            told = true;
            PrintText(WaitingText);
        });
    outcome.cableFailure = cable.LastFailure();
    outcome.serial = link.SerialNumber;
    journal.Exchanged(link, choice);
    return outcome;
}

int ReportOutcome(const LinkOutcome& outcome, LinkOperation operation, const char* failedHeader,
                  const char* stoppedText, const char* doneText, ExchangeJournal& journal) {
    // A signal that came after the exchange had already finished with the device's
    // confirmation stops nothing: the modem holds the new settings, so they are recorded.
    if (outcome.stopped && outcome.result != LinkDone) {
        PrintText(stoppedText);
        journal.End(JournalResult::Stopped, stoppedText);
        return ExitStopped;
    }
    if (outcome.Done()) {
        journal.End(JournalResult::Ok, doneText);
        return ExitSuccess;
    }
    // A busy cable is named as such rather than the driver blamed; a missing one is followed
    // by what the system shows of it.
    const char* busy = BusyCableText(outcome.opened, outcome.cableFailure);
    const std::string unknown =
        UnknownCableText(outcome.serial, outcome.opened, outcome.cableFailure);
    std::string message =
        std::string(failedHeader) + (busy               ? busy
                                     : !unknown.empty() ? unknown.c_str()
                                                        : FailureReason(operation, outcome));
    if (const char* note = MissingCableNote(outcome.opened, outcome.cableFailure))
        message += std::string("\n") + note;
    if (const std::string silence = SilenceText(outcome.silence); !silence.empty())
        message += "\n" + silence;
    PrintText(message);
    journal.End(JournalResult::Failed, std::move(message));
    if (outcome.opened != CableOpened) return ExitCableFailure;
    return outcome.result == LinkCableFailure ? ExitCableFailure : ExitDeviceFailure;
}

void PrintText(const std::string& text) { std::cerr << text << "\n"; }

}  // namespace gsmprog::cli
