#pragma once
#include <memory>
#include <string>

#include "ComObject.h"
#include "DriverCore.h"

// One device (IVornAsyncDevice): another JACK client with typed port pairs.
class CAsyncDevice : public TComObject<IVornAsyncDevice> {
public:
    CAsyncDevice(std::shared_ptr<CDriverCore> core, std::uint64_t id, std::string name);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    HRESULT GetPortList(PortList* pList) override;
    HRESULT OpenPort(std::uint32_t portId, IVornAsyncPort** ppPort) override;

private:
    // The device's port pairs now; E_FAIL when it has left the graph.
    [[nodiscard]] HRESULT CurrentPairs(std::vector<VornPortPair>& pairs);

    std::shared_ptr<CDriverCore> m_core;
    std::uint64_t m_id;
    std::string m_name;
};
