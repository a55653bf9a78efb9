#pragma once
#include <memory>

#include "ComObject.h"
#include "DriverCore.h"

// The driver object (IVornAsync): lists the devices on the JACK graph and opens them.
class CAsyncDriver : public TComObject<IVornAsync> {
public:
    explicit CAsyncDriver(std::shared_ptr<CDriverCore> core);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT GetDeviceList(DeviceList* pList) override;
    HRESULT OpenDevice(std::uint64_t deviceId, IVornAsyncDevice** ppDevice) override;
    HRESULT Advise(std::uint32_t mask, IVornAsyncObserver* pObserver) override;

    // The device's name cut to fit a DeviceInfo, never inside a UTF-8 character.
    static void CopyName(const std::string& name, char (&dest)[256]);

private:
    ~CAsyncDriver() override; // drops the driver-wide observer

    std::shared_ptr<CDriverCore> m_core;
};
