#pragma once
#include <atomic>

#include "platform/ComBase.h"

// Reference counting shared by the driver's objects: starts at one reference (the one handed out),
// any thread may add or release, and the last release deletes the object.
template <class Interface>
class TComObject : public Interface {
public:
    ULONG AddRef() override { return m_nRef.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override
    {
        const ULONG n = m_nRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (n == 0)
            delete this;
        return n;
    }

protected:
    TComObject() = default;
    virtual ~TComObject() = default;

    // QueryInterface for an object that answers IUnknown and its one interface.
    HRESULT AnswerInterface(REFIID riid, const IID& own, void** ppv)
    {
        if (!ppv)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == own) {
            AddRef();
            *ppv = static_cast<Interface*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }

private:
    std::atomic<ULONG> m_nRef{1};
};
