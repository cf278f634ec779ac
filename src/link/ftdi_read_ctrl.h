// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the settings image and the device version out of the modem.
// After Start returned LinkDone, Data holds DataLen bytes read back and Version the device
// version "%d.%d.%d" or "Н/Д".

#include "link/ftdi_controller.h"

namespace gsmprog {

class FTDI_ReadCtrl : public FTDI_Controller {
public:
    using FTDI_Controller::FTDI_Controller;
    LinkResult Exchange() override;

private:
    // "DEVICE" at most four times; LinkDone to go on (with or without a version).
    LinkResult QueryVersion();
};

}  // namespace gsmprog
