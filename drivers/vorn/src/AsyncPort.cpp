#include "AsyncPort.h"

CAsyncPort::CAsyncPort(std::shared_ptr<CDriverCore> core, std::shared_ptr<CPortChannel> channel)
    : m_core(std::move(core)), m_channel(std::move(channel))
{
    m_channel->SetSource(this);
}

CAsyncPort::~CAsyncPort() { m_core->CloseChannel(m_channel); }

HRESULT CAsyncPort::QueryInterface(REFIID riid, void** ppv) { return AnswerInterface(riid, IID_IVornAsyncPort, ppv); }

HRESULT CAsyncPort::Advise(std::uint32_t mask, IVornAsyncPortObserver* pObserver)
{
    if (!pObserver)
        return E_POINTER;
    m_channel->SetObserver(mask, pObserver);
    return S_OK;
}

HRESULT CAsyncPort::Send(std::uint32_t kind, std::uint32_t length, const std::uint8_t* pData, std::uint32_t timeoutMs)
{
    if (kind != VORN_SEND_SYSEX || length == 0 || !pData)
        return E_INVALIDARG;
    if (m_core->ServerGone())
        return E_FAIL;
    return m_channel->Queue(pData, length, timeoutMs);
}
