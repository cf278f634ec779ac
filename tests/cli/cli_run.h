#pragma once
// Runs the built gsmprog-cli as a user would, capturing what it prints.

#include <filesystem>
#include <string>
#include <vector>

namespace gsmprog::testing {

struct CliRun {
    int status = -1;  // exit status; -1 when killed by a signal
    std::string out;
    std::string err;
};

// Runs gsmprog-cli with `args` in the directory `cwd`; its output goes through files in
// `scratch`.
CliRun RunCli(const std::vector<std::string>& args, const std::filesystem::path& cwd,
              const std::filesystem::path& scratch);

}  // namespace gsmprog::testing
