// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ops/command_output.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace gsmprog {

namespace {

class Pipe {
public:
    Pipe() {
        if (::pipe2(ends_, O_CLOEXEC) != 0) ends_[0] = ends_[1] = -1;
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool Open() const { return ends_[0] >= 0; }
    int Read() const { return ends_[0]; }
    int Write() const { return ends_[1]; }
    void CloseRead() { Close(ends_[0]); }
    void CloseWrite() { Close(ends_[1]); }

private:
    static void Close(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    int ends_[2];
};

// Both outputs drained together, so that a tool filling one pipe never waits on us.
void Drain(Pipe& out, Pipe& err, CommandOutput& output) {
    char buffer[65536];
    while (out.Read() >= 0 || err.Read() >= 0) {
        pollfd fds[2] = {{out.Read(), POLLIN, 0}, {err.Read(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            Pipe& pipe = i == 0 ? out : err;
            const ssize_t got = ::read(pipe.Read(), buffer, sizeof buffer);
            if (got > 0) (i == 0 ? output.out : output.err).append(buffer, std::size_t(got));
            else if (got == 0 || errno != EINTR) pipe.CloseRead();
        }
    }
}

}  // namespace

CommandOutput RunCommand(const std::vector<std::string>& argv) {
    CommandOutput output;
    Pipe out, err;
    if (!out.Open() || !err.Open()) {
        output.startError = errno;
        return output;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.Write(), 1);
    posix_spawn_file_actions_adddup2(&actions, err.Write(), 2);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t child = -1;
    output.startError = ::posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    out.CloseWrite();
    err.CloseWrite();
    if (output.startError != 0) return output;
    Drain(out, err, output);
    int status = 0;
    pid_t waited;
    do waited = ::waitpid(child, &status, 0);
    while (waited < 0 && errno == EINTR);
    if (waited == child && WIFEXITED(status)) output.exitStatus = WEXITSTATUS(status);
    return output;
}

}  // namespace gsmprog
