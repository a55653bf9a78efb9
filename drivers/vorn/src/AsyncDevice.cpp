#include "AsyncDevice.h"

#include <new>

#include "AsyncPort.h"

CAsyncDevice::CAsyncDevice(std::shared_ptr<CDriverCore> core, std::uint64_t id, std::string name)
    : m_core(std::move(core)), m_id(id), m_name(std::move(name))
{
}

HRESULT CAsyncDevice::QueryInterface(REFIID riid, void** ppv)
{
    return AnswerInterface(riid, IID_IVornAsyncDevice, ppv);
}

HRESULT CAsyncDevice::CurrentPairs(std::vector<VornPortPair>& pairs)
{
    std::vector<VornNetworkDevice> devices;
    if (const HRESULT hr = m_core->Scan(devices); FAILED(hr))
        return hr;
    // The identifier, not the name, decides: a client that left and came back under the same name is
    // another device.
    for (VornNetworkDevice& device : devices) {
        if (device.id == m_id) {
            pairs = std::move(device.pairs);
            return S_OK;
        }
    }
    return E_FAIL;
}

HRESULT CAsyncDevice::GetPortList(PortList* pList)
{
    if (!pList)
        return E_POINTER;
    *pList = {0, nullptr};
    std::vector<VornPortPair> pairs;
    if (const HRESULT hr = CurrentPairs(pairs); FAILED(hr))
        return hr;
    if (pairs.empty())
        return S_OK;
    auto* pRecords = static_cast<PortInfo*>(CoTaskMemAlloc(pairs.size() * sizeof(PortInfo)));
    if (!pRecords)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const VornPortPair::FoundBy by = pairs[i].foundBy;
        pRecords[i] = {pairs[i].id, pairs[i].typeCode,
                       VORN_PORT_FLAG_OUTPUT | VORN_PORT_FLAG_INPUT | (pairs[i].shared ? VORN_PORT_FLAG_SHARED : 0)
                           | (by == VornPortPair::FoundBy::Rule ? VORN_PORT_FLAG_BY_RULE : 0)
                           | (by == VornPortPair::FoundBy::Asked ? VORN_PORT_FLAG_BY_ASKING : 0)};
    }
    *pList = {static_cast<std::uint32_t>(pairs.size()), pRecords};
    return S_OK;
}

HRESULT CAsyncDevice::OpenPort(std::uint32_t portId, IVornAsyncPort** ppPort)
{
    if (!ppPort)
        return E_POINTER;
    *ppPort = nullptr;
    std::vector<VornPortPair> pairs;
    if (const HRESULT hr = CurrentPairs(pairs); FAILED(hr))
        return hr;
    for (const VornPortPair& pair : pairs) {
        if (pair.id != portId)
            continue;
        std::shared_ptr<CPortChannel> channel;
        if (const HRESULT hr = m_core->OpenChannel(pair, channel); FAILED(hr))
            return hr;
        auto* pPort = new (std::nothrow) CAsyncPort(m_core, channel);
        if (!pPort) {
            m_core->CloseChannel(channel);
            return E_OUTOFMEMORY;
        }
        *ppPort = pPort;
        return S_OK;
    }
    return E_INVALIDARG;
}
