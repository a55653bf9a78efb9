#pragma once
#include "midi/MIDIController.h"
#include "midi/MIDIDeviceListener.h"
#include "platform/ResultCode.h"

// The process-wide holder of the one MIDI controller and the one device listener. It owns the
// controller (destroyed with the holder) and only points to the listener.
class CMIDIDevice {
public:
    // Constant-initialised, so the holder exists before any dynamic initialisation at start-up; its
    // place among the process-wide objects (destroyed after the application object) is in
    // platform/StaticObjectOrder.h.
    constexpr CMIDIDevice() = default;
    CMIDIDevice(const CMIDIDevice&) = delete;
    CMIDIDevice& operator=(const CMIDIDevice&) = delete;
    virtual ~CMIDIDevice();

    CMIDIController* m_pController = nullptr; // owned
    CMIDIDeviceListener* m_pListener = nullptr; // not owned
};

// The one holder of the process.
extern CMIDIDevice g_MIDIDevice;

// Creates the controller (a CWin32VornMIDIController) when the holder has none yet and points the
// controller back to the holder. RC_OK, or RC_OUT_OF_MEMORY when the controller cannot be allocated
// (the holder then stays without one). Called once, early in start-up, on the user-interface thread.
[[nodiscard]] ResultCode InitMIDIDevice();
