// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "vmodem/vmodem_options.h"

#include <algorithm>
#include <charconv>

namespace gsmprog::vmodem {

namespace {
bool ParseNumber(const std::string& text, std::int64_t& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}
}  // namespace

std::string VmodemOptions::Text(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

std::int64_t VmodemOptions::Number(const std::string& name, std::int64_t fallback) const {
    std::int64_t value = 0;
    auto it = values_.find(name);
    return it != values_.end() && ParseNumber(it->second, value) ? value : fallback;
}

std::optional<VmodemOptions> ParseOptions(const std::vector<std::string>& args,
                                          const std::vector<OptionDefinition>& definitions,
                                          std::string& error) {
    VmodemOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) != 0) {
            error = "лишний аргумент " + arg;
            return std::nullopt;
        }
        arg.erase(0, 2);
        if (auto eq = arg.find('='); eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.erase(eq);
        }
        auto definition = std::find_if(definitions.begin(), definitions.end(),
                                       [&](const OptionDefinition& s) { return s.name == arg; });
        if (definition == definitions.end()) {
            error = "неизвестный ключ --" + arg;
            return std::nullopt;
        }
        if (definition->kind == OptionKind::Flag) {
            if (inlineValue) {
                error = "ключ --" + arg + " не принимает значения";
                return std::nullopt;
            }
            options.Set(arg, "1");
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = "после --" + arg + " нужно значение " + definition->argument;
                return std::nullopt;
            }
            inlineValue = args[++i];
        }
        std::int64_t number = 0;
        if (definition->kind == OptionKind::Number && !ParseNumber(*inlineValue, number)) {
            error = "значение --" + arg + " должно быть числом: " + *inlineValue;
            return std::nullopt;
        }
        options.Set(arg, *inlineValue);
    }
    return options;
}

std::string OptionHelp(const std::vector<OptionDefinition>& definitions) {
    std::string help;
    for (const auto& definition : definitions) {
        std::string left = "  --" + definition.name;
        if (definition.kind != OptionKind::Flag) left += " " + definition.argument;
        // Column by characters, not bytes: the help is Russian UTF-8.
        std::size_t width = 0;
        for (unsigned char c : left) width += (c & 0xC0) != 0x80;
        left.append(width < 28 ? 28 - width : 1, ' ');
        help += left + definition.help + "\n";
    }
    return help;
}

}  // namespace gsmprog::vmodem
