// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One entry of the operations journal: an exchange with a modem as it ended, who ran it, on
// which cable, for which card, and what went over the line. Stored as one JSON object per
// line (UTF-8); a reader takes what it knows and leaves the rest.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gsmprog {

// The version a line is written with; lines of a later version are skipped by this reader.
inline constexpr int JournalVersion = 1;

enum class JournalOperation { Program, Read, WriteUo };
enum class JournalResult { Ok, Failed, Stopped };

struct JournalEntry {
    int version = JournalVersion;
    std::string time;  // local ISO 8601 with offset, "2026-12-07T10:42:13+03:00"
    JournalOperation operation = JournalOperation::Program;
    JournalResult result = JournalResult::Failed;
    std::string message;  // the message the user saw
    std::int64_t durationMs = 0;

    // Who and where.
    std::string user;
    std::string host;
    std::string program;  // "gsmprog-cli", "gsmprog"
    std::string programVersion;
    std::string cable;             // the cable's serial number
    std::string port;              // its device
    std::optional<int> latencyMs;  // its latency timer, when it has one

    // The card (UTF-8 texts), when the exchange had one.
    std::optional<int> row;  // grid row 1..9000
    std::string cardNumber;
    std::string object;
    std::string deviceCodes;  // as the card list shows them, "1234 + 4000000000"
    std::string dateChanged;  // the card's DateChanged then, "2026-12-07T10:40:00"

    // The modem.
    std::string modemVersion;   // the DEVICE reply; empty when none came
    std::string imageCrc;       // the image's ID, four hex digits
    std::string previousId;     // ProgID1 before a programming
    std::string image;          // the image written or read, upper-case hex
    std::optional<int> device;  // object device 1..4 of a write
    std::string command;        // its command bytes, hex
};

// "program", "read", "write-uo"; "ok", "failed", "stopped": the words of the stored line.
const char* OperationWord(JournalOperation operation);
const char* ResultWord(JournalResult result);

// The entry as one JSON line, with its line feed.
std::string JournalLine(const JournalEntry& entry);

// What of an entry is taken: all, or what a listing shows (the image and command bytes, the
// bulk of a line, are then checked as JSON but not copied).
enum class JournalParts { All, Listed };

// The entry a journal line holds (without its line feed). Nothing for a line that is no JSON
// object, lacks the version, time, operation or result, names an operation or result this
// version does not know, or has a later version.
std::optional<JournalEntry> ParseJournalLine(std::string_view line,
                                             JournalParts parts = JournalParts::All);
// The same into `entry`, whose texts' memory is reused; false (and `entry` undefined) for a
// line that gives none.
bool ParseJournalLine(std::string_view line, JournalEntry& entry, JournalParts parts);

}  // namespace gsmprog
