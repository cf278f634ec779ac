#pragma once
// The modem end of a pseudo-terminal in raw mode: the host opens the slave as its cable.

#include <string>

#include "device_mode.h"

namespace gsmprog::vmodem {

class PtyLine final : public ModemLine {
public:
    PtyLine() = default;
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
    int master_ = -1;
    int slave_ = -1;   // held open so that the master never sees a hang-up between hosts
    std::string slavePath_;
};

}  // namespace gsmprog::vmodem
