#pragma once
#include <atomic>

#include "midi/ControllerLink.h"
#include "vorn/VornAsync.h"

// The driver-wide observer: turns the driver's configuration events into transport events 1 and 2.
// Reference-counted; starts with the one reference the controller holds.
class CPortListener final : public IVornAsyncObserver {
public:
    // A new observer with a reference count of 1, or null when there is no memory.
    [[nodiscard]] static CPortListener* Create();

    [[nodiscard]] HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    // Runs on a driver thread. Events before the controller attaches itself, or after it detached, are
    // dropped. Always S_OK.
    HRESULT OnAsyncEvent(std::int32_t type) override;

    CControllerLink m_pController;

private:
    CPortListener() = default;
    virtual ~CPortListener() = default;

    std::atomic<ULONG> m_nRef{1};
};
