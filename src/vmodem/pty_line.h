// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modem end of a pseudo-terminal in raw mode: the host opens the slave as its cable.

#include <csignal>
#include <cstddef>
#include <optional>
#include <string>

#include "vmodem/device_mode.h"
#include "vmodem/reply_split.h"

namespace gsmprog::vmodem {

class PtyLine final : public ModemLine {
public:
    // A send gives up once `stop` is set: a host that went away leaves the line full for ever.
    // With `split`, replies go out in pieces.
    PtyLine(const volatile std::sig_atomic_t& stop, std::optional<ReplySplit> split);
    ~PtyLine() override;
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // False with a reason when no pseudo-terminal could be made.
    bool Open(std::string& error);

    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

    void Send(const Bytes& reply) override;
    using ModemLine::Send;

private:
    void Write(const std::uint8_t* bytes, std::size_t size);
    void Pause(int milliseconds);

    const volatile std::sig_atomic_t& stop_;
    std::optional<ReplySplit> split_;
    int master_ = -1;
    int slave_ = -1;  // held open so that the master never sees a hang-up between hosts
    std::string slavePath_;
};

}  // namespace gsmprog::vmodem
