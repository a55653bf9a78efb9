#pragma once
#include "WeakJack.h"
#include <semaphore.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "NetworkScan.h"
#include "PortChannel.h"
#include "vorn/VornAsync.h"

// What one driver object shares with its devices and ports: the JACK client, the open port channels,
// the driver-wide observer and the driver thread that makes every observer call.
//
// The driver object, its devices and its ports each hold the core; the last of them to go destroys it,
// which closes the JACK client and stops and joins the driver thread.
class CDriverCore {
public:
    // Opens a JACK client without starting a server and starts the driver thread. Null when the server
    // refuses the client or it cannot be set up (E_FAIL). When no server answers, the core has no client:
    // it behaves as one whose server has gone and looks for a server once a second.
    [[nodiscard]] static std::shared_ptr<CDriverCore> Create(HRESULT& failure);
    ~CDriverCore();
    CDriverCore(const CDriverCore&) = delete;
    CDriverCore& operator=(const CDriverCore&) = delete;

    [[nodiscard]] bool ServerGone() const { return m_bServerGone.load(std::memory_order_acquire); }
    // Program thread: the devices on the graph now. VORN_E_NO_SERVER when the server is gone.
    [[nodiscard]] HRESULT Scan(std::vector<VornNetworkDevice>& devices);
    // Program thread: takes a free pair of the driver's own MIDI ports, connects them to the device's
    // ports and starts serving them. VORN_E_CONNECT_REFUSED when the connections cannot be made.
    [[nodiscard]] HRESULT OpenChannel(const VornPortPair& pair, std::shared_ptr<CPortChannel>& channel);
    // Program thread: stops serving a channel and cuts its ports' connections, once its last message has
    // left; the ports serve the next channel. When this returns, JACK's process callback no longer touches it.
    void CloseChannel(const std::shared_ptr<CPortChannel>& channel);

    // Program thread: the driver-wide observer (null drops it).
    void SetAsyncObserver(std::uint32_t mask, IVornAsyncObserver* pObserver);

private:
    static constexpr std::size_t MAX_CHANNELS = 64;

    CDriverCore() = default;
    [[nodiscard]] bool Open();
    void CloseClient();

    static int OnProcess(jack_nframes_t nframes, void* arg);
    static void OnClientRegistration(const char* name, int registered, void* arg);
    static void OnPortRegistration(jack_port_id_t port, int registered, void* arg);
    static void OnPortConnect(jack_port_id_t a, jack_port_id_t b, int connected, void* arg);
    static void OnPropertyChange(jack_uuid_t subject, const char* key, jack_property_change_t change, void* arg);
    static void OnShutdown(jack_status_t code, const char* reason, void* arg);

    [[nodiscard]] bool IsDriverPort(jack_port_id_t port) const;
    void NoteConfigChange();
    void Wake();

    void AwaitShutdownReporterEnd() const;
    void AwaitLastMessage(const CPortChannel& channel) const;
    // withServer: false for a driver object created while no server answered.
    void Run(bool withServer);
    void NotifyAsync(std::int32_t type);
    [[nodiscard]] std::vector<std::shared_ptr<CPortChannel>> Channels();

    // The client; null once closed. Calls into JACK from program threads and the close hold the mutex;
    // JACK's own callbacks need not, as they end before the close returns.
    std::mutex m_clientMutex;
    jack_client_t* m_pClient = nullptr;
    // The port rules as last read, under the client mutex: read again only when the file changed.
    CPortRules m_rules;
    sem_t m_wake{};
    bool m_bWakeReady = false;
    std::thread m_thread;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bServerGone{false};
    // The kernel's number for the libjack thread that reported the server's end; 0 before.
    std::atomic<pid_t> m_shutdownReporter{0};
    std::atomic<std::uint32_t> m_nConfigChanges{0};

    // The driver's own port pairs. Once registered, a pair stays until the client closes, and a closed
    // channel's pair serves the next one: libjack walks a client's port list from its notification
    // thread without a lock whenever the graph's latencies change (any connection anywhere), so
    // registering or unregistering a port on the active client can crash it. The first pair is
    // registered before the client is activated; more only when channels are open at once.
    struct PortPair {
        jack_port_t* pOut = nullptr;
        jack_port_t* pIn = nullptr;
        // Read by JACK's process callback without a lock; a channel leaves it before it is freed. A pair
        // without a channel has its output cleared every cycle, so a later reader finds nothing old there.
        std::atomic<CPortChannel*> channel{nullptr};
        bool busy = false; // under m_mutex: a channel has it, one is being opened on it, or it could not be cut loose
    };
    [[nodiscard]] bool RegisterPair(std::size_t index);
    [[nodiscard]] std::size_t TakePair(); // MAX_CHANNELS when none can be had
    void ReturnPair(std::size_t index);
    std::array<PortPair, MAX_CHANNELS> m_pairs{};
    std::atomic<std::size_t> m_nPairs{0}; // pairs registered; each is whole before it counts
    std::atomic<bool> m_bInProcess{false};
    std::atomic<std::uint64_t> m_nCycles{0};

    std::mutex m_mutex; // guards what follows
    std::vector<std::shared_ptr<CPortChannel>> m_channels;
    IVornAsyncObserver* m_pAsyncObserver = nullptr;
    std::uint32_t m_asyncMask = 0;
};
