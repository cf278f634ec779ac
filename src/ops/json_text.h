// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The little JSON the operations journal needs: strings written escaped, and one object per
// line scanned member by member. Values the journal does not use (nested objects, arrays,
// true/false/null) are stepped over whole, so a line from a newer gsmprog still reads.

#include <concepts>
#include <memory>
#include <type_traits>
#include <string>
#include <string_view>

namespace gsmprog {

// Appends `text` to `out` as a JSON string in quotes. A byte that is not part of valid UTF-8
// becomes U+FFFD, so the line stays valid whatever a host name or login holds.
void AppendJsonString(std::string& out, std::string_view text);

struct JsonValue {
    enum class Kind { String, Number, Other };
    Kind kind = Kind::Other;
    // A number as written; a string's characters between its quotes, still escaped. A string
    // is unescaped only when asked for (JsonText), so a member nobody reads costs one scan.
    std::string_view raw;
    bool escaped = false;  // the string holds a backslash escape (already checked to be valid)
};

// Whether `c` belongs to a number as the scan takes it: a run of these, read as a whole.
inline bool IsJsonNumberByte(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// A string value unescaped (UTF-8); empty for any other value.
std::string JsonText(const JsonValue& value);

// What is called for each member: a reference to the caller's callable, which outlives the
// scan, so that a scan of a million lines allocates nothing for it.
class JsonMember {
public:
    template <typename Call>
    requires(!std::same_as<std::remove_cvref_t<Call>, JsonMember> &&
             std::invocable<Call&, std::string_view, const JsonValue&>) JsonMember(Call&& call)
        : call_(const_cast<void*>(static_cast<const void*>(std::addressof(call)))),
          invoke_([](void* callable, std::string_view name, const JsonValue& value) {
              (*static_cast<std::remove_reference_t<Call>*>(callable))(name, value);
          }) {}
    void operator()(std::string_view name, const JsonValue& value) const {
        invoke_(call_, name, value);
    }

private:
    void* call_;
    void (*invoke_)(void*, std::string_view, const JsonValue&);
};

// Calls `member` for each member of the one object `line` holds. False when the line is no
// JSON object, has anything after it, or nests deeper than a journal line ever does.
bool ScanJsonObject(std::string_view line, JsonMember member);

}  // namespace gsmprog
