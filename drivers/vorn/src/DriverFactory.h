#pragma once
#include "ComObject.h"

// The class object of both driver classes: each CreateInstance opens a new driver object with its own
// JACK client.
class CDriverFactory : public TComObject<IClassFactory> {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT LockServer(bool) override { return S_OK; }
};
