// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether this user may use a port's device node, and why: its owner, group and mode, what
// access(2) says (which also knows the ACL that udev's uaccess tag gives the user at the
// seat), and whether an open that sends nothing succeeds.

#include <filesystem>
#include <string>

namespace gsmprog {

struct PortAccess {
    bool exists = false;
    std::string ownerName;  // the user's name, or the number when it has none
    std::string groupName;
    unsigned mode = 0;          // the permission bits, 0660
    bool modeAllows = false;    // owner, group or others may read and write it by the mode alone
    bool accessAllows = false;  // access(2) allows reading and writing: the mode or an ACL
    int openError = 0;          // errno of the test open; 0 when it opened
};

// Opens `node` for reading and writing, without waiting for the line and without making it the
// controlling terminal, and closes it at once: nothing is sent.
PortAccess CheckPortAccess(const std::filesystem::path& node);

// "0660".
std::string ModeText(unsigned mode);

}  // namespace gsmprog
