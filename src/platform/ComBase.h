#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The component-object model's basic types, shared by the program and by the driver modules it loads.
// Header only: a driver module includes it without linking anything of the program, and both sides
// agree on the layout of every interface because both are built from this one header.

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;

// Status values. Success codes are 0 or positive; every failure has the top bit set.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1; // success, nothing was done (CoInitialize on an initialised thread)
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);

[[nodiscard]] constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
[[nodiscard]] constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// A 128-bit identifier of a class or an interface, in the component model's field layout.
struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b)
    {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
            return false;
        for (std::size_t i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return false;
        return true;
    }
};
static_assert(sizeof(GUID) == 16);

using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

[[nodiscard]] constexpr bool IsEqualGUID(const GUID& a, const GUID& b) { return a == b; }

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000001-0000-0000-C000-000000000046}
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The base of every interface. Objects are reference-counted: AddRef and Release return the new count
// and the object deletes itself when Release brings it to 0. QueryInterface answers S_OK with a new
// reference for every interface the object implements, and E_NOINTERFACE with *ppv set to null for any
// other identifier. AddRef and Release may be called from any thread.
// There is no public destructor: an object is never deleted through an interface, only released.
class IUnknown {
public:
    [[nodiscard]] virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// The object that makes instances of one class. A driver module hands one out from DllGetClassObject;
// tests register their own with CoRegisterClassObject.
class IClassFactory : public IUnknown {
public:
    // Creates a new object and returns its riid interface in *ppv (one reference). pUnkOuter must be
    // null: aggregation is not supported and gives CLASS_E_NOAGGREGATION.
    [[nodiscard]] virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) = 0;
    // Keeps the module loaded (fLock true) or lets it go; modules are never unloaded here, so a
    // factory may simply answer S_OK.
    virtual HRESULT LockServer(bool fLock) = 0;

protected:
    ~IClassFactory() = default;
};

// The entry point every driver module exports with C linkage under the name "DllGetClassObject":
// for a class the module serves, it returns that class's factory through riid (normally
// IID_IClassFactory) with one reference; for any other class CLASS_E_CLASSNOTAVAILABLE.
using PFNDLLGETCLASSOBJECT = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
inline constexpr const char* DLL_GET_CLASS_OBJECT_SYMBOL = "DllGetClassObject";

// The task allocator: memory that a driver hands to the program (device and port lists) is allocated
// with CoTaskMemAlloc by the driver and freed with CoTaskMemFree by the program. Both map onto the C
// heap, which the program and every module loaded into it share. CoTaskMemFree(nullptr) does nothing.
[[nodiscard]] inline void* CoTaskMemAlloc(std::size_t cb) { return std::malloc(cb == 0 ? 1 : cb); }
inline void CoTaskMemFree(void* pv) { std::free(pv); }
