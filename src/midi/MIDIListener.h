#pragma once
#include <atomic>
#include <cstddef>

#include "midi/ControllerLink.h"
#include "vorn/VornAsync.h"

// The observer of one port: turns the port's events into transport events 3 to 6. Each received message
// is copied into the observer's own receive buffer and handed to the controller from there.
//
// The buffer has two slots of RECEIVE_CAPACITY bytes used in turn, so the message the controller was
// last given is never overwritten by the very next one; the controller's Receive detects the one after
// (see CWin32VornMIDIController::Receive). Buffer bytes are accessed atomically on both sides.
class CMIDIListener final : public IVornAsyncPortObserver {
public:
    static constexpr std::size_t RECEIVE_CAPACITY = 1024;

    // A new observer with a reference count of 1 and its buffer, or null when there is no memory.
    [[nodiscard]] static CMIDIListener* Create();

    [[nodiscard]] HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // Runs on a driver thread. E_FAIL, and nothing else, when pSource is not the observed port; S_OK
    // otherwise. A received message longer than RECEIVE_CAPACITY is cut to its first RECEIVE_CAPACITY
    // bytes.
    HRESULT OnPortEvent(IVornAsyncPort* pSource, std::int32_t type, std::uintptr_t first,
                        std::uintptr_t second) override;

    std::atomic<IVornAsyncPort*> m_pSource{nullptr}; // the observed port, not referenced
    CControllerLink m_pController;

private:
    explicit CMIDIListener(std::uint8_t* pBuffer) : m_pBuffer(pBuffer) {}
    virtual ~CMIDIListener();

    std::atomic<ULONG> m_nRef{1};
    std::uint8_t* m_pBuffer;  // 2 * RECEIVE_CAPACITY bytes
    unsigned m_nNextSlot = 0; // touched only by the observer's calls, which never overlap
};
