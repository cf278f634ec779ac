#pragma once
// The journal entry of a command's exchange with a modem. The command notes what it sends and
// for which card; RunLink notes the cable and what came back, ReportOutcome how it ended; the
// entry is appended when the command is done with it, whatever the end. A journal that cannot
// be written is said once on stderr and changes nothing else. Create it after StopSignals, so
// that the line is written before a second Ctrl-C could end the command.

#include <chrono>

#include "link/ftdi_controller.h"
#include "ops/operation_facts.h"

namespace gsmprog::cli {

struct CableChoice;

class ExchangeJournal {
public:
    explicit ExchangeJournal(JournalOperation operation);
    // Appends the entry when an exchange was begun.
    ~ExchangeJournal();
    ExchangeJournal(const ExchangeJournal&) = delete;
    ExchangeJournal& operator=(const ExchangeJournal&) = delete;

    OperationFacts& Facts() { return facts_; }

    // The exchange begins now.
    void Begin();
    // It ended: the cable it ran on and what the modem gave back.
    void Exchanged(const FTDI_Controller& link, const CableChoice& choice);
    // How it ended, with the message the user was given.
    void End(JournalResult result, std::string message);

private:
    OperationFacts facts_;
    bool begun_ = false;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace gsmprog::cli
