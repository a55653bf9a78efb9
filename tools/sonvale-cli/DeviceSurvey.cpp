#include "DeviceSurvey.h"

#include <algorithm>
#include <cstring>

#include "JackLibrary.h"
#include "midi/GraphLock.h"
#include "midi/Win32VornMIDIController.h"
#include "platform/ComRuntime.h"
#include "vorn/VornAsync.h"

namespace {

std::string NameOf(const DeviceInfo& info)
{
    return std::string(info.name, strnlen(info.name, sizeof info.name));
}

} // namespace

ResultCode CDeviceSurvey::Run()
{
    m_devices.clear();
    // The driver's client and the ports opened here come and go: no exchange of this user's programs
    // may run meanwhile, since JACK drops what reaches a console's input in such a cycle.
    CGraphLock graphLock;
    graphLock.TakeForChange();
    IVornAsync* pAsync = CDriverDiagnosis::CreateDriver(m_cause);
    if (pAsync == nullptr)
        return RC_DRIVER_UNAVAILABLE;
    const CJackLibrary& jack = CJackLibrary::Process();
    m_jack = {jack.Implementation(), jack.Path(), CJackChoice::Explain(jack.Choice()), CJackChoice::Key(jack.Choice().reason)};
    DeviceList list{0, nullptr};
    if (const HRESULT hr = pAsync->GetDeviceList(&list); FAILED(hr)) {
        m_cause = CDriverDiagnosis::CauseOfListFailure(hr);
        pAsync->Release();
        return RC_DRIVER_UNAVAILABLE;
    }
    for (std::uint32_t d = 0; d < list.count && list.pDevices != nullptr; ++d) {
        Device device;
        device.id = list.pDevices[d].id;
        device.name = NameOf(list.pDevices[d]);
        IVornAsyncDevice* pDevice = nullptr;
        PortList ports{0, nullptr};
        if (SUCCEEDED(pAsync->OpenDevice(device.id, &pDevice)) && pDevice != nullptr &&
            SUCCEEDED(pDevice->GetPortList(&ports))) {
            device.readable = true;
            for (std::uint32_t p = 0; p < ports.count && ports.pPorts != nullptr; ++p) {
                Port port;
                port.id = ports.pPorts[p].id;
                port.typeCode = ports.pPorts[p].typeCode;
                port.flags = ports.pPorts[p].flags;
                port.typeText = CWin32VornMIDIController::FormatTypeCode(port.typeCode);
                port.used = CWin32VornMIDIController::IsConsolePort(port.typeCode);
                if (port.used) {
                    IVornAsyncPort* pPort = nullptr;
                    port.refused = pDevice->OpenPort(port.id, &pPort) == VORN_E_CONNECT_REFUSED;
                    if (pPort != nullptr)
                        pPort->Release();
                }
                device.ports.push_back(std::move(port));
            }
            CoTaskMemFree(ports.pPorts);
        }
        if (pDevice != nullptr)
            pDevice->Release();
        m_devices.push_back(std::move(device));
    }
    CoTaskMemFree(list.pDevices);
    pAsync->Release();
    return RC_EXCHANGE_OK;
}

int CDeviceSurvey::UsedPortCount() const
{
    int count = 0;
    for (const Device& device : m_devices)
        for (const Port& port : device.ports)
            count += port.used && !port.refused ? 1 : 0;
    return count;
}

std::string CDeviceSurvey::RefusingDevices() const
{
    std::string names;
    for (const Device& device : m_devices)
        if (std::any_of(device.ports.begin(), device.ports.end(), [](const Port& port) { return port.refused; }))
            names += (names.empty() ? "" : ", ") + device.name;
    return names;
}
