#include "cable/serial_cable.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>

namespace gsmprog {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
constexpr quint16 FtdiVendorId = 0x0403;
// What the Linux FTDI driver starts an adapter with.
constexpr int FtdiDefaultLatencyTimerMs = 16;
// A line that never falls quiet is reported as it stands after this much more than the quiet
// time: endless bytes are no reply anyway.
constexpr int QuietWaitLimitMs = 100;
constexpr std::size_t SerialCapacity = sizeof(CableInfo::SerialNumber) - 1;
// FT_Write waits without limit until no write time-out is set; here a stuck line must still
// end: the wait is capped.
constexpr int DefaultWriteWaitMs = 2000;

// Devices open through any SerialCable of this process. flock alone does not tell two opens
// of one process apart when they share an inode lock, so both are kept.
std::mutex& OpenDevicesLock() {
    static std::mutex lock;
    return lock;
}
std::set<std::string>& OpenDevices() {
    static std::set<std::string> devices;
    return devices;
}

std::string Canonical(const fs::path& device) {
    std::error_code error;
    const fs::path resolved = fs::canonical(device, error);
    return (error ? device : resolved).string();
}

bool IsLineError(QSerialPort::SerialPortError error) {
    return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
}

std::optional<int> ReadLatencyTimer(const ListedCable& cable) {
    if (!cable.latencyTimerFile.empty()) {
        std::ifstream in(cable.latencyTimerFile);
        int ms = -1;
        if (in >> ms && ms >= 0 && ms <= 255) return ms;
    }
    return cable.defaultLatencyTimerMs;
}

// The latency timer the USB serial driver shows for an FTDI port, readable by every user.
fs::path UsbSerialLatencyTimerFile(const fs::path& device) {
    return fs::path("/sys/bus/usb-serial/devices") / fs::path(Canonical(device)).filename() /
           "latency_timer";
}
}  // namespace

struct SerialCable::OpenPort {
    QSerialPort port;
    std::string device;   // canonical path, as registered in OpenDevices()
    ListedCable listed;   // as found when opened
    int readTimeoutMs = 0;
    int writeTimeoutMs = 0;
    // Whole replies: queued bytes are reported once the line has been quiet this long; 0 at once.
    int quietMs = 0;
    bool watched = true;   // cleared when the line hangs up: the port thread stops watching it
    qint64 seen = 0;       // bytes in the port's buffer at the last look
    Clock::time_point lastArrival{};

    // Takes what the line has delivered into the port's buffer without waiting.
    bool Pull() {
        while (port.waitForReadyRead(0)) {
        }
        Look();
        const bool failed = IsLineError(port.error());
        if (port.error() == QSerialPort::TimeoutError) port.clearError();
        return !failed;
    }

    // Notes the moment whenever the buffer has grown since the last look. Every read of the
    // port is followed by a look, so a moment is never later than the bytes' arrival by more
    // than the call that took them.
    void Look() {
        const qint64 queued = port.bytesAvailable();
        if (queued > seen) lastArrival = Clock::now();
        seen = queued;
    }

    // Waits until no byte has arrived for quietMs; false when the line failed meanwhile.
    bool AwaitQuiet() {
        const Clock::time_point start = Clock::now();
        const Clock::time_point limit = start + std::chrono::milliseconds(quietMs + QuietWaitLimitMs);
        // A poll that finds a reply still arriving waits the whole quiet time from now: a sender
        // running late (on a busy machine, or the kernel between adapter and us) stretches the gap
        // between the pieces beyond the timer, and the late piece then has this head start too.
        if (start < lastArrival + std::chrono::milliseconds(quietMs)) lastArrival = start;
        while (port.bytesAvailable() > 0) {
            const Clock::time_point quiet =
                std::min(lastArrival + std::chrono::milliseconds(quietMs), limit);
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(quiet - Clock::now());
            if (left.count() <= 0) break;
            if (!port.waitForReadyRead(static_cast<int>(left.count()))) {
                if (IsLineError(port.error())) return false;
                port.clearError();
            }
            Look();
        }
        return true;
    }
};

// The thread that owns every port of one SerialCable. Being a QThread, it is where Qt's
// serial ports expect to be used; it runs the calls handed to it one by one and, between them,
// watches the lines whose arrivals are timed.
struct SerialCable::PortThread final : QThread {
    SerialCable& cable;
    const int wakeFd;                      // an eventfd: a call or the end is waiting
    std::mutex lock;                       // guards task, quitting and finished
    std::condition_variable changed;
    const std::function<void()>* task = nullptr;
    bool quitting = false;
    bool finished = false;

    explicit PortThread(SerialCable& owner)
        : cable(owner), wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        start();
    }
    ~PortThread() override {
        std::unique_lock guard(lock);
        quitting = true;
        Wake();
        // Our own hand-shake, so that the end of run() visibly precedes what follows;
        // QThread::wait() synchronises inside Qt, where the thread checkers cannot see it.
        changed.wait(guard, [&] { return finished; });
        guard.unlock();
        wait();
        ::close(wakeFd);
    }

    void Wake() {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeFd, &one, sizeof one);
    }

    // Runs `call` here and waits for it; one caller at a time.
    void Run(const std::function<void()>& call) {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return task == nullptr; });
        task = &call;
        Wake();
        changed.wait(guard, [&] { return task != &call; });
    }

    void run() override {
        std::unique_lock guard(lock);
        while (true) {
            if (task != nullptr) {
                guard.unlock();
                (*task)();
                guard.lock();
                task = nullptr;
                changed.notify_all();
            } else if (quitting) {
                finished = true;
                changed.notify_all();
                return;
            } else {
                guard.unlock();
                WatchLines();
                guard.lock();
            }
        }
    }

    // Sleeps until a call comes or bytes arrive on a watched line.
    void WatchLines() {
        std::vector<pollfd> fds{{wakeFd, POLLIN, 0}};
        for (int fd : cable.WatchedLines()) fds.push_back({fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) <= 0) return;
        if (fds[0].revents != 0) {
            std::uint64_t calls = 0;
            [[maybe_unused]] const ssize_t n = ::read(wakeFd, &calls, sizeof calls);
        }
        for (std::size_t i = 1; i < fds.size(); ++i)
            if (fds[i].revents != 0) cable.OnLineEvent(fds[i].fd, fds[i].revents);
    }
};

SerialCable::SerialCable(fs::path cableDirectory)
    : cableDirectory_(std::move(cableDirectory)), thread_(std::make_unique<PortThread>(*this)) {}

SerialCable::SerialCable(const fs::path& device, bool)
    : singlePort_(device), thread_(std::make_unique<PortThread>(*this)) {}

SerialCable::~SerialCable() {
    InPortThread([this] {
        while (!ports_.empty()) CloseInPortThread(ports_.begin()->first);
        return CableOk;
    });
}

CableStatus SerialCable::InPortThread(const std::function<CableStatus()>& call) {
    if (QThread::currentThread() == thread_.get()) return call();
    CableStatus status = CableOtherError;
    thread_->Run([&] { status = call(); });
    return status;
}

std::vector<ListedCable> SerialCable::ListCables() const {
    // The system's port enumeration (libudev) keeps state of its own for the whole process:
    // every cable of the process enumerates one at a time.
    static std::mutex enumerationLock;
    std::lock_guard guard(enumerationLock);
    std::vector<ListedCable> cables;
    if (!singlePort_.empty()) {
        if (fs::exists(singlePort_)) cables.push_back(SinglePort());
        return cables;
    }
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!info.hasVendorIdentifier() || info.vendorIdentifier() != FtdiVendorId) continue;
        const std::string serial = info.serialNumber().toStdString();
        if (serial.empty()) continue;
        const fs::path device = info.systemLocation().toStdString();
        cables.push_back({serial.substr(0, SerialCapacity), device,
                          UsbSerialLatencyTimerFile(device), FtdiDefaultLatencyTimerMs});
    }
    for (const VirtualCable& cable : ListVirtualCables(cableDirectory_))
        cables.push_back({cable.serialNumber, cable.device,
                          LatencyTimerFile(cableDirectory_, cable.serialNumber), std::nullopt});
    return cables;
}

ListedCable SerialCable::SinglePort() const {
    ListedCable port{singlePort_.filename().string().substr(0, SerialCapacity), singlePort_, {}, {}};
    if (fs::exists(UsbSerialLatencyTimerFile(singlePort_))) {
        port.latencyTimerFile = UsbSerialLatencyTimerFile(singlePort_);
        port.defaultLatencyTimerMs = FtdiDefaultLatencyTimerMs;
        return port;
    }
    // A virtual modem's pseudo-terminal given by its path still has its announcement.
    const fs::path directory = DefaultCableDirectory();
    for (const VirtualCable& cable : ListVirtualCables(directory)) {
        if (Canonical(cable.device) == Canonical(singlePort_))
            port.latencyTimerFile = LatencyTimerFile(directory, cable.serialNumber);
    }
    return port;
}

std::optional<int> SerialCable::LatencyTimerMs(const std::string& serialNumber) {
    for (const ListedCable& cable : CurrentList(false))
        if (cable.serialNumber == serialNumber) return ReadLatencyTimer(cable);
    return std::nullopt;
}

std::vector<ListedCable> SerialCable::CurrentList(bool refresh) {
    std::lock_guard guard(listLock_);
    if (refresh || list_.empty()) list_ = ListCables();
    return list_;
}

CableStatus SerialCable::CreateDeviceInfoList(std::uint32_t* count) {
    *count = static_cast<std::uint32_t>(CurrentList(true).size());
    return CableOk;
}

CableStatus SerialCable::GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                           std::uint32_t* count) {
    const auto cables = CurrentList(false);
    const auto filled = static_cast<std::uint32_t>(std::min<std::size_t>(capacity, cables.size()));
    for (std::uint32_t i = 0; i < filled; ++i) {
        list[i] = CableInfo{};
        std::memcpy(list[i].SerialNumber, cables[i].serialNumber.data(),
                    std::min(cables[i].serialNumber.size(), SerialCapacity));
    }
    *count = filled;
    return CableOk;
}

CableStatus SerialCable::OpenEx(const char* serialNumber, CableHandle* handle) {
    return InPortThread([&] { return OpenInPortThread(serialNumber, handle); });
}

CableStatus SerialCable::OpenInPortThread(const char* serialNumber, CableHandle* handle) {
    auto cables = CurrentList(false);
    const auto named = [&](const ListedCable& c) { return c.serialNumber == serialNumber; };
    auto found = std::find_if(cables.begin(), cables.end(), named);
    if (found == cables.end()) {
        cables = CurrentList(true);   // plugged in since the list was taken
        found = std::find_if(cables.begin(), cables.end(), named);
    }
    if (found == cables.end() || !fs::exists(found->device)) return CableDeviceNotFound;

    auto open = std::make_unique<OpenPort>();
    open->device = Canonical(found->device);
    open->listed = *found;
    {
        std::lock_guard guard(OpenDevicesLock());
        if (!OpenDevices().insert(open->device).second) return CableDeviceNotOpened;
    }
    open->port.setPortName(QString::fromStdString(open->device));
    const bool opened = open->port.open(QIODevice::ReadWrite);
    // Another process may hold the device: the lock is what both sides agree on.
    if (!opened || ::flock(static_cast<int>(open->port.handle()), LOCK_EX | LOCK_NB) != 0) {
        if (opened) open->port.close();
        std::lock_guard guard(OpenDevicesLock());
        OpenDevices().erase(open->device);
        return CableDeviceNotOpened;
    }
    open->port.clear();   // bytes left over from an earlier use of the cable are no reply
    *handle = nextHandle_++;
    ports_[*handle] = std::move(open);
    return CableOk;
}

SerialCable::OpenPort* SerialCable::Find(CableHandle handle) {
    auto it = ports_.find(handle);
    return it == ports_.end() ? nullptr : it->second.get();
}

std::vector<int> SerialCable::WatchedLines() {
    std::vector<int> fds;
    for (const auto& [handle, open] : ports_)
        if (open->quietMs > 0 && open->watched) fds.push_back(static_cast<int>(open->port.handle()));
    return fds;
}

void SerialCable::OnLineEvent(int fd, short events) {
    for (const auto& [handle, open] : ports_) {
        if (static_cast<int>(open->port.handle()) != fd) continue;
        const qint64 before = open->seen;
        // A line that hung up, or that is readable yet gives nothing, would wake the thread
        // for ever: it is left to the calls, which report its failure.
        if (!open->Pull() || (events & (POLLHUP | POLLERR | POLLNVAL)) != 0 || open->seen == before)
            open->watched = false;
    }
}

CableStatus SerialCable::SetBaudRate(CableHandle handle, std::uint32_t baud) {
    return InPortThread([&] {
        OpenPort* open = Find(handle);
        if (!open) return CableInvalidHandle;
        return open->port.setBaudRate(static_cast<qint32>(baud)) ? CableOk : CableIoError;
    });
}

CableStatus SerialCable::SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                                std::uint8_t stopBits, std::uint8_t parity) {
    return InPortThread([&] {
        OpenPort* open = Find(handle);
        if (!open) return CableInvalidHandle;
        if (wordLength < 5 || wordLength > 8 || (stopBits != 0 && stopBits != 2) || parity > 4)
            return CableOtherError;
        static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                       QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                       QSerialPort::SpaceParity};
        bool ok = open->port.setDataBits(static_cast<QSerialPort::DataBits>(wordLength));
        ok &= open->port.setStopBits(stopBits == 0 ? QSerialPort::OneStop : QSerialPort::TwoStop);
        ok &= open->port.setParity(parities[parity]);
        return ok ? CableOk : CableIoError;
    });
}

CableStatus SerialCable::SetFlowControl(CableHandle handle, std::uint16_t flowControl,
                                        std::uint8_t, std::uint8_t) {
    return InPortThread([&] {
        OpenPort* open = Find(handle);
        if (!open) return CableInvalidHandle;
        QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
        if (flowControl == 0x0100) flow = QSerialPort::HardwareControl;       // FT_FLOW_RTS_CTS
        else if (flowControl == 0x0400) flow = QSerialPort::SoftwareControl;  // FT_FLOW_XON_XOFF
        else if (flowControl != 0) return CableOtherError;
        return open->port.setFlowControl(flow) ? CableOk : CableIoError;
    });
}

CableStatus SerialCable::SetLatencyTimer(CableHandle handle, std::uint8_t) {
    return InPortThread([&] {
        OpenPort* open = Find(handle);
        if (!open) return CableInvalidHandle;
        // What the link asks for is replies that arrive whole; the quiet time gives it. The
        // adapter keeps the timer the system set (1 ms with gsmprog's udev rule): a longer one
        // would only make every reply wait longer.
        open->quietMs = QuietTimeMs(ReadLatencyTimer(open->listed).value_or(0));
        return CableOk;
    });
}

CableStatus SerialCable::SetTimeouts(CableHandle handle, std::uint32_t readMs,
                                     std::uint32_t writeMs) {
    return InPortThread([&] {
        OpenPort* open = Find(handle);
        if (!open) return CableInvalidHandle;
        open->readTimeoutMs = static_cast<int>(std::min<std::uint32_t>(readMs, 60000));
        open->writeTimeoutMs = static_cast<int>(std::min<std::uint32_t>(writeMs, 60000));
        return CableOk;
    });
}

CableStatus SerialCable::GetStatus(CableHandle handle, std::uint32_t* rxQueue,
                                   std::uint32_t* txQueue, std::uint32_t* events) {
    return InPortThread([&] {
        OpenPort* open = Find(handle);
        if (!open) return CableInvalidHandle;
        if (!open->Pull() || (open->quietMs > 0 && !open->AwaitQuiet())) return CableIoError;
        *rxQueue = static_cast<std::uint32_t>(open->port.bytesAvailable());
        *txQueue = static_cast<std::uint32_t>(open->port.bytesToWrite());
        *events = 0;
        return CableOk;
    });
}

CableStatus SerialCable::Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                              std::uint32_t* bytesRead) {
    return InPortThread([&] {
        *bytesRead = 0;
        OpenPort* open = Find(handle);
        if (!open) return CableInvalidHandle;
        if (!open->Pull()) return CableIoError;
        QDeadlineTimer deadline(open->readTimeoutMs);
        while (static_cast<std::uint32_t>(open->port.bytesAvailable()) < toRead &&
               !deadline.hasExpired()) {
            if (!open->port.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                if (IsLineError(open->port.error())) return CableIoError;
                open->port.clearError();
            }
        }
        const qint64 n = open->port.read(static_cast<char*>(buffer), toRead);
        open->Look();
        if (n < 0) return CableIoError;
        *bytesRead = static_cast<std::uint32_t>(n);
        return CableOk;
    });
}

CableStatus SerialCable::Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                               std::uint32_t* bytesWritten) {
    return InPortThread([&] {
        *bytesWritten = 0;
        OpenPort* open = Find(handle);
        if (!open) return CableInvalidHandle;
        const qint64 queued = open->port.write(static_cast<const char*>(buffer), toWrite);
        if (queued < 0) return CableIoError;
        QDeadlineTimer deadline(open->writeTimeoutMs > 0 ? open->writeTimeoutMs : DefaultWriteWaitMs);
        while (open->port.bytesToWrite() > 0 && !deadline.hasExpired()) {
            if (!open->port.waitForBytesWritten(static_cast<int>(deadline.remainingTime())) &&
                IsLineError(open->port.error()))
                return CableIoError;
        }
        open->Look();   // waiting for the write may have taken bytes in
        if (open->port.error() == QSerialPort::TimeoutError) open->port.clearError();
        *bytesWritten = static_cast<std::uint32_t>(queued - open->port.bytesToWrite());
        return CableOk;
    });
}

CableStatus SerialCable::Close(CableHandle handle) {
    return InPortThread([&] { return CloseInPortThread(handle); });
}

CableStatus SerialCable::CloseInPortThread(CableHandle handle) {
    auto it = ports_.find(handle);
    if (it == ports_.end()) return CableInvalidHandle;
    std::unique_ptr<OpenPort> open = std::move(it->second);
    ports_.erase(it);
    open->port.close();
    std::lock_guard guard(OpenDevicesLock());
    OpenDevices().erase(open->device);
    return CableOk;
}

}  // namespace gsmprog
