// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/port_access.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

namespace gsmprog {

namespace {

std::string UserName(uid_t uid) {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->pw_name;
    return std::to_string(uid);
}

std::string GroupName(gid_t gid) {
    std::vector<char> buffer(16384);
    group entry{};
    group* found = nullptr;
    if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
        return found->gr_name;
    return std::to_string(gid);
}

bool InGroup(gid_t gid) {
    if (gid == ::getegid()) return true;
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (count > 0 && ::getgroups(count, groups.data()) < 0) return false;
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

// The bits that apply to this user, as the kernel picks them: owner, else group, else others.
bool ModeAllowsReadWrite(const struct stat& info) {
    if (::geteuid() == 0) return true;
    const mode_t mode = info.st_mode;
    if (info.st_uid == ::geteuid()) return (mode & S_IRUSR) && (mode & S_IWUSR);
    if (InGroup(info.st_gid)) return (mode & S_IRGRP) && (mode & S_IWGRP);
    return (mode & S_IROTH) && (mode & S_IWOTH);
}

}  // namespace

PortAccess CheckPortAccess(const std::filesystem::path& node) {
    PortAccess access;
    struct stat info {};
    if (::stat(node.c_str(), &info) != 0) {
        access.openError = errno;
        return access;
    }
    access.exists = true;
    access.ownerName = UserName(info.st_uid);
    access.groupName = GroupName(info.st_gid);
    access.mode = info.st_mode & 07777;
    access.modeAllows = ModeAllowsReadWrite(info);
    access.accessAllows = ::access(node.c_str(), R_OK | W_OK) == 0;
    const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        access.openError = errno;
    } else {
        ::close(fd);
    }
    return access;
}

std::string ModeText(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

}  // namespace gsmprog
