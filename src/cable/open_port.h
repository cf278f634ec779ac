// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One open port of a serial cable, on Qt SerialPort: line settings, time-outs, the queue, read
// and write as the Cable calls ask for them, and the whole-reply wait. Used in the cable's
// port thread only.
//
// Whole replies. A port whose quiet time is set (the programming link's tuning) reports
// queued bytes only once the line has been quiet that long. The port thread notes when bytes
// arrive (Pull between calls), so a poll that comes that long after the last byte of a reply
// costs nothing; one that finds the reply still arriving waits the quiet time.

#include <QSerialPort>
#include <chrono>
#include <cstdint>
#include <string>

#include "link/cable.h"
#include "ports/listed_cable.h"

namespace gsmprog {

class OpenPort {
public:
    // `device` is the canonical path of the listed cable's device.
    OpenPort(const ListedCable& listed, std::string device);
    OpenPort(const OpenPort&) = delete;
    OpenPort& operator=(const OpenPort&) = delete;

    const std::string& Device() const { return device_; }
    const ListedCable& Listed() const { return listed_; }
    int Descriptor() const { return static_cast<int>(port_.handle()); }

    // Opens the device for reading and writing, exclusively: besides Qt's own means, the
    // flock that every gsmprog takes on the device. Kind None when it opened.
    CableFailure Open();
    void Close() { port_.close(); }

    CableStatus SetBaudRate(std::uint32_t baud);
    CableStatus SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                       std::uint8_t parity);
    CableStatus SetFlowControl(std::uint16_t flowControl);
    // Queued bytes are reported once the line has been quiet this long; 0: at once.
    void SetQuietTime(int ms) { quietMs_ = ms; }
    void SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs);
    CableStatus GetStatus(std::uint32_t* rxQueue, std::uint32_t* txQueue);
    CableStatus Read(void* buffer, std::uint32_t toRead, std::uint32_t* bytesRead);
    CableStatus Write(const void* buffer, std::uint32_t toWrite, std::uint32_t* bytesWritten);
    // Bytes taken in from the line and not yet read.
    std::int64_t Taken() const { return port_.bytesAvailable(); }

    // Between calls the port thread watches this line, while it is timed and has not failed.
    bool Watched() const { return quietMs_ > 0 && watched_; }
    // What the port said of its last failed call.
    CableFailure LineFailure() const;
    // poll(2) reported `events` on the line: takes what came, or stops watching a line that
    // hung up or is readable yet gives nothing, which would wake the thread for ever.
    void OnLineEvent(short events);

private:
    using Clock = std::chrono::steady_clock;

    // Takes what the line has delivered into the port's buffer without waiting.
    bool Pull();
    // Notes the moment whenever the buffer has grown since the last look.
    void Look();
    // Waits until no byte has arrived for the quiet time; false when the line failed meanwhile.
    bool AwaitQuiet();

    QSerialPort port_;
    const std::string device_;  // canonical path
    const ListedCable listed_;  // as found when opened
    int readTimeoutMs_ = 0;
    int writeTimeoutMs_ = 0;
    int quietMs_ = 0;
    bool watched_ = true;  // cleared when the line hangs up
    qint64 seen_ = 0;      // bytes in the port's buffer at the last look
    Clock::time_point lastArrival_{};
};

}  // namespace gsmprog
