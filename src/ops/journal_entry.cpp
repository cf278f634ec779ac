// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/journal_entry.h"

#include <charconv>
#include <cstring>

#include "ops/json_text.h"

namespace gsmprog {

namespace {

// Member names of the stored line; they never change meaning within a version.
namespace key {
constexpr std::string_view Version = "v", Time = "time", Operation = "op", Result = "result",
                           Message = "message", Duration = "duration_ms", User = "user",
                           Host = "host", Program = "program", ProgramVersion = "program_version",
                           Cable = "cable", Port = "port", Latency = "latency_ms", Row = "row",
                           Card = "card", Object = "object", Codes = "codes",
                           DateChanged = "date_changed", ModemVersion = "modem_version",
                           Crc = "crc", PreviousId = "prev_id", Image = "image", Device = "device",
                           Command = "command";
}  // namespace key

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
    line.Number(key::Version, entry.version);
    line.Text(key::Time, entry.time);
    line.Text(key::Operation, OperationWord(entry.operation));
    line.Text(key::Result, ResultWord(entry.result));
    line.Text(key::Message, entry.message);
    line.Number(key::Duration, entry.durationMs);
    line.Text(key::User, entry.user);
    line.Text(key::Host, entry.host);
    line.Text(key::Program, entry.program);
    line.Text(key::ProgramVersion, entry.programVersion);
    line.Text(key::Cable, entry.cable);
    line.Text(key::Port, entry.port);
    line.Number(key::Latency, entry.latencyMs);
    line.Number(key::Row, entry.row);
    line.Text(key::Card, entry.cardNumber);
    line.Text(key::Object, entry.object);
    line.Text(key::Codes, entry.deviceCodes);
    line.Text(key::DateChanged, entry.dateChanged);
    line.Text(key::ModemVersion, entry.modemVersion);
    line.Text(key::Crc, entry.imageCrc);
    line.Text(key::PreviousId, entry.previousId);
    line.Text(key::Image, entry.image);
    line.Number(key::Device, entry.device);
    line.Text(key::Command, entry.command);
    return line.Finish();
}

std::optional<JournalEntry> ParseJournalLine(std::string_view line, JournalParts parts) {
    JournalEntry entry;
    std::optional<int> version;
    bool knownOperation = false;
    bool knownResult = false;
    const bool scanned = ScanJsonObject(line, [&](std::string_view name, const JsonValue& value) {
        // A member of the wrong kind is left out, as an unknown one is.
        auto text = [&](std::string& field) {
            if (value.kind == JsonValue::Kind::String) field = JsonText(value);
        };
        if (name == key::Version) version = SmallInteger(value);
        else if (name == key::Time) text(entry.time);
        else if (name == key::Operation) {
            const std::string word = JsonText(value);
            for (JournalOperation operation : Operations)
                if (word == OperationWord(operation))
                    entry.operation = operation, knownOperation = true;
        } else if (name == key::Result) {
            const std::string word = JsonText(value);
            for (JournalResult result : Results)
                if (word == ResultWord(result)) entry.result = result, knownResult = true;
        } else if (name == key::Message) text(entry.message);
        else if (name == key::Duration) entry.durationMs = Integer(value).value_or(0);
        else if (name == key::User) text(entry.user);
        else if (name == key::Host) text(entry.host);
        else if (name == key::Program) text(entry.program);
        else if (name == key::ProgramVersion) text(entry.programVersion);
        else if (name == key::Cable) text(entry.cable);
        else if (name == key::Port) text(entry.port);
        else if (name == key::Latency) entry.latencyMs = SmallInteger(value);
        else if (name == key::Row) entry.row = SmallInteger(value);
        else if (name == key::Card) text(entry.cardNumber);
        else if (name == key::Object) text(entry.object);
        else if (name == key::Codes) text(entry.deviceCodes);
        else if (name == key::DateChanged) text(entry.dateChanged);
        else if (name == key::ModemVersion) text(entry.modemVersion);
        else if (name == key::Crc) text(entry.imageCrc);
        else if (name == key::PreviousId) text(entry.previousId);
        else if (name == key::Image) {
            if (parts == JournalParts::All) text(entry.image);
        } else if (name == key::Device) entry.device = SmallInteger(value);
        else if (name == key::Command) {
            if (parts == JournalParts::All) text(entry.command);
        }
    });
    if (!scanned || !version || *version < 1 || *version > JournalVersion || entry.time.empty() ||
        !knownOperation || !knownResult)
        return std::nullopt;
    entry.version = *version;
    return entry;
}

}  // namespace gsmprog
