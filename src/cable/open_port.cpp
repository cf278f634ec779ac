// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cable/open_port.h"

#include <poll.h>

#include <QDeadlineTimer>
#include <algorithm>

#include "cable/port_probe.h"

namespace gsmprog {

namespace {
// A line that never falls quiet is reported as it stands after this much more than the quiet
// time: endless bytes are no reply anyway.
constexpr int QuietWaitLimitMs = 100;
// FT_Write waits without limit until no write time-out is set; here a stuck line must still
// end: the wait is capped.
constexpr int DefaultWriteWaitMs = 2000;

bool IsLineError(QSerialPort::SerialPortError error) {
    return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}
}  // namespace

OpenPort::OpenPort(const ListedCable& listed, std::string device)
    : device_(std::move(device)), listed_(listed) {
    port_.setPortName(QString::fromStdString(device_));
}

CableFailure OpenPort::Open() {
    if (!port_.open(QIODevice::ReadWrite)) {
        if (CableFailure probed = ProbePort(device_); probed.kind != CableFailureKind::None)
            return probed;
        // The device itself opens: what Qt refused for lack of permission is the lock file it
        // keeps beside the device's other users, held by another program.
        const bool lockFile = port_.error() == QSerialPort::PermissionError;
        return {lockFile ? CableFailureKind::Busy : CableFailureKind::Refused, 0,
                port_.errorString().toStdString()};
    }
    // Another process may hold the device: the lock is what both sides agree on.
    if (CableFailure locked = LockPort(Descriptor()); locked.kind != CableFailureKind::None) {
        port_.close();
        return locked;
    }
    port_.clear();  // bytes left over from an earlier use of the cable are no reply
    return {};
}

CableFailure OpenPort::LineFailure() const {
    return {CableFailureKind::Line, 0, port_.errorString().toStdString()};
}

CableStatus OpenPort::SetBaudRate(std::uint32_t baud) {
    return port_.setBaudRate(static_cast<qint32>(baud)) ? CableOk : CableIoError;
}

CableStatus OpenPort::SetDataCharacteristics(std::uint8_t wordLength, std::uint8_t stopBits,
                                             std::uint8_t parity) {
    if (wordLength < 5 || wordLength > 8 || (stopBits != 0 && stopBits != 2) || parity > 4)
        return CableOtherError;
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    bool ok = port_.setDataBits(static_cast<QSerialPort::DataBits>(wordLength));
    ok &= port_.setStopBits(stopBits == 0 ? QSerialPort::OneStop : QSerialPort::TwoStop);
    ok &= port_.setParity(parities[parity]);
    return ok ? CableOk : CableIoError;
}

CableStatus OpenPort::SetFlowControl(std::uint16_t flowControl) {
    QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
    if (flowControl == 0x0100) flow = QSerialPort::HardwareControl;       // FT_FLOW_RTS_CTS
    else if (flowControl == 0x0400) flow = QSerialPort::SoftwareControl;  // FT_FLOW_XON_XOFF
    else if (flowControl != 0) return CableOtherError;
    return port_.setFlowControl(flow) ? CableOk : CableIoError;
}

void OpenPort::SetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    readTimeoutMs_ = static_cast<int>(std::min<std::uint32_t>(readMs, 60000));
    writeTimeoutMs_ = static_cast<int>(std::min<std::uint32_t>(writeMs, 60000));
}

CableStatus OpenPort::GetStatus(std::uint32_t* rxQueue, std::uint32_t* txQueue) {
    if (!Pull() || (quietMs_ > 0 && !AwaitQuiet())) return CableIoError;
    *rxQueue = static_cast<std::uint32_t>(port_.bytesAvailable());
    *txQueue = static_cast<std::uint32_t>(port_.bytesToWrite());
    return CableOk;
}

CableStatus OpenPort::Read(void* buffer, std::uint32_t toRead, std::uint32_t* bytesRead) {
    if (!Pull()) return CableIoError;
    QDeadlineTimer deadline(readTimeoutMs_);
    while (static_cast<std::uint32_t>(port_.bytesAvailable()) < toRead && !deadline.hasExpired()) {
        if (!port_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            if (IsLineError(port_.error())) return CableIoError;
            port_.clearError();
        }
    }
    const qint64 n = port_.read(static_cast<char*>(buffer), toRead);
    Look();
    if (n < 0) return CableIoError;
    *bytesRead = static_cast<std::uint32_t>(n);
    return CableOk;
}

CableStatus OpenPort::Write(const void* buffer, std::uint32_t toWrite,
                            std::uint32_t* bytesWritten) {
    const qint64 queued = port_.write(static_cast<const char*>(buffer), toWrite);
    if (queued < 0) return CableIoError;
    QDeadlineTimer deadline(writeTimeoutMs_ > 0 ? writeTimeoutMs_ : DefaultWriteWaitMs);
    while (port_.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime())) &&
            IsLineError(port_.error()))
            return CableIoError;
    }
    Look();  // waiting for the write may have taken bytes in
    if (port_.error() == QSerialPort::TimeoutError) port_.clearError();
    *bytesWritten = static_cast<std::uint32_t>(queued - port_.bytesToWrite());
    return CableOk;
}

void OpenPort::OnLineEvent(short events) {
    const qint64 before = seen_;
    if (!Pull() || (events & (POLLHUP | POLLERR | POLLNVAL)) != 0 || seen_ == before)
        watched_ = false;
}

bool OpenPort::Pull() {
    while (port_.waitForReadyRead(0)) {}
    Look();
    const bool failed = IsLineError(port_.error());
    if (port_.error() == QSerialPort::TimeoutError) port_.clearError();
    return !failed;
}

// Every read of the port is followed by a look, so a moment is never later than the bytes'
// arrival by more than the call that took them.
void OpenPort::Look() {
    const qint64 queued = port_.bytesAvailable();
    if (queued > seen_) lastArrival_ = Clock::now();
    seen_ = queued;
}

bool OpenPort::AwaitQuiet() {
    const Clock::time_point start = Clock::now();
    const Clock::time_point limit = start + std::chrono::milliseconds(quietMs_ + QuietWaitLimitMs);
    // A poll that finds a reply still arriving waits the whole quiet time from now: a sender
    // running late (on a busy machine, or the kernel between adapter and us) stretches the gap
    // between the pieces beyond the timer, and the late piece then has this head start too.
    if (start < lastArrival_ + std::chrono::milliseconds(quietMs_)) lastArrival_ = start;
    while (port_.bytesAvailable() > 0) {
        const Clock::time_point quiet =
            std::min(lastArrival_ + std::chrono::milliseconds(quietMs_), limit);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(quiet - Clock::now());
        if (left.count() <= 0) break;
        if (!port_.waitForReadyRead(static_cast<int>(left.count()))) {
            if (IsLineError(port_.error())) return false;
            port_.clearError();
        }
        Look();
    }
    return true;
}

}  // namespace gsmprog
