#include "DriverCore.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "WeakJack.h"

#include "ConsoleFinder.h"
#include "JackMessages.h"
#include "PortTags.h"

namespace {

// How long the graph must stay quiet before the driver reports the configuration as changed.
constexpr auto QUIET_TIME = std::chrono::milliseconds(200);

// How long the close waits for libjack's reporting thread to end after the server has gone.
constexpr auto SHUTDOWN_REPORTER_LIMIT = std::chrono::seconds(1);

// How long closing a port waits at most for its last message to leave.
constexpr auto LAST_MESSAGE_LIMIT = std::chrono::milliseconds(250);

// How often a driver without a server asks whether one answers again.
constexpr auto SERVER_PROBE_INTERVAL = std::chrono::seconds(1);

// Numbers the driver objects of this process, for their client names.
std::atomic<unsigned> g_nClientsOpened{0};

// A client name of its own for each driver object: "vorn-driver-PID-N". PipeWire's JACK library lets two
// clients have one name, and then a port name such as "vorn-driver:to-1" stands for either program's
// port, so the driver would connect (and check) another program's port instead of its own.
std::string UniqueClientName()
{
    return std::string(VORN_DRIVER_CLIENT_NAME) + "-" + std::to_string(::getpid()) + "-" +
           std::to_string(g_nClientsOpened.fetch_add(1, std::memory_order_relaxed) + 1);
}

// Whether the connection from `from` to `to` stands after asking JACK for it. One that someone else made
// first (a patchbay restoring its connections, a server that connects new ports itself) counts as ours:
// JACK then answers that it exists already.
bool Connect(jack_client_t* pClient, jack_port_t* pOwn, const std::string& from, const std::string& to)
{
    const int rc = jack_connect(pClient, from.c_str(), to.c_str());
    if (rc == 0 || rc == EEXIST || rc == -EEXIST)
        return true;
    const std::string& other = from == jack_port_name(pOwn) ? to : from;
    return jack_port_connected_to(pOwn, other.c_str()) != 0;
}

// Asks whether a JACK server answers now, without starting one and without staying on its graph.
bool ServerAnswers()
{
    jack_status_t status{};
    jack_client_t* pProbe = jack_client_open(std::string(VORN_DRIVER_CLIENT_NAME).c_str(), JackNoStartServer, &status);
    if (!pProbe)
        return false;
    jack_client_close(pProbe);
    return true;
}

bool HasConsole(const std::vector<VornNetworkDevice>& devices)
{
    return std::any_of(devices.begin(), devices.end(), [](const VornNetworkDevice& device) {
        return std::any_of(device.pairs.begin(), device.pairs.end(),
                           [](const VornPortPair& pair) { return pair.typeCode == VORN_PORT_TYPE_TARN; });
    });
}

timespec MonotonicDeadline(std::chrono::steady_clock::time_point when)
{
    // sem_clockwait measures CLOCK_MONOTONIC, which is what steady_clock reads on this platform.
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1000000000);
    ts.tv_nsec = static_cast<long>(ns % 1000000000);
    return ts;
}

} // namespace

std::shared_ptr<CDriverCore> CDriverCore::Create(HRESULT& failure)
{
    failure = E_FAIL;
    std::shared_ptr<CDriverCore> core(new CDriverCore);
    if (!core->Open())
        return nullptr;
    failure = S_OK;
    return core;
}

bool CDriverCore::Open()
{
    if (sem_init(&m_wake, 0, 0) != 0)
        return false;
    m_bWakeReady = true;
    bool noServer = false;
    m_pClient = CJackMessages::OpenClient(UniqueClientName(), noServer);
    if (!m_pClient) {
        if (!noServer)
            return false;
        // No server yet: the driver object exists without one and looks for one now and then.
        m_bServerGone.store(true, std::memory_order_release);
        m_thread = std::thread([this] { Run(false); });
        return true;
    }
    if (jack_set_process_callback(m_pClient, &OnProcess, this) != 0
        || jack_set_client_registration_callback(m_pClient, &OnClientRegistration, this) != 0
        || jack_set_port_registration_callback(m_pClient, &OnPortRegistration, this) != 0
        || jack_set_port_connect_callback(m_pClient, &OnPortConnect, this) != 0
        || jack_set_property_change_callback(m_pClient, &OnPropertyChange, this) != 0)
        return false;
    jack_on_info_shutdown(m_pClient, &OnShutdown, this);
    if (!RegisterPair(0))
        return false;
    m_thread = std::thread([this] { Run(true); });
    return jack_activate(m_pClient) == 0;
}

CDriverCore::~CDriverCore()
{
    // JACK's threads first: after the client is closed no callback of ours runs any more.
    CloseClient();
    if (m_thread.joinable()) {
        m_bStop.store(true, std::memory_order_release);
        Wake();
        if (m_thread.get_id() == std::this_thread::get_id())
            m_thread.detach(); // an observer released the last object from its own callback
        else
            m_thread.join();
    }
    m_channels.clear();
    if (m_pAsyncObserver)
        m_pAsyncObserver->Release();
    if (m_bWakeReady)
        sem_destroy(&m_wake);
}

void CDriverCore::CloseClient()
{
    std::lock_guard lock(m_clientMutex);
    if (!m_pClient)
        return;
    if (!ServerGone())
        jack_deactivate(m_pClient);
    else
        AwaitShutdownReporterEnd();
    jack_client_close(m_pClient);
    m_pClient = nullptr;
}

// libjack reports the server's end from one of its own threads, which then finishes its own part of
// the shutdown and ends. Closing the client before that thread has ended can stop it in the middle of
// that part, holding a lock of libjack's that the close itself then waits for, for ever.
void CDriverCore::AwaitShutdownReporterEnd() const
{
    const pid_t reporter = m_shutdownReporter.load(std::memory_order_acquire);
    if (reporter == 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + SHUTDOWN_REPORTER_LIMIT;
    while (::syscall(SYS_tgkill, ::getpid(), reporter, 0) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

HRESULT CDriverCore::Scan(std::vector<VornNetworkDevice>& devices)
{
    devices.clear();
    std::lock_guard lock(m_clientMutex);
    if (ServerGone() || !m_pClient)
        return VORN_E_NO_SERVER;
    // An edit of the rules file counts from the next look at the graph on.
    m_rules = CPortRules::LoadIfChanged(CPortRules::DefaultPath(), m_rules);
    devices = CNetworkScan::Scan(m_pClient, m_rules.With(CConsoleFinder::FoundOutsideFile(m_rules)));
    if (HasConsole(devices) || !CConsoleFinder::AskingWanted())
        return S_OK;
    // No pair is known as a console: the pairs without tags are asked whether one is (each once in
    // this process); the callers of a listing hold the graph lock that asking needs.
    std::string error;
    const std::vector<CConsoleFinder::Answer> answers =
        CConsoleFinder::AskUntagged(m_pClient, m_rules.With(CConsoleFinder::FoundOutsideFile(m_rules)), false, error);
    if (!error.empty())
        CPortRules::ReportOnce({"no pair without tags could be asked whether it is a console: " + error});
    if (std::none_of(answers.begin(), answers.end(),
                     [](const auto& answer) { return answer.kind == CConsoleFinder::Answer::Kind::Console; }))
        return S_OK;
    m_rules = CPortRules::LoadIfChanged(CPortRules::DefaultPath(), m_rules);
    devices = CNetworkScan::Scan(m_pClient, m_rules.With(CConsoleFinder::FoundOutsideFile(m_rules)));
    return S_OK;
}

bool CDriverCore::RegisterPair(std::size_t index)
{
    PortPair& pair = m_pairs[index];
    const std::string number = std::to_string(index + 1);
    pair.pOut = jack_port_register(m_pClient, ("to-" + number).c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    pair.pIn = jack_port_register(m_pClient, ("from-" + number).c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    if (pair.pOut && pair.pIn) {
        m_nPairs.store(index + 1, std::memory_order_release);
        return true;
    }
    for (jack_port_t** ppPort : {&pair.pOut, &pair.pIn})
        if (*ppPort)
            jack_port_unregister(m_pClient, std::exchange(*ppPort, nullptr));
    return false;
}

// Under the client mutex.
std::size_t CDriverCore::TakePair()
{
    std::size_t count = 0;
    {
        std::lock_guard lock(m_mutex);
        count = m_nPairs.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < count; ++i)
            if (!m_pairs[i].busy) {
                m_pairs[i].busy = true;
                return i;
            }
    }
    // Every pair serves a channel: one more, registered on the active client.
    if (count == MAX_CHANNELS || !RegisterPair(count))
        return MAX_CHANNELS;
    std::lock_guard lock(m_mutex);
    m_pairs[count].busy = true;
    return count;
}

// Under the client mutex. The pair's connections go; others' connections to it are cut as well, so
// the next channel on it reaches its own console only. A pair whose connections could not be cut may
// still be wired to the previous console: it stays busy for good, and the next channel takes or
// registers another, so that no message reaches two consoles.
void CDriverCore::ReturnPair(std::size_t index)
{
    bool bCut = true;
    if (!ServerGone() && m_pClient) {
        bCut = jack_port_disconnect(m_pClient, m_pairs[index].pOut) == 0;
        bCut = jack_port_disconnect(m_pClient, m_pairs[index].pIn) == 0 && bCut;
    }
    if (!bCut)
        return;
    std::lock_guard lock(m_mutex);
    m_pairs[index].busy = false;
}

HRESULT CDriverCore::OpenChannel(const VornPortPair& pair, std::shared_ptr<CPortChannel>& channel)
{
    channel.reset();
    std::lock_guard clientLock(m_clientMutex);
    if (ServerGone() || !m_pClient)
        return VORN_E_NO_SERVER;
    const std::size_t index = TakePair();
    if (index == MAX_CHANNELS)
        return m_nPairs.load(std::memory_order_relaxed) == MAX_CHANNELS ? E_OUTOFMEMORY : E_FAIL;
    jack_port_t* pOut = m_pairs[index].pOut;
    jack_port_t* pIn = m_pairs[index].pIn;
    if (!Connect(m_pClient, pOut, jack_port_name(pOut), pair.deviceInput)
        || !Connect(m_pClient, pIn, pair.deviceOutput, jack_port_name(pIn))) {
        ReturnPair(index);
        return VORN_E_CONNECT_REFUSED;
    }
    // The first messages wait in the channel until both connections have reached the process cycle;
    // for at most two seconds, as long as the open used to wait for them.
    const std::int64_t holdFrames = 2 * static_cast<std::int64_t>(jack_get_sample_rate(m_pClient));
    auto opened = std::make_shared<CPortChannel>(pOut, pIn, holdFrames);
    std::lock_guard lock(m_mutex);
    m_pairs[index].channel.store(opened.get(), std::memory_order_seq_cst);
    m_channels.push_back(opened);
    channel = std::move(opened);
    return S_OK;
}

// The last message written to the device is in the port's buffer of its cycle; the device reads it in
// that cycle or, when JACK orders it before the driver, in the next. Unregistering the port before then
// loses the message, so the port stays until the queue is empty and two more cycles have ended (or the
// server stopped running cycles).
void CDriverCore::AwaitLastMessage(const CPortChannel& channel) const
{
    const auto deadline = std::chrono::steady_clock::now() + LAST_MESSAGE_LIMIT;
    while (!ServerGone() && std::chrono::steady_clock::now() < deadline) {
        const std::uint64_t last = channel.LastSendCycle();
        if (!channel.Queued() && (last == 0 || m_nCycles.load(std::memory_order_acquire) >= last + 2))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CDriverCore::CloseChannel(const std::shared_ptr<CPortChannel>& channel)
{
    AwaitLastMessage(*channel);
    channel->Close();
    std::size_t index = MAX_CHANNELS;
    {
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i < m_nPairs.load(std::memory_order_relaxed); ++i)
            if (m_pairs[i].channel.load(std::memory_order_relaxed) == channel.get()) {
                m_pairs[i].channel.store(nullptr, std::memory_order_seq_cst);
                index = i;
            }
        std::erase(m_channels, channel);
    }
    // A process cycle that started before the pair was emptied may still be using the channel: wait for
    // it to end. A cycle that starts later finds the pair empty.
    const std::uint64_t cycle = m_nCycles.load(std::memory_order_seq_cst);
    if (m_bInProcess.load(std::memory_order_seq_cst)) {
        while (m_nCycles.load(std::memory_order_seq_cst) == cycle && !ServerGone())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (index == MAX_CHANNELS)
        return;
    std::lock_guard clientLock(m_clientMutex);
    ReturnPair(index);
}

void CDriverCore::SetAsyncObserver(std::uint32_t mask, IVornAsyncObserver* pObserver)
{
    if (pObserver)
        pObserver->AddRef();
    IVornAsyncObserver* pOld = nullptr;
    {
        std::lock_guard lock(m_mutex);
        pOld = m_pAsyncObserver;
        m_pAsyncObserver = pObserver;
        m_asyncMask = pObserver ? mask : 0;
    }
    if (pOld)
        pOld->Release();
}

// JACK's process thread. Nothing here blocks, locks or allocates.
int CDriverCore::OnProcess(jack_nframes_t nframes, void* arg)
{
    auto* self = static_cast<CDriverCore*>(arg);
    self->m_bInProcess.store(true, std::memory_order_seq_cst);
    const std::uint64_t cycle = self->m_nCycles.load(std::memory_order_relaxed) + 1;
    bool work = false;
    const std::size_t pairs = self->m_nPairs.load(std::memory_order_acquire);
    for (std::size_t i = 0; i < pairs; ++i) {
        PortPair& pair = self->m_pairs[i];
        if (CPortChannel* pChannel = pair.channel.load(std::memory_order_seq_cst))
            work = pChannel->Process(nframes, cycle) || work;
        else
            jack_midi_clear_buffer(jack_port_get_buffer(pair.pOut, nframes));
    }
    self->m_nCycles.fetch_add(1, std::memory_order_seq_cst);
    self->m_bInProcess.store(false, std::memory_order_seq_cst);
    if (work)
        self->Wake();
    return 0;
}

bool CDriverCore::IsDriverPort(jack_port_id_t port) const
{
    jack_port_t* pPort = jack_port_by_id(m_pClient, port);
    const char* name = pPort ? jack_port_name(pPort) : nullptr;
    return name && CNetworkScan::IsDriverName(name);
}

// JACK's notification thread: changes made by driver objects (this one's or another program's) are not
// changes of the network, or every copy of the program would reopen whenever another one does.
void CDriverCore::OnClientRegistration(const char* name, int, void* arg)
{
    if (!name || !CNetworkScan::IsDriverName(name))
        static_cast<CDriverCore*>(arg)->NoteConfigChange();
}

void CDriverCore::OnPortRegistration(jack_port_id_t port, int, void* arg)
{
    auto* self = static_cast<CDriverCore*>(arg);
    if (!self->IsDriverPort(port))
        self->NoteConfigChange();
}

void CDriverCore::OnPortConnect(jack_port_id_t a, jack_port_id_t b, int, void* arg)
{
    auto* self = static_cast<CDriverCore*>(arg);
    if (!self->IsDriverPort(a) && !self->IsDriverPort(b))
        self->NoteConfigChange();
}

void CDriverCore::OnPropertyChange(jack_uuid_t, const char* key, jack_property_change_t, void* arg)
{
    // An empty key means every property of the subject changed.
    if (!key || key[0] == '\0' || std::string_view(key).starts_with(VORN_KEY_PREFIX))
        static_cast<CDriverCore*>(arg)->NoteConfigChange();
}

void CDriverCore::OnShutdown(jack_status_t, const char*, void* arg)
{
    auto* self = static_cast<CDriverCore*>(arg);
    self->m_shutdownReporter.store(static_cast<pid_t>(::syscall(SYS_gettid)), std::memory_order_release);
    self->m_bServerGone.store(true, std::memory_order_release);
    self->Wake();
}

void CDriverCore::NoteConfigChange()
{
    m_nConfigChanges.fetch_add(1, std::memory_order_release);
    Wake();
}

void CDriverCore::Wake() { sem_post(&m_wake); } // async-signal-safe, never blocks

std::vector<std::shared_ptr<CPortChannel>> CDriverCore::Channels()
{
    std::lock_guard lock(m_mutex);
    return m_channels;
}

void CDriverCore::NotifyAsync(std::int32_t type)
{
    IVornAsyncObserver* pObserver = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pAsyncObserver || (m_asyncMask & static_cast<std::uint32_t>(type)) == 0)
            return;
        pObserver = m_pAsyncObserver;
        pObserver->AddRef();
    }
    pObserver->OnAsyncEvent(type);
    pObserver->Release();
}

// The driver thread: every observer call of this driver object is made here. It sleeps on the wake
// semaphore and only wakes for work, for the end of a quiet period, or, while there is no server, to ask
// once a second whether one answers.
void CDriverCore::Run(bool withServer)
{
    using Clock = std::chrono::steady_clock;
    pthread_setname_np(pthread_self(), "vorn-driver"); // how the thread shows in debuggers and /proc
    std::uint32_t seenChanges = m_nConfigChanges.load(std::memory_order_acquire);
    bool quietPending = false;
    bool shutdownReported = !withServer;
    bool probing = !withServer;
    Clock::time_point quietDeadline{};
    Clock::time_point nextProbe = Clock::now() + SERVER_PROBE_INTERVAL;
    while (!m_bStop.load(std::memory_order_acquire)) {
        if (quietPending || probing) {
            const timespec ts = MonotonicDeadline(quietPending ? quietDeadline : nextProbe);
            sem_clockwait(&m_wake, CLOCK_MONOTONIC, &ts);
        } else {
            sem_wait(&m_wake);
        }
        if (m_bStop.load(std::memory_order_acquire))
            break;

        const bool gone = ServerGone();
        for (const auto& channel : Channels()) {
            if (gone)
                channel->FailQueued();
            channel->Deliver();
        }

        if (gone) {
            if (!shutdownReported) {
                shutdownReported = true;
                quietPending = false;
                // Closed at once: a client left open after its server died breaks libjack for the
                // next client this process opens.
                CloseClient();
                NotifyAsync(VORN_ASYNC_EVENT_CONFIG_CHANGED);
                probing = true;
                nextProbe = Clock::now() + SERVER_PROBE_INTERVAL;
            } else if (probing && Clock::now() >= nextProbe) {
                // A server answers again (restarted, say, for another buffer size): a change of the
                // network like a console plugged in, which a new driver object reaches.
                probing = !ServerAnswers();
                nextProbe = Clock::now() + SERVER_PROBE_INTERVAL;
                if (!probing)
                    NotifyAsync(VORN_ASYNC_EVENT_CONFIG_CHANGED);
            }
            continue;
        }
        const std::uint32_t changes = m_nConfigChanges.load(std::memory_order_acquire);
        if (changes != seenChanges) {
            seenChanges = changes;
            quietPending = true;
            quietDeadline = Clock::now() + QUIET_TIME;
            NotifyAsync(VORN_ASYNC_EVENT_CONFIG_NOTICE);
        } else if (quietPending && Clock::now() >= quietDeadline) {
            quietPending = false;
            NotifyAsync(VORN_ASYNC_EVENT_CONFIG_CHANGED);
        }
    }
}
