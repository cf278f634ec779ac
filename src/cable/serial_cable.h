#pragma once
// The Cable of production, on Qt SerialPort: FTDI cables (USB vendor 0x0403) named by their
// USB serial numbers in the order the system lists them, then the virtual cables of the
// cable directory. Access is exclusive: a cable open anywhere (in this process or another)
// cannot be opened again until it is closed.
//
// Any thread may call it: the ports live in a thread of the cable's own, as Qt's serial ports
// need, and each call is carried out there while the caller waits. Waits never exceed the
// time-outs set on the handle; without them a read does not wait.
//
// Whole replies. An FTDI adapter hands received bytes to the host whenever its latency timer
// runs out, so a reply can reach the host in pieces up to one timer period apart. A handle on
// which SetLatencyTimer was called (the programming link's tuning) therefore reports queued
// bytes only once the line has been quiet for QuietTimeMs of the adapter's current timer.
// The cable thread notes when bytes arrive, so a poll that comes that long after the last
// byte of a reply costs nothing; one that finds the reply still arriving waits the quiet time.

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/cable.h"
#include "cable/cable_directory.h"

namespace gsmprog {

struct ListedCable {
    std::string serialNumber;
    std::filesystem::path device;
    // Where the adapter's latency timer (ms) can be read; empty when it has none.
    std::filesystem::path latencyTimerFile;
    // Assumed when that file cannot be read.
    std::optional<int> defaultLatencyTimerMs;
};

// The quiet time after which a reply counts as whole. The timer bounds the gap between the
// pieces as the adapter sends them; on their way through a busy machine (the scheduler, the
// kernel's tty work) gaps were seen stretched by up to 30 ms more, so the timer counts four
// times. At 1 ms that is 6 ms, still shorter than the link's 10 ms from request to poll.
constexpr int QuietTimeMs(int latencyTimerMs) { return 4 * latencyTimerMs + 2; }

class SerialCable final : public Cable {
public:
    explicit SerialCable(std::filesystem::path cableDirectory = DefaultCableDirectory());
    // A cable list of exactly one port, named by its device path.
    explicit SerialCable(const std::filesystem::path& device, bool singlePort);
    ~SerialCable() override;
    SerialCable(const SerialCable&) = delete;
    SerialCable& operator=(const SerialCable&) = delete;

    // Lists the cables afresh.
    std::vector<ListedCable> ListCables() const;
    // The latency timer in ms of a cable of the last list, as the system reports it now;
    // nothing for a line that has none (a pseudo-terminal that delivers every reply whole).
    std::optional<int> LatencyTimerMs(const std::string& serialNumber);

    CableStatus CreateDeviceInfoList(std::uint32_t* count) override;
    CableStatus GetDeviceInfoList(CableInfo* list, std::uint32_t capacity,
                                  std::uint32_t* count) override;
    CableStatus OpenEx(const char* serialNumber, CableHandle* handle) override;
    CableStatus SetBaudRate(CableHandle handle, std::uint32_t baud) override;
    CableStatus SetDataCharacteristics(CableHandle handle, std::uint8_t wordLength,
                                       std::uint8_t stopBits, std::uint8_t parity) override;
    CableStatus SetFlowControl(CableHandle handle, std::uint16_t flowControl, std::uint8_t xon,
                               std::uint8_t xoff) override;
    CableStatus SetLatencyTimer(CableHandle handle, std::uint8_t milliseconds) override;
    CableStatus SetTimeouts(CableHandle handle, std::uint32_t readMs,
                            std::uint32_t writeMs) override;
    CableStatus GetStatus(CableHandle handle, std::uint32_t* rxQueue, std::uint32_t* txQueue,
                          std::uint32_t* events) override;
    CableStatus Read(CableHandle handle, void* buffer, std::uint32_t toRead,
                     std::uint32_t* bytesRead) override;
    CableStatus Write(CableHandle handle, const void* buffer, std::uint32_t toWrite,
                      std::uint32_t* bytesWritten) override;
    CableStatus Close(CableHandle handle) override;

private:
    struct OpenPort;
    struct PortThread;
    // Runs `call` in the port thread and returns its status.
    CableStatus InPortThread(const std::function<CableStatus()>& call);
    // Between calls the port thread watches the lines of these handles for arriving bytes.
    std::vector<int> WatchedLines();
    void OnLineEvent(int fd, short events);
    // The port of `handle`; only in the port thread.
    OpenPort* Find(CableHandle handle);
    CableStatus OpenInPortThread(const char* serialNumber, CableHandle* handle);
    CableStatus CloseInPortThread(CableHandle handle);

    std::filesystem::path cableDirectory_;
    std::filesystem::path singlePort_;   // set: the list is this port alone
    // As D2XX does, CreateDeviceInfoList takes the list and the calls after it use it; the
    // system's port enumeration is slow enough to matter when done three times per open.
    std::mutex listLock_;
    std::vector<ListedCable> list_;
    std::vector<ListedCable> CurrentList(bool refresh);
    ListedCable SinglePort() const;
    // Touched only in the port thread; declared before it, so that it outlives the thread.
    std::map<CableHandle, std::unique_ptr<OpenPort>> ports_;
    CableHandle nextHandle_ = 1;
    std::unique_ptr<PortThread> thread_;
};

}  // namespace gsmprog
