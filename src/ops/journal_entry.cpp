// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_entry.h"

#include <charconv>
#include <iterator>
#include <cstring>

#include "ops/json_text.h"

namespace gsmprog {

namespace {

// The members of the stored line, in the order they are written; their names never change
// meaning within a version. A reader takes them in any order, but tries the written one first.
enum class Kind { Version, Operation, Result, Duration, Text, Bulk, Small };
struct Member {
    std::string_view name;
    Kind kind;
    std::string JournalEntry::*text = nullptr;          // Text and Bulk (the bytes in hex)
    std::optional<int> JournalEntry::*small = nullptr;  // Small
};
const Member Members[] = {
    {"v", Kind::Version},
    {"time", Kind::Text, &JournalEntry::time},
    {"op", Kind::Operation},
    {"result", Kind::Result},
    {"message", Kind::Text, &JournalEntry::message},
    {"duration_ms", Kind::Duration},
    {"user", Kind::Text, &JournalEntry::user},
    {"host", Kind::Text, &JournalEntry::host},
    {"program", Kind::Text, &JournalEntry::program},
    {"program_version", Kind::Text, &JournalEntry::programVersion},
    {"cable", Kind::Text, &JournalEntry::cable},
    {"port", Kind::Text, &JournalEntry::port},
    {"latency_ms", Kind::Small, nullptr, &JournalEntry::latencyMs},
    {"row", Kind::Small, nullptr, &JournalEntry::row},
    {"card", Kind::Text, &JournalEntry::cardNumber},
    {"object", Kind::Text, &JournalEntry::object},
    {"codes", Kind::Text, &JournalEntry::deviceCodes},
    {"date_changed", Kind::Text, &JournalEntry::dateChanged},
    {"modem_version", Kind::Text, &JournalEntry::modemVersion},
    {"crc", Kind::Text, &JournalEntry::imageCrc},
    {"prev_id", Kind::Text, &JournalEntry::previousId},
    {"image", Kind::Bulk, &JournalEntry::image},
    {"device", Kind::Small, nullptr, &JournalEntry::device},
    {"command", Kind::Bulk, &JournalEntry::command},
};
constexpr std::size_t MemberCount = std::size(Members);

// Names are a few letters: compared in place rather than by a call per name.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// The member named `name`, trying `expected` first; null for one this version does not know.
const Member* FindMember(std::string_view name, std::size_t expected) {
    if (expected < MemberCount && SameName(Members[expected].name, name)) return &Members[expected];
    for (const Member& member : Members)
        if (SameName(member.name, name)) return &member;
    return nullptr;
}

// Whether a string value is `word`.
bool TextIs(const JsonValue& value, std::string_view word) {
    if (value.kind != JsonValue::Kind::String) return false;
    return value.escaped ? JsonText(value) == word : SameName(value.raw, word);
}

constexpr JournalOperation Operations[] = {JournalOperation::Program, JournalOperation::Read,
                                           JournalOperation::WriteUo};
constexpr JournalResult Results[] = {JournalResult::Ok, JournalResult::Failed,
                                     JournalResult::Stopped};

class LineWriter {
public:
    void Text(std::string_view name, const std::string& value) {
        if (!value.empty()) Raw(name, value, true);
    }
    void Number(std::string_view name, std::int64_t value) {
        Raw(name, std::to_string(value), false);
    }
    void Number(std::string_view name, const std::optional<int>& value) {
        if (value) Number(name, *value);
    }
    std::string Finish() {
        line_ += "}\n";
        return std::move(line_);
    }

private:
    void Raw(std::string_view name, const std::string& value, bool quoted) {
        line_ += line_.empty() ? '{' : ',';
        AppendJsonString(line_, name);
        line_ += ':';
        if (quoted) AppendJsonString(line_, value);
        else line_ += value;
    }
    std::string line_;
};

std::optional<std::int64_t> Integer(const JsonValue& value) {
    if (value.kind != JsonValue::Kind::Number) return std::nullopt;
    std::int64_t number = 0;
    const char* end = value.raw.data() + value.raw.size();
    const auto [stop, error] = std::from_chars(value.raw.data(), end, number);
    if (error != std::errc{} || stop != end) return std::nullopt;
    return number;
}

std::optional<int> SmallInteger(const JsonValue& value) {
    // A few plain digits, as every line has them, without the general reading.
    const std::string_view raw = value.raw;
    if (value.kind == JsonValue::Kind::Number && !raw.empty() && raw.size() <= 6) {
        int number = 0;
        bool digits = true;
        for (char c : raw) {
            digits = digits && c >= '0' && c <= '9';
            number = number * 10 + (c - '0');
        }
        if (digits) return number;
    }
    const auto number = Integer(value);
    if (!number || *number < -1000000 || *number > 1000000) return std::nullopt;
    return int(*number);
}

}  // namespace

const char* OperationWord(JournalOperation operation) {
    switch (operation) {
    case JournalOperation::Program: return "program";
    case JournalOperation::Read: return "read";
    case JournalOperation::WriteUo: return "write-uo";
    }
    return "";
}

const char* ResultWord(JournalResult result) {
    switch (result) {
    case JournalResult::Ok: return "ok";
    case JournalResult::Failed: return "failed";
    case JournalResult::Stopped: return "stopped";
    }
    return "";
}

std::string JournalLine(const JournalEntry& entry) {
    LineWriter line;
    for (const Member& member : Members) {
        switch (member.kind) {
        case Kind::Version: line.Number(member.name, entry.version); break;
        case Kind::Operation: line.Text(member.name, OperationWord(entry.operation)); break;
        case Kind::Result: line.Text(member.name, ResultWord(entry.result)); break;
        case Kind::Duration: line.Number(member.name, entry.durationMs); break;
        case Kind::Text:
        case Kind::Bulk: line.Text(member.name, entry.*member.text); break;
        case Kind::Small: line.Number(member.name, entry.*member.small); break;
        }
    }
    return line.Finish();
}

bool ParseJournalLine(std::string_view line, JournalEntry& entry, JournalParts parts) {
    // Cleared, not made anew: a reader of many lines reuses the texts' memory.
    for (const Member& member : Members) {
        if (member.text) (entry.*member.text).clear();
        if (member.small) (entry.*member.small).reset();
    }
    entry.operation = JournalOperation::Program;
    entry.result = JournalResult::Failed;
    entry.durationMs = 0;
    std::optional<int> version;
    bool knownOperation = false;
    bool knownResult = false;
    std::size_t expected = 0;
    const auto take = [&](std::string_view name, const JsonValue& value) {
        const Member* member = FindMember(name, expected);
        if (member == nullptr) return;
        expected = std::size_t(member - Members) + 1;
        switch (member->kind) {
        case Kind::Version: version = SmallInteger(value); break;
        case Kind::Operation:
            for (JournalOperation operation : Operations)
                if (TextIs(value, OperationWord(operation)))
                    entry.operation = operation, knownOperation = true;
            break;
        case Kind::Result:
            for (JournalResult result : Results)
                if (TextIs(value, ResultWord(result))) entry.result = result, knownResult = true;
            break;
        case Kind::Duration: entry.durationMs = Integer(value).value_or(0); break;
        case Kind::Bulk:
            if (parts != JournalParts::All) break;
            [[fallthrough]];
        case Kind::Text:
            // A member of the wrong kind is left out, as an unknown one is.
            if (value.kind != JsonValue::Kind::String) break;
            if (value.escaped) entry.*member->text = JsonText(value);
            else (entry.*member->text).assign(value.raw);
            break;
        case Kind::Small: entry.*member->small = SmallInteger(value); break;
        }
    };
    if (!ScanJsonObject(line, take) || !version || *version < 1 || *version > JournalVersion ||
        entry.time.empty() || !knownOperation || !knownResult)
        return false;
    entry.version = *version;
    return true;
}

std::optional<JournalEntry> ParseJournalLine(std::string_view line, JournalParts parts) {
    JournalEntry entry;
    if (!ParseJournalLine(line, entry, parts)) return std::nullopt;
    return entry;
}

}  // namespace gsmprog
