// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A gsmprog-vmodem for one end-to-end test, registered in a private cable directory.
// Programs started for the test find it by running with XDG_RUNTIME_DIR=RuntimeDir();
// in-process code passes CableDir() to the cable.

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace gsmprog::test {

struct VmodemSetup {
    std::string serial = "VMODEM1";
    std::vector<std::string> args;     // fault switches and the like
    std::filesystem::path runtimeDir;  // empty: a fresh private one
};

class VmodemProcess {
public:
    explicit VmodemProcess(VmodemSetup setup = {});
    ~VmodemProcess();  // SIGTERM, then waits

    // True once the modem printed its cable; otherwise Log() says why.
    bool Started() const { return started_; }
    const std::string& Serial() const { return serial_; }
    const std::string& PtyPath() const { return ptyPath_; }
    const std::filesystem::path& RuntimeDir() const { return runtimeDir_; }
    pid_t Pid() const { return child_->Pid(); }
    std::filesystem::path CableDir() const;
    // Environment for a program that should see this modem's cable directory.
    std::map<std::string, std::string> Environment() const;

    // Ends the modem with `signal`; returns its exit code (-1 if it did not exit normally).
    int Stop(int signal = 15);
    // As Stop, but a modem still running after `limit` is killed, and nothing is returned.
    std::optional<int> Stop(int signal, std::chrono::milliseconds limit);
    // What the modem wrote on stderr so far: its exchange log.
    std::string Log() const;
    std::filesystem::path LogFile() const { return runtimeDir_ / (serial_ + ".log"); }

private:
    std::unique_ptr<TempDir> ownDir_;
    std::filesystem::path runtimeDir_;
    std::unique_ptr<ChildProcess> child_;
    bool started_ = false;
    bool stopped_ = false;
    std::string serial_;  // as asked; checked against what the modem printed
    std::string ptyPath_;
    int exitCode_ = -1;
};

}  // namespace gsmprog::test
