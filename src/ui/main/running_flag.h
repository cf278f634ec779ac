// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether one of some of the hardware operations runs, read from the operations' one record of
// what runs: the window's view of it under the names its readers know.

#include "ui/main/hardware_operations.h"

namespace gsmprog {

class RunningFlag {
public:
    using Operation = HardwareOperations::Operation;
    RunningFlag(const HardwareOperations& operations, Operation first,
                Operation second = Operation::None)
        : operations_(operations), first_(first), second_(second) {}

    explicit operator bool() const {
        const Operation running = operations_.Running();
        return running != Operation::None && (running == first_ || running == second_);
    }

private:
    const HardwareOperations& operations_;
    const Operation first_;
    const Operation second_;
};

}  // namespace gsmprog
