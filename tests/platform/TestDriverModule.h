#pragma once
#include <atomic>

#include "platform/ComBase.h"

// What the test driver modules serve: one class whose objects report a fixed value.

// {6B1D37C2-0F55-4C1E-9A43-5C8E2B7D0A11}
inline constexpr CLSID CLSID_TestModuleObject = {0x6B1D37C2, 0x0F55, 0x4C1E, {0x9A, 0x43, 0x5C, 0x8E, 0x2B, 0x7D, 0x0A, 0x11}};
// {0D64E8B5-7A0C-4F93-B1E2-93C4A8F6D722}
inline constexpr IID IID_ITestValue = {0x0D64E8B5, 0x7A0C, 0x4F93, {0xB1, 0xE2, 0x93, 0xC4, 0xA8, 0xF6, 0xD7, 0x22}};

inline constexpr int kTestModuleValue = 42;

class ITestValue : public IUnknown {
public:
    [[nodiscard]] virtual int Value() = 0;

protected:
    ~ITestValue() = default;
};

// An object reporting a given value, self-deleting on its last release.
class TestValueObject final : public ITestValue {
public:
    explicit TestValueObject(int value) : m_value(value) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_ITestValue) {
            AddRef();
            *ppv = static_cast<ITestValue*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_nRef; }
    ULONG Release() override
    {
        const ULONG n = --m_nRef;
        if (n == 0)
            delete this;
        return n;
    }
    int Value() override { return m_value; }

private:
    virtual ~TestValueObject() = default;
    std::atomic<ULONG> m_nRef{1};
    int m_value;
};
