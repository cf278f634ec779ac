// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes a UoCommand into an object device through the modem and waits for its answer.

#include "link/ftdi_controller.h"

namespace gsmprog {

class FTDI_UoProgCtrl : public FTDI_Controller {
public:
    using FTDI_Controller::FTDI_Controller;
    LinkResult Exchange() override;

protected:
    // Also an answer of the object device with fewer than its four bytes.
    bool ReplyCutShort() const override;
};

}  // namespace gsmprog
