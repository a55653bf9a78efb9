#include "FakeVornDriver.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <memory>

#include "platform/ComRuntime.h"


// While a port's Send scripts what follows it: the calls to deliver together.
thread_local std::vector<std::function<void()>>* t_pBatch = nullptr;

namespace {

// Reference counting shared by the fake's objects. TryAddRef takes a reference only from an object that
// is not already on its way out, so the driver thread can safely pick up objects it only knows by address.
template <class I>
class RefCounted : public I {
public:
    ULONG AddRef() override { return m_nRef.fetch_add(1) + 1; }
    ULONG Release() override
    {
        const ULONG n = m_nRef.fetch_sub(1) - 1;
        if (n == 0)
            delete this;
        return n;
    }
    bool TryAddRef()
    {
        ULONG n = m_nRef.load();
        while (n != 0)
            if (m_nRef.compare_exchange_weak(n, n + 1))
                return true;
        return false;
    }
    virtual ~RefCounted() = default;

protected:
    HRESULT Answer(REFIID riid, const IID& own, void** ppv)
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == own) {
            AddRef();
            *ppv = static_cast<I*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

private:
    std::atomic<ULONG> m_nRef{1};
};

} // namespace

class FakeVornDriver::Port final : public RefCounted<IVornAsyncPort> {
public:
    Port(FakeVornDriver& driver, std::uint64_t deviceId, std::uint32_t portId)
        : m_driver(driver), m_deviceId(deviceId), m_portId(portId)
    {
        ++m_driver.m_nLive;
        ++m_driver.m_nLivePorts;
    }
    ~Port() override
    {
        IVornAsyncPortObserver* pObserver = nullptr;
        {
            std::lock_guard lock(m_driver.m_mutex);
            for (Port*& p : m_driver.m_openedPorts)
                if (p == this)
                    p = nullptr;
            pObserver = m_pObserver;
        }
        if (pObserver)
            pObserver->Release();
        --m_driver.m_nLivePorts;
        --m_driver.m_nLive;
    }
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Answer(riid, IID_IVornAsyncPort, ppv); }
    HRESULT Advise(std::uint32_t mask, IVornAsyncPortObserver* pObserver) override
    {
        const auto script = m_driver.FindPort(m_deviceId, m_portId);
        if (!script || script->adviseFails || !pObserver)
            return E_FAIL;
        pObserver->AddRef();
        std::lock_guard lock(m_driver.m_mutex);
        if (m_pObserver)
            m_pObserver->Release();
        m_pObserver = pObserver;
        m_bStamped = (mask & static_cast<std::uint32_t>(VORN_PORT_EVENT_OUTCOME)) != 0;
        return S_OK;
    }
    HRESULT Send(std::uint32_t kind, std::uint32_t length, const std::uint8_t* pData, std::uint32_t) override
    {
        if (kind != VORN_SEND_SYSEX || length == 0 || !pData)
            return E_INVALIDARG;
        const auto script = m_driver.FindPort(m_deviceId, m_portId);
        if (!script || script->refusesSend)
            return E_FAIL;
        {
            std::lock_guard lock(m_driver.m_mutex);
            m_driver.m_sent.push_back({m_deviceId, m_portId, std::vector<std::uint8_t>(pData, pData + length)});
        }
        const std::size_t index = Index();
        // Like the driver: messages numbered by the port, the outcome in a cycle of its own and the
        // reply in a later one.
        const std::uint32_t number = ++m_nTaken;
        // The outcome and the answers reach the observer in one go, as the driver delivers what one
        // poll found: nothing can take the first answer before the ones right behind it are there.
        std::vector<std::function<void()>> batch;
        std::vector<std::vector<std::function<void()>>> later; // delivered a poll apart each
        t_pBatch = &batch;
        if (script->sendResult) {
            const std::uint32_t status = *script->sendResult ? VORN_OUTCOME_SENT : VORN_OUTCOME_FAILED;
            if (Stamped())
                m_driver.FireOutcome(index, number, status, m_driver.NextCycle());
            else
                m_driver.FirePortEvent(index, VORN_PORT_EVENT_SENT, *script->sendResult ? 1 : 0, length);
        }
        if (script->answer) {
            for (std::vector<std::uint8_t>& reply : script->answer(std::vector<std::uint8_t>(pData, pData + length))) {
                if (reply.empty()) {
                    t_pBatch = &later.emplace_back();
                    continue;
                }
                m_driver.FireReceived(index, std::move(reply));
            }
        } else if (script->reply) {
            m_driver.FireReceived(index, *script->reply);
        }
        t_pBatch = nullptr;
        m_driver.Post([batch = std::move(batch)] {
            for (const std::function<void()>& call : batch)
                call();
        });
        for (std::vector<std::function<void()>>& next : later) {
            m_driver.Post([next = std::move(next)] {
                std::this_thread::sleep_for(std::chrono::milliseconds(60));
                for (const std::function<void()>& call : next)
                    call();
            });
        }
        return S_OK;
    }
    bool Stamped()
    {
        std::lock_guard lock(m_driver.m_mutex);
        return m_bStamped;
    }
    // The observer with a new reference, or null. Caller holds the driver's mutex.
    IVornAsyncPortObserver* ObserverLocked()
    {
        if (m_pObserver)
            m_pObserver->AddRef();
        return m_pObserver;
    }

private:
    std::size_t Index()
    {
        std::lock_guard lock(m_driver.m_mutex);
        for (std::size_t i = 0; i < m_driver.m_openedPorts.size(); ++i)
            if (m_driver.m_openedPorts[i] == this)
                return i;
        return SIZE_MAX;
    }

    FakeVornDriver& m_driver;
    std::uint64_t m_deviceId;
    std::uint32_t m_portId;
    IVornAsyncPortObserver* m_pObserver = nullptr; // guarded by the driver's mutex
    bool m_bStamped = false;                       // guarded by the driver's mutex
    std::uint32_t m_nTaken = 0;                    // messages taken: the number of the last
};

class FakeVornDriver::Device final : public RefCounted<IVornAsyncDevice> {
public:
    Device(FakeVornDriver& driver, FakeDevice device) : m_driver(driver), m_spec(std::move(device)) { ++m_driver.m_nLive; }
    ~Device() override { --m_driver.m_nLive; }
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Answer(riid, IID_IVornAsyncDevice, ppv); }
    HRESULT GetPortList(PortList* pList) override
    {
        *pList = {0, nullptr};
        if (m_spec.portListFails)
            return E_FAIL;
        pList->count = static_cast<std::uint32_t>(m_spec.ports.size());
        if (pList->count) {
            pList->pPorts = static_cast<PortInfo*>(CoTaskMemAlloc(pList->count * sizeof(PortInfo)));
            for (std::uint32_t i = 0; i < pList->count; ++i)
                pList->pPorts[i] = {m_spec.ports[i].id, m_spec.ports[i].typeCode, VORN_PORT_FLAG_OUTPUT};
        }
        return S_OK;
    }
    HRESULT OpenPort(std::uint32_t portId, IVornAsyncPort** ppPort) override
    {
        *ppPort = nullptr;
        const auto script = m_driver.FindPort(m_spec.id, portId);
        if (!script || script->openFails)
            return E_FAIL;
        auto* pPort = new Port(m_driver, m_spec.id, portId);
        std::lock_guard lock(m_driver.m_mutex);
        m_driver.m_openedPorts.push_back(pPort);
        *ppPort = pPort;
        return S_OK;
    }

private:
    FakeVornDriver& m_driver;
    FakeDevice m_spec;
};

class FakeVornDriver::Async final : public RefCounted<IVornAsync> {
public:
    explicit Async(FakeVornDriver& driver) : m_driver(driver) { ++m_driver.m_nLive; }
    ~Async() override
    {
        IVornAsyncObserver* pObserver = nullptr;
        {
            std::lock_guard lock(m_driver.m_mutex);
            if (m_driver.m_pLatestAsync == this)
                m_driver.m_pLatestAsync = nullptr;
            pObserver = m_pObserver;
        }
        if (pObserver)
            pObserver->Release();
        --m_driver.m_nLive;
    }
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Answer(riid, IID_IVornAsync, ppv); }
    HRESULT GetDeviceList(DeviceList* pList) override
    {
        *pList = {0, nullptr};
        const FakeNetwork network = m_driver.Network();
        if (network.deviceListFails)
            return E_FAIL;
        pList->count = static_cast<std::uint32_t>(network.devices.size());
        if (pList->count) {
            pList->pDevices = static_cast<DeviceInfo*>(CoTaskMemAlloc(pList->count * sizeof(DeviceInfo)));
            std::memset(pList->pDevices, 0, pList->count * sizeof(DeviceInfo));
            for (std::uint32_t i = 0; i < pList->count; ++i) {
                pList->pDevices[i].id = network.devices[i].id;
                const std::string name = !network.devices[i].name.empty()
                                             ? network.devices[i].name
                                             : "device-" + std::to_string(network.devices[i].id);
                std::snprintf(pList->pDevices[i].name, sizeof pList->pDevices[i].name, "%s", name.c_str());
            }
        }
        return S_OK;
    }
    HRESULT OpenDevice(std::uint64_t deviceId, IVornAsyncDevice** ppDevice) override
    {
        *ppDevice = nullptr;
        for (const FakeDevice& device : m_driver.Network().devices) {
            if (device.id != deviceId)
                continue;
            if (device.openFails)
                return E_FAIL;
            *ppDevice = new Device(m_driver, device);
            return S_OK;
        }
        return E_INVALIDARG;
    }
    HRESULT Advise(std::uint32_t, IVornAsyncObserver* pObserver) override
    {
        if (m_driver.Network().adviseFails || !pObserver)
            return E_FAIL;
        pObserver->AddRef();
        std::lock_guard lock(m_driver.m_mutex);
        if (m_pObserver)
            m_pObserver->Release();
        m_pObserver = pObserver;
        return S_OK;
    }
    IVornAsyncObserver* ObserverLocked()
    {
        if (m_pObserver)
            m_pObserver->AddRef();
        return m_pObserver;
    }

private:
    FakeVornDriver& m_driver;
    IVornAsyncObserver* m_pObserver = nullptr; // guarded by the driver's mutex
};

class FakeVornDriver::Factory final : public RefCounted<IClassFactory> {
public:
    Factory(FakeVornDriver& driver, bool bLegacy) : m_driver(driver), m_bLegacy(bLegacy) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override { return Answer(riid, IID_IClassFactory, ppv); }
    HRESULT CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (pOuter)
            return CLASS_E_NOAGGREGATION;
        const FakeNetwork network = m_driver.Network();
        if (m_bLegacy ? network.legacyClassFails : network.currentClassFails)
            return E_FAIL;
        auto* pAsync = new Async(m_driver);
        ++m_driver.m_nCreated;
        const HRESULT hr = pAsync->QueryInterface(riid, ppv);
        if (SUCCEEDED(hr)) {
            std::lock_guard lock(m_driver.m_mutex);
            m_driver.m_pLatestAsync = pAsync;
        }
        pAsync->Release();
        return hr;
    }
    HRESULT LockServer(bool) override { return S_OK; }

private:
    FakeVornDriver& m_driver;
    bool m_bLegacy;
};

FakeVornDriver::FakeVornDriver(FakeNetwork network) : m_network(std::move(network))
{
    // The consoles' locks are named after the server: a name of this process's own keeps the fake
    // consoles of test programs running at the same time apart.
    ::setenv("JACK_DEFAULT_SERVER", ("fake-vorn-" + std::to_string(::getpid())).c_str(), 0);
    m_thread = std::thread([this] { Run(); });
    const CLSID* classes[2] = {&CLSID_VornAsync, &CLSID_VornAsyncLegacy};
    for (int i = 0; i < 2; ++i) {
        m_factories[i] = new Factory(*this, i == 1);
        (void)CoRegisterClassObject(*classes[i], m_factories[i], CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    &m_cookies[i]);
    }
}

FakeVornDriver::~FakeVornDriver()
{
    for (int i = 0; i < 2; ++i) {
        CoRevokeClassObject(m_cookies[i]);
        m_factories[i]->Release();
    }
    {
        std::lock_guard lock(m_mutex);
        m_bStop = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void FakeVornDriver::Run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_bStop || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, and every queued call has run
        std::function<void()> fn = std::move(m_queue.front());
        m_queue.pop_front();
        m_bRunning = true;
        lock.unlock();
        fn();
        lock.lock();
        m_bRunning = false;
        m_cv.notify_all();
    }
}

void FakeVornDriver::Post(std::function<void()> fn)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(fn));
    }
    m_cv.notify_all();
}

bool FakeVornDriver::WaitIdle(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [this] { return m_queue.empty() && !m_bRunning; });
}

void FakeVornDriver::SetNetwork(FakeNetwork network)
{
    std::lock_guard lock(m_mutex);
    m_network = std::move(network);
}

FakeNetwork FakeVornDriver::Network()
{
    std::lock_guard lock(m_mutex);
    return m_network;
}

std::optional<FakePort> FakeVornDriver::FindPort(std::uint64_t deviceId, std::uint32_t portId)
{
    std::lock_guard lock(m_mutex);
    for (const FakeDevice& device : m_network.devices)
        if (device.id == deviceId)
            for (const FakePort& port : device.ports)
                if (port.id == portId)
                    return port;
    return std::nullopt;
}

void FakeVornDriver::FireAsyncEvent(std::int32_t type)
{
    Post([this, type] {
        IVornAsyncObserver* pObserver = nullptr;
        Async* pAsync = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (m_pLatestAsync && m_pLatestAsync->TryAddRef()) {
                pAsync = m_pLatestAsync;
                pObserver = pAsync->ObserverLocked();
            }
        }
        if (pObserver) {
            pObserver->OnAsyncEvent(type);
            pObserver->Release();
        }
        if (pAsync)
            pAsync->Release();
    });
}

void FakeVornDriver::FirePortEvent(std::size_t portIndex, std::int32_t type, std::uintptr_t first,
                                   std::uintptr_t second)
{
    FirePortEventKeeping(portIndex, type, first, second, nullptr);
}

void FakeVornDriver::FirePortEventKeeping(std::size_t portIndex, std::int32_t type, std::uintptr_t first,
                                          std::uintptr_t second, std::shared_ptr<const void> keep)
{
    Port* pPort = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (portIndex < m_openedPorts.size() && m_openedPorts[portIndex] && m_openedPorts[portIndex]->TryAddRef())
            pPort = m_openedPorts[portIndex];
    }
    if (!pPort)
        return;
    std::function<void()> call = [this, pPort, type, first, second, keep = std::move(keep)] {
        IVornAsyncPortObserver* pObserver = nullptr;
        {
            std::lock_guard lock(m_mutex);
            pObserver = pPort->ObserverLocked();
        }
        if (pObserver) {
            pObserver->OnPortEvent(pPort, type, first, second);
            pObserver->Release();
        }
        pPort->Release();
    };
    if (t_pBatch)
        t_pBatch->push_back(std::move(call));
    else
        Post(std::move(call));
}

void FakeVornDriver::FireReceived(std::size_t portIndex, std::vector<std::uint8_t> bytes, std::uint64_t cycle)
{
    // The message lives in the queued call until it has been delivered.
    auto message = std::make_shared<std::pair<VornReceivedMessage, std::vector<std::uint8_t>>>();
    message->second = std::move(bytes);
    message->first = {static_cast<std::uint32_t>(message->second.size()), message->second.data(),
                      cycle != 0 ? cycle : NextCycle()};
    const auto first = reinterpret_cast<std::uintptr_t>(&message->first);
    FirePortEventKeeping(portIndex, VORN_PORT_EVENT_RECEIVED, first, 0, std::move(message));
}

void FakeVornDriver::FireOutcome(std::size_t portIndex, std::uint32_t message, std::uint32_t status, std::uint64_t cycle)
{
    auto outcome = std::make_shared<VornMessageOutcome>(VornMessageOutcome{message, status, 0, cycle});
    const auto first = reinterpret_cast<std::uintptr_t>(outcome.get());
    FirePortEventKeeping(portIndex, VORN_PORT_EVENT_OUTCOME, first, 0, std::move(outcome));
}

int FakeVornDriver::OpenedPorts()
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_openedPorts.size());
}

std::vector<FakeSent> FakeVornDriver::Sent()
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

IVornAsyncPortObserver* FakeVornDriver::PortObserver(std::size_t portIndex)
{
    std::lock_guard lock(m_mutex);
    if (portIndex < m_openedPorts.size() && m_openedPorts[portIndex])
        return m_openedPorts[portIndex]->ObserverLocked();
    return nullptr;
}
