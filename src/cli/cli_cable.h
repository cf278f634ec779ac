// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the commands that talk to a modem share: the cable option
// [--cable SERIAL | --port PATH], the cable it names, and a stop by SIGINT or SIGTERM.

#include <signal.h>

#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/listed_cable.h"
#include "link/cable.h"
#include "link/ftdi_controller.h"
#include "cli/cli_exchange_journal.h"
#include "cli/heard_cable.h"
#include "ops/link_outcome.h"

namespace gsmprog::cli {

struct CableChoice {
    std::string serial;          // --cable: this cable of the cable list
    std::filesystem::path port;  // --port: this serial device alone
};

// Takes the cable option out of `args`. Prints the reason and returns ExitUsage for a
// missing value, both options at once, a serial number that cannot be one, or a port that is
// no serial device (a file, a directory, /dev/null).
int TakeCableOption(std::vector<std::string>& args, CableChoice& choice);

// The cable list the choice stands for: every FTDI and virtual cable, or the one port.
std::unique_ptr<Cable> MakeCable(const CableChoice& choice);
// The cable `serial` as that list shows it now; nothing when it is not there (any more).
std::optional<ListedCable> FindListedCable(const CableChoice& choice, const std::string& serial);

// The serial numbers the cable list of `choice` holds now, in list order; empty when it
// cannot be read.
std::vector<std::string> AttachedSerials(const CableChoice& choice);

// For an open of the cable `serial` (--cable) that gave `opened` because no such cable is
// attached: the reason, naming the cables that are. Empty for any other failure, for no
// serial number, and when the cable has turned up since.
std::string UnknownCableText(const std::string& serial, CableResult opened,
                             const CableFailure& failure);

// Blocks SIGINT and SIGTERM from its construction on, in this thread and in every thread
// started afterwards (so create it before any cable), and restores them at the end.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Runs `work` in a worker thread and waits for it, calling `watch` (when given) every few
    // milliseconds meanwhile. A SIGINT or SIGTERM calls `stop` once (the work is expected to
    // end soon after). True when a signal came.
    bool Run(const std::function<void()>& work, const std::function<void()>& stop,
             const std::function<void()>& watch = {});

private:
    sigset_t previous_;
};

// The cable of the choice looked for and opened for a link in a worker from construction on,
// so that the scan of the system's ports runs while the command loads and checks its cards.
// Opening sends the modem nothing: only the exchange talks to it. Create it after StopSignals
// and destroy it before the link (the destruction waits for the open).
class OpeningCable {
public:
    OpeningCable(FTDI_Controller& link, const CableChoice& choice);
    // Waits for the open and tells how it went; once.
    CableResult Opened() { return opened_.get(); }

private:
    std::future<CableResult> opened_;
};

struct LinkOutcome : gsmprog::LinkOutcome {
    bool stopped = false;       // by a signal
    CableFailure cableFailure;  // the cable's last failure when the exchange ended
    std::string serial;         // the cable asked for; empty for the first of the list
};

// Waits for the cable to open, hands the payload over and Starts the link, in a worker; a
// signal stops the link. The link waits for a silent modem until it is stopped, as the window
// does; after a few seconds without a byte from the modem that is said once on stderr, with
// how to stop. The exchange, whatever its end, goes into `journal`.
LinkOutcome RunLink(StopSignals& stopSignals, FTDI_Controller& link, const HeardCable& cable,
                    OpeningCable& opening, const CableChoice& choice, ExchangeJournal& journal,
                    const std::uint8_t* payload = nullptr, std::int32_t length = 0);

// ExitSuccess for a finished exchange. Otherwise prints what the window would say (the
// stop message, or `failedHeader` and the reason) and returns the exit code. The end goes
// into `journal`: stopped, failed with that message, or done (`doneText`), which the command
// may still correct when what came back does not serve.
int ReportOutcome(const LinkOutcome& outcome, LinkOperation operation, const char* failedHeader,
                  const char* stoppedText, const char* doneText, ExchangeJournal& journal);

// Prints a utility text, which may span lines, on stderr.
void PrintText(const std::string& text);

}  // namespace gsmprog::cli
