#include "DriverFactory.h"

#include <new>

#include "AsyncDriver.h"

HRESULT CDriverFactory::QueryInterface(REFIID riid, void** ppv) { return AnswerInterface(riid, IID_IClassFactory, ppv); }

HRESULT CDriverFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter)
        return CLASS_E_NOAGGREGATION;
    if (riid != IID_IUnknown && riid != IID_IVornAsync)
        return E_NOINTERFACE;
    HRESULT failure = E_FAIL;
    std::shared_ptr<CDriverCore> core = CDriverCore::Create(failure);
    if (!core)
        return failure; // no JACK server running, or it refused the client
    auto* pDriver = new (std::nothrow) CAsyncDriver(std::move(core));
    if (!pDriver)
        return E_OUTOFMEMORY;
    *ppv = static_cast<IVornAsync*>(pDriver);
    return S_OK;
}

// The module's one entry point.
extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid != CLSID_VornAsync && rclsid != CLSID_VornAsyncLegacy)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* pFactory = new (std::nothrow) CDriverFactory;
    if (!pFactory)
        return E_OUTOFMEMORY;
    const HRESULT hr = pFactory->QueryInterface(riid, ppv);
    pFactory->Release();
    return hr;
}
