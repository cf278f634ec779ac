#include "cli/cli_exchange_journal.h"

#include <cstring>

#include "ports/latency_timer.h"
#include "cli/cli_cable.h"
#include "cli/cli_cards.h"
#include "ops/journal_append.h"

namespace gsmprog::cli {

namespace {
// What a link's Version holds when the modem named none.
constexpr const char* NoVersion = "Н/Д";
}  // namespace

ExchangeJournal::ExchangeJournal(JournalOperation operation) {
    facts_.operation = operation;
    facts_.program = "gsmprog-cli";
}

ExchangeJournal::~ExchangeJournal() {
    if (!begun_) return;
    const std::filesystem::path journal = JournalFile();
    const std::string failure = AppendJournalLine(journal, JournalLine(BuildJournalEntry(facts_)));
    if (!failure.empty()) PrintFailure(JournalFailureText(journal, failure));
}

void ExchangeJournal::Begin() {
    begun_ = true;
    facts_.started = std::chrono::system_clock::now();
    start_ = std::chrono::steady_clock::now();
}

void ExchangeJournal::Exchanged(const FTDI_Controller& link, const CableChoice& choice) {
    facts_.duration =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_);
    // Without --cable the link opens the first cable of its list.
    facts_.cable = link.SerialNumber;
    if (facts_.cable.empty())
        facts_.cable.assign(link.DevList[0].SerialNumber,
                            strnlen(link.DevList[0].SerialNumber, sizeof link.DevList[0].SerialNumber));
    facts_.port = choice.port;
    if (const auto listed = FindListedCable(choice, facts_.cable)) {
        facts_.port = listed->device;
        facts_.latencyMs = ReadLatencyTimer(*listed);
    }
    if (link.Version != NoVersion) facts_.modemVersion = link.Version;
    if (facts_.operation == JournalOperation::Read && link.DataLen > 0)
        facts_.image.assign(link.Data, link.Data + link.DataLen);
}

void ExchangeJournal::End(JournalResult result, std::string message) {
    facts_.result = result;
    facts_.message = std::move(message);
}

}  // namespace gsmprog::cli
