#include "midi/PortListener.h"

#include <new>

#include "midi/MIDIController.h"

CPortListener* CPortListener::Create()
{
    return new (std::nothrow) CPortListener;
}

HRESULT CPortListener::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IVornAsyncObserver) {
        AddRef();
        *ppv = static_cast<IVornAsyncObserver*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CPortListener::AddRef()
{
    return m_nRef.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG CPortListener::Release()
{
    const ULONG nRef = m_nRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (nRef == 0)
        delete this;
    return nRef;
}

HRESULT CPortListener::OnAsyncEvent(std::int32_t type)
{
    CControllerLink::CCall call(m_pController);
    CMIDIController* pController = call.Controller();
    if (!pController)
        return S_OK;
    if (type == VORN_ASYNC_EVENT_CONFIG_NOTICE)
        pController->OnEvent(MIDI_EVENT_CONFIG_NOTICE, 0, nullptr);
    else if (type == VORN_ASYNC_EVENT_CONFIG_CHANGED)
        pController->OnEvent(MIDI_EVENT_CONFIG_CHANGED, 0, nullptr);
    return S_OK;
}
