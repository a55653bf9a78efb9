#pragma once
#include <memory>

#include "ComObject.h"
#include "DriverCore.h"

// One open port (IVornAsyncPort): sends messages to the device's pair and reports what comes back.
class CAsyncPort : public TComObject<IVornAsyncPort> {
public:
    CAsyncPort(std::shared_ptr<CDriverCore> core, std::shared_ptr<CPortChannel> channel);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT Advise(std::uint32_t mask, IVornAsyncPortObserver* pObserver) override;
    HRESULT Send(std::uint32_t kind, std::uint32_t length, const std::uint8_t* pData, std::uint32_t timeoutMs) override;

private:
    ~CAsyncPort() override; // closes the channel; its observer is released once no call to it is in flight

    std::shared_ptr<CDriverCore> m_core;
    std::shared_ptr<CPortChannel> m_channel;
};
