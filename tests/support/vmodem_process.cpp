// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/vmodem_process.h"

#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>

namespace gsmprog::test {

VmodemProcess::VmodemProcess(VmodemSetup setup) {
    if (setup.runtimeDir.empty()) {
        ownDir_ = std::make_unique<TempDir>();
        runtimeDir_ = ownDir_->Path();
    } else {
        runtimeDir_ = setup.runtimeDir;
    }
    serial_ = setup.serial;
    std::vector<std::string> args{"--serial", setup.serial, "--cable-dir", CableDir().string()};
    args.insert(args.end(), setup.args.begin(), setup.args.end());
    child_ = std::make_unique<ChildProcess>(VmodemProgram(), args,
                                            std::map<std::string, std::string>{}, LogFile());
    std::string line;
    // Generous: under sanitizers and a busy machine the start can take a while.
    if (child_->ReadLine(line, std::chrono::seconds(20))) {
        std::istringstream words(line);
        std::string printed;
        words >> printed >> ptyPath_;
        started_ = printed == serial_ && !ptyPath_.empty();
    }
}

VmodemProcess::~VmodemProcess() { Stop(); }

std::filesystem::path VmodemProcess::CableDir() const { return runtimeDir_ / "gsmprog" / "cables"; }

std::map<std::string, std::string> VmodemProcess::Environment() const {
    return {{"XDG_RUNTIME_DIR", runtimeDir_.string()}};
}

int VmodemProcess::Stop(int signal) { return Stop(signal, std::chrono::hours(24)).value_or(-1); }

std::optional<int> VmodemProcess::Stop(int signal, std::chrono::milliseconds limit) {
    if (stopped_) return exitCode_;
    stopped_ = true;
    child_->Signal(signal);
    ProgramResult result;
    if (!child_->Wait(limit, result)) {
        child_->Signal(SIGKILL);
        child_->Wait();
        return std::nullopt;
    }
    exitCode_ = result.exitCode;
    return exitCode_;
}

std::string VmodemProcess::Log() const {
    std::ifstream in(LogFile());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace gsmprog::test
