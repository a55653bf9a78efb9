#include "AsyncDriver.h"

#include <cstring>
#include <new>

#include "AsyncDevice.h"

CAsyncDriver::CAsyncDriver(std::shared_ptr<CDriverCore> core) : m_core(std::move(core)) {}

CAsyncDriver::~CAsyncDriver() { m_core->SetAsyncObserver(0, nullptr); }

HRESULT CAsyncDriver::QueryInterface(REFIID riid, void** ppv) { return AnswerInterface(riid, IID_IVornAsync, ppv); }

void CAsyncDriver::CopyName(const std::string& name, char (&dest)[256])
{
    std::size_t n = name.size() < sizeof dest - 1 ? name.size() : sizeof dest - 1;
    if (n < name.size()) {
        // Step back over continuation bytes so that the cut falls before a character, not inside it.
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(dest, name.data(), n);
    std::memset(dest + n, 0, sizeof dest - n);
}

HRESULT CAsyncDriver::GetDeviceList(DeviceList* pList)
{
    if (!pList)
        return E_POINTER;
    *pList = {0, nullptr};
    std::vector<VornNetworkDevice> devices;
    if (const HRESULT hr = m_core->Scan(devices); FAILED(hr))
        return hr;
    if (devices.empty())
        return S_OK;
    auto* pRecords = static_cast<DeviceInfo*>(CoTaskMemAlloc(devices.size() * sizeof(DeviceInfo)));
    if (!pRecords)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        DeviceInfo& info = pRecords[i];
        std::memset(&info, 0, sizeof info);
        info.id = devices[i].id; // the platform is little-endian: the first 8 bytes are the id, low byte first
        CopyName(devices[i].name, info.name);
    }
    *pList = {static_cast<std::uint32_t>(devices.size()), pRecords};
    return S_OK;
}

HRESULT CAsyncDriver::OpenDevice(std::uint64_t deviceId, IVornAsyncDevice** ppDevice)
{
    if (!ppDevice)
        return E_POINTER;
    *ppDevice = nullptr;
    std::vector<VornNetworkDevice> devices;
    if (const HRESULT hr = m_core->Scan(devices); FAILED(hr))
        return hr;
    for (const VornNetworkDevice& device : devices) {
        if (device.id != deviceId)
            continue;
        auto* pDevice = new (std::nothrow) CAsyncDevice(m_core, device.id, device.name);
        if (!pDevice)
            return E_OUTOFMEMORY;
        *ppDevice = pDevice;
        return S_OK;
    }
    return E_INVALIDARG;
}

HRESULT CAsyncDriver::Advise(std::uint32_t mask, IVornAsyncObserver* pObserver)
{
    if (!pObserver)
        return E_POINTER;
    // Also without a server: the observer then hears when one answers.
    m_core->SetAsyncObserver(mask, pObserver);
    return S_OK;
}
