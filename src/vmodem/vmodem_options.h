// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command-line switches of gsmprog-vmodem. The common ones are declared by the program, the
// fault switches by each mode, so that a mode brings its switches along.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace gsmprog::vmodem {

enum class OptionKind { Flag, Text, Number };

struct OptionDefinition {
    std::string name;  // without the leading "--"
    OptionKind kind;
    std::string argument;  // name of the value in the help, e.g. "K"
    std::string help;
};

class VmodemOptions {
public:
    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    std::string Text(const std::string& name, const std::string& fallback = {}) const;
    // Number options are checked when parsed; a missing one gives `fallback`.
    std::int64_t Number(const std::string& name, std::int64_t fallback) const;

    void Set(const std::string& name, const std::string& value) { values_[name] = value; }

private:
    std::map<std::string, std::string> values_;
};

// Parses argv against `definitions`; on a bad argument returns nothing and sets `error`.
std::optional<VmodemOptions> ParseOptions(const std::vector<std::string>& args,
                                          const std::vector<OptionDefinition>& definitions,
                                          std::string& error);

std::string OptionHelp(const std::vector<OptionDefinition>& definitions);

}  // namespace gsmprog::vmodem
