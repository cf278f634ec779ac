// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/operation_facts.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "cards/card_fields.h"
#include "ops/read_result.h"
#include "ops/hex_text.h"
#include "ops/journal_time.h"
#include "program_version.h"
#include "text/charset.h"

namespace gsmprog {

namespace {

// The account the program runs as; the environment only when the system names none.
std::string LoginName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr)
        return found->pw_name;
    for (const char* name : {"LOGNAME", "USER"})
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') return value;
    return std::to_string(::geteuid());
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    return HexText(bytes.data(), bytes.size());
}

}  // namespace

JournalEntry BuildJournalEntry(const OperationFacts& facts) {
    JournalEntry entry;
    entry.time = LocalIsoTime(facts.started);
    entry.operation = facts.operation;
    entry.result = facts.result;
    entry.message = facts.message;
    entry.durationMs = facts.duration.count();
    entry.user = LoginName();
    entry.host = HostName();
    entry.program = facts.program;
    entry.programVersion = ProgramVersion;
    entry.cable = facts.cable;
    entry.port = facts.port;
    entry.latencyMs = facts.latencyMs;
    if (facts.card) {
        const CardRecord& card = *facts.card;
        if (facts.slot >= 0) entry.row = facts.slot + 1;
        entry.cardNumber = Win1251ToUtf8(FieldText(card.NCardEdit));
        entry.object = Win1251ToUtf8(FieldText(card.Edit1));
        entry.deviceCodes = UoCodesText(card);
        entry.dateChanged = CardDateIso(card.DateChanged);
    }
    entry.modemVersion = facts.modemVersion;
    if (facts.imageCrc) entry.imageCrc = ProgIdText(*facts.imageCrc);
    if (facts.previousId) entry.previousId = ProgIdText(*facts.previousId);
    entry.image = Hex(facts.image);
    if (facts.device) entry.device = *facts.device + 1;
    entry.command = Hex(facts.command);
    return entry;
}

}  // namespace gsmprog
