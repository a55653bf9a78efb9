#include "RecordingObservers.h"

#include <chrono>

void CRecorder::Add(RecordedEvent event)
{
    std::lock_guard lock(m_mutex);
    m_events.push_back(std::move(event));
    m_changed.notify_all();
}

std::vector<RecordedEvent> CRecorder::Events()
{
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::size_t CRecorder::Count(std::int32_t type)
{
    std::lock_guard lock(m_mutex);
    std::size_t n = 0;
    for (const RecordedEvent& e : m_events)
        n += e.type == type;
    return n;
}

bool CRecorder::WaitForCount(std::int32_t type, std::size_t count, int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        std::size_t n = 0;
        for (const RecordedEvent& e : m_events)
            n += e.type == type;
        return n >= count;
    });
}

void CRecorder::Clear()
{
    std::lock_guard lock(m_mutex);
    m_events.clear();
}

HRESULT CRecordingAsyncObserver::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IVornAsyncObserver) {
        AddRef();
        *ppv = static_cast<IVornAsyncObserver*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT CRecordingAsyncObserver::OnAsyncEvent(std::int32_t type)
{
    RecordedEvent e;
    e.type = type;
    e.thread = std::this_thread::get_id();
    Add(std::move(e));
    return S_OK;
}

HRESULT CRecordingPortObserver::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IVornAsyncPortObserver) {
        AddRef();
        *ppv = static_cast<IVornAsyncPortObserver*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT CRecordingPortObserver::OnPortEvent(IVornAsyncPort* pSource, std::int32_t type, std::uintptr_t first,
                                            std::uintptr_t second)
{
    RecordedEvent e;
    e.type = type;
    e.first = first;
    e.second = second;
    e.pSource = pSource;
    e.thread = std::this_thread::get_id();
    if (type == VORN_PORT_EVENT_RECEIVED) {
        const auto* pMessage = reinterpret_cast<const VornReceivedMessage*>(first);
        e.bytes.assign(pMessage->pBytes, pMessage->pBytes + pMessage->count);
        e.first = 1;
        e.cycle = pMessage->cycle;
    } else if (type == VORN_PORT_EVENT_OUTCOME) {
        // Recorded as the plain outcome it stands for, with its stamps; a message dropped unsent keeps
        // the stamped type, as it has no plain outcome.
        const auto* pOutcome = reinterpret_cast<const VornMessageOutcome*>(first);
        if (pOutcome->status != VORN_OUTCOME_DROPPED)
            e.type = VORN_PORT_EVENT_SENT;
        e.first = pOutcome->status == VORN_OUTCOME_SENT ? 1 : 0;
        e.second = pOutcome->bytes;
        e.message = pOutcome->message;
        e.cycle = pOutcome->cycle;
    }
    Add(std::move(e));
    return S_OK;
}
