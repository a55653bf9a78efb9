#include "midi/MIDIListener.h"

#include <algorithm>
#include <new>

#include "midi/MIDIController.h"

CMIDIListener* CMIDIListener::Create()
{
    auto* pBuffer = new (std::nothrow) std::uint8_t[2 * RECEIVE_CAPACITY]();
    if (!pBuffer)
        return nullptr;
    auto* pListener = new (std::nothrow) CMIDIListener(pBuffer);
    if (!pListener)
        delete[] pBuffer;
    return pListener;
}

CMIDIListener::~CMIDIListener()
{
    delete[] m_pBuffer;
}

HRESULT CMIDIListener::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IVornAsyncPortObserver) {
        AddRef();
        *ppv = static_cast<IVornAsyncPortObserver*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG CMIDIListener::AddRef()
{
    return m_nRef.fetch_add(1, std::memory_order_relaxed) + 1;
}

ULONG CMIDIListener::Release()
{
    const ULONG nRef = m_nRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (nRef == 0)
        delete this;
    return nRef;
}

HRESULT CMIDIListener::OnPortEvent(IVornAsyncPort* pSource, std::int32_t type, std::uintptr_t first,
                                   std::uintptr_t second)
{
    if (pSource != m_pSource.load(std::memory_order_acquire))
        return E_FAIL;
    CControllerLink::CCall call(m_pController);
    CMIDIController* pController = call.Controller();
    if (!pController)
        return S_OK;
    switch (type) {
    case VORN_PORT_EVENT_RECEIVED: {
        const auto* pMessage = reinterpret_cast<const VornReceivedMessage*>(first);
        std::size_t nCount = 0;
        if (pMessage && pMessage->pBytes)
            nCount = std::min<std::size_t>(pMessage->count, RECEIVE_CAPACITY);
        std::uint8_t* pSlot = m_pBuffer + m_nNextSlot * RECEIVE_CAPACITY;
        // Pairs with the acquire fence in Receive: a reader that sees any of these bytes also sees the
        // hand-over of the message before, and so knows that its copy may be torn.
        std::atomic_thread_fence(std::memory_order_release);
        for (std::size_t i = 0; i < nCount; ++i)
            std::atomic_ref<std::uint8_t>(pSlot[i]).store(pMessage->pBytes[i], std::memory_order_relaxed);
        CMIDIController::Stamp stamp;
        stamp.cycle = pMessage ? pMessage->cycle : 0;
        pController->OnStampedEvent(MIDI_EVENT_RECEIVED, stamp, static_cast<std::uint16_t>(nCount), pSlot);
        m_nNextSlot ^= 1U;
        break;
    }
    case VORN_PORT_EVENT_RECEIVE_ERROR:
        pController->OnEvent(MIDI_EVENT_RECEIVE_ERROR, 0, nullptr);
        break;
    case VORN_PORT_EVENT_OUTCOME: {
        const auto* pOutcome = reinterpret_cast<const VornMessageOutcome*>(first);
        if (!pOutcome)
            break;
        CMIDIController::Stamp stamp;
        stamp.message = pOutcome->message;
        stamp.cycle = pOutcome->cycle;
        pController->OnStampedEvent(pOutcome->status == VORN_OUTCOME_SENT ? MIDI_EVENT_SENT : MIDI_EVENT_SEND_FAILED,
                                    stamp, static_cast<std::uint16_t>(pOutcome->bytes), nullptr);
        break;
    }
    case VORN_PORT_EVENT_SENT:
        pController->OnEvent(first != 0 ? MIDI_EVENT_SENT : MIDI_EVENT_SEND_FAILED,
                             static_cast<std::uint16_t>(second), nullptr);
        break;
    default:
        break;
    }
    return S_OK;
}
