#include "midi/Win32VornMIDIController.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <new>

#include "midi/ConsoleChoice.h"
#include "midi/MIDIDevice.h"
#include "midi/MIDIListener.h"
#include "midi/PortListener.h"
#include "platform/ComRuntime.h"
#include "platform/TickCount.h"

CWin32VornMIDIController::CWin32VornMIDIController() : m_counter(&GetTickCount)
{
    m_bComInitialized = SUCCEEDED(CoInitialize(nullptr));
}

CWin32VornMIDIController::~CWin32VornMIDIController()
{
    ReleaseAllQuietly();
    if (m_bComInitialized)
        CoUninitialize();
}

IVornAsync* CWin32VornMIDIController::CreateDriverObject(std::array<HRESULT, 2>* pFailures)
{
    const CLSID classes[2] = {CLSID_VornAsync, CLSID_VornAsyncLegacy};
    if (pFailures)
        pFailures->fill(S_OK);
    for (std::size_t i = 0; i < 2; ++i) {
        void* pv = nullptr;
        const HRESULT hr = CoCreateInstance(classes[i], nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                                            IID_IVornAsync, &pv);
        if (SUCCEEDED(hr) && pv)
            return static_cast<IVornAsync*>(pv);
        if (pFailures)
            (*pFailures)[i] = hr;
    }
    return nullptr;
}

ResultCode CWin32VornMIDIController::Open()
{
    // The ports of this program come and go in here; no exchange of this user's programs may be
    // under way meanwhile. A wait that runs out goes ahead all the same.
    EndExchange();
    m_graphLock.TakeForChange();
    const ResultCode result = OpenConsole();
    m_graphLock.Release();
    return result;
}

void CWin32VornMIDIController::ReleaseAllQuietly()
{
    EndExchange();
    // Without a driver object this program has nothing on the graph to take away.
    if (!m_pAsync) {
        ReleaseAll();
        return;
    }
    m_graphLock.TakeForChange();
    ReleaseAll();
    m_graphLock.Release();
}

ResultCode CWin32VornMIDIController::OpenConsole()
{
    ReleaseAll();
    m_consoles.clear();
    m_chosen.reset();
    m_fault = Fault::None;
    m_faultDetail.clear();
    m_sharingDetail.clear();
    m_listFailure = S_OK;
    m_pAsync = CreateDriverObject(&m_createFailures);
    if (!m_pAsync)
        return RC_DRIVER_UNAVAILABLE;

    m_pAsyncObserver = CPortListener::Create();
    if (!m_pAsyncObserver || m_pAsync->Advise(VORN_ASYNC_ADVISE_ALL, m_pAsyncObserver) != S_OK)
        return RC_OBSERVER_REFUSED;
    m_pAsyncObserver->m_pController.Attach(this);

    m_listFailure = m_pAsync->GetDeviceList(&m_deviceList);
    if (m_listFailure != S_OK) {
        CoTaskMemFree(m_deviceList.pDevices);
        m_deviceList = {0, nullptr};
        return RC_DRIVER_UNAVAILABLE;
    }

    // Every device that offers a console is kept open until one console is chosen among them all.
    std::vector<OfferingDevice> offering;
    std::vector<ConsoleCandidate> candidates;
    try {
        m_devices.reserve(1);
        m_portLists.reserve(1);
        offering.reserve(m_deviceList.count);
        for (std::uint32_t i = 0; i < m_deviceList.count; ++i) {
            IVornAsyncDevice* pDevice = nullptr;
            if (m_pAsync->OpenDevice(m_deviceList.pDevices[i].id, &pDevice) != S_OK || !pDevice)
                continue;
            PortList portList{0, nullptr};
            if (pDevice->GetPortList(&portList) != S_OK) {
                CoTaskMemFree(portList.pPorts);
                pDevice->Release();
                continue;
            }
            const char* name = m_deviceList.pDevices[i].name;
            const std::string client(name, strnlen(name, sizeof m_deviceList.pDevices[i].name));
            const std::size_t before = candidates.size();
            offering.push_back({pDevice, portList, m_deviceList.pDevices[i].id}); // room reserved above
            for (std::uint32_t p = 0; p < portList.count; ++p)
                if (IsConsolePort(portList.pPorts[p].typeCode))
                    candidates.push_back({offering.size() - 1, client, portList.pPorts[p].id});
            if (candidates.size() == before) {
                offering.pop_back();
                CoTaskMemFree(portList.pPorts);
                pDevice->Release();
            }
        }
        m_consoles = candidates;
    } catch (const std::bad_alloc&) {
        candidates.clear(); // nothing is chosen; everything opened is released below
        m_consoles.clear();
    }
    const ResultCode kept = KeepChosenConsole(offering, candidates);
    if (kept != RC_EXCHANGE_OK) {
        CoTaskMemFree(m_deviceList.pDevices);
        m_deviceList = {0, nullptr};
    }
    return kept;
}

ResultCode CWin32VornMIDIController::KeepChosenConsole(std::vector<OfferingDevice>& offering,
                                                       std::vector<ConsoleCandidate>& candidates)
{
    // A console whose port cannot be opened or observed is passed over for the next by the rule,
    // unless the user asked for that one and nothing else.
    std::size_t kept = offering.size();
    while (kept == offering.size()) {
        std::size_t chosen = 0;
        m_faultDetail.clear();
        const CConsoleChoice::Outcome outcome =
            CConsoleChoice::Choose(candidates, m_wish, chosen, m_faultDetail);
        if (outcome != CConsoleChoice::Outcome::Chosen) {
            if (outcome == CConsoleChoice::Outcome::Ambiguous)
                m_fault = Fault::AmbiguousConsole;
            else if (outcome == CConsoleChoice::Outcome::NoSuchConsole)
                m_fault = Fault::NoSuchConsole;
            break;
        }
        const ConsoleCandidate& console = candidates[chosen];
        if (AttachPorts(offering[console.device].pDevice, offering[console.device].portList, console.pairId) ==
            RC_EXCHANGE_OK) {
            kept = console.device;
            m_chosen = console;
            m_nConsoleDevice = offering[console.device].id;
            m_turn.SetConsole(CGraphLock::ServerName(), console.client, console.pairId);
        } else if (m_wish.AsksForOne() && !m_wish.bElseLowest) {
            break;
        } else {
            candidates.erase(candidates.begin() + static_cast<std::ptrdiff_t>(chosen));
        }
    }

    for (std::size_t i = 0; i < offering.size(); ++i) {
        if (i == kept) {
            // Room was made when the devices were counted; keeping one cannot fail.
            m_devices.push_back(offering[i].pDevice);
            m_portLists.push_back(offering[i].portList);
            continue;
        }
        CoTaskMemFree(offering[i].portList.pPorts);
        offering[i].pDevice->Release();
    }
    return kept < offering.size() ? RC_EXCHANGE_OK : RC_NO_USABLE_PORT;
}

ResultCode CWin32VornMIDIController::AttachPorts(IVornAsyncDevice* pDevice, const PortList& portList,
                                                 std::uint32_t pairId)
{
    bool bAttached = false;
    for (std::uint32_t i = 0; i < portList.count; ++i) {
        const PortInfo& info = portList.pPorts[i];
        if (!IsConsolePort(info.typeCode) || info.id != pairId)
            continue;
        IVornAsyncPort* pPort = nullptr;
        if (pDevice->OpenPort(info.id, &pPort) != S_OK || !pPort)
            continue;
        CMIDIListener* pListener = CMIDIListener::Create();
        bool bRoom = pListener != nullptr;
        try {
            if (bRoom) {
                m_ports.reserve(m_ports.size() + 1);
                m_portObservers.reserve(m_portObservers.size() + 1);
            }
        } catch (const std::bad_alloc&) {
            bRoom = false;
        }
        if (!bRoom) {
            if (pListener)
                pListener->Release();
            pPort->Release();
            continue;
        }
        // The source is set before Advise so that the port's first event is already recognised as its own;
        // events still reach nobody until the controller attaches itself below.
        pListener->m_pSource.store(pPort, std::memory_order_release);
        if (pPort->Advise(VORN_PORT_ADVISE_ALL, pListener) != S_OK) {
            pListener->Release();
            pPort->Release();
            continue;
        }
        pListener->m_pController.Attach(this);
        if (info.flags & VORN_PORT_FLAG_SHARED)
            m_sharingDetail = "another program, which takes no turns with this one, also sends to the console's "
                              "input: its exchanges can cross this program's (sonvale-cli ports names it)";
        m_ports.push_back(pPort);
        m_portObservers.push_back(pListener);
        bAttached = true;
    }
    return bAttached ? RC_EXCHANGE_OK : RC_NO_USABLE_PORT;
}

void CWin32VornMIDIController::ReleaseAll()
{
    // Cut the observers off first: once this returns, no driver thread is inside this controller and
    // none will enter it, however long the driver keeps the observers.
    if (m_pAsyncObserver)
        m_pAsyncObserver->m_pController.Detach();
    for (CMIDIListener* pListener : m_portObservers)
        pListener->m_pController.Detach();
    // The receive result stays, so a Receive now fails at once instead of waiting (no driver thread
    // writes it any more).
    ForgetReceived();

    for (const PortList& portList : m_portLists)
        CoTaskMemFree(portList.pPorts);
    m_portLists.clear();
    CoTaskMemFree(m_deviceList.pDevices);
    m_deviceList = {0, nullptr};
    m_turn.Forget();
    if (m_pAsync) {
        m_pAsync->Release();
        m_pAsync = nullptr;
    }
    for (IVornAsyncDevice* pDevice : m_devices)
        pDevice->Release();
    m_devices.clear();
    for (IVornAsyncPort* pPort : m_ports)
        pPort->Release();
    m_ports.clear();
    m_nPortMessages = 0;
    m_nConsoleDevice = 0;
    if (m_pAsyncObserver) {
        m_pAsyncObserver->Release();
        m_pAsyncObserver = nullptr;
    }
    for (CMIDIListener* pListener : m_portObservers)
        pListener->Release();
    m_portObservers.clear();
}

ResultCode CWin32VornMIDIController::Close()
{
    ReleaseAllQuietly();
    return RC_EXCHANGE_OK;
}

std::string CWin32VornMIDIController::FormatTypeCode(std::uint32_t nTypeCode)
{
    char text[16];
    const unsigned c[4] = {nTypeCode >> 24 & 0xFFU, nTypeCode >> 16 & 0xFFU, nTypeCode >> 8 & 0xFFU,
                           nTypeCode & 0xFFU};
    const bool bPrintable = std::all_of(std::begin(c), std::end(c), [](unsigned b) { return b >= 0x20 && b <= 0x7E; });
    if (bPrintable)
        std::snprintf(text, sizeof text, "%c%c%c%c", c[0], c[1], c[2], c[3]);
    else
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(nTypeCode));
    return text;
}

void CWin32VornMIDIController::SetMillisecondCounter(MillisecondCounter counter)
{
    m_counter = std::move(counter);
}
