// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace gsmprog::test {

namespace fs = std::filesystem;

fs::path VmodemProgram() { return GSMPROG_VMODEM_PROGRAM; }
fs::path CliProgram() { return GSMPROG_CLI_PROGRAM; }

ChildProcess::ChildProcess(const fs::path& program, const std::vector<std::string>& args,
                           const std::map<std::string, std::string>& env,
                           const fs::path& stderrFile) {
    int outPipe[2], errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argStrings{program.string()};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    // Everything the child needs is made here: between fork and exec a child of a threaded
    // process may only make async-signal-safe calls (no allocation, no setenv).
    std::vector<std::string> envStrings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (env.count(text.substr(0, text.find('='))) == 0) envStrings.push_back(text);
    }
    for (const auto& [name, value] : env) envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string logPath = stderrFile.string();

    pid_ = ::fork();
    if (pid_ == 0) {
        // A test that dies must not leave its modem running.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(outPipe[1], 1);
        if (stderrFile.empty()) {
            ::dup2(errPipe[1], 2);
        } else {
            const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            ::dup2(log, 2);
        }
        const int devNull = ::open("/dev/null", O_RDONLY);
        ::dup2(devNull, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
}

bool ChildProcess::Signal(int signal) { return pid_ > 0 && ::kill(pid_, signal) == 0; }

void ChildProcess::Drain(int timeoutMs) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) return;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
        const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
            (i == 0 ? outText_ : errText_).append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            ::close(fds[i].fd);
            (i == 0 ? out_ : err_) = -1;
        }
    }
}

bool ChildProcess::ReadLine(std::string& line, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        const auto end = outText_.find('\n', lineStart_);
        if (end != std::string::npos) {
            line = outText_.substr(lineStart_, end - lineStart_);
            lineStart_ = end + 1;
            return true;
        }
        if (out_ < 0 || std::chrono::steady_clock::now() >= deadline) return false;
        Drain(20);
    }
}

ProgramResult ChildProcess::Wait() {
    ProgramResult result;
    Wait(std::chrono::hours(24), result);
    return result;
}

bool ChildProcess::Wait(std::chrono::milliseconds limit, ProgramResult& result) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    pid_t ended = 0;
    // Output is taken meanwhile, so that a child writing much never blocks on its pipe.
    while (pid_ > 0 && (ended = ::waitpid(pid_, &status, WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Drain(10);
    }
    while (out_ >= 0 || err_ >= 0) Drain(100);
    result.exitCode = ended == pid_ && pid_ > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    pid_ = -1;
    result.out = outText_;
    result.err = errText_;
    return true;
}

ProgramResult RunProgram(const fs::path& program, const std::vector<std::string>& args,
                         const std::map<std::string, std::string>& env) {
    ChildProcess child(program, args, env);
    return child.Wait();
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "gsmprog-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    fs::remove_all(path_, error);
}

void EndForkedChild(const std::function<int()>& body) {
    int status = 125;  // what the body threw
    try {
        status = body();
    } catch (...) {}
    ::_exit(status);
}

int InForkedChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) EndForkedChild(body);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace gsmprog::test
