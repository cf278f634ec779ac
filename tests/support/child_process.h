// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a program of gsmprog as a child process for end-to-end tests: arguments, extra
// environment, captured stdout and stderr, signals, exit status.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace gsmprog::test {

// Runs `body` in a forked copy of the test and returns its exit status (-1 for a signal). The
// copy ends with _exit whatever happens in it (125 when the body throws), so it never goes on
// to run the rest of the suite.
int InForkedChild(const std::function<int()>& body);
// Ends a forked copy of the test with what `body` returns, as InForkedChild does.
[[noreturn]] void EndForkedChild(const std::function<int()>& body);

// Paths of the built programs.
std::filesystem::path VmodemProgram();
std::filesystem::path CliProgram();

struct ProgramResult {
    int exitCode = -1;  // -1 when it ended by a signal or did not run
    std::string out;
    std::string err;
};

class ChildProcess {
public:
    // Starts `program` with `args`; `env` entries are added to (or replace in) the
    // environment of the test. Output is captured when it is read by Wait or ReadLine;
    // with `stderrFile` the child's stderr goes to that file instead.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env = {},
                 const std::filesystem::path& stderrFile = {});
    ~ChildProcess();  // kills a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    bool Signal(int signal);
    // Reads stdout up to the next line end; false when none came in `limit`.
    bool ReadLine(std::string& line, std::chrono::milliseconds limit);
    // Waits for the end and collects the rest of the output.
    ProgramResult Wait();
    // As Wait, but gives up after `limit`: false while the child still runs.
    bool Wait(std::chrono::milliseconds limit, ProgramResult& result);

private:
    void Drain(int timeoutMs);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string outText_;
    std::string errText_;
    std::size_t lineStart_ = 0;
};

// Runs a program to its end.
ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env = {});

// A directory under /tmp removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace gsmprog::test
