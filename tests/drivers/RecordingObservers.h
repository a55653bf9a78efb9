#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "vorn/VornAsync.h"

// Observers that record every call the driver makes, with the calling thread, for the tests to wait on.
struct RecordedEvent {
    std::int32_t type = 0;
    std::uintptr_t first = 0;  // for VORN_PORT_EVENT_RECEIVED: 1 when a message came
    std::uintptr_t second = 0;
    std::vector<std::uint8_t> bytes; // a received message's bytes
    std::uint32_t message = 0;       // an outcome's message number
    std::uint64_t cycle = 0;         // the cycle of an outcome or an arrival
    std::thread::id thread;
    IVornAsyncPort* pSource = nullptr;
};

class CRecorder {
public:
    void Add(RecordedEvent event);
    [[nodiscard]] std::vector<RecordedEvent> Events();
    [[nodiscard]] std::size_t Count(std::int32_t type);
    // Waits until at least count events of this type were recorded.
    [[nodiscard]] bool WaitForCount(std::int32_t type, std::size_t count, int timeoutMs = 5000);
    void Clear();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<RecordedEvent> m_events;
};

class CRecordingAsyncObserver : public IVornAsyncObserver, public CRecorder {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_nRef; }
    ULONG Release() override { return --m_nRef; } // lives on the test's stack; the count is checked
    HRESULT OnAsyncEvent(std::int32_t type) override;
    std::atomic<ULONG> m_nRef{1};
};

class CRecordingPortObserver : public IVornAsyncPortObserver, public CRecorder {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_nRef; }
    ULONG Release() override { return --m_nRef; }
    HRESULT OnPortEvent(IVornAsyncPort* pSource, std::int32_t type, std::uintptr_t first, std::uintptr_t second) override;
    std::atomic<ULONG> m_nRef{1};
};
