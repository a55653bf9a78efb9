#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "vorn/VornAsync.h"

// A scripted Vorn driver for tests, registered through the component runtime under both of the
// driver's class identifiers for its lifetime. It serves a network described by FakeNetwork and calls
// the program's observers from a thread of its own, one call at a time, like the real driver.
//
// Every object it hands out is counted while alive, so a test can check that everything was released.
// An advised observer is held until the object it observes is destroyed, as the driver contract says.

struct FakePort {
    std::uint32_t id = 0;
    std::uint32_t typeCode = VORN_PORT_TYPE_TARN;
    bool openFails = false;
    bool adviseFails = false;
    bool refusesSend = false;
    // What follows an accepted Send, on the driver thread: a transmission result (none when empty)...
    std::optional<bool> sendResult = true;
    // ...and then a reply (none when empty).
    std::optional<std::vector<std::uint8_t>> reply;
    // Instead of `reply`, when set: the console's answers to the message, each in a cycle of its own;
    // an empty one puts those after it in a poll of their own, 60 ms later.
    std::function<std::vector<std::vector<std::uint8_t>>(const std::vector<std::uint8_t>&)> answer;
};

struct FakeDevice {
    std::uint64_t id = 0;
    std::string name; // its client name; empty: "device-<id>"
    bool openFails = false;
    bool portListFails = false;
    std::vector<FakePort> ports;
};

struct FakeNetwork {
    bool currentClassFails = false; // CLSID_VornAsync cannot be created
    bool legacyClassFails = false;  // CLSID_VornAsyncLegacy cannot be created
    bool adviseFails = false;
    bool deviceListFails = false;
    std::vector<FakeDevice> devices;
};

// One message a port took, in the order the ports took them.
struct FakeSent {
    std::uint64_t deviceId;
    std::uint32_t portId;
    std::vector<std::uint8_t> bytes;
};

class FakeVornDriver {
public:
    explicit FakeVornDriver(FakeNetwork network = {});
    FakeVornDriver(const FakeVornDriver&) = delete;
    FakeVornDriver& operator=(const FakeVornDriver&) = delete;
    // Revokes the registrations, runs the calls still queued, stops the driver thread.
    ~FakeVornDriver();

    // Changes the network seen by later calls (Open, Send).
    void SetNetwork(FakeNetwork network);
    [[nodiscard]] FakeNetwork Network();

    // Queues a call to the driver-wide observer of the most recently created driver object.
    void FireAsyncEvent(std::int32_t type);
    // Queues a call to the observer of the index-th opened port (in opening order, counting every
    // opened port, even released ones; the queued call keeps the port alive until it has run).
    void FirePortEvent(std::size_t portIndex, std::int32_t type, std::uintptr_t first, std::uintptr_t second);
    // A message from the console, arrived in `cycle` (0: the next cycle).
    void FireReceived(std::size_t portIndex, std::vector<std::uint8_t> bytes, std::uint64_t cycle = 0);
    // The stamped outcome of the port's message number `message` (VORN_OUTCOME_*).
    void FireOutcome(std::size_t portIndex, std::uint32_t message, std::uint32_t status, std::uint64_t cycle);
    // The driver's process cycles: each scripted outcome and reply takes the next one.
    [[nodiscard]] std::uint64_t NextCycle() { return ++m_nCycle; }
    [[nodiscard]] std::uint64_t Cycle() const { return m_nCycle.load(); }
    // Queues any function to run on the driver thread.
    void Post(std::function<void()> fn);
    // Waits until every queued call has run; false after the deadline.
    [[nodiscard]] bool WaitIdle(int timeoutMs = 5000);

    [[nodiscard]] int LiveObjects() const { return m_nLive.load(); } // drivers, devices, ports
    [[nodiscard]] int LivePorts() const { return m_nLivePorts.load(); }
    [[nodiscard]] int CreatedDrivers() const { return m_nCreated.load(); }
    [[nodiscard]] int OpenedPorts();
    [[nodiscard]] std::vector<FakeSent> Sent();
    // The observer advised on the index-th opened port, with a new reference (null when none).
    [[nodiscard]] IVornAsyncPortObserver* PortObserver(std::size_t portIndex);

private:
    class Factory;
    class Async;
    class Device;
    class Port;
    friend class Async;
    friend class Device;
    friend class Port;

    void Run();
    // Queues a port event; keep lives until the call has run.
    void FirePortEventKeeping(std::size_t portIndex, std::int32_t type, std::uintptr_t first, std::uintptr_t second,
                              std::shared_ptr<const void> keep);
    [[nodiscard]] std::optional<FakePort> FindPort(std::uint64_t deviceId, std::uint32_t portId);

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_queue;
    bool m_bRunning = false; // a queued call is running
    bool m_bStop = false;
    FakeNetwork m_network;
    std::vector<FakeSent> m_sent;
    std::vector<Port*> m_openedPorts; // every port ever opened; entries of destroyed ports are null
    Async* m_pLatestAsync = nullptr;
    std::atomic<int> m_nLive{0};
    std::atomic<int> m_nLivePorts{0};
    std::atomic<int> m_nCreated{0};
    std::atomic<std::uint64_t> m_nCycle{0};
    Factory* m_factories[2] = {nullptr, nullptr};
    DWORD m_cookies[2] = {0, 0};
    std::thread m_thread;
};
