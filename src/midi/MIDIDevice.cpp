#include "midi/MIDIDevice.h"

#include <new>

#include "midi/Win32VornMIDIController.h"
#include "platform/StaticObjectOrder.h"

[[gnu::init_priority(kInitOrderMIDIDevice)]] constinit CMIDIDevice g_MIDIDevice;

CMIDIDevice::~CMIDIDevice()
{
    delete m_pController;
    m_pController = nullptr;
}

ResultCode InitMIDIDevice()
{
    if (!g_MIDIDevice.m_pController) {
        auto* pController = new (std::nothrow) CWin32VornMIDIController;
        if (!pController)
            return RC_OUT_OF_MEMORY;
        g_MIDIDevice.m_pController = pController;
    }
    // A controller placed in the holder by other means (a test's) keeps its own way to the holder.
    if (auto* pVorn = dynamic_cast<CWin32VornMIDIController*>(g_MIDIDevice.m_pController))
        pVorn->m_pDevice = &g_MIDIDevice;
    return RC_OK;
}
